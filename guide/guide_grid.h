#pragma once

#include <string>
#include <vector>

#include "guide/guide_store.h"
#include "guide/guide_time.h"

namespace kalore {

// A programme's cell in a row of the grid: the programme's index in the row given,
// and where it lies across, cut to the view.
struct GridCell {
    std::size_t programme = 0;
    int x = 0;
    int width = 0;
};

// A time mark across the top: every half hour, labelled in local time ("20:30").
struct GridMark {
    UtcSeconds at = 0;
    int x = 0;
    std::string label;
};

// The grid's time axis: `seconds` of time from `start` across `pixels`. Positions
// follow instants, never wall-clock texts, so a daylight-saving change shows as a
// label repeated or skipped, and every programme keeps its true length.
class GuideGridAxis {
public:
    static constexpr int kMarkSeconds = 30 * 60;

    GuideGridAxis(UtcSeconds start, int seconds, int pixels);
    // The view with `now` in its middle, its start on a half hour.
    static GuideGridAxis AroundNow(UtcSeconds now, int seconds, int pixels);

    UtcSeconds Start() const { return start_; }
    UtcSeconds End() const { return start_ + seconds_; }
    int Seconds() const { return seconds_; }
    int Pixels() const { return pixels_; }

    // Where an instant lies across; outside [0, Pixels()] when outside the view.
    int XOf(UtcSeconds at) const;
    UtcSeconds TimeAt(int x) const;

    // The cells of one channel's programmes (by start) that show in the view, each
    // at least one pixel wide.
    std::vector<GridCell> Cells(const std::vector<GuideProgramme>& row) const;
    std::vector<GridMark> Marks() const;

    GuideGridAxis Scrolled(int seconds) const;
    // The same time of day, `days` local days later (earlier when negative).
    GuideGridAxis ScrolledByDays(int days) const;
    GuideGridAxis Resized(int pixels) const { return {start_, seconds_, pixels}; }

private:
    UtcSeconds start_;
    int seconds_;
    int pixels_;
};

} // namespace kalore
