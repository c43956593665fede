#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "relay/relay.h"
#include "support/hostile_rtsp_box.h"
#include "support/raw_http_get.h"
#include "support/recording_harness.h"
#include "support/rtsp_test_box.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RelayIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder + "RECORDS");
        ASSERT_TRUE(box.Start());
    }
    Relay::Options Options(std::chrono::milliseconds stallLimit = Relay::Options().stallLimit) {
        Relay::Options options;
        options.linger = 1s;
        options.stallLimit = stallLimit;
        options.log = [this](const std::string& line) {
            std::lock_guard lock(mutex);
            log += line + "\n";
        };
        return options;
    }
    std::string Logged() {
        std::lock_guard lock(mutex);
        return log;
    }
    // The presentation times ffprobe reads from the video of a saved body.
    std::vector<double> VideoTimes(const std::string& body) {
        const std::string file = folder + "body.ts";
        std::ofstream(file, std::ios::binary) << body;
        const std::string list = folder + "times.txt";
        const std::string command =
            "ffprobe -v error -select_streams v -show_entries packet=pts_time "
            "-of csv=p=0 '" +
            file + "' > '" + list + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::vector<double> times;
        std::ifstream in(list);
        // A picture without a time ("N/A") has none to check.
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                times.push_back(std::stod(line));
        return times;
    }

    // What any user of the machine can read of every process: command lines and,
    // for our own processes, environments. The processes whose text holds `secret`.
    static std::vector<std::string> ProcessesShowing(const std::string& secret) {
        std::vector<std::string> showing;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            for (const char* part : {"cmdline", "environ"}) {
                std::ifstream in(entry.path() / part, std::ios::binary);
                const std::string text((std::istreambuf_iterator<char>(in)), {});
                if (text.find(secret) != std::string::npos)
                    showing.push_back(entry.path().string() + "/" + part);
            }
        }
        return showing;
    }

    const testing::TempFolder temp{"kalore-relay"};
    const std::string folder = temp.Slashed();
    testing::RtspTestBox box;
    std::mutex mutex;
    std::string log;
};

// The real vlc records the box's channel through the relay while another reader
// watches: both are fed by one box session, closed with TEARDOWN once both have
// left. The recording keeps the box's address; the log shows both.
TEST_F(RelayIntegrationTest, OneBoxSessionFeedsARecordingAndAViewer) {
    Relay relay(Options());
    const std::string box201 = box.Address(201);
    const std::string local = relay.LocalAddress(box201);
    testing::RecordingHarness harness(folder, "/usr/bin/vlc", &relay);
    harness.StartProgrammed(box201, kFormatH264, 8);
    EXPECT_EQ(harness.Controller().ProgrammedThread()->Job().Url, box201);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    auto viewer = std::async(std::launch::async, [&] { return testing::BodyWithin(local, 5s); });
    // vlc reads the address from a private playlist: no command line shows the path.
    ASSERT_TRUE(harness.RunUntil([&] { return !ProcessesShowing("kalore-relais-").empty(); }, 20s));
    EXPECT_EQ(ProcessesShowing(local.substr(local.rfind('/') + 1)), std::vector<std::string>{});
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 40s)) << Logged();
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);
    EXPECT_GT(viewer.get().size(), 50'000u);

    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_NEAR(testing::ProbedDuration(probe), 8.0, 2.0) << probe;
    EXPECT_TRUE(harness.LogHas("Relais RTSP : " + box201 + " est enregistré depuis " + local));
    EXPECT_EQ(box.Sessions(), 1);
    harness.RunUntil([&] { return box.Teardowns() == 1; }, 10s);
    EXPECT_EQ(box.Teardowns(), 1) << Logged();
    EXPECT_EQ(relay.OpenSessions(), 0);
}

// The box goes away for a few seconds, less than the stall limit: the reader stays
// connected, the relay opens a new session, and the pictures' times carry on.
TEST_F(RelayIntegrationTest, AShortOutageKeepsTheReaderAndTheTimesContinuous) {
    Relay relay(Options(15s));
    const std::string local = relay.LocalAddress(box.Address(201));
    auto reader = std::async(std::launch::async, [&] { return testing::BodyWithin(local, 22s); });
    std::this_thread::sleep_for(6s);
    box.Stop();
    std::this_thread::sleep_for(4s);
    ASSERT_TRUE(box.Start());
    const std::string body = reader.get();
    EXPECT_NE(Logged().find("Relais RTSP : flux retrouvé"), std::string::npos) << Logged();

    const std::vector<double> times = VideoTimes(body);
    ASSERT_GT(times.size(), 100u) << Logged();
    double longestGap = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GT(times[i], times[i - 1] - 0.5) << "picture " << i;
        longestGap = std::max(longestGap, times[i] - times[i - 1]);
    }
    EXPECT_LT(longestGap, 1.0);
    EXPECT_GT(times.back() - times.front(), 10.0);
}

// The box gone longer than the stall limit: the readers are cut, so that a
// recorder carries on in a new file.
TEST_F(RelayIntegrationTest, AnOutageLongerThanTheStallLimitCutsTheReaders) {
    Relay relay(Options(3s));
    const std::string local = relay.LocalAddress(box.Address(201));
    const auto start = std::chrono::steady_clock::now();
    auto reader = std::async(std::launch::async, [&] { return testing::BodyWithin(local, 30s); });
    std::this_thread::sleep_for(4s);
    box.Stop();
    EXPECT_GT(reader.get().size(), 50'000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_NE(Logged().find("lecteur(s) coupé(s)"), std::string::npos) << Logged();
}

// The box stopped for 10 s during a programmed recording: the relay cuts the
// recorder's connection, the recorder carries on in a new file once the box is
// back, and the outcome names the outage.
TEST_F(RelayIntegrationTest, ABoxOutageMidRecordingLeavesPlayableFilesAndIsNamed) {
    Relay relay(Options());
    testing::RecordingHarness harness(folder, "/usr/bin/vlc", &relay);
    harness.StartProgrammed(box.Address(201), kFormatH264, 36);
    harness.RunFor(10s);
    box.Stop();
    harness.RunFor(10s);
    ASSERT_TRUE(box.Start());
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 60s));
    EXPECT_EQ(harness.statuses[0].second, "Incomplet")
        << ::testing::PrintToString(harness.host.log) << Logged();
    const std::vector<std::string> files = harness.Controller().ProgrammedRecording()->Files();
    ASSERT_GE(files.size(), 2u);
    double covered = 0;
    for (const std::string& file : files) {
        const std::string probe = testing::Probe(file);
        EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << file << probe;
        covered += testing::ProbedDuration(probe);
    }
    EXPECT_NEAR(covered, 36 - 10, 3) << ::testing::PrintToString(harness.host.log) << Logged();
    const std::string told = ::testing::PrintToString(harness.host.notices);
    EXPECT_NE(told.find("flux perdu à"), std::string::npos) << told;
}

// A box that answers nonsense for some channels: each is refused with its reason
// while a good channel of the same relay records whole.
TEST_F(RelayIntegrationTest, HostileChannelsLeaveAGoodRecordingWhole) {
    testing::HostileRtspBox hostile;
    Relay relay(Options());
    testing::RecordingHarness harness(folder, "/usr/bin/vlc", &relay);
    harness.StartProgrammed(box.Address(201), kFormatH264, 8);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    auto refusals = std::async(std::launch::async, [&] {
        std::string told;
        for (const char* kind : {"vide", "charabia", "enorme", "entetes", "boucle", "ailleurs",
                                 "multiflux", "occupee"})
            told += std::string(kind) + ": " + relay.Open(hostile.Address(kind), 10s) + "\n";
        return told;
    });
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 40s)) << Logged();
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);
    const std::string told = refusals.get();
    EXPECT_NE(told.find("enorme: la réponse de la Freebox est trop longue"), std::string::npos)
        << told;
    EXPECT_NE(told.find("boucle: la Freebox renvoie sans fin"), std::string::npos) << told;
    EXPECT_NE(told.find("occupee: la Freebox refuse le flux : trop de flux"), std::string::npos)
        << told;
    EXPECT_NEAR(testing::ProbedDuration(testing::Probe(file)), 8.0, 2.0);
}

// Another client holds the box's only stream: a reader is answered at once, and a
// programmed recording fails, naming the reason.
TEST_F(RelayIntegrationTest, ABoxWithNoStreamLeftRefusesWithItsReason) {
    auto other = ChildProcess::Start({"/usr/bin/ffmpeg", "-v", "error", "-rtsp_transport", "tcp",
                                      "-i", box.Address(201), "-f", "null", "-"})
                     .child;
    ASSERT_TRUE(other);
    for (int i = 0; i < 100 && box.Sessions() == 0; ++i)
        std::this_thread::sleep_for(100ms);
    ASSERT_EQ(box.Sessions(), 1);
    Relay relay(Options());
    const std::string address = box.Address(202);
    EXPECT_EQ(testing::RawHttpGet(relay.LocalAddress(address), "GET"), "503");
    const std::string reason = "la Freebox refuse le flux : trop de flux sont déjà ouverts";
    EXPECT_EQ(relay.Refusal(address), reason) << Logged();

    testing::RecordingHarness harness(folder, "/usr/bin/vlc", &relay);
    harness.StartProgrammed(address, kFormatH264, 6);
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 30s));
    EXPECT_EQ(harness.statuses[0].second, "Échec");
    const std::string told =
        ::testing::PrintToString(harness.host.notices) + ::testing::PrintToString(harness.host.log);
    EXPECT_NE(told.find(reason), std::string::npos) << told;
    other->Close();
}

// Behind a firewall that drops UDP (tests/integration/with-udp-dropped), the box's
// only session is ended and opened again over TCP: live view and a programmed
// recording get the channel at once, one session at a time at the box.
class RelayFirewallTest : public RelayIntegrationTest {};

TEST_F(RelayFirewallTest, UdpDroppedTheStreamComesOverTcp) {
    if (!std::getenv("KALORE_UDP_DROPPED"))
        GTEST_SKIP() << "needs root to drop UDP in a network namespace of its own";
    Relay relay(Options());
    const std::string box201 = box.Address(201);
    const std::string local = relay.LocalAddress(box201);
    testing::RecordingHarness harness(folder, "/usr/bin/vlc", &relay);
    auto viewer = std::async(std::launch::async, [&] { return testing::BodyWithin(local, 12s); });
    harness.StartProgrammed(box201, kFormatH264, 8);
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 60s)) << Logged();
    EXPECT_EQ(harness.statuses[0].second, "Terminé")
        << ::testing::PrintToString(harness.host.log) << Logged();
    EXPECT_GT(viewer.get().size(), 50'000u);
    EXPECT_NE(Logged().find("il passe désormais par TCP"), std::string::npos) << Logged();
    // The UDP session, ended, then the TCP one: the box allows one at a time.
    EXPECT_EQ(box.Sessions(), 2) << Logged();
}

} // namespace
} // namespace kalore
