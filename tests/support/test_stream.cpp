#include "test_stream.h"

namespace kalore::testing {

std::vector<std::string> TestStreamArguments(const std::string& output, bool listen) {
    std::vector<std::string> args = {"/usr/bin/ffmpeg",
                                     "-v",
                                     "error",
                                     "-re",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "testsrc2=size=640x480:rate=25",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "sine=frequency=440",
                                     "-c:v",
                                     "mpeg2video",
                                     "-b:v",
                                     "2M",
                                     "-g",
                                     "12",
                                     "-c:a",
                                     "mp2",
                                     "-f",
                                     "mpegts"};
    if (listen) {
        args.insert(args.end(), {"-listen", "1"});
    }
    args.push_back(output);
    return args;
}

} // namespace kalore::testing
