#pragma once

#include <cstdint>
#include <string>

namespace kalore {

inline constexpr std::uint64_t kMega = 1000 * 1000;
// Below this much free space a running recording is stopped, so that the disk
// never fills up under the recording and the rest of the system.
inline constexpr std::uint64_t kDiskReserveBytes = 100 * kMega;
// Room a launch wants beyond the recording's estimated size.
inline constexpr std::uint64_t kLaunchMarginBytes = 200 * kMega;

// What a recording of the format writes per second, with its audio and its
// container: about 0.4 Mbit/s for "H264 (320x240)…", 8.5 Mbit/s for "Format
// Haute Qualité", and for the copy format what a high-definition broadcast
// carries at most, 15 Mbit/s (README, "Recordings").
std::uint64_t BytesPerSecondOf(const std::string& format);

// The free space a launch wants: the estimated size for `seconds` (none for an
// open-ended recording) plus kLaunchMarginBytes.
std::uint64_t SpaceWantedFor(const std::string& format, std::int64_t seconds);

} // namespace kalore
