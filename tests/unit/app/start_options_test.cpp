#include "app/start_options.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace kalore {
namespace {

using Arguments = std::vector<std::string>;

TEST(StartOptionsTest, ReadsTheProgramFolderAndTheLauncherInBothSpellings) {
    {
        const StartOptions none = ParseStartOptions({});
        EXPECT_TRUE(none.programFolder.empty());
        EXPECT_TRUE(none.launcher.empty());
        EXPECT_FALSE(none.help);
        EXPECT_TRUE(none.error.empty());
    }
    {
        const StartOptions given = ParseStartOptions(Arguments{
            "--program-folder", "/home/ann/.local/share/kalore", "--launcher=/usr/bin/kalore"});
        EXPECT_TRUE(given.error.empty()) << given.error;
        // The folder always ends with the separator: file names are appended to it.
        EXPECT_EQ(given.programFolder, "/home/ann/.local/share/kalore/");
        EXPECT_EQ(given.launcher, "/usr/bin/kalore");
    }
    {
        const StartOptions tidied = ParseStartOptions(Arguments{"--program-folder=/a/./b/../c/"});
        EXPECT_EQ(tidied.programFolder, "/a/c/");
        const StartOptions relative = ParseStartOptions(Arguments{"--program-folder", "k"});
        EXPECT_EQ(relative.programFolder, (std::filesystem::current_path() / "k").string() + "/");
    }
    EXPECT_TRUE(ParseStartOptions(Arguments{"--help"}).help);
    EXPECT_TRUE(ParseStartOptions(Arguments{"-h"}).help);
    EXPECT_TRUE(ParseStartOptions(Arguments{"--version"}).version);
    EXPECT_FALSE(ParseStartOptions(Arguments{"--help"}).version);
    EXPECT_EQ(VersionAnswer(11), "Kalore 1.1\n");
}

TEST(StartOptionsTest, RefusesUnknownOptionsAndMissingValues) {
    EXPECT_EQ(ParseStartOptions(Arguments{"--folder", "/x"}).error, "option inconnue « --folder »");
    EXPECT_EQ(ParseStartOptions(Arguments{"/x"}).error, "option inconnue « /x »");
    EXPECT_EQ(ParseStartOptions(Arguments{"--program-folder"}).error,
              "il manque la valeur de « --program-folder »");
    EXPECT_EQ(ParseStartOptions(Arguments{"--launcher="}).error,
              "il manque la valeur de « --launcher »");
    // A refused line gives nothing to start with.
    EXPECT_TRUE(
        ParseStartOptions(Arguments{"--program-folder", "/x", "--bad"}).programFolder.empty());
}

TEST(StartOptionsTest, AutostartStartsKaloreAgainTheWayItWasStarted) {
    const std::string exe = "/usr/lib/kalore/kalore";
    EXPECT_EQ(AutostartCommand(ParseStartOptions({}), exe), Arguments{});
    EXPECT_EQ(AutostartCommand(ParseStartOptions(Arguments{"--program-folder", "/srv/k"}), exe),
              (Arguments{exe, "--program-folder", "/srv/k/"}));
    EXPECT_EQ(AutostartCommand(ParseStartOptions(Arguments{"--program-folder", "/srv/k",
                                                           "--launcher", "/usr/bin/kalore"}),
                               exe),
              Arguments{"/usr/bin/kalore"});
}

} // namespace
} // namespace kalore
