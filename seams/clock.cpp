#include "seams/clock.h"

#include <chrono>
#include <optional>

namespace kalore {
namespace {

std::int64_t JulianDayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    // Integer division truncates towards zero here, as in the classic formula.
    const std::int64_t a = (month - 14) / 12;
    return (1461 * (year + 4800 + a)) / 4 + (367 * (month - 2 - 12 * a)) / 12 -
           (3 * ((year + 4900 + a) / 100)) / 4 + day - 32075;
}

// The instant `when` names with the clock's offset taken as summer's (1) or
// winter's (0), whether or not the clock ever shows it then.
std::int64_t ReadWithOffset(const LocalDateTime& when, int summer) {
    std::tm fields{};
    fields.tm_year = when.year - 1900;
    fields.tm_mon = when.month - 1;
    fields.tm_mday = when.day;
    fields.tm_hour = when.hour;
    fields.tm_min = when.minute;
    fields.tm_sec = when.second;
    fields.tm_isdst = summer;
    return std::mktime(&fields);
}

// The instant when the clock's offset is taken as summer's (1) or winter's (0), if
// the clock does show `when` at that instant.
std::optional<std::int64_t> ShownAt(const LocalDateTime& when, int summer) {
    const std::int64_t instant = ReadWithOffset(when, summer);
    if (LocalTimeAt(instant) == when) {
        return instant;
    }
    return std::nullopt;
}

} // namespace

std::time_t SystemTimeNow() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

std::int64_t SystemClock::RealNowMilliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::int64_t SecondsOf(const LocalDateTime& when) {
    return JulianDayNumber(when.year, when.month, when.day) * 86400 + when.hour * 3600 +
           when.minute * 60 + when.second;
}

LocalDateTime LocalTimeAt(std::int64_t instant) {
    const std::time_t at = static_cast<std::time_t>(instant);
    std::tm local{};
    localtime_r(&at, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::int64_t InstantOf(const LocalDateTime& when, RepeatedHour which) {
    const std::optional<std::int64_t> summer = ShownAt(when, 1);
    const std::optional<std::int64_t> winter = ShownAt(when, 0);
    if (summer && winter) {
        return which == RepeatedHour::First ? std::min(*summer, *winter)
                                            : std::max(*summer, *winter);
    }
    if (summer || winter) {
        return summer ? *summer : *winter;
    }
    // Skipped, or no calendar date (a damaged text): the first instant whose wall clock
    // reads `when` or later, between the readings with either offset. The wall clock
    // only moves forward there, so halving finds it.
    const std::int64_t a = ReadWithOffset(when, 0);
    const std::int64_t b = ReadWithOffset(when, 1);
    std::int64_t low = std::min(a, b);
    std::int64_t high = std::max(a, b);
    const std::int64_t wanted = SecondsOf(when);
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (SecondsOf(LocalTimeAt(middle)) >= wanted) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

} // namespace kalore
