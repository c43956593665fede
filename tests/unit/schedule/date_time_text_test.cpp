#include "schedule/date_time_text.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(DateTimeTexts, FixedFormsWhateverTheLocale) {
    EXPECT_EQ(DateText({2026, 12, 7, 9, 5, 3}), "07/12/2026");
    EXPECT_EQ(TimeText({2026, 12, 7, 9, 5, 3}), "09:05:03");
}

TEST(DateTimeDiffSeconds, CountsLocalCalendarSeconds) {
    EXPECT_EQ(DateTimeDiffSeconds("07/12/2026", "23:30:00", "08/12/2026", "00:30:00"), 3600);
    EXPECT_EQ(DateTimeDiffSeconds("08/12/2026", "00:30:00", "07/12/2026", "23:30:00"), -3600);
    EXPECT_EQ(DateTimeDiffSeconds("28/02/2028", "12:00:00", "01/03/2028", "12:00:00"), 2 * 86400);
    EXPECT_EQ(DateTimeDiffSeconds("31/12/2026", "23:59:59", "01/01/2027", "00:00:00"), 1);
    // Beyond the 32-bit range of milliseconds and of seconds: no wrap.
    EXPECT_EQ(DateTimeDiffSeconds("01/01/1900", "00:00:00", "01/01/2100", "00:00:00"),
              73049LL * 86400);
}

TEST(DateTimeDiffSeconds, DamagedTextsFailWithTheRuntimeText) {
    const auto message = [](const char* date, const char* time) {
        try {
            DateTimeDiffSeconds(date, time, "07/12/2026", "20:00:00");
        } catch (const ConversionError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("x7/12/2026", "20:00:00"), "'x7' n'est pas une valeur entière correcte");
    EXPECT_EQ(message("07/12/20a6", "20:00:00"), "'20a6' n'est pas une valeur entière correcte");
    EXPECT_EQ(message("07/12/26", "20:00:00"), "'26' n'est pas une valeur entière correcte");
    EXPECT_EQ(message("07/12/2026", "20:0"), "'0' n'est pas une valeur entière correcte");
    EXPECT_EQ(message("", ""), "'' n'est pas une valeur entière correcte");
}

} // namespace
} // namespace kalore
