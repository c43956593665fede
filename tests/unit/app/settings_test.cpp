#include "app/settings.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fakes.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_.Path() / "B"); }
    void TearDown() override { ::chmod(IniPath().c_str(), 0644); }

    std::string IniPath() const { return (folder_.Path() / "B" / "kalore.ini").string(); }
    void WriteIni(const std::string& bytes) const {
        std::ofstream(IniPath(), std::ios::binary) << bytes;
    }
    std::string ReadIni() const {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    const testing::TempFolder folder_{"kalore-settings"};
    const std::string programFolder_ = folder_.Slashed();
    testing::FakeHost host_;
};

TEST_F(SettingsTest, MissingFileLoadsTheFallbackAndIsNeverCreated) {
    SettingsValues values;
    LoadSettings(programFolder_, values, host_);
    EXPECT_EQ(values.outputPath, programFolder_ + "record.avi");
    EXPECT_EQ(values.playerPath, "");

    values.provider = "ORANGE";
    values.playerPath = "/usr/bin/vlc";
    SaveSettings(programFolder_, values, host_);
    EXPECT_FALSE(fs::exists(IniPath()));
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SettingsTest, EmptyValuesFallBackAndAnEmptyPlayerPathKeepsTheStoredOne) {
    WriteIni("[Visual]\r\nlastRecordPath=\r\nvlcpath=\r\n[Connexion]\r\ninternetProvider=\r\n");
    SettingsValues values;
    LoadSettings(programFolder_, values, host_);
    EXPECT_EQ(values.outputPath, programFolder_ + "record.avi");
    EXPECT_EQ(values.playerPath, "");

    WriteIni("[Visual]\r\nlastRecordPath=/tmp/a.avi\r\nvlcpath=/opt/missing/vlc\r\n");
    LoadSettings(programFolder_, values, host_);
    EXPECT_EQ(values.outputPath, "/tmp/a.avi");
    EXPECT_EQ(values.playerPath, "/opt/missing/vlc"); // set even though no such file

    values.playerPath.clear();
    values.provider = "FREE";
    SaveSettings(programFolder_, values, host_);
    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("vlcpath=/opt/missing/vlc"), std::string::npos);
    EXPECT_NE(saved.find("internetProvider=FREE"), std::string::npos);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SettingsTest, RoundTripKeepsForeignSectionsCommentsAndWindows1252) {
    WriteIni("; réglages de Kalore\r\n[Web]\r\nsite=http://127.0.0.1:8080\r\n"
             "[Visual]\r\n; dernier fichier\r\nlastRecordPath=C:\\x.avi\r\nother=1\r\n"
             "[Connexion]\r\ninternetProvider=FREE\r\n");
    SettingsValues values;
    LoadSettings(programFolder_, values, host_);
    values.outputPath = "/home/élodie/films/été.avi";
    values.provider = "ORANGE";
    values.playerPath = "/usr/bin/vlc";
    SaveSettings(programFolder_, values, host_);

    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("site=http://127.0.0.1:8080"), std::string::npos);
    EXPECT_NE(saved.find("other=1"), std::string::npos);
    EXPECT_NE(saved.find("; dernier fichier"), std::string::npos);
    EXPECT_NE(saved.find("lastRecordPath=/home/\xE9lodie/films/\xE9t\xE9.avi"), std::string::npos);
    EXPECT_NE(saved.find("internetProvider=ORANGE"), std::string::npos);
    EXPECT_NE(saved.find("vlcpath=/usr/bin/vlc"), std::string::npos);
    EXPECT_EQ(saved.find(" = "), std::string::npos);
    EXPECT_EQ(saved.find("\n"), saved.find("\r\n") + 1); // CR LF line ends

    SettingsValues again;
    LoadSettings(programFolder_, again, host_);
    EXPECT_EQ(again.outputPath, "/home/élodie/films/été.avi");
    EXPECT_EQ(again.playerPath, "/usr/bin/vlc");
}

TEST_F(SettingsTest, ReadOnlyFileGivesTheWriteMessageWithTheFullPathAndStaysUntouched) {
    WriteIni("[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
    ::chmod(IniPath().c_str(), 0444);
    SettingsValues values{"/tmp/b.avi", "/usr/bin/vlc", "ORANGE"};
    SaveSettings(programFolder_, values, host_);
    SaveSettings(programFolder_, values, host_);
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0], "Erreur d'enregistrement dans INI : **" + IniPath() + "**");
    EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
}

TEST_F(SettingsTest, UnreadableFileGivesTheReadMessageAndKeepsWhatWasSet) {
    fs::create_directory(IniPath()); // exists, but can't be read as a file
    SettingsValues values{"", "/already/set", ""};
    LoadSettings(programFolder_, values, host_);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], "Fichier d'initialisation introuvable! ");
    EXPECT_EQ(values.playerPath, "/already/set");
}

} // namespace
} // namespace kalore
