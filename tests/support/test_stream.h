#pragma once

#include <string>
#include <vector>

namespace kalore::testing {

// The moving test picture, as an ffmpeg filter source.
inline constexpr const char* kTestPicture = "testsrc2=size=640x480:rate=25";

// ffmpeg's command line for a live test channel: `picture` with sound as MPEG-TS, in
// real time, sent to each of `outputs` ("udp://127.0.0.1:<port>?pkt_size=1316").
std::vector<std::string> TestStreamArguments(const std::vector<std::string>& outputs,
                                             const std::string& picture = kTestPicture);

} // namespace kalore::testing
