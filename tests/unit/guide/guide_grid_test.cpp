#include "guide/guide_grid.h"

#include <gtest/gtest.h>

#include "paris_time.h"

namespace kalore {
namespace {

using testing::UtcAt;

class GuideGridTest : public testing::ParisTime {};

GuideProgramme Programme(UtcSeconds start, UtcSeconds stop) {
    GuideProgramme p;
    p.start = start;
    p.stop = stop;
    return p;
}

std::vector<std::string> Labels(const GuideGridAxis& axis) {
    std::vector<std::string> labels;
    for (const GridMark& mark : axis.Marks()) {
        labels.push_back(mark.label);
    }
    return labels;
}

TEST_F(GuideGridTest, CellsAreSizedByLengthAndCutToTheView) {
    // 20:00 to 23:00 in Paris (UTC+1) over 720 pixels: 4 pixels a minute.
    const GuideGridAxis axis(UtcAt(2026, 12, 7, 19, 0), 3 * 3600, 720);
    const std::vector<GuideProgramme> row{
        Programme(UtcAt(2026, 12, 7, 17, 0), UtcAt(2026, 12, 7, 18, 0)),   // before: none
        Programme(UtcAt(2026, 12, 7, 18, 30), UtcAt(2026, 12, 7, 19, 15)), // cut on the left
        Programme(UtcAt(2026, 12, 7, 19, 15), UtcAt(2026, 12, 7, 21, 5)),
        Programme(UtcAt(2026, 12, 7, 21, 5), UtcAt(2026, 12, 7, 21, 5, 5)), // 5 s: one pixel
        Programme(UtcAt(2026, 12, 7, 21, 50), UtcAt(2026, 12, 7, 23, 0)),   // cut on the right
        Programme(UtcAt(2026, 12, 7, 22, 0), UtcAt(2026, 12, 7, 23, 0)),    // after: none
    };
    const std::vector<GridCell> cells = axis.Cells(row);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ((std::vector<int>{cells[0].x, cells[0].width}), (std::vector<int>{0, 60}));
    EXPECT_EQ((std::vector<int>{cells[1].x, cells[1].width}), (std::vector<int>{60, 440}));
    EXPECT_EQ((std::vector<int>{cells[2].x, cells[2].width}), (std::vector<int>{500, 1}));
    EXPECT_EQ((std::vector<int>{cells[3].x, cells[3].width}), (std::vector<int>{680, 40}));
    EXPECT_EQ(cells[3].programme, 4u);
    EXPECT_EQ(axis.TimeAt(60), UtcAt(2026, 12, 7, 19, 15));
    EXPECT_EQ(Labels(axis),
              (std::vector<std::string>{"20:00", "20:30", "21:00", "21:30", "22:00", "22:30"}));
    EXPECT_EQ(axis.Marks()[1].x, 120);

    // Now in the middle, the view starting on a half hour.
    const GuideGridAxis around =
        GuideGridAxis::AroundNow(UtcAt(2026, 12, 7, 20, 47), 3 * 3600, 720);
    EXPECT_EQ(around.Start(), UtcAt(2026, 12, 7, 19, 0));
    EXPECT_EQ(around.Scrolled(1800).Start(), UtcAt(2026, 12, 7, 19, 30));
}

TEST_F(GuideGridTest, DaylightSavingChangesRepeatOrSkipAnHourAndKeepLengths) {
    // 25 October 2026, 03:00 summer time becomes 02:00: the labels go 02:00 twice.
    const GuideGridAxis autumn(UtcAt(2026, 10, 24, 23, 30), 2 * 3600, 480);
    EXPECT_EQ(Labels(autumn), (std::vector<std::string>{"01:30", "02:00", "02:30", "02:00"}));
    // A programme of 01:45 to 02:45 (winter) lasts two hours and is drawn so.
    const std::vector<GridCell> cells =
        autumn.Cells({Programme(UtcAt(2026, 10, 24, 23, 45), UtcAt(2026, 10, 25, 1, 45))});
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].x, 60);
    EXPECT_EQ(cells[0].width, 420);

    // 29 March 2026, 02:00 winter time becomes 03:00: no 02:xx label.
    const GuideGridAxis spring(UtcAt(2026, 3, 29, 0, 0), 2 * 3600, 480);
    EXPECT_EQ(Labels(spring), (std::vector<std::string>{"01:00", "01:30", "03:00", "03:30"}));

    // A day on keeps the time of day across the change, and a day back returns.
    const GuideGridAxis evening(UtcAt(2026, 3, 28, 19, 0), 3 * 3600, 720); // 20:00 winter
    const GuideGridAxis next = evening.ScrolledByDays(1);
    EXPECT_EQ(next.Start(), UtcAt(2026, 3, 29, 18, 0)); // 20:00 summer
    EXPECT_EQ(Labels(next).front(), "20:00");
    EXPECT_EQ(next.ScrolledByDays(-1).Start(), evening.Start());
    EXPECT_EQ(evening.ScrolledByDays(7).Start(), UtcAt(2026, 4, 4, 18, 0));
}

} // namespace
} // namespace kalore
