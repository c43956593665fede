#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "seams/clock.h"

namespace kalore {

// Seconds since 1970-01-01 00:00:00 UTC: the guide stores and compares instants,
// never wall-clock texts, so a daylight-saving change can't shift a programme.
using UtcSeconds = std::int64_t;

// An XMLTV time: any leading part of "YYYYMMDDhhmmss", from the year on (what is
// left out is the start of its period), then an offset ("+0100") or a zone name
// ("CET", "BST", "EST"...); with neither the time is UTC. Nothing for anything
// else, an unknown zone name and an impossible date included.
std::optional<UtcSeconds> ParseXmltvTime(std::string_view text);

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int year, int month, int day);

// The local wall-clock date and time of an instant, by the system's time-zone rules.
LocalDateTime ToLocal(UtcSeconds utc);

// Local midnight opening the day that holds `utc`, and the one `days` days after it:
// a day lasts 23 or 25 hours where the clock changes.
UtcSeconds LocalDayStart(UtcSeconds utc);
UtcSeconds LocalDayStartAfter(UtcSeconds dayStart, int days);

} // namespace kalore
