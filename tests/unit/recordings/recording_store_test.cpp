#include "recordings/recording_store.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "fakes.h"
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

    testing::FakeClock clock_;
    testing::TempFolder folder_{"recording-store"};
    fs::path records_ = folder_.Path() / "RECORDS";
    std::string storePath_ = (folder_.Path() / "recordings.db").string();
    void SetUp() override { fs::create_directories(records_); }
};

TEST_F(RecordingStoreTest, KeepsEachRecordingFromItsStartToItsEndNewestFirst) {
    RecordingStore store(storePath_, records_.string(), clock_);
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
    RecordingStore again(storePath_, records_.string(), clock_);
    again.Rebuild();
    list = again.List();
    ASSERT_EQ(list.size(), 2u); // b.avi, forgotten, is found again in the folder
    EXPECT_EQ(list[1].channel, "France 2");
    EXPECT_EQ(list[0].files, std::vector<std::string>{(records_ / "b.avi").string()});
}

TEST_F(RecordingStoreTest, SearchIgnoresCaseAndAccentsAndTakesWildcardsLiterally) {
    RecordingStore store(storePath_, records_.string(), clock_);
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
        RecordingStore lost(storePath_, records_.string(), clock_);
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

    // Damaged: kept aside under a stamp, the five newest copies (a copy's journal goes
    // with it); another file of the folder stays.
    std::ofstream(storePath_ + ".damaged-20200101-000000", std::ios::binary) << "vieux";
    std::ofstream(storePath_ + ".damaged-20200101-000000-wal", std::ios::binary) << "journal";
    std::ofstream(storePath_ + ".damaged-notes", std::ios::binary) << "à moi";
    for (int n = 0; n < 6; ++n) {
        std::ofstream(storePath_, std::ios::binary | std::ios::trunc) << "pas une base SQLite";
        clock_.Set({2026, 12, 7, 20, 0, n});
        RecordingStore damaged(storePath_, records_.string(), clock_);
        EXPECT_EQ(damaged.KeptAside(), storePath_ + ".damaged-20261207-20000" + std::to_string(n));
        EXPECT_EQ(damaged.List().size(), 3u);
    }
    const auto copies = [this] {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(folder_.Path())) {
            if (item.path().filename().string().starts_with("recordings.db.damaged-2")) {
                names.push_back(item.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_EQ(copies().size(), 5u);
    EXPECT_EQ(copies()[0], "recordings.db.damaged-20261207-200001");
    EXPECT_TRUE(fs::exists(storePath_ + ".damaged-notes"));

    // A store of a newer Kalore is neither opened nor set aside nor touched.
    {
        SqliteDatabase newer(storePath_, SqliteDatabase::Mode::OpenExisting);
        newer.Exec("PRAGMA user_version = 9");
    }
    const auto before = fs::last_write_time(storePath_);
    try {
        RecordingStore refused(storePath_, records_.string(), clock_);
        ADD_FAILURE() << "opened";
    } catch (const SqliteError& error) {
        EXPECT_NE(std::string(error.what()).find("version plus récente de Kalore (version 9)"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(fs::last_write_time(storePath_), before);
    EXPECT_EQ(copies().size(), 5u);
    fs::remove(storePath_);
    fs::remove(storePath_ + "-wal");

    // Files out of reach (a disk not mounted yet) mark their row, which comes back whole.
    RecordingStore store(storePath_, records_.string(), clock_);
    const std::int64_t journal =
        Record(store, "France 2", "Journal", 100, {Write("ailleurs.avi", 7)});
    fs::rename(records_ / "ailleurs.avi", folder_.Path() / "ailleurs.avi");
    store.Rebuild();
    auto row = store.List("journal");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_TRUE(row[0].missing);
    fs::rename(folder_.Path() / "ailleurs.avi", records_ / "ailleurs.avi");
    RecordingStore next(storePath_, records_.string(), clock_);
    next.Rebuild();
    row = next.List("journal");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0].id, journal);
    EXPECT_FALSE(row[0].missing);
    EXPECT_EQ(row[0].outcome, "Incomplet");
    EXPECT_EQ(row[0].channel, "France 2");

    // A store that can't be made at all says where.
    const std::string nowhere = (folder_.Path() / "absent" / "recordings.db").string();
    try {
        RecordingStore none(nowhere, records_.string(), clock_);
        ADD_FAILURE() << "opened";
    } catch (const SqliteError& error) {
        EXPECT_NE(std::string(error.what()).find(nowhere), std::string::npos) << error.what();
    }
}

TEST_F(RecordingStoreTest, ARecordingUnderWayKeepsItsRowAndItsIdWhateverBecomesOfTheStore) {
    RecordingStore store(storePath_, records_.string(), clock_);
    const std::int64_t forgotten = Record(store, "TF1", "Ancien", 50, {Write("ancien.avi", 3)});
    store.Forget(forgotten);
    const std::string file = Write("programme-02.avi", 5);
    const std::int64_t running =
        store.Begin({0, "Arte", "Le Film", 200, 0, 0, "Format AVI", "", "", true, true, {file}});
    EXPECT_GT(running, forgotten); // ids never come back

    // The store deleted during the recording, made again as the list opens: the file
    // being written is the recording under way, not a finished file to trash.
    fs::remove(storePath_);
    store.Rebuild();
    const auto titled = [&store](const std::string& title) {
        for (const RecordingEntry& entry : store.List()) {
            if (entry.title == title) {
                return entry;
            }
        }
        return RecordingEntry{};
    };
    ASSERT_EQ(store.List().size(), 2u);
    EXPECT_EQ(titled("Le Film").id, running);
    EXPECT_TRUE(titled("Le Film").running);
    EXPECT_EQ(titled("Le Film").files, std::vector<std::string>{file});
    EXPECT_GT(titled("ancien").id, running);

    // Its end reaches its own row, never another.
    store.Finish(running, {file, Write("programme-02-2.avi", 6)}, 3600, 11, "Terminé", "");
    ASSERT_EQ(store.List().size(), 2u);
    EXPECT_EQ(titled("Le Film").outcome, "Terminé");
    EXPECT_EQ(titled("Le Film").files.size(), 2u);
    EXPECT_EQ(titled("ancien").outcome, "");
    EXPECT_EQ(titled("ancien").files, std::vector<std::string>{(records_ / "ancien.avi").string()});
}

TEST_F(RecordingStoreTest, ThePartsOfARecordingCutByACrashJoinItAndItsOutcome) {
    const std::string first = (records_ / "programme-03.avi").string();
    std::int64_t id = 0;
    {
        RecordingStore killed(storePath_, records_.string(), clock_);
        id = killed.Begin(
            {0, "M6", "Le Match", 300, 0, 0, "Format AVI", "", "", true, true, {first}});
        Write("programme-03.avi", 10);
        Write("programme-03-2.avi", 20); // after an outage, before the kill
    }
    RecordingStore store(storePath_, records_.string(), clock_);
    store.Rebuild();
    // Record now beside an earlier file is a recording of its own.
    const std::string beside = Write("programme-03-4.avi", 1);
    const std::int64_t now =
        store.Begin({0, "", "M6", 400, 0, 0, "Format AVI", "", "", false, true, {beside}});
    EXPECT_NE(now, id);
    store.Forget(now);
    fs::remove(beside);

    const std::string rest = (records_ / "programme-03-3.avi").string();
    EXPECT_EQ(
        store.Begin({0, "M6", "Le Match", 900, 0, 0, "Format AVI", "", "", true, true, {rest}}),
        id);
    Write("programme-03-3.avi", 30);
    store.Finish(id, {rest}, 600, 30, "Incomplet", "Kalore fermé pendant l'enregistrement");
    const auto list = store.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].files,
              (std::vector<std::string>{first, (records_ / "programme-03-2.avi").string(), rest}));
    EXPECT_EQ(list[0].outcome, "Incomplet");
    EXPECT_EQ(list[0].bytes, 60u);
    EXPECT_EQ(list[0].startedAt, 300);
}

} // namespace
} // namespace kalore
