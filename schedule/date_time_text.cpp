#include "schedule/date_time_text.h"

#include <cstdio>

namespace kalore {
namespace {

std::int64_t JulianDayNumber(std::int64_t year, std::int64_t month, std::int64_t day) {
    // Integer division truncates towards zero here, as in the classic formula.
    const std::int64_t a = (month - 14) / 12;
    return (1461 * (year + 4800 + a)) / 4 + (367 * (month - 2 - 12 * a)) / 12 -
           (3 * ((year + 4900 + a) / 100)) / 4 + day - 32075;
}

} // namespace

// A Julian date times 86400, kept in whole numbers so the difference is exact and
// needs no rounding.
std::int64_t SecondsOfDateTime(std::string_view date, std::string_view time) {
    const int day = FixedPositionInteger(date, 0, 2);
    const int month = FixedPositionInteger(date, 3, 2);
    const int year = FixedPositionInteger(date, 6, 4);
    const int hour = FixedPositionInteger(time, 0, 2);
    const int minute = FixedPositionInteger(time, 3, 2);
    const int second = FixedPositionInteger(time, 6, 2);
    return JulianDayNumber(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
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
