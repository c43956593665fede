// What Kalore does with files that aren't its own or that could hold it: a worker
// stuck in an open left behind at the close, the desktop's trash, a private
// temporary folder another user can't have put there first.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/bounded_thread.h"
#include "platform/private_folder.h"
#include "platform/trash.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class DesktopFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value)
                                                       : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
    }
    std::string Path(const std::string& relative) const {
        return (folder_.Path() / relative).string();
    }

    const testing::TempFolder folder_{"kalore-desktop"};
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopFiles, AWorkerHeldInAnOpenIsLeftBehindNotWaitedFor) {
    const std::string fifo = Path("hung");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    BoundedThread worker([fifo] { ::close(::open(fifo.c_str(), O_RDONLY)); });
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.JoinBefore(before + 200ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    // Let it end rather than outlive the test.
    ::close(::open(fifo.c_str(), O_WRONLY));

    BoundedThread quick([] {});
    EXPECT_TRUE(quick.JoinBefore(std::chrono::steady_clock::now() + 5s));
}

TEST_F(DesktopFiles, TheTrashIsTheHomesOwnMadePrivateAndNamesNeverClash) {
    ::setenv("HOME", Path("home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", "pas/un/chemin", 1); // relative: no value
    fs::create_directory(Path("home"));
    fs::create_directory(Path("enregistrements"));
    for (const char* folder : {"enregistrements", "home"}) {
        std::ofstream(Path(folder) + "/été 1.avi") << folder;
    }
    EXPECT_EQ(MoveToTrash(Path("enregistrements/été 1.avi")), "");
    EXPECT_EQ(MoveToTrash(Path("home/été 1.avi")), "");

    const std::string trash = Path("home/.local/share/Trash");
    struct stat st {};
    ASSERT_EQ(::stat(trash.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::string info;
    ASSERT_TRUE(ReadWholeFile(trash + "/info/été 1.avi.trashinfo", info));
    EXPECT_EQ(info.substr(0, info.find("\nDeletionDate=")),
              "[Trash Info]\nPath=" + folder_.Path().string() +
                  "/enregistrements/%C3%A9t%C3%A9%201.avi");
    EXPECT_TRUE(ReadWholeFile(trash + "/info/été 1.2.avi.trashinfo", info));
    std::string moved;
    ASSERT_TRUE(ReadWholeFile(trash + "/files/été 1.2.avi", moved));
    EXPECT_EQ(moved, "home");
    EXPECT_FALSE(fs::exists(Path("pas")));

    // On another mount (/dev/shm, a tmpfs here): that mount's own trash, its path
    // written from the mount's top.
    struct stat shm {};
    if (::stat("/dev/shm", &shm) == 0 && shm.st_dev != st.st_dev &&
        ::access("/dev/shm", W_OK) == 0) {
        const std::string mine = "/dev/shm/kalore-trash-" + std::to_string(::getpid());
        fs::create_directory(mine);
        std::ofstream(mine + "/film.ts") << "tmpfs";
        EXPECT_EQ(MoveToTrash(mine + "/film.ts"), "");
        const std::string mounted = "/dev/shm/.Trash-" + std::to_string(::geteuid());
        EXPECT_TRUE(ReadWholeFile(mounted + "/info/film.ts.trashinfo", info));
        EXPECT_NE(info.find("\nPath=kalore-trash-" + std::to_string(::getpid()) + "/film.ts\n"),
                  std::string::npos)
            << info;
        EXPECT_TRUE(fs::exists(mounted + "/files/film.ts"));
        fs::remove(mounted + "/files/film.ts");
        fs::remove(mounted + "/info/film.ts.trashinfo");
        fs::remove(mine);
    }

    // A file that can't be moved is said so and stays, with no info left behind.
    EXPECT_NE(MoveToTrash(Path("enregistrements/absent.avi")), "");
    EXPECT_FALSE(fs::exists(trash + "/info/absent.avi.trashinfo"));
}

TEST_F(DesktopFiles, APrivateFolderIsTheSessionsOrOneNoOtherUserCanHaveMade) {
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", folder_.Path().c_str(), 1);
    const std::string own = Path("kalore-test-" + std::to_string(::geteuid()));
    EXPECT_EQ(PrivateTemporaryFolder("kalore-test"), own);
    struct stat st {};
    ASSERT_EQ(::stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Open to others, or a link (to a folder of someone's choosing): none.
    ::chmod(own.c_str(), 0777);
    EXPECT_EQ(PrivateTemporaryFolder("kalore-test"), "");
    fs::remove(own);
    fs::create_directory(Path("ailleurs"));
    fs::create_directory_symlink(Path("ailleurs"), own);
    EXPECT_EQ(PrivateTemporaryFolder("kalore-test"), "");

    fs::create_directory(Path("run"));
    ::chmod(Path("run").c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", Path("run").c_str(), 1);
    EXPECT_EQ(PrivateTemporaryFolder("kalore-test"), Path("run/kalore-test"));
}

} // namespace
} // namespace kalore
