// A programmed recording on a disk that fills up: a real vlc writing the
// high-quality format to a small tmpfs. The launch warns, the recording is
// stopped cleanly while 100 MB are still free, and the entry ends "Incomplet".
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/file_space.h"
#include "recorder/disk_space.h"
#include "support/recording_harness.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(RecorderDiskGuard, AFillingDiskStopsTheRecordingBeforeItIsFull) {
    const char* disk = std::getenv("KALORE_SMALL_DISK");
    if (disk == nullptr) {
        GTEST_SKIP() << "no small disk: mounting a tmpfs needs root (tests/integration/"
                        "with-small-disk)";
    }
    const std::string folder = std::string(disk) + "/";
    fs::create_directory(folder + "RECORDS");
    { // leaves about 10 MB above the reserve
        const std::uint64_t fill = *FreeSpaceFor(folder) - kDiskReserveBytes - 10 * kMega;
        std::ofstream filler(folder + "filler", std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (std::uint64_t written = 0; written < fill; written += block.size()) {
            filler.write(block.data(), static_cast<std::streamsize>(
                                           std::min<std::uint64_t>(block.size(), fill - written)));
        }
    }
    const int port = 20000 + static_cast<int>(getpid() % 20000);
    std::unique_ptr<ChildProcess> stream = testing::StartUdpStream(port);
    ASSERT_TRUE(stream);

    testing::RecordingHarness harness(folder);
    harness.StartProgrammed("udp://@127.0.0.1:" + std::to_string(port), kFormatHighQuality, 120);
    ASSERT_FALSE(harness.host.notices.empty());
    EXPECT_NE(harness.host.notices[0].find("Il ne reste que "), std::string::npos);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 100s))
        << ::testing::PrintToString(harness.host.log);
    stream->Close();

    EXPECT_EQ(harness.statuses[0].second, "Incomplet");
    EXPECT_TRUE(harness.LogHas("-- Moins de 100 Mo libres sur le disque : enregistrement arrêté"));
    ASSERT_EQ(harness.host.notices.size(), 2u);
    EXPECT_NE(harness.host.notices[1].find("disque presque plein"), std::string::npos);
    // Stopped with room to spare, and what was recorded plays.
    EXPECT_GT(*FreeSpaceFor(folder), 80 * kMega);
    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
    EXPECT_GT(testing::ProbedDuration(probe), 2.0) << probe;
}

} // namespace
} // namespace kalore
