#include "schedule/date_time_text.h"

#include <cstdio>

namespace kalore {
namespace {

// Digits everywhere but at the two separator positions, which hold `separator`.
bool HasForm(std::string_view text, std::size_t length, char separator) {
    if (text.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const bool isSeparator = i == 2 || i == 5;
        if (isSeparator ? text[i] != separator : (text[i] < '0' || text[i] > '9')) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsDateText(std::string_view text) {
    if (!HasForm(text, 10, '/')) {
        return false;
    }
    const int day = FixedPositionInteger(text, 0, 2);
    const int month = FixedPositionInteger(text, 3, 2);
    return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

bool IsTimeText(std::string_view text) {
    return HasForm(text, 8, ':') && FixedPositionInteger(text, 0, 2) <= 23 &&
           FixedPositionInteger(text, 3, 2) <= 59 && FixedPositionInteger(text, 6, 2) <= 59;
}

namespace {

LocalDateTime DateTimeOf(std::string_view date, std::string_view time) {
    // Read in this order, so a damaged text names its first bad piece.
    LocalDateTime when;
    when.day = FixedPositionInteger(date, 0, 2);
    when.month = FixedPositionInteger(date, 3, 2);
    when.year = FixedPositionInteger(date, 6, 4);
    when.hour = FixedPositionInteger(time, 0, 2);
    when.minute = FixedPositionInteger(time, 3, 2);
    when.second = FixedPositionInteger(time, 6, 2);
    return when;
}

} // namespace

// A Julian date times 86400, kept in whole numbers so the difference is exact and
// needs no rounding.
std::int64_t SecondsOfDateTime(std::string_view date, std::string_view time) {
    return SecondsOf(DateTimeOf(date, time));
}

std::int64_t InstantOfDateTime(std::string_view date, std::string_view time, RepeatedHour which) {
    return InstantOf(DateTimeOf(date, time), which);
}

LocalDateTime DateTimeOfSeconds(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const std::int64_t inDay = seconds - days * 86400;
    // The Julian day number's calendar date (Fliegel and Van Flandern).
    std::int64_t l = days + 68569;
    const std::int64_t n = 4 * l / 146097;
    l -= (146097 * n + 3) / 4;
    const std::int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const std::int64_t j = 80 * l / 2447;
    LocalDateTime when;
    when.day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    when.month = static_cast<int>(j + 2 - 12 * l);
    when.year = static_cast<int>(100 * (n - 49) + i + l);
    when.hour = static_cast<int>(inDay / 3600);
    when.minute = static_cast<int>(inDay / 60 % 60);
    when.second = static_cast<int>(inDay % 60);
    return when;
}

std::string DateText(const LocalDateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", when.day, when.month, when.year);
    return text;
}

std::string TimeText(const LocalDateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.hour, when.minute, when.second);
    return text;
}

int FixedPositionInteger(std::string_view text, std::size_t first, std::size_t count) {
    const std::string_view piece =
        first < text.size() ? text.substr(first, count) : std::string_view();
    const auto fail = [&piece]() {
        std::string message = "'";
        message.append(piece);
        message.append("' n'est pas une valeur entière correcte");
        return ConversionError(message);
    };
    if (piece.size() != count) {
        throw fail();
    }
    std::size_t pos = 0;
    while (pos < piece.size() && piece[pos] == ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < piece.size() && (piece[pos] == '+' || piece[pos] == '-')) {
        negative = piece[pos] == '-';
        ++pos;
    }
    if (pos == piece.size()) {
        throw fail();
    }
    int value = 0;
    for (; pos < piece.size(); ++pos) {
        if (piece[pos] < '0' || piece[pos] > '9') {
            throw fail();
        }
        value = value * 10 + (piece[pos] - '0');
    }
    return negative ? -value : value;
}

std::int64_t DateTimeDiffSeconds(std::string_view date1, std::string_view time1,
                                 std::string_view date2, std::string_view time2) {
    const std::int64_t from = SecondsOfDateTime(date1, time1);
    return SecondsOfDateTime(date2, time2) - from;
}

} // namespace kalore
