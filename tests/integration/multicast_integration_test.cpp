#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/process_list.h"
#include "support/recording_harness.h"
#include "support/temp_folder.h"
#include "support/test_stream.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Orange's channels are source-specific multicast groups carrying MPEG-TS over RTP.
constexpr const char* kGroup = "232.0.0.10:8200";

// A programmed recording of a multicast channel while it is watched: vlc ignores
// its stop time with an rtp:// input, so the end of the slot is what ends the
// recording, and a slot recorded in full is still "Terminé".
TEST(MulticastIntegrationTest, AGroupWatchedAndRecordedAtOnceEndsFinished) {
    if (std::getenv("KALORE_NO_NETWORK_NAMESPACE")) {
        GTEST_SKIP() << "no network namespace of our own (it needs root)";
    }
    const testing::TempFolder temp{"kalore-multicast"};
    const std::string folder = temp.Slashed();
    fs::create_directory(folder + "RECORDS");
    std::vector<std::string> send = testing::TestStreamArguments({std::string("rtp://") + kGroup});
    send[send.size() - 2] = "rtp_mpegts";
    auto sender = ChildProcess::Start(send).child;
    ASSERT_TRUE(sender);

    const std::string watched = folder + "vue.ts";
    auto viewer =
        ChildProcess::Start({"/usr/bin/ffmpeg", "-v", "error", "-i", std::string("rtp://") + kGroup,
                             "-t", "6", "-c", "copy", "-f", "mpegts", watched})
            .child;
    ASSERT_TRUE(viewer);
    testing::RecordingHarness harness(folder);
    harness.StartProgrammed(std::string("rtp://@") + kGroup, kFormatH264, 8);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 30s));
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);
    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NEAR(testing::ProbedDuration(probe), 8.0, 2.0) << probe;
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
    EXPECT_FALSE(KillProcessesByName("vlc")) << "a recorder child is still running";

    viewer->WaitFor(10000);
    EXPECT_NE(testing::Probe(watched).find("codec_name=mpeg2video"), std::string::npos);
    sender->Close();
}

} // namespace
} // namespace kalore
