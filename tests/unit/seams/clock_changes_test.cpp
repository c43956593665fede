#include "seams/clock.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace kalore {
namespace {

// The four clock changes of 2026 and 2027 in France: what a local time names, and how
// long a stretch of wall-clock time really lasts across them.
TEST(ClockChanges, LocalTimesNameTheirRealInstantsAcrossBothChanges) {
    const testing::ParisTime paris;
    const auto at = [](int y, int mo, int d, int h, int mi,
                       RepeatedHour which = RepeatedHour::First) {
        return InstantOf({y, mo, d, h, mi, 0}, which);
    };
    for (const int year : {2026, 2027}) {
        const int autumn = year == 2026 ? 25 : 31;
        const int spring = year == 2026 ? 29 : 28;
        SCOPED_TRACE(year);
        { // autumn: 02:00 to 03:00 is shown twice
            EXPECT_EQ(at(year, 10, autumn, 3, 0) - at(year, 10, autumn, 1, 0), 3 * 3600);
            EXPECT_EQ(at(year, 10, autumn, 2, 30, RepeatedHour::Second) -
                          at(year, 10, autumn, 2, 30, RepeatedHour::First),
                      3600);
            EXPECT_EQ(at(year, 10, autumn, 3, 0) - at(year, 10, autumn, 2, 0), 2 * 3600);
            const LocalDateTime twice{year, 10, autumn, 2, 30, 0};
            EXPECT_EQ(LocalTimeAt(InstantOf(twice, RepeatedHour::First)), twice);
            EXPECT_EQ(LocalTimeAt(InstantOf(twice, RepeatedHour::Second)), twice);
        }
        { // spring: 02:00 to 03:00 is skipped; a time in it names the skip
            EXPECT_EQ(at(year, 3, spring, 3, 30) - at(year, 3, spring, 1, 30), 3600);
            EXPECT_EQ(at(year, 3, spring, 2, 30), at(year, 3, spring, 3, 0));
            EXPECT_EQ(at(year, 3, spring, 2, 0),
                      InstantOf({year, 3, spring, 1, 59, 59}, RepeatedHour::First) + 1);
            EXPECT_EQ(LocalTimeAt(at(year, 3, spring, 2, 30)),
                      (LocalDateTime{year, 3, spring, 3, 0, 0}));
        }
        { // elsewhere both readings are one instant, and a day lasts 24 hours
            EXPECT_EQ(at(year, 12, 7, 20, 0, RepeatedHour::Second), at(year, 12, 7, 20, 0));
            EXPECT_EQ(at(year, 12, 8, 20, 0) - at(year, 12, 7, 20, 0), 86400);
        }
    }
}

} // namespace
} // namespace kalore
