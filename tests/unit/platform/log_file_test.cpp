#include "platform/log_file.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/atomic_file.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

class LogFileTest : public ::testing::Test {
protected:
    std::string Read(const std::string& path) const {
        std::string text;
        ReadWholeFile(path, text);
        return text;
    }

    const testing::TempFolder root_{"kalore-log"};
    const std::string folder_ = (root_.Path() / "state" / "kalore").string();
};

TEST_F(LogFileTest, KeepsLinesInAPrivateFolderAndTurnsOverWithinItsSize) {
    LogFile log(folder_, 100);
    ASSERT_EQ(log.Open(), "");
    EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(log.Append("ligne " + std::to_string(i) + std::string(20, '.')));
    }
    // 27 bytes a line: three to a file, the older file kept once.
    EXPECT_EQ(Read(log.Path()), "ligne 9" + std::string(20, '.') + "\n");
    EXPECT_EQ(Read(log.Path() + ".1").substr(0, 7), "ligne 6");
    EXPECT_FALSE(fs::exists(log.Path() + ".2"));
    // Read back oldest first, from a line's start, within what was asked.
    const std::string back = log.ReadBack(60);
    EXPECT_EQ(back, "ligne 8" + std::string(20, '.') + "\nligne 9" + std::string(20, '.') + "\n");
    EXPECT_EQ(log.ReadBack(1000).substr(0, 7), "ligne 6");

    // A second Kalore of the same user writes into the same file; a turn-over made
    // by one is followed by the other, whose lines never go into the older file.
    LogFile other(folder_, 100);
    ASSERT_EQ(other.Open(), "");
    ASSERT_TRUE(other.Append(std::string(90, 'b')));
    ASSERT_TRUE(log.Append(std::string(30, 'a')));
    ASSERT_TRUE(other.Append("apres"));
    EXPECT_EQ(Read(log.Path()), std::string(30, 'a') + "\napres\n");
    EXPECT_EQ(Read(log.Path() + ".1"), std::string(90, 'b') + "\n");
}

TEST_F(LogFileTest, RefusesWhatIsNoFileOfItsOwnAtItsName) {
    fs::create_directories(folder_);
    const std::string target = (root_.Path() / "someone-elses").string();
    std::ofstream(target) << "keep\n";
    fs::create_symlink(target, folder_ + "/kalore.log");
    LogFile linked(folder_);
    EXPECT_NE(linked.Open(), "");
    EXPECT_FALSE(linked.Append("x"));
    EXPECT_EQ(Read(target), "keep\n");

    // A FIFO never holds the start.
    fs::remove(folder_ + "/kalore.log");
    ASSERT_EQ(mkfifo((folder_ + "/kalore.log").c_str(), 0600), 0);
    LogFile fifo(folder_);
    EXPECT_NE(fifo.Open(), "");

    // Nor does a folder that is a link, or no folder at all to be had.
    const std::string elsewhere = (root_.Path() / "elsewhere").string();
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, (root_.Path() / "linked").string());
    EXPECT_NE(LogFile((root_.Path() / "linked").string()).Open(), "");
    EXPECT_FALSE(fs::exists(elsewhere + "/kalore.log"));
    EXPECT_NE(LogFile("").Open(), "");
}

} // namespace
} // namespace kalore
