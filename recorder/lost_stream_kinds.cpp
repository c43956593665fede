#include "recorder/lost_stream_kinds.h"

#include <string>

namespace kalore {
namespace {

// vlc's transcoder names the kind it gave up on: "cannot create video chain",
// "cannot find audio encoder (module:any fourcc:mp3)", "cannot find video decoder".
bool SaysLost(std::string_view line, std::string_view kind) {
    if (line.find("error") == std::string_view::npos) {
        return false;
    }
    for (const char* what : {" encoder", " decoder", " chain"}) {
        const std::string needle = std::string(kind) + what;
        if (line.find(needle) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

LostStreamKinds LostStreamKindsIn(std::string_view output) {
    LostStreamKinds lost;
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        const std::string_view line = output.substr(0, end);
        lost.video = lost.video || SaysLost(line, "video");
        lost.audio = lost.audio || SaysLost(line, "audio");
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
    }
    return lost;
}

} // namespace kalore
