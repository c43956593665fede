#pragma once

#include <optional>
#include <string>

namespace kalore {

// What a recorded file holds, as a player would see it.
struct MediaContents {
    bool video = false;
    bool audio = false;
    // A picture or a sound could be decoded from it.
    bool decodable = false;
};

// Looks inside the file with libavformat: its streams, and whether one of them
// yields a decoded frame. Reads the file's start only, so a long recording is
// looked at as fast as a short one. Nothing when it can't be read as media.
std::optional<MediaContents> ProbeMediaFile(const std::string& path);

} // namespace kalore
