#include "recordings/recording_store.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "guide/sqlite_database.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

class RecordingStoreTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, std::size_t bytes) {
        const fs::path path = records_ / name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path.string();
    }

    std::int64_t Record(RecordingStore& store, const std::string& channel, const std::string& title,
                        std::int64_t startedAt, std::vector<std::string> files) {
        const std::int64_t id = store.Begin({0,
                                             channel,
                                             title,
                                             startedAt,
                                             0,
                                             0,
                                             "Format AVI",
                                             "",
                                             "",
                                             true,
                                             true,
                                             {files.front()}});
        store.Finish(id, files, 3600, 1000, "Incomplet", "flux perdu à 20:41:03 pendant 62 s");
        return id;
    }

    testing::TempFolder folder_{"recording-store"};
    fs::path records_ = folder_.Path() / "RECORDS";
    std::string storePath_ = (folder_.Path() / "recordings.db").string();
    void SetUp() override { fs::create_directories(records_); }
};

TEST_F(RecordingStoreTest, KeepsEachRecordingFromItsStartToItsEndNewestFirst) {
    RecordingStore store(storePath_, records_.string());
    const auto first = Write("programme-07-12-2026_20-30-00.avi", 10);
    const auto part2 = Write("programme-07-12-2026_20-30-00-2.avi", 20);
    const std::int64_t older = Record(store, "France 2", "Journal", 100, {first, part2});
    const std::int64_t running =
        store.Begin({0,
                     "Arte",
                     "Arte",
                     200,
                     0,
                     0,
                     "Format AVI",
                     "",
                     "",
                     true,
                     true,
                     {Write("b.avi", 5).insert(records_.string().size(), "/.")}});

    auto list = store.List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, running);
    EXPECT_TRUE(list[0].running);
    EXPECT_FALSE(list[1].running);
    EXPECT_EQ(list[1].id, older);
    EXPECT_EQ(list[1].files, (std::vector<std::string>{first, part2}));
    EXPECT_EQ(list[1].outcome, "Incomplet");
    EXPECT_EQ(list[1].reasons, "flux perdu à 20:41:03 pendant 62 s");
    EXPECT_EQ(list[1].recordedSeconds, 3600);
    EXPECT_EQ(list[1].bytes, 1000u);

    // The path written another way is the same file: not added again from the folder.
    store.Rebuild();
    ASSERT_EQ(store.List().size(), 2u);
    EXPECT_EQ(store.List()[0].files, std::vector<std::string>{(records_ / "b.avi").string()});

    // Reopened, it holds the same, and nothing is added twice from the folder.
    store.Forget(running);
    RecordingStore again(storePath_, records_.string());
    again.Rebuild();
    list = again.List();
    ASSERT_EQ(list.size(), 2u); // b.avi, forgotten, is found again in the folder
    EXPECT_EQ(list[1].channel, "France 2");
    EXPECT_EQ(list[0].files, std::vector<std::string>{(records_ / "b.avi").string()});
}

TEST_F(RecordingStoreTest, SearchIgnoresCaseAndAccentsAndTakesWildcardsLiterally) {
    RecordingStore store(storePath_, records_.string());
    Record(store, "France 2", "Été à Montréal", 100, {Write("a.avi", 1)});
    Record(store, "TF1", "100%_news", 200, {Write("b.avi", 1)});

    EXPECT_EQ(store.List("ETE A MONT").size(), 1u);
    EXPECT_EQ(store.List("montréal").front().channel, "France 2");
    EXPECT_EQ(store.List("b.avi").front().channel, "TF1"); // the file's name too
    EXPECT_EQ(store.List("0%_").size(), 1u);
    EXPECT_EQ(store.List("x%").size(), 0u);
    EXPECT_EQ(store.List("").size(), 2u);
}

TEST_F(RecordingStoreTest, IsRebuiltFromTheRecordsFolderWhenLostOrDamaged) {
    Write("programme-01.avi", 10);
    Write("programme-01-2.avi", 20);
    Write("programme-01-3.avi", 30);
    Write("programme-01-x.avi", 1); // not a continuation
    Write("seul-2.ts", 4);          // its first part is gone: a recording of its own
    Write(".cache", 1);

    {
        RecordingStore lost(storePath_, records_.string());
        EXPECT_EQ(lost.KeptAside(), "");
        const auto list = lost.List();
        ASSERT_EQ(list.size(), 3u);
        const auto grouped = lost.List("programme-01.avi");
        ASSERT_EQ(grouped.size(), 1u);
        EXPECT_EQ(grouped[0].files.size(), 3u);
        EXPECT_EQ(grouped[0].files[2], (records_ / "programme-01-3.avi").string());
        EXPECT_EQ(grouped[0].bytes, 60u);
        EXPECT_EQ(grouped[0].title, "programme-01");
    }

    std::ofstream(storePath_, std::ios::binary | std::ios::trunc) << "pas une base SQLite";
    RecordingStore damaged(storePath_, records_.string());
    EXPECT_EQ(damaged.KeptAside(), storePath_ + ".endommagé");
    EXPECT_TRUE(fs::exists(damaged.KeptAside()));
    EXPECT_EQ(damaged.List().size(), 3u);

    // Files deleted outside Kalore leave the list at the next rebuild.
    fs::remove(records_ / "seul-2.ts");
    damaged.Rebuild();
    EXPECT_EQ(damaged.List().size(), 2u);
    fs::remove(storePath_);
    damaged.Rebuild();
    EXPECT_TRUE(fs::exists(storePath_));
    EXPECT_EQ(damaged.List().size(), 2u);

    // A store that can't be made at all says where.
    const std::string nowhere = (folder_.Path() / "absent" / "recordings.db").string();
    try {
        RecordingStore none(nowhere, records_.string());
        ADD_FAILURE() << "opened";
    } catch (const SqliteError& error) {
        EXPECT_NE(std::string(error.what()).find(nowhere), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace kalore
