// A programmed recording whose source drops: ffmpeg serving MPEG-TS over HTTP to
// one client is stopped for a while, then started again. The recorder must
// continue into a continuation file once the source is back, each file must play,
// and the entry ends "Incomplet" with the outage logged.
#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "support/loopback_servers.h"
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
    const int port = testing::FreeLoopbackPort(SOCK_STREAM);
    std::unique_ptr<ChildProcess> source = testing::StartHttpStream(port);
    ASSERT_TRUE(source);
    std::this_thread::sleep_for(500ms); // listening

    testing::RecordingHarness harness(temp.Slashed());
    harness.StartProgrammed(testing::LoopbackUrl(port), kFormatH264, outage.slot);
    const std::string first = harness.Controller().ProgrammedThread()->Job().OutputFile;
    harness.RunFor(seconds(outage.dropAt));
    source->Close();
    const auto dropped = steady_clock::now();
    harness.RunFor(seconds(outage.length));
    source = testing::StartHttpStream(port);
    ASSERT_TRUE(source);
    const auto back = steady_clock::now();
    // The try that finds the source back comes at the next step of the back-off.
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
    source->Close();

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
    const double lost = duration<double>(resumed - dropped).count();
    const double waited = duration<double>(resumed - back).count();
    std::printf("outage %d s: %.1f s recorded of %d s, %.1f s lost, file growing again %.1f s "
                "after the source came back\n",
                outage.length, recorded, outage.slot, lost, waited);
    EXPECT_NEAR(recorded, outage.slot - lost, 3.0);
    EXPECT_TRUE(std::any_of(harness.host.log.begin(), harness.host.log.end(), [](const auto& l) {
        return l.starts_with("-- vlc s'est arrêté avant la fin : flux perdu à ");
    }));
    ASSERT_EQ(harness.host.notices.size(), 1u);
    EXPECT_NE(harness.host.notices[0].find("est incomplet : flux perdu à "), std::string::npos)
        << harness.host.notices[0];
}

INSTANTIATE_TEST_SUITE_P(TenAndSixtySeconds, RecorderOutageTest,
                         ::testing::Values(Outage{36, 10, 10}, Outage{90, 10, 60}));

} // namespace
} // namespace kalore
