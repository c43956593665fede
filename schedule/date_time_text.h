#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "seams/clock.h"

namespace kalore {

// A date or time text that doesn't hold a whole number where one is expected;
// what() is the runtime's French text, shown to the user as it stands.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "dd/MM/yyyy" and "HH:mm:ss", whatever the locale: the schedule reads these
// texts back at fixed positions.
std::string DateText(const LocalDateTime& when);
std::string TimeText(const LocalDateTime& when);

// True when the text is exactly "dd/mm/yyyy" (or "hh:mm:ss") with digits that
// make a calendar date (a time of day): nothing more, nothing less.
bool IsDateText(std::string_view text);
bool IsTimeText(std::string_view text);

// The whole number at characters [first, first + count) of text (counted from 0).
// Throws ConversionError for a piece that isn't one, a text too short included.
int FixedPositionInteger(std::string_view text, std::size_t first, std::size_t count);

// Seconds since a fixed origin of a local date and time, to subtract one from
// another. Throws ConversionError for a damaged text.
std::int64_t SecondsOfDateTime(std::string_view date, std::string_view time);

// The real instant a date and time text names in the user's time zone (InstantOf).
// Throws ConversionError for a damaged text.
std::int64_t InstantOfDateTime(std::string_view date, std::string_view time, RepeatedHour which);

// A slot's start is the first moment its wall-clock time is shown and its end the last,
// so a slot in or across the hour shown twice in autumn covers both of its readings, and
// its length is the real time between them.
inline constexpr RepeatedHour kSlotStartReading = RepeatedHour::First;
inline constexpr RepeatedHour kSlotEndReading = RepeatedHour::Second;

// The same count for a date and time of the clock.
std::int64_t SecondsOf(const LocalDateTime& when);
// The date and time of such a count: SecondsOf(DateTimeOfSeconds(s)) == s.
LocalDateTime DateTimeOfSeconds(std::int64_t seconds);

// Whole seconds from (date1, time1) to (date2, time2), positive when the second lies
// later; local calendar arithmetic, no time-zone or daylight-saving correction.
// Throws ConversionError for a damaged text.
std::int64_t DateTimeDiffSeconds(std::string_view date1, std::string_view time1,
                                 std::string_view date2, std::string_view time2);

} // namespace kalore
