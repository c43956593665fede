#include "guide/guide_grid.h"

#include <algorithm>
#include <cstdio>

namespace kalore {
namespace {

UtcSeconds FloorTo(UtcSeconds at, int step) {
    const UtcSeconds rest = at % step;
    return at - (rest < 0 ? rest + step : rest);
}

} // namespace

GuideGridAxis::GuideGridAxis(UtcSeconds start, int seconds, int pixels)
    : start_(start), seconds_(std::max(seconds, 1)), pixels_(std::max(pixels, 1)) {}

GuideGridAxis GuideGridAxis::AroundNow(UtcSeconds now, int seconds, int pixels) {
    return {FloorTo(now - seconds / 2, kMarkSeconds), seconds, pixels};
}

int GuideGridAxis::XOf(UtcSeconds at) const {
    // In 64 bits: a programme far out of view must not overflow.
    const std::int64_t scaled = (at - start_) * static_cast<std::int64_t>(pixels_);
    const std::int64_t x = scaled >= 0 ? scaled / seconds_ : -((-scaled + seconds_ - 1) / seconds_);
    return static_cast<int>(std::clamp<std::int64_t>(x, -pixels_, 2 * pixels_));
}

UtcSeconds GuideGridAxis::TimeAt(int x) const {
    return start_ + static_cast<std::int64_t>(x) * seconds_ / pixels_;
}

std::vector<GridCell> GuideGridAxis::Cells(const std::vector<GuideProgramme>& row) const {
    std::vector<GridCell> cells;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const GuideProgramme& p = row[i];
        if (p.stop <= start_ || p.start >= End()) {
            continue;
        }
        const int left = std::max(XOf(p.start), 0);
        const int right = std::min(XOf(p.stop), pixels_);
        cells.push_back({i, left, std::max(right - left, 1)});
    }
    return cells;
}

std::vector<GridMark> GuideGridAxis::Marks() const {
    std::vector<GridMark> marks;
    for (UtcSeconds at = FloorTo(start_ + kMarkSeconds - 1, kMarkSeconds); at < End();
         at += kMarkSeconds) {
        const LocalDateTime local = ToLocal(at);
        char label[8];
        std::snprintf(label, sizeof label, "%02d:%02d", local.hour % 100, local.minute % 100);
        marks.push_back({at, XOf(at), label});
    }
    return marks;
}

GuideGridAxis GuideGridAxis::Scrolled(int seconds) const {
    return {start_ + seconds, seconds_, pixels_};
}

GuideGridAxis GuideGridAxis::ScrolledByDays(int days) const {
    const LocalDateTime from = ToLocal(start_);
    const UtcSeconds day = LocalDayStartAfter(LocalDayStart(start_), days);
    // The wall-clock time of the start on that day; where the clock changes in
    // between, the hour that does not exist moves on by the change.
    const UtcSeconds guess = day + from.hour * 3600 + from.minute * 60 + from.second;
    const LocalDateTime got = ToLocal(guess);
    int drift = (got.hour - from.hour) * 3600 + (got.minute - from.minute) * 60;
    constexpr int kHalfDay = 12 * 3600;
    drift += drift > kHalfDay ? -2 * kHalfDay : drift < -kHalfDay ? 2 * kHalfDay : 0;
    const UtcSeconds at = guess - drift;
    return {at, seconds_, pixels_};
}

} // namespace kalore
