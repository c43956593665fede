#include "settings/settings_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fakes.h"
#include "support/crash_at_write_step.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr uid_t kNobody = 65534;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_.Path() / "B"); }
    void TearDown() override { ::chmod(IniPath().c_str(), 0644); }

    std::string IniPath() const { return (folder_.Path() / "B" / "kalore.ini").string(); }
    void WriteIni(const std::string& bytes) const {
        std::ofstream(IniPath(), std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string ReadIni() const { return Read(IniPath()); }
    std::vector<std::string> FilesOfB() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path() / "B")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A run of the program: a settings file of its own, as the window makes one.
    SettingsFile Run() { return SettingsFile(programFolder_, host_, clock_); }

    const testing::TempFolder folder_{"kalore-settings"};
    const std::string programFolder_ = folder_.Slashed();
    testing::FakeHost host_;
    testing::FakeClock clock_;
};

TEST_F(SettingsTest, MissingFileLoadsTheFallbackAndIsNeverCreated) {
    SettingsFile settings = Run();
    SettingsValues values;
    settings.LoadSettings(values);
    EXPECT_EQ(values.outputPath, programFolder_ + "RECORDS/");
    EXPECT_EQ(values.playerPath, "");

    values.provider = "ORANGE";
    values.playerPath = "/usr/bin/vlc";
    settings.SaveSettings(values);
    EXPECT_FALSE(fs::exists(IniPath()));
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SettingsTest, EmptyValuesFallBackAndAnEmptyPlayerPathKeepsTheStoredOne) {
    WriteIni("[Visual]\r\nlastRecordPath=\r\nvlcpath=\r\n[Connexion]\r\ninternetProvider=\r\n");
    SettingsValues values;
    Run().LoadSettings(values);
    EXPECT_EQ(values.outputPath, programFolder_ + "RECORDS/");
    EXPECT_EQ(values.playerPath, "");

    // The former default, saved at every start, is the default still.
    WriteIni("[Visual]\r\nlastRecordPath=" + programFolder_ + "record.avi\r\n");
    Run().LoadSettings(values);
    EXPECT_EQ(values.outputPath, programFolder_ + "RECORDS/");

    WriteIni("[Visual]\r\nlastRecordPath=/tmp/a.avi\r\nvlcpath=/opt/missing/vlc\r\n");
    SettingsFile settings = Run();
    settings.LoadSettings(values);
    EXPECT_EQ(values.outputPath, "/tmp/a.avi");
    EXPECT_EQ(values.playerPath, "/opt/missing/vlc"); // set even though no such file

    values.playerPath.clear();
    values.provider = "FREE";
    settings.SaveSettings(values);
    EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\nvlcpath=/opt/missing/vlc\r\n"
                         "[Connexion]\r\ninternetProvider=FREE\r\n");
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SettingsTest, ASaveKeepsEveryByteButItsOwnValues) {
    const std::string before = "; r\xE9glages de Kalore\n"
                               "[Web]\n"
                               "site = http://127.0.0.1:8080\n"
                               "\n"
                               "[Visual]\n"
                               "lastRecordPath = C:\\x.avi\n"
                               "lastRecordPath=C:\\duplicate.avi\n"
                               "une ligne sans signe \xE9gal\n"
                               "[Connexion]\n"
                               "internetProvider=FREE";
    WriteIni(before);
    ::chmod(IniPath().c_str(), 0640);
    SettingsFile settings = Run();
    SettingsValues values;
    settings.LoadSettings(values);
    EXPECT_EQ(values.outputPath, "C:\\x.avi");
    values.outputPath = "/home/élodie/films/été.avi";
    values.provider = "ORANGE";
    values.playerPath = "/usr/bin/vlc";
    settings.SaveSettings(values);

    EXPECT_EQ(ReadIni(), "; r\xE9glages de Kalore\n"
                         "[Web]\n"
                         "site = http://127.0.0.1:8080\n"
                         "\n"
                         "[Visual]\n"
                         "lastRecordPath = /home/\xE9lodie/films/\xE9t\xE9.avi\n"
                         "lastRecordPath=C:\\duplicate.avi\n"
                         "une ligne sans signe \xE9gal\n"
                         "vlcpath=/usr/bin/vlc\n"
                         "[Connexion]\n"
                         "internetProvider=ORANGE");
    struct stat st {};
    ASSERT_EQ(::stat(IniPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesOfB(), std::vector<std::string>{"kalore.ini"});
    EXPECT_TRUE(host_.messages.empty());

    SettingsValues again;
    Run().LoadSettings(again);
    EXPECT_EQ(again.outputPath, "/home/élodie/films/été.avi");
    EXPECT_EQ(again.playerPath, "/usr/bin/vlc");
}

TEST_F(SettingsTest, ADamagedFileIsKeptAsideToldAndNeverWrittenOver) {
    const std::string damaged[] = {
        "[Visual]\r\nlastRecordPath=/a\0b\r\n[Web]\r\nsite=http://127.0.0.1:1\r\n"s,
        "[Visual]\r\nvlcpath=/opt/\x81vlc\r\n"s,
        "\xFF\xFE[\0V\0i"s, // UTF-16 cut short
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes);
        fs::remove_all(folder_.Path() / "B");
        fs::create_directories(folder_.Path() / "B");
        host_.messages.clear();
        WriteIni(bytes);
        SettingsFile settings = Run();
        SettingsValues values{"", "/already/set", ""};
        settings.LoadSettings(values);
        EXPECT_EQ(values.outputPath, programFolder_ + "RECORDS/");
        EXPECT_EQ(values.playerPath, "/already/set");
        const std::string copy = IniPath() + ".damaged-20261207-200000";
        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_TRUE(host_.messages[0].starts_with("Le fichier de réglages " + IniPath() +
                                                  " est illisible ("));
        EXPECT_NE(host_.messages[0].find("Une copie a été gardée : " + copy), std::string::npos);
        EXPECT_EQ(Read(copy), bytes);

        values.outputPath = "/b.avi";
        settings.SaveSettings(values);
        settings.SaveSettings(values);
        EXPECT_EQ(ReadIni(), bytes);
        EXPECT_EQ(host_.messages.size(), 1u);
    }
}

TEST_F(SettingsTest, ReadOnlyFileGivesTheWriteMessageWithTheFullPathAndStaysUntouched) {
    WriteIni("[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
    ::chmod(IniPath().c_str(), 0444);
    SettingsValues values{"/tmp/b.avi", "/usr/bin/vlc", "ORANGE"};
    SettingsFile settings = Run();
    settings.SaveSettings(values);
    settings.SaveSettings(values);
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0], "Erreur d'enregistrement dans INI : **" + IniPath() + "**");
    EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
}

TEST_F(SettingsTest, AnotherUsersFileKeepsItsOwnerOrIsNotTouched) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file to another user";
    }
    ::chmod((folder_.Path() / "B").c_str(), 0777);
    ::chmod(folder_.Path().c_str(), 0755);
    // Saves as the unprivileged user in a child; the messages it got are its exit code.
    const auto saveAsNobody = [this] {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(100);
            }
            testing::FakeHost host;
            SettingsFile(programFolder_, host, clock_)
                .SaveSettings({"/tmp/b.avi", "/usr/bin/vlc", "ORANGE"});
            ::_exit(static_cast<int>(host.messages.size()));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    struct stat st {};
    { // root's 0644 file: nobody may not write it, so it is left as it is
        WriteIni("[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
        ::chmod(IniPath().c_str(), 0644);
        EXPECT_EQ(saveAsNobody(), 1);
        EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n");
        ASSERT_EQ(::stat(IniPath().c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u);
    }
    { // root's file that everyone may write: written, still root's, same mode
        ::chmod(IniPath().c_str(), 0666);
        EXPECT_EQ(saveAsNobody(), 0);
        EXPECT_NE(ReadIni().find("lastRecordPath=/tmp/b.avi\r\n"), std::string::npos);
        ASSERT_EQ(::stat(IniPath().c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u);
        EXPECT_EQ(st.st_mode & 07777, 0666u);
    }
    { // nobody's file saved by root keeps its owner
        ASSERT_EQ(::chown(IniPath().c_str(), kNobody, kNobody), 0);
        ::chmod(IniPath().c_str(), 0600);
        Run().SaveSettings({"/tmp/c.avi", "", "FREE"});
        ASSERT_EQ(::stat(IniPath().c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kNobody);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_NE(ReadIni().find("lastRecordPath=/tmp/c.avi\r\n"), std::string::npos);
    }
}

// The window's choices: keys an older file lacks, which then load as the first start
// behaves; a default adds no line, a line there follows the choice, and a start
// without the channel list never erases the channel kept.
TEST_F(SettingsTest, TheWindowsChoicesAreKeptAndOlderFilesLoadAsBefore) {
    const std::string older = "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n[Connexion]\r\n";
    WriteIni(older);
    SettingsValues values;
    Run().LoadSettings(values);
    EXPECT_TRUE(values.autostart);
    EXPECT_EQ(values.recordFormat, "");
    EXPECT_EQ(values.lastChannel, "");
    Run().SaveSettings(values);
    EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n[Connexion]\r\n"
                         "internetProvider=\r\n");

    values.autostart = false;
    values.recordFormat = "Format Haute Qualit\xC3\xA9";
    values.lastChannel = "France 2";
    Run().SaveSettings(values);
    EXPECT_EQ(ReadIni(), "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\nautostart=0\r\n"
                         "recordFormat=Format Haute Qualit\xE9\r\nlastChannel=France 2\r\n"
                         "[Connexion]\r\ninternetProvider=\r\n");
    SettingsValues again;
    Run().LoadSettings(again);
    EXPECT_FALSE(again.autostart);
    EXPECT_EQ(again.recordFormat, values.recordFormat);
    EXPECT_EQ(again.lastChannel, "France 2");

    // Back to the defaults, and a start that had no channel list.
    values.autostart = true;
    values.recordFormat.clear();
    values.lastChannel.clear();
    Run().SaveSettings(values);
    EXPECT_NE(ReadIni().find("autostart=1\r\nrecordFormat=\r\nlastChannel=France 2\r\n"),
              std::string::npos);

    // Only a "0" turns autostart off: a hand-edited value keeps the first start's way.
    for (const char* odd : {"", "non", "false", " 1 "}) {
        WriteIni("[Visual]\r\nautostart="s + odd + "\r\n");
        SettingsValues read;
        read.autostart = false;
        Run().LoadSettings(read);
        EXPECT_TRUE(read.autostart) << odd;
    }
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SettingsTest, UnreadableFileGivesTheReadMessageAndKeepsWhatWasSet) {
    fs::create_directory(IniPath()); // exists, but can't be read as a file
    SettingsValues values{"", "/already/set", ""};
    Run().LoadSettings(values);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], "Fichier d'initialisation introuvable! ");
    EXPECT_EQ(values.playerPath, "/already/set");

    // A FIFO, which would hold an open for ever, says the same at once, and so do
    // its interrupted save and a save.
    fs::remove(IniPath());
    ASSERT_EQ(::mkfifo(IniPath().c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((IniPath() + ".tmp").c_str(), 0600), 0);
    host_.messages.clear();
    Run().LoadSettings(values);
    Run().SaveSettings({"/tmp/c.avi", "", "FREE"});
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0], "Fichier d'initialisation introuvable! ");
    EXPECT_EQ(host_.messages[1], "Erreur d'enregistrement dans INI : **" + IniPath() + "**");
}

// Found but over the cap: the message says so, and the file is left as it is.
TEST_F(SettingsTest, AFileTooBigIsToldSoAndLeftAlone) {
    const std::string big = "[Visual]\r\n" + std::string(2 * 1024 * 1024, ';');
    WriteIni(big);
    SettingsValues values{"", "/already/set", ""};
    Run().LoadSettings(values);
    Run().SaveSettings({"/tmp/c.avi", "", "FREE"});
    ASSERT_FALSE(host_.messages.empty());
    EXPECT_EQ(host_.messages[0], "Le fichier de réglages " + IniPath() +
                                     " est trop gros pour être lu (plus de 1 Mo).");
    EXPECT_EQ(values.playerPath, "/already/set");
    EXPECT_EQ(ReadIni(), big);
}

TEST_F(SettingsTest, ASaveCutShortIsKeptAsideAndOnlyTheNewestCopiesStay) {
    const std::string whole = "[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n";
    for (int minute = 0; minute < 7; ++minute) {
        WriteIni(whole);
        testing::WriteInChildEndingAt(AtomicWriteStep::TemporaryWritten, 0, [this] {
            Run().SaveSettings({"/tmp/new.avi", "", "FREE"});
        });
        clock_.Set({2026, 12, 7, 20, minute, 0});
        SettingsValues values;
        Run().LoadSettings(values);
        EXPECT_EQ(values.outputPath, "/tmp/a.avi");
    }
    EXPECT_EQ(ReadIni(), whole);
    EXPECT_EQ(FilesOfB(),
              (std::vector<std::string>{"kalore.ini", "kalore.ini.interrupted-20261207-200200",
                                        "kalore.ini.interrupted-20261207-200300",
                                        "kalore.ini.interrupted-20261207-200400",
                                        "kalore.ini.interrupted-20261207-200500",
                                        "kalore.ini.interrupted-20261207-200600"}));
    EXPECT_NE(Read(IniPath() + ".interrupted-20261207-200600").find("/tmp/new.avi"),
              std::string::npos);
    EXPECT_EQ(host_.log.back(), "Réglages : enregistrement interrompu mis de côté : " + IniPath() +
                                    ".interrupted-20261207-200600");
}

TEST_F(SettingsTest, TheVolumeHasItsOwnLineAndFallsBackOnAnythingOdd) {
    // No file: the full level, and no file made.
    EXPECT_EQ(Run().LoadVolume(), kDefaultVolume);
    EXPECT_FALSE(Run().SaveVolume(40));
    EXPECT_TRUE(FilesOfB().empty());

    for (const char* odd : {"", "abc", "-5", "101", "40%", " 7x"}) {
        WriteIni("[Visual]\r\nvolume="s + odd + "\r\n");
        EXPECT_EQ(Run().LoadVolume(), kDefaultVolume) << odd;
    }

    const std::string before = "; mes r\xE9glages\r\n[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n"
                               "[Connexion]\r\ninternetProvider=FREE\r\n";
    WriteIni(before);
    SettingsFile settings = Run();
    EXPECT_TRUE(settings.SaveVolume(35));
    EXPECT_EQ(ReadIni(), "; mes r\xE9glages\r\n[Visual]\r\nlastRecordPath=/tmp/a.avi\r\n"
                         "volume=35\r\n[Connexion]\r\ninternetProvider=FREE\r\n");
    EXPECT_EQ(Run().LoadVolume(), 35);
    // The window's own save keeps it, and it keeps the window's values.
    settings.SaveSettings({"/tmp/b.avi", "", "FREE"});
    EXPECT_TRUE(settings.SaveVolume(0));
    EXPECT_EQ(ReadIni(), "; mes r\xE9glages\r\n[Visual]\r\nlastRecordPath=/tmp/b.avi\r\n"
                         "volume=0\r\n[Connexion]\r\ninternetProvider=FREE\r\n");
    EXPECT_TRUE(host_.messages.empty());

    // A damaged file is never written.
    WriteIni("[Visual]\r\nvolume=20\r\n\0"s);
    SettingsFile damaged = Run();
    EXPECT_EQ(damaged.LoadVolume(), kDefaultVolume);
    EXPECT_FALSE(damaged.SaveVolume(60));
    EXPECT_EQ(ReadIni(), "[Visual]\r\nvolume=20\r\n\0"s);
}

TEST(VolumeSteps, StepsOfFiveStayWithinTheScale) {
    EXPECT_EQ(StepVolume(50, 1), 55);
    EXPECT_EQ(StepVolume(50, -3), 35);
    EXPECT_EQ(StepVolume(98, 1), kMaxVolume);
    EXPECT_EQ(StepVolume(3, -1), 0);
    EXPECT_EQ(StepVolume(0, 40), kMaxVolume);
}

} // namespace
} // namespace kalore
