#pragma once

#include <string>
#include <vector>

namespace kalore::testing {

// ffmpeg's command line for a live test channel: a moving picture with sound as
// MPEG-TS, in real time, sent to `output` ("udp://127.0.0.1:<port>?pkt_size=1316"),
// or with `listen` served to one HTTP client at "http://127.0.0.1:<port>".
std::vector<std::string> TestStreamArguments(const std::string& output, bool listen = false);

} // namespace kalore::testing
