#include "platform/atomic_file.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/crash_at_write_step.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

class AtomicFiles : public ::testing::Test {
protected:
    static std::string Read(const std::string& path) {
        std::string content;
        return ReadWholeFile(path, content) ? content : "<missing>";
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Writes the new pair in a child that ends at the given step.
    void WriteNewPairCrashingAt(AtomicWriteStep step, std::size_t index) {
        testing::WriteInChildEndingAt(step, index, [this] {
            WriteFilesAtomically({{a_, "new a"}, {b_, "new b"}});
        });
    }

    InterruptedWrite Finish() {
        return FinishInterruptedWrite(
            {a_, b_}, [](std::string_view bytes) { return bytes == "new b"; }, ".aside");
    }

    const testing::TempFolder folder_{"kalore-atomic"};
    const std::string a_ = (folder_.Path() / "a").string();
    const std::string b_ = (folder_.Path() / "b").string();
};

TEST_F(AtomicFiles, WritesTheSetAndLeavesNoTemporaries) {
    ASSERT_TRUE(WriteFilesAtomically({{a_, "new a"}, {b_, "new b"}}).ok());
    EXPECT_EQ(Read(a_), "new a");
    EXPECT_EQ(Read(b_), "new b");
    EXPECT_FALSE(fs::exists(a_ + ".tmp"));
    EXPECT_FALSE(fs::exists(b_ + ".tmp"));
    const InterruptedWrite nothing = Finish();
    EXPECT_FALSE(nothing.completed);
    EXPECT_TRUE(nothing.keptAside.empty());
    EXPECT_TRUE(nothing.error.empty());
}

TEST_F(AtomicFiles, AWriteCutShortAtAnyStepLeavesOneWholeSet) {
    { // before the last temporary exists: the old pair stays, the first one is kept
        Write(a_, "old a");
        Write(b_, "old b");
        WriteNewPairCrashingAt(AtomicWriteStep::TemporaryWritten, 0);
        const InterruptedWrite finished = Finish();
        EXPECT_FALSE(finished.completed);
        EXPECT_EQ(finished.keptAside, std::vector<std::string>{a_ + ".aside"});
        EXPECT_EQ(Read(a_ + ".aside"), "new a");
        EXPECT_EQ(Read(a_), "old a");
        EXPECT_EQ(Read(b_), "old b");
        fs::remove(a_ + ".aside");
    }
    { // both temporaries whole, nothing renamed: finished
        Write(a_, "old a");
        Write(b_, "old b");
        WriteNewPairCrashingAt(AtomicWriteStep::TemporaryWritten, 1);
        EXPECT_TRUE(Finish().completed);
        EXPECT_EQ(Read(a_), "new a");
        EXPECT_EQ(Read(b_), "new b");
    }
    { // between the two renames, the pair out of step on disk: finished
        Write(a_, "old a");
        Write(b_, "old b");
        WriteNewPairCrashingAt(AtomicWriteStep::Renamed, 0);
        ASSERT_EQ(Read(a_), "new a");
        ASSERT_EQ(Read(b_), "old b");
        const InterruptedWrite finished = Finish();
        EXPECT_TRUE(finished.completed);
        EXPECT_TRUE(finished.error.empty());
        EXPECT_EQ(Read(b_), "new b");
    }
    EXPECT_FALSE(fs::exists(a_ + ".tmp"));
    EXPECT_FALSE(fs::exists(b_ + ".tmp"));
}

TEST_F(AtomicFiles, ACutShortLastTemporaryIsKeptAsideNeverTaken) {
    { // no rename yet: the old pair stays whole
        Write(a_, "old a");
        Write(b_, "old b");
        Write(a_ + ".tmp", "new a");
        Write(b_ + ".tmp", "new");
        const InterruptedWrite finished = Finish();
        EXPECT_FALSE(finished.completed);
        EXPECT_TRUE(finished.error.empty());
        EXPECT_EQ(finished.keptAside.size(), 2u);
        EXPECT_EQ(Read(b_), "old b");
        EXPECT_EQ(Read(b_ + ".aside"), "new");
    }
    { // the first file already renamed: out of step, and said so
        Write(b_ + ".tmp", "new");
        const InterruptedWrite finished = Finish();
        EXPECT_FALSE(finished.completed);
        EXPECT_FALSE(finished.error.empty());
        EXPECT_EQ(Read(b_ + ".aside"), "new");
    }
}

TEST_F(AtomicFiles, ALastTemporaryLeftByAFailedWriteNeverVouchesForANewOne) {
    Write(a_, "old a");
    Write(b_, "old b");
    Write(b_ + ".tmp", "new b"); // whole, from an earlier write whose renames failed
    WriteNewPairCrashingAt(AtomicWriteStep::TemporaryWritten, 0);
    EXPECT_FALSE(Finish().completed);
    EXPECT_EQ(Read(a_), "old a");
    EXPECT_EQ(Read(b_), "old b");
}

TEST_F(AtomicFiles, ReadWholeFileReadsEveryByte) {
    const std::string big(200001, 'x');
    Write(a_, big);
    EXPECT_EQ(Read(a_), big);
    Write(b_, "");
    std::string content = "stale";
    EXPECT_TRUE(ReadWholeFile(b_, content));
    EXPECT_EQ(content, "");
    // A file whose size says 0 still gives what it holds.
    EXPECT_TRUE(ReadWholeFile("/proc/self/status", content));
    EXPECT_NE(content.find("Pid:"), std::string::npos);
    EXPECT_FALSE(ReadWholeFile((folder_.Path() / "missing").string(), content));
    // A FIFO with no writer, or a link to one, would hold the open for ever: refused
    // at once, as a temporary of that name is never written through.
    const std::string fifo = (folder_.Path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = (folder_.Path() / "link").string();
    fs::create_symlink(fifo, link);
    EXPECT_FALSE(ReadWholeFile(fifo, content));
    EXPECT_FALSE(ReadWholeFile(link, content));
    EXPECT_FALSE(ReadFileStart(link, content, 10));
    ASSERT_EQ(::mkfifo((a_ + ".tmp").c_str(), 0600), 0);
    EXPECT_FALSE(WriteFilesAtomically({{a_, "x"}, {b_, "y"}}).ok());
}

} // namespace
} // namespace kalore
