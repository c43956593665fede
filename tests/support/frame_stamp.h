#pragma once

#include <string>

namespace kalore::testing {

// A test picture that carries its own frame number, so that a player's output shows
// which frame it is: 16 blocks across the top band of the moving test picture, black
// or white, one bit each, the highest first. Blocks that large come through the
// encoder and any scaling unchanged. The number counts from 0 at ffmpeg's start and
// wraps after 65536 frames (43 min at 25 frames a second).
std::string FrameStampedPicture();
inline constexpr int kStampedFramesPerSecond = 25;

// The frame number a decoded picture carries: `pixels` holds `height` rows of `width`
// pixels of 4 bytes (any order of colour channels), `pitch` bytes apart. -1 when the
// picture carries none: a block neither black nor white, or a picture too small.
int ReadFrameStamp(const unsigned char* pixels, int width, int height, int pitch);

} // namespace kalore::testing
