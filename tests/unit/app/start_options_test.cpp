#include "app/start_options.h"

#include <filesystem>

#include "app/display_choice.h"

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
    // Qt's own options, with their values, are Qt's: anything else of one dash is not.
    const StartOptions qt =
        ParseStartOptions(Arguments{"-platform", "xcb", "-style=Fusion", "-reverse",
                                    "--program-folder", "/x", "-display", ":1"});
    EXPECT_TRUE(qt.error.empty()) << qt.error;
    EXPECT_EQ(qt.programFolder, "/x/");
    EXPECT_EQ(ParseStartOptions(Arguments{"-bogus"}).error, "option inconnue « -bogus »");
    EXPECT_EQ(ParseStartOptions(Arguments{"-reverse=1"}).error, "option inconnue « -reverse=1 »");
}

TEST(DisplayChoiceTest, AWaylandSessionGoesThroughXWaylandUnlessTheUserChose) {
    // Wayland with XWayland: X11, where libVLC draws inside the window.
    EXPECT_EQ(ChooseDisplay({"", "wayland-0", ":0", "wayland"}).qtPlatform, "xcb");
    EXPECT_EQ(ChooseDisplay({"", "", ":0", "wayland"}).qtPlatform, "xcb");
    // X11, and the user's own choice: Qt's.
    EXPECT_EQ(ChooseDisplay({"", "", ":0", "x11"}).qtPlatform, "");
    const DisplayChoice chosen = ChooseDisplay({"wayland", "wayland-0", ":0", "wayland"});
    EXPECT_EQ(chosen.qtPlatform, "");
    EXPECT_EQ(chosen.warning, "");
    EXPECT_EQ(ChooseDisplay({"offscreen", "", "", ""}).refusal, "");
    // Wayland without XWayland: started all the same, with what to install.
    const DisplayChoice alone = ChooseDisplay({"", "wayland-0", "", "wayland"});
    EXPECT_EQ(alone.qtPlatform, "");
    EXPECT_NE(alone.warning.find("paquet « xwayland »"), std::string::npos);
    EXPECT_EQ(alone.refusal, "");
    // No display at all: said in French before Qt would abort in English.
    EXPECT_NE(ChooseDisplay({"", "", "", "tty"}).refusal.find("aucun écran"), std::string::npos);
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
