#include "recorder/media_probe.h"

#include <fstream>

#include <gtest/gtest.h>

#include "platform/child_process.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

// Two seconds of ffmpeg's test sources as MPEG-TS: `inputs` are its lavfi sources.
std::string MakeFile(const std::string& folder, const std::string& name,
                     const std::vector<std::string>& inputs) {
    std::vector<std::string> argv = {"/usr/bin/ffmpeg", "-v", "error", "-y"};
    for (const std::string& input : inputs) {
        argv.insert(argv.end(), {"-f", "lavfi", "-i", input});
    }
    const std::string path = folder + name;
    argv.insert(argv.end(), {"-t", "2", "-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts", path});
    auto started = ChildProcess::Start(argv);
    EXPECT_TRUE(started.child);
    if (started.child) {
        started.child->WaitFor(30'000);
        started.child->Close();
    }
    return path;
}

TEST(ProbeMediaFile, SeesThePictureAndTheSoundAFileHoldsAndWhetherTheyDecode) {
    const testing::TempFolder temp("kalore-probe");
    const std::string folder = temp.Slashed();
    const auto both = ProbeMediaFile(
        MakeFile(folder, "both.ts", {"testsrc2=size=320x240:rate=25", "sine=frequency=440"}));
    ASSERT_TRUE(both);
    EXPECT_TRUE(both->video && both->audio && both->decodable);

    const auto sound = ProbeMediaFile(MakeFile(folder, "radio.ts", {"sine=frequency=440"}));
    ASSERT_TRUE(sound);
    EXPECT_FALSE(sound->video);
    EXPECT_TRUE(sound->audio && sound->decodable);

    // Bytes that are no media, and no file at all.
    std::ofstream(folder + "noise.avi") << std::string(100'000, 'x');
    const auto noise = ProbeMediaFile(folder + "noise.avi");
    EXPECT_TRUE(!noise || !noise->decodable);
    EXPECT_FALSE(ProbeMediaFile(folder + "missing.avi"));
}

} // namespace
} // namespace kalore
