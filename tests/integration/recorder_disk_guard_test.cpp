// Programmed recordings on a small disk: a real vlc writing the high-quality format
// to a small tmpfs. A disk that fills holds the recording while 100 MB are still
// free and the rest goes into a continuation file once space comes back; a disk
// full from the launch is named as the reason, never the stream.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/file_space.h"
#include "recorder/disk_space.h"
#include "recorder/recorder_command_line.h"
#include "support/recording_harness.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RecorderDiskGuard : public ::testing::Test {
protected:
    void SetUp() override {
        const char* disk = std::getenv("KALORE_SMALL_DISK");
        if (disk == nullptr) {
            GTEST_SKIP() << "no small disk: mounting a tmpfs needs root (tests/integration/"
                            "with-small-disk)";
        }
        folder_ = std::string(disk) + "/";
        fs::remove_all(folder_ + "RECORDS");
        fs::remove(Filler());
        fs::create_directory(folder_ + "RECORDS");
        stream_ = testing::StartUdpStream(port_);
        ASSERT_TRUE(stream_);
    }
    std::string Filler() const { return folder_ + "filler"; }
    // Leaves `aboveReserve` bytes free above the disk guard's reserve.
    void Fill(std::int64_t aboveReserve) {
        const std::uint64_t fill = *FreeSpaceFor(folder_) - kDiskReserveBytes - aboveReserve;
        std::ofstream filler(Filler(), std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (std::uint64_t written = 0; written < fill; written += block.size()) {
            filler.write(block.data(), static_cast<std::streamsize>(
                                           std::min<std::uint64_t>(block.size(), fill - written)));
        }
    }
    std::string Url() const { return "udp://@127.0.0.1:" + std::to_string(port_); }

    std::string folder_;
    const int port_ = 20000 + static_cast<int>(getpid() % 20000);
    std::unique_ptr<ChildProcess> stream_;
};

TEST_F(RecorderDiskGuard, AFillingDiskHoldsTheRecordingAndTheRestFollowsOnceSpaceComesBack) {
    Fill(10 * kMega);
    testing::RecordingHarness harness(folder_);
    harness.StartProgrammed(Url(), kFormatHighQuality, 60);
    ASSERT_FALSE(harness.host.notices.empty());
    EXPECT_NE(harness.host.notices[0].find("Il ne reste que "), std::string::npos);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil(
        [&] {
            return harness.LogHas("-- Disque plein (moins de 100 Mo libres) : enregistrement "
                                  "suspendu jusqu'à ce que de la place se libère");
        },
        50s))
        << ::testing::PrintToString(harness.host.log);
    // Held with room to spare, and no new try of the stream while the disk refuses.
    harness.RunFor(5s);
    EXPECT_GT(*FreeSpaceFor(folder_), 80 * kMega);
    EXPECT_FALSE(harness.LogHas("-- Nouvel essai dans 2 s"));
    fs::remove(Filler());
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 70s))
        << ::testing::PrintToString(harness.host.log);
    stream_->Close();

    EXPECT_EQ(harness.statuses[0].second, "Incomplet");
    ASSERT_EQ(harness.host.notices.size(), 2u);
    EXPECT_NE(harness.host.notices[1].find("disque plein (moins de 100 Mo libres) à "),
              std::string::npos)
        << harness.host.notices[1];
    EXPECT_EQ(harness.host.notices[1].find("flux"), std::string::npos) << harness.host.notices[1];
    for (const std::string& part : {file, ContinuationPath(file, 2)}) {
        const std::string probe = testing::Probe(part);
        EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << part << probe;
        EXPECT_GT(testing::ProbedDuration(probe), 2.0) << part << probe;
    }
}

TEST_F(RecorderDiskGuard, ADiskFullAtTheLaunchIsNamedAsTheReason) {
    Fill(-10 * static_cast<std::int64_t>(kMega));
    testing::RecordingHarness harness(folder_);
    harness.StartProgrammed(Url(), kFormatHighQuality, 8);
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 30s))
        << ::testing::PrintToString(harness.host.log);
    stream_->Close();
    EXPECT_EQ(harness.statuses[0].second, "Échec");
    ASSERT_EQ(harness.host.notices.size(), 2u);
    EXPECT_NE(harness.host.notices[1].find("a échoué : disque plein (moins de 100 Mo libres) dès "
                                           "le début"),
              std::string::npos)
        << harness.host.notices[1];
    EXPECT_EQ(harness.host.notices[1].find("flux"), std::string::npos) << harness.host.notices[1];
}

} // namespace
} // namespace kalore
