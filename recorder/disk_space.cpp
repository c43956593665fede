#include "recorder/disk_space.h"

#include <algorithm>

#include "recorder/recording_job.h"

namespace kalore {

std::uint64_t BytesPerSecondOf(const std::string& format) {
    if (format == kFormatCopy) {
        return 15'000'000 / 8;
    }
    return format == kFormatHighQuality ? 8'500'000 / 8 : 400'000 / 8;
}

std::uint64_t SpaceWantedFor(const std::string& format, std::int64_t seconds) {
    return BytesPerSecondOf(format) *
               static_cast<std::uint64_t>(std::max<std::int64_t>(0, seconds)) +
           kLaunchMarginBytes;
}

} // namespace kalore
