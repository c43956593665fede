#include "guide/guide_time.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "paris_time.h"

namespace kalore {
namespace {

using testing::ParisTime;
using testing::UtcAt;

// Around the two clock changes of Paris (25 October 2026, 28 March 2027), guides
// give local times with the offset of each side.
TEST_F(ParisTime, OffsetsOnBothSidesOfAClockChangeGiveTheRightInstants) {
    // Autumn: 02:30 comes twice, at +0200 and then at +0100, an hour apart.
    const auto firstHalfPast2 = ParseXmltvTime("20261025023000 +0200");
    const auto secondHalfPast2 = ParseXmltvTime("20261025023000 +0100");
    ASSERT_TRUE(firstHalfPast2 && secondHalfPast2);
    EXPECT_EQ(*secondHalfPast2 - *firstHalfPast2, 3600);
    for (const UtcSeconds t : {*firstHalfPast2, *secondHalfPast2}) {
        EXPECT_EQ(ToLocal(t), (LocalDateTime{2026, 10, 25, 2, 30, 0}));
    }
    // A programme 01:00 (+0200) to 04:00 (+0100) lasts four hours.
    EXPECT_EQ(*ParseXmltvTime("20261025040000 +0100") - *ParseXmltvTime("20261025010000 +0200"),
              4 * 3600);

    // Spring: 01:59:59 +0100 is followed by 03:00:00 +0200.
    const auto before = ParseXmltvTime("20270328015959 +0100");
    const auto after = ParseXmltvTime("20270328030000 +0200");
    ASSERT_TRUE(before && after);
    EXPECT_EQ(*after - *before, 1);
    EXPECT_EQ(ToLocal(*after), (LocalDateTime{2027, 3, 28, 3, 0, 0}));
    // The same instant written in UTC shows the same local time.
    EXPECT_EQ(ToLocal(*ParseXmltvTime("20270328010000 +0000")), ToLocal(*after));
}

TEST_F(ParisTime, DaysAreLocalMidnightToMidnight) {
    const UtcSeconds autumnDay = LocalDayStart(UtcAt(2026, 10, 25, 12, 0));
    EXPECT_EQ(ToLocal(autumnDay), (LocalDateTime{2026, 10, 25, 0, 0, 0}));
    EXPECT_EQ(LocalDayStartAfter(autumnDay, 1) - autumnDay, 25 * 3600);
    const UtcSeconds springDay = LocalDayStart(UtcAt(2027, 3, 28, 12, 0));
    EXPECT_EQ(LocalDayStartAfter(springDay, 1) - springDay, 23 * 3600);
    // Across a month and a year.
    EXPECT_EQ(ToLocal(LocalDayStartAfter(LocalDayStart(UtcAt(2026, 12, 31, 12, 0)), 1)),
              (LocalDateTime{2027, 1, 1, 0, 0, 0}));
    // 00:30 in Paris is still the day before in UTC.
    EXPECT_EQ(ToLocal(LocalDayStart(UtcAt(2026, 12, 7, 23, 30))),
              (LocalDateTime{2026, 12, 8, 0, 0, 0}));
}

} // namespace
} // namespace kalore
