#include "recorder/growth_watch.h"

#include <algorithm>

namespace kalore {

bool GrowthWatch::Look(std::uint64_t bytes) {
    ++looks_;
    const bool grew = bytes != bytes_ && bytes > 0;
    bytes_ = bytes;
    if (!grew) {
        ++silent_;
        return false;
    }
    if (!grew_) {
        leading_ = silent_;
    } else if (silent_ >= kShortestGapSeconds) {
        middleMissed_ += silent_;
    }
    grew_ = true;
    ++growing_;
    silent_ = 0;
    return true;
}

std::int64_t GrowthWatch::MissedSeconds(std::int64_t leadSeconds) const {
    if (!grew_) {
        return leadSeconds + looks_;
    }
    // The allowance is vlc's opening: a late launch is not forgiven with it.
    return leadSeconds + std::max<std::int64_t>(0, leading_ - kStartAllowanceSeconds) +
           middleMissed_ + TrailingSilence();
}

std::int64_t GrowthWatch::UnrecordedSeconds(std::int64_t leadSeconds) const {
    if (!grew_) {
        return leadSeconds + looks_;
    }
    return leadSeconds + leading_ + middleMissed_ + TrailingSilence();
}

std::int64_t GrowthWatch::TrailingSilence() const {
    return grew_ && silent_ >= kShortestGapSeconds ? silent_ : 0;
}

} // namespace kalore
