#include "test_stream.h"

namespace kalore::testing {

std::vector<std::string> TestStreamArguments(const std::vector<std::string>& outputs,
                                             const std::string& picture) {
    std::vector<std::string> args = {"/usr/bin/ffmpeg",
                                     "-v",
                                     "error",
                                     "-re",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     picture,
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
                                     "mp2"};
    if (outputs.size() == 1) {
        args.insert(args.end(), {"-f", "mpegts", outputs.front()});
        return args;
    }
    // One encoding sent to several places.
    std::string tee;
    for (const std::string& output : outputs) {
        tee += (tee.empty() ? "[f=mpegts]" : "|[f=mpegts]") + output;
    }
    args.insert(args.end(), {"-map", "0:v", "-map", "1:a", "-f", "tee", tee});
    return args;
}

} // namespace kalore::testing
