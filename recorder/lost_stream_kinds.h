#pragma once

#include <string_view>

namespace kalore {

// The kinds of stream the source carried that the recorder said it could not
// keep (no encoder, no decoder, no transcoding chain for them).
struct LostStreamKinds {
    bool video = false;
    bool audio = false;
};

// Read from a block of the recorder's output, as vlc writes its errors.
LostStreamKinds LostStreamKindsIn(std::string_view output);

} // namespace kalore
