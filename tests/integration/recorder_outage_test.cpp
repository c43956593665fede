// A programmed recording whose source drops: the real vlc serving a live channel
// over HTTP, as a set-top box does, is stopped for a while and started again. The
// recorder must see the source accept connections again and continue at once into
// a continuation file; the files together cover the slot minus the outage, each
// plays, and the entry ends "Incomplet" with the outage logged.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/recording_harness.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Outage {
    int slot;   // seconds
    int dropAt; // seconds after the launch
    int length;
};

class RecorderOutageTest : public ::testing::TestWithParam<Outage> {};

TEST_P(RecorderOutageTest, TheRestOfTheSlotIsRecordedIntoAContinuationFile) {
    const Outage outage = GetParam();
    const testing::TempFolder temp("kalore-outage");
    fs::create_directory(temp.Path() / "RECORDS");
    testing::HttpTestChannel channel;
    ASSERT_TRUE(channel.StartServer());

    testing::RecordingHarness harness(temp.Slashed());
    harness.StartProgrammed(channel.Url(), kFormatH264, outage.slot);
    const std::string first = harness.Controller().ProgrammedThread()->Job().OutputFile;
    harness.RunFor(seconds(outage.dropAt));
    channel.StopServer();
    harness.RunFor(seconds(outage.length));
    ASSERT_TRUE(channel.StartServer());
    const auto back = steady_clock::now();
    Recording& recording = *harness.Controller().ProgrammedRecording();
    steady_clock::time_point resumed;
    ASSERT_TRUE(harness.RunUntil(
        [&] {
            if (resumed == steady_clock::time_point() && recording.Files().size() == 2 &&
                fs::exists(recording.Files()[1]) && fs::file_size(recording.Files()[1]) > 0) {
                resumed = steady_clock::now();
            }
            return !harness.statuses.empty();
        },
        seconds(outage.slot + 30)));
    channel.StopServer();

    EXPECT_EQ(harness.statuses[0].second, "Incomplet");
    const std::vector<std::string> files = recording.Files();
    ASSERT_EQ(files.size(), 2u) << ::testing::PrintToString(harness.host.log);
    EXPECT_EQ(files[1], first.substr(0, first.size() - 4) + "-2.avi");
    double recorded = 0;
    for (const std::string& file : files) {
        const std::string probe = testing::Probe(file);
        EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << file << "\n" << probe;
        recorded += testing::ProbedDuration(probe);
    }
    ASSERT_NE(resumed, steady_clock::time_point()) << ::testing::PrintToString(harness.host.log);
    std::printf("outage %d s: %.1f s recorded of %d s, file growing again %.1f s after the "
                "source came back\n",
                outage.length, recorded, outage.slot, duration<double>(resumed - back).count());
    EXPECT_NEAR(recorded, outage.slot - outage.length, 3.0)
        << ::testing::PrintToString(harness.host.log);
    const auto logged = [&](const std::string& start) {
        return std::any_of(harness.host.log.begin(), harness.host.log.end(),
                           [&](const std::string& line) { return line.starts_with(start); });
    };
    EXPECT_TRUE(logged("-- vlc s'est arrêté avant la fin : flux perdu à "));
    EXPECT_TRUE(logged("-- La source accepte de nouveau les connexions"));
    EXPECT_TRUE(logged("-- Flux retrouvé après "));
    ASSERT_EQ(harness.host.notices.size(), 1u);
    EXPECT_NE(harness.host.notices[0].find("est incomplet : flux perdu à "), std::string::npos)
        << harness.host.notices[0];
}

INSTANTIATE_TEST_SUITE_P(TenAndSixtySeconds, RecorderOutageTest,
                         ::testing::Values(Outage{36, 10, 10}, Outage{90, 10, 60}));

} // namespace
} // namespace kalore
