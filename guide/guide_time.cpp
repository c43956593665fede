#include "guide/guide_time.h"

#include <cctype>
#include <ctime>

#include "seams/trimmed.h"

namespace kalore {
namespace {

bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
    if (pos + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    pos += count;
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

struct NamedZone {
    const char* name;
    int minutesEast;
};

// The zone names a French, European or North American guide may carry. IST is
// Irish Standard Time, as a European guide means it, not India's +0530; CST is
// North America's Central time, not China's.
constexpr NamedZone kNamedZones[] = {
    {"UTC", 0},    {"GMT", 0},    {"Z", 0},      {"WET", 0},    {"WEST", 60},
    {"CET", 60},   {"CEST", 120}, {"EET", 120},  {"EEST", 180}, {"BST", 60},
    {"IST", 60},   {"MSK", 180},  {"EST", -300}, {"EDT", -240}, {"CST", -360},
    {"CDT", -300}, {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420},
};

// The offset east of UTC, in seconds, of what follows the digits; nothing when it
// is neither a numeric offset nor a known zone name.
std::optional<int> OffsetSeconds(std::string_view rest) {
    rest = Trimmed(rest, [](char c) { return c == ' '; });
    if (rest.empty()) {
        return 0;
    }
    for (const NamedZone& zone : kNamedZones) {
        if (rest == zone.name) {
            return zone.minutesEast * 60;
        }
    }
    if (rest.size() != 5 || (rest[0] != '+' && rest[0] != '-')) {
        return std::nullopt;
    }
    std::size_t pos = 1;
    int hours = 0;
    int minutes = 0;
    if (!ReadDigits(rest, pos, 2, hours) || !ReadDigits(rest, pos, 2, minutes) || hours > 14 ||
        minutes > 59) {
        return std::nullopt;
    }
    const int offset = hours * 3600 + minutes * 60;
    return rest[0] == '-' ? -offset : offset;
}

std::tm LocalTm(UtcSeconds utc) {
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

// Local midnight of the (possibly out of range, mktime normalises it) day.
UtcSeconds Midnight(std::tm day) {
    day.tm_hour = 0;
    day.tm_min = 0;
    day.tm_sec = 0;
    day.tm_isdst = -1;
    return static_cast<UtcSeconds>(std::mktime(&day));
}

} // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Days from civil, counting years from March so the leap day comes last.
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::optional<UtcSeconds> ParseXmltvTime(std::string_view text) {
    std::size_t pos = 0;
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, pos, 4, year)) {
        return std::nullopt;
    }
    // Any leading part of YYYYMMDDhhmmss: each pair comes only after the one before,
    // and what is left out is the start of its period.
    for (int* field : {&month, &day, &hour, &minute, &second}) {
        if (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) &&
            !ReadDigits(text, pos, 2, *field)) {
            return std::nullopt;
        }
    }
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60) {
        return std::nullopt;
    }
    const std::optional<int> offset = OffsetSeconds(text.substr(pos));
    if (!offset) {
        return std::nullopt;
    }
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - *offset;
}

LocalDateTime ToLocal(UtcSeconds utc) {
    return LocalTimeAt(utc);
}

UtcSeconds LocalDayStart(UtcSeconds utc) {
    return Midnight(LocalTm(utc));
}

UtcSeconds LocalDayStartAfter(UtcSeconds dayStart, int days) {
    std::tm day = LocalTm(dayStart);
    day.tm_mday += days;
    return Midnight(day);
}

} // namespace kalore
