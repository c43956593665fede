#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "fakes/queue_main_thread.h"
#include "platform/child_process.h"
#include "platform/process_list.h"
#include "recorder/recording_controller.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

// Runs a program to its end and gives its output.
std::string Output(const std::vector<std::string>& argv) {
    auto started = ChildProcess::Start(argv);
    if (!started.child) {
        return {};
    }
    auto pipe = started.child->TakeOutput();
    std::string text;
    char buffer[4096];
    for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    started.child->Close();
    return text;
}

std::string Probe(const std::string& file) {
    return Output({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                   "stream=codec_name,width,height:format=format_name,duration", "-of",
                   "default=noprint_wrappers=1", file});
}

double Duration(const std::string& probe) {
    auto at = probe.find("duration=");
    return at == std::string::npos ? 0 : std::stod(probe.substr(at + 9));
}

class RecorderIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder + "RECORDS");
        port = 20000 + static_cast<int>(getpid() % 20000);
        stream = ChildProcess::Start({"/usr/bin/ffmpeg", "-loglevel", "error", "-re", "-f", "lavfi",
                                      "-i", "testsrc=size=640x480:rate=25", "-f", "lavfi", "-i",
                                      "sine=frequency=440", "-c:v", "mpeg2video", "-c:a", "mp2",
                                      "-f", "mpegts",
                                      "udp://127.0.0.1:" + std::to_string(port) + "?pkt_size=1316"})
                     .child;
        ASSERT_TRUE(stream);
    }
    void TearDown() override {
        mainThread.Shutdown();
        stream->Close();
    }
    std::string Address() const { return "udp://@127.0.0.1:" + std::to_string(port); }
    bool LogHas(const std::string& line) {
        return std::find(host.log.begin(), host.log.end(), line) != host.log.end();
    }

    const testing::TempFolder temp{"kalore-rec"};
    const std::string folder = temp.Slashed();
    int port = 0;
    std::unique_ptr<ChildProcess> stream;
    testing::FakeHost host;
    testing::QueueMainThread mainThread;
    testing::FakeTimer timer2;
    RecorderSettings settings{[] { return std::string("/usr/bin/vlc"); },
                              [] { return std::string("Kalore"); },
                              "",
                              "https://maker.example",
                              "https://maker.example/m",
                              [] {
                              }};
};

TEST_F(RecorderIntegrationTest, TimedH264RecordingIsTransportStreamOfItsLength) {
    settings.programFolder = folder;
    RecordingController controller(settings, host, mainThread, timer2);
    controller.StartScheduledRecording("Test", Address(), "1", "3", "07/12/2026", "20:30:00",
                                       kFormatH264);
    mainThread.PumpFor(5s);
    controller.Timer2Timer();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return controller.ProgrammedThread()->Finished(); }));

    std::string probe = Probe(folder + "RECORDS/programme-07-12-2026_20-30-00.avi");
    EXPECT_NE(probe.find("format_name=mpegts"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=h264\nwidth=320\nheight=240"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_NEAR(Duration(probe), 3.0, 1.0) << probe;
    EXPECT_FALSE(KillProcessesByName("vlc")) << "a recorder child is still running";
}

TEST_F(RecorderIntegrationTest, HighQualityRecordNowIsProgramStreamWithMpeg2Video) {
    RecordingController controller(settings, host, mainThread, timer2);
    controller.Button4Click(Address(), kFormatHighQuality, folder + "maintenant.avi");
    mainThread.PumpFor(3s);
    controller.Button9Click();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return controller.RecordNowThread()->Finished(); }));

    std::string probe = Probe(folder + "maintenant.avi");
    EXPECT_NE(probe.find("format_name=mpeg"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
    EXPECT_FALSE(KillProcessesByName("vlc"));
}

} // namespace
} // namespace kalore
