#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/process_list.h"
#include "support/recording_harness.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RecorderIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder + "RECORDS");
        port = 20000 + static_cast<int>(getpid() % 20000);
        stream = testing::StartUdpStream(port);
        ASSERT_TRUE(stream);
    }
    void TearDown() override { stream->Close(); }
    std::string Address() const { return "udp://@127.0.0.1:" + std::to_string(port); }

    const testing::TempFolder temp{"kalore-rec"};
    const std::string folder = temp.Slashed();
    int port = 0;
    std::unique_ptr<ChildProcess> stream;
};

TEST_F(RecorderIntegrationTest, TimedH264RecordingIsTransportStreamOfItsLengthAndFinished) {
    testing::RecordingHarness harness(folder);
    harness.StartProgrammed(Address(), kFormatH264, 4);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 20s));
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);

    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("format_name=mpegts"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=h264\nwidth=320\nheight=240"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_NEAR(testing::ProbedDuration(probe), 4.0, 1.0) << probe;
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
    EXPECT_FALSE(KillProcessesByName("vlc")) << "a recorder child is still running";
}

TEST_F(RecorderIntegrationTest, CopyFormatKeepsTheSourcesCodecsAndPictureSizeInATransportStream) {
    testing::RecordingHarness harness(folder);
    harness.StartProgrammed(Address(), kFormatCopy, 4);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    EXPECT_EQ(file.substr(file.size() - 3), ".ts");
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 20s));
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);

    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("format_name=mpegts"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mpeg2video\nwidth=640\nheight=480"), std::string::npos)
        << probe;
    EXPECT_NE(probe.find("codec_name=mp2"), std::string::npos) << probe;
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
}

TEST_F(RecorderIntegrationTest, ProgrammedHighQualityHoldsPictureAndSoundAndIsFinished) {
    testing::RecordingHarness harness(folder);
    harness.StartProgrammed(Address(), kFormatHighQuality, 4);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 20s));
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);
    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
}

// vlc run with a decimal comma, as before the recorder had a locale of its own:
// the file has sound only, and the outcome says the picture is missing.
TEST_F(RecorderIntegrationTest, ARecordingThatLostThePictureIsIncompleteAndSaysWhy) {
    testing::RecordingHarness harness(folder,
                                      KALORE_TEST_DATA_DIR "/recorder/vlc-decimal-comma.sh");
    harness.StartProgrammed(Address(), kFormatHighQuality, 4);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 20s));
    EXPECT_EQ(harness.statuses[0].second, "Incomplet");
    const std::string probe = testing::Probe(file);
    EXPECT_EQ(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
    EXPECT_TRUE(harness.LogHas("-- Résultat de l'enregistrement : Incomplet (pas d'image dans le "
                               "fichier : vlc n'a pas pu enregistrer la vidéo de la source)"))
        << ::testing::PrintToString(harness.host.log);
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
}

// A radio: sound only at the source, so a file with sound only is complete.
TEST_F(RecorderIntegrationTest, ASoundOnlySourceRecordedWithSoundOnlyIsFinished) {
    const int radioPort = port + 1;
    auto radio = ChildProcess::Start(
        {"/usr/bin/ffmpeg", "-v", "error", "-re", "-f", "lavfi", "-i", "sine=frequency=440", "-c:a",
         "mp2", "-f", "mpegts", "udp://127.0.0.1:" + std::to_string(radioPort) + "?pkt_size=1316"});
    ASSERT_TRUE(radio.child);
    testing::RecordingHarness harness(folder);
    harness.StartProgrammed("udp://@127.0.0.1:" + std::to_string(radioPort), kFormatH264, 4);
    const std::string file = harness.Controller().ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(harness.RunUntil([&] { return !harness.statuses.empty(); }, 20s));
    EXPECT_EQ(harness.statuses[0].second, "Terminé") << ::testing::PrintToString(harness.host.log);
    const std::string probe = testing::Probe(file);
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_EQ(probe.find("width="), std::string::npos) << probe;
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().ProgrammedThread()->Finished(); }, 10s));
    radio.child->Close();
}

TEST_F(RecorderIntegrationTest, HighQualityRecordNowIsProgramStreamWithMpeg2Video) {
    testing::RecordingHarness harness(folder);
    harness.Controller().RecordNow(Address(), kFormatHighQuality, folder + "maintenant.avi");
    harness.RunFor(3s);
    harness.Controller().StopRecordNow();
    ASSERT_TRUE(
        harness.RunUntil([&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s));

    // ctest runs this program under a French locale, whose decimal comma once
    // cost this format its picture.
    std::string probe = testing::Probe(folder + "maintenant.avi");
    EXPECT_NE(probe.find("format_name=mpeg"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=mp3"), std::string::npos) << probe;
    EXPECT_TRUE(harness.host.notices.empty()) << harness.host.notices[0];
    EXPECT_FALSE(KillProcessesByName("vlc"));
}

TEST_F(RecorderIntegrationTest, RecordNowTwiceToOnePathKeepsTheFirstAndSaysWhereTheSecondWent) {
    testing::RecordingHarness harness(folder);
    const std::string path = folder + "record.avi";
    auto recordTwoSeconds = [&] {
        harness.Controller().RecordNow(Address(), kFormatH264, path);
        harness.RunFor(2500ms);
        harness.Controller().StopRecordNow();
        ASSERT_TRUE(harness.RunUntil(
            [&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s));
    };
    recordTwoSeconds();
    ASSERT_TRUE(fs::exists(path));
    const auto firstSize = fs::file_size(path);
    const auto firstTime = fs::last_write_time(path);
    EXPECT_TRUE(harness.host.notices.empty());

    recordTwoSeconds();
    EXPECT_EQ(fs::file_size(path), firstSize);
    EXPECT_EQ(fs::last_write_time(path), firstTime);
    ASSERT_TRUE(fs::exists(folder + "record-2.avi"));
    EXPECT_NE(testing::Probe(folder + "record-2.avi").find("codec_name=h264"), std::string::npos);
    // Told in passing, not in a box that waits.
    EXPECT_TRUE(harness.host.notices.empty());
    ASSERT_EQ(harness.host.inPassing.size(), 2u);
    EXPECT_EQ(harness.host.inPassing[0],
              "Enregistrement commencé : Cet enregistrement va dans « " + path + " ».");
    EXPECT_NE(harness.host.inPassing[1].find("existe déjà, il est gardé : cet enregistrement va "
                                             "dans « " +
                                             folder + "record-2.avi »"),
              std::string::npos)
        << harness.host.inPassing[1];
}

TEST_F(RecorderIntegrationTest, RecordNowIntoAFolderNamesTheFileAfterTheChannelAndTheTime) {
    testing::RecordingHarness harness(folder);
    for (int i = 0; i < 2; ++i) {
        harness.Controller().RecordNow(Address(), kFormatH264, folder + "RECORDS/", "2 - France 2");
        harness.RunFor(2000ms);
        harness.Controller().StopRecordNow();
        ASSERT_TRUE(harness.RunUntil(
            [&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s));
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder + "RECORDS")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    // "2 - France 2 - 2026-12-09 20h58.avi", then the same with "-2" when the minute
    // is the same (or the next minute's name).
    EXPECT_EQ(names[0].rfind("2 - France 2 - 20", 0), 0u) << names[0];
    EXPECT_EQ(names[0].substr(names[0].size() - 4), ".avi");
    EXPECT_NE(testing::Probe(folder + "RECORDS/" + names[1]).find("codec_name=h264"),
              std::string::npos);
}

// Every character that vlc's option chains or the old command line gave a meaning:
// each path is recorded to exactly that file, and nothing else is touched, not
// even the file an injected "dst=" names (relative to vlc's folder, this one).
TEST_F(RecorderIntegrationTest, HostilePathsAreRecordedExactlyWhereTheySay) {
    fs::current_path(folder);
    std::ofstream("victim.txt") << "canary";
    const std::vector<std::string> names = {
        "Mes vidéos, TV}{x:y.avi",     "L'émission du soir.avi",    "a\"b\\c'd=e#f;g h.avi",
        "-dash,dst=victim.txt,x=.avi", "x\\\",dst=victim.txt}.avi", "'},dst=victim.txt,x={'.avi"};
    testing::RecordingHarness harness(folder);
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Relative and absolute paths alike.
        harness.Controller().RecordNow(Address(), kFormatH264,
                                       i % 2 ? names[i] : folder + names[i]);
        harness.RunFor(2500ms);
        harness.Controller().StopRecordNow();
        ASSERT_TRUE(harness.RunUntil(
            [&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s));
    }
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.insert(entry.path().filename().string());
    }
    std::set<std::string> expected(names.begin(), names.end());
    expected.insert({"victim.txt", "RECORDS"});
    EXPECT_EQ(found, expected);
    for (const std::string& name : names) {
        EXPECT_GT(fs::file_size(folder + name), 0u) << name;
    }
    std::ifstream in(folder + "victim.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "canary");
    EXPECT_TRUE(harness.host.notices.empty()) << harness.host.notices[0];
}

} // namespace
} // namespace kalore
