#include <algorithm>
#include <csignal>
#include <sys/wait.h>

#include "platform/atomic_file.h"
#include "schedule/schedule_file_format.h"
#include "schedule_fixture.h"
#include "support/crash_at_write_step.h"

namespace kalore {
namespace {

using Files = testing::ScheduleFixture;

TEST_F(Files, EmptyAndOneEntrySchedulesAreByteExact) {
    ASSERT_TRUE(schedule_->StringGrid2File());
    EXPECT_EQ(Read(ListPath()), "7\r\n2\r\n" + std::string("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(Read(ListPath()).size(), 20u);
    EXPECT_EQ(Read(UrlPath()), "");

    ASSERT_TRUE(Add("21:00:00", "22:00:00", "07/12/2026", "Chérie 25")); // saved at once
    EXPECT_EQ(Read(ListPath()), "7\r\n3\r\nCh\xE9rie 25\r\n07/12/2026\r\n21:00:00\r\n07/12/2026\r\n"
                                "22:00:00\r\nProgramm\xE9\r\nH264\r\n" +
                                    std::string("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(Read(UrlPath()), "rtp://@232.0.1.1:8200\r\n");
}

TEST_F(Files, ReadBackGivesTheSameEntriesInOrder) {
    ASSERT_TRUE(Add("23:00:00", "23:30:00", "07/12/2026", "B"));
    ASSERT_TRUE(Add("21:00:00", "22:00:00", "07/12/2026", "A"));
    Table().SetStatus(1, kStatusIncomplete);

    testing::FakeTimer t1, t2, t3;
    Schedule next(Folder(), host_, clock_, t1, t2, t3, nullptr);
    EXPECT_EQ(next.File2StringGrid().outcome, ScheduleLoad::Loaded);
    EXPECT_EQ(next.Table().StoredRows(), Table().StoredRows());
    EXPECT_EQ(next.Table().Urls(), Table().Urls());
    EXPECT_EQ(next.Table().Cell(1, kStatusColumn), "Incomplet");
}

// The program was closed, or the machine restarted, during two recordings.
TEST_F(Files, EntriesLeftRecordingAreSettledAtStart) {
    ASSERT_TRUE(Add("21:00:00", "21:30:00", "07/12/2026", "ended"));
    ASSERT_TRUE(Add("22:00:00", "23:00:00", "07/12/2026", "under way"));
    ASSERT_TRUE(Add("23:30:00", "23:40:00", "07/12/2026", "later"));
    Table().SetStatus(1, kStatusRecording);
    Table().SetStatus(2, kStatusRecording);

    clock_.Set({2026, 12, 7, 22, 20, 0});
    testing::FakeTimer t1, t2, t3;
    std::vector<std::int64_t> launched;
    Schedule next(Folder(), host_, clock_, t1, t2, t3,
                  [&](const PendingRecording&, std::int64_t toEnd) { launched.push_back(toEnd); });
    ASSERT_EQ(next.File2StringGrid().outcome, ScheduleLoad::Loaded);
    EXPECT_EQ(next.Table().Cell(1, kStatusColumn), "Incomplet");
    EXPECT_NE(Read(ListPath()).find("Incomplet"), std::string::npos); // saved
    EXPECT_EQ(host_.notices,
              std::vector<std::string>{"L'enregistrement de « ended » du 07/12/2026 à 21:00:00 est "
                                       "incomplet : Kalore a été fermé pendant l'enregistrement."});
    next.ArmNextRecording();
    t1.FireNow();
    EXPECT_EQ(launched, std::vector<std::int64_t>{2400}); // the rest of the slot
    EXPECT_EQ(next.Table().Cell(2, kStatusColumn), "Enregistrement..");
    EXPECT_EQ(next.Table().Cell(3, kStatusColumn), "Programmé");
}

TEST_F(Files, AnOutcomeMarksOnlyItsOwnEntryWhereverItMoved) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    ASSERT_TRUE(Add("21:20:00", "21:30:00", "07/12/2026", "B"));
    ASSERT_TRUE(Add("21:40:00", "21:50:00", "07/12/2026", "C"));
    const std::uint64_t b = Table().EntryId(2);
    Table().SetStatus(2, kStatusRecording);
    Table().SetStatus(3, kStatusRecording); // started while B still records
    Table().SetSelectedRow(1);
    schedule_->DeleteSelectedEntry();
    schedule_->SetEntryStatus(b, kStatusIncomplete);
    EXPECT_EQ(Table().Cell(1, kStatusColumn), "Incomplet");
    EXPECT_EQ(Table().Cell(2, kStatusColumn), "Enregistrement..");
    Table().SetSelectedRow(1); // an "Incomplet" entry can be deleted
    schedule_->DeleteSelectedEntry();
    schedule_->SetEntryStatus(b, kStatusFinished); // gone: nothing changes
    EXPECT_EQ(Table().EntryCount(), 1);
    EXPECT_EQ(Table().Cell(1, kStatusColumn), "Enregistrement..");
}

TEST_F(Files, EitherFileMissingLoadsNothingAndSaysNothing) {
    Write(ListPath(),
          "7\r\n3\r\nA\r\n07/12/2026\r\n21:00:00\r\n07/12/2026\r\n22:00:00\r\nx\r\ny\r\n");
    EXPECT_EQ(schedule_->File2StringGrid().outcome, ScheduleLoad::NoFiles);
    EXPECT_EQ(Table().RowCount(), 2);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(Files, ShortFilesAndOddLineEnds) {
    { // shorter than its counts: missing cells are empty
        const ParsedSchedule parsed = ParseScheduleFiles("7\n4\nA\nB\n", "u1\ru2\r\nu3\n");
        ASSERT_TRUE(parsed.error.empty());
        ASSERT_EQ(parsed.rows.size(), 3u);
        EXPECT_EQ(parsed.rows[0][0], "A");
        EXPECT_EQ(parsed.rows[0][1], "B");
        EXPECT_EQ(parsed.rows[2][6], "");
        EXPECT_EQ(parsed.urls, (std::vector<std::string>{"u1", "u2", "u3"}));
    }
    { // counts with blanks around them; a lone CR in a cell is dropped; Ctrl-Z ends the file
        const ParsedSchedule parsed = ParseScheduleFiles("  7  \r\n 2\r\nT\rF1\r\n\x1A"
                                                         "rest",
                                                         "");
        ASSERT_TRUE(parsed.error.empty());
        EXPECT_EQ(parsed.rows[0][0], "TF1");
        EXPECT_EQ(parsed.rows[0][1], "");
    }
    { // a 10 MB line is one cell
        const std::string big(10 << 20, 'x');
        const ParsedSchedule parsed = ParseScheduleFiles("7\r\n3\r\n" + big + "\r\nb\r\n", "");
        ASSERT_TRUE(parsed.error.empty());
        EXPECT_EQ(parsed.rows[0][0].size(), big.size());
        EXPECT_EQ(parsed.rows[0][1], "b");
    }
}

TEST_F(Files, ImpossibleCountsAreRefused) {
    EXPECT_EQ(ParseScheduleFiles("7\r\nabc\r\n", "").error, "Saisie numérique incorrecte");
    EXPECT_EQ(ParseScheduleFiles("7x\r\n2\r\n", "").error, "Saisie numérique incorrecte");
    EXPECT_FALSE(ParseScheduleFiles("", "").error.empty());           // counts read 0
    EXPECT_FALSE(ParseScheduleFiles("8\r\n2\r\n", "").error.empty()); // not 7 columns
    EXPECT_FALSE(ParseScheduleFiles("7\r\n1\r\n", "").error.empty()); // no input row
    EXPECT_FALSE(ParseScheduleFiles("7\r\n-5\r\n", "").error.empty());
    EXPECT_FALSE(ParseScheduleFiles("7\r\n2147483647\r\n", "").error.empty());
    EXPECT_FALSE(ParseScheduleFiles("7\r\n99999999999999999999999\r\n", "").error.empty());
}

TEST_F(Files, DamagedFileIsKeptAsideBeforeAnythingOverwritesIt) {
    const std::string damaged = "7\r\n2147483647\r\nA\r\n";
    Write(ListPath(), damaged);
    Write(UrlPath(), "rtp://a\r\n");
    clock_.Set({2026, 12, 7, 20, 1, 2});
    const ScheduleLoadResult result = schedule_->File2StringGrid();
    EXPECT_EQ(result.outcome, ScheduleLoad::Damaged);
    EXPECT_EQ(result.keptCopy, ListPath() + ".damaged-20261207-200102");
    EXPECT_EQ(Read(result.keptCopy), damaged);
    EXPECT_EQ(Read(UrlPath() + ".damaged-20261207-200102"), "rtp://a\r\n");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_NE(host_.messages[0].find(result.keptCopy), std::string::npos);
    EXPECT_EQ(Table().RowCount(), 2);

    ASSERT_TRUE(Add("21:00:00", "22:00:00")); // the next save replaces the damaged file
    EXPECT_EQ(Read(result.keptCopy), damaged);
    EXPECT_EQ(Read(ListPath()).substr(0, 6), "7\r\n3\r\n");
}

// Saves come from the trigger's timer as well: failures are told in one notice,
// never a box, until a save works again; each one is logged.
TEST_F(Files, WriteFailuresAreToldOnceUntilASaveWorks) {
    const std::string message =
        "Erreur StringGrid2File, chemin **" + Folder() + "B/recordsurlist**";
    std::filesystem::remove_all(folder_.Path() / "B");
    EXPECT_FALSE(schedule_->StringGrid2File());
    EXPECT_FALSE(schedule_->StringGrid2File());
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(host_.notices, std::vector<std::string>{message});
    EXPECT_EQ(std::count(host_.log.begin(), host_.log.end(), message), 2);

    std::filesystem::create_directories(folder_.Path() / "B");
    EXPECT_TRUE(schedule_->StringGrid2File());
    std::filesystem::remove_all(folder_.Path() / "B");
    EXPECT_FALSE(schedule_->StringGrid2File());
    EXPECT_EQ(host_.notices, (std::vector<std::string>{message, message}));
}

TEST_F(Files, EveryChangeIsOnDiskWhenTheProgramIsKilled) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Add("21:00:00", "21:10:00", "07/12/2026", "A");
        Add("22:00:00", "22:10:00", "07/12/2026", "B");
        Table().SetSelectedRow(1);
        schedule_->DeleteSelectedEntry();
        Table().SetStatus(1, kStatusRecording);
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const ParsedSchedule parsed = ParseScheduleFiles(Read(ListPath()), Read(UrlPath()));
    ASSERT_TRUE(parsed.error.empty());
    ASSERT_EQ(parsed.rows.size(), 2u);
    EXPECT_EQ(parsed.rows[0][kChannelColumn], "B");
    EXPECT_EQ(parsed.rows[0][kStatusColumn], "Enregistrement..");
    EXPECT_EQ(parsed.urls.size(), 1u);
}

TEST(RecordsListCheck, OnlyAWholeFileIsTakenForASave) {
    ScheduleTable table;
    table.AppendEntry(
        {"TF1", "07/12/2026", "21:00:00", "07/12/2026", "22:00:00", kStatusProgrammed, "H264"},
        "rtp://a");
    const std::string whole = RecordsListBytes(table);
    EXPECT_TRUE(IsWholeRecordsList(whole));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(IsWholeRecordsList(whole.substr(0, size))) << size;
    }
    EXPECT_FALSE(IsWholeRecordsList(whole + "extra\r\n"));
}

class InterruptedSaves : public testing::ScheduleFixture {
protected:
    // A save of the schedule in a child process that ends at the given step.
    void AddInChildCrashingAt(AtomicWriteStep step, std::size_t index) {
        testing::WriteInChildEndingAt(step, index,
                                      [this] { Add("22:00:00", "22:10:00", "07/12/2026", "B"); });
    }
    // The program started again on the same folder.
    std::unique_ptr<Schedule> Restart() {
        auto again =
            std::make_unique<Schedule>(Folder(), host_, clock_, timer1_, timer2_, clockWatch_,
                                       [](const PendingRecording&, std::int64_t) {});
        EXPECT_EQ(again->File2StringGrid().outcome, ScheduleLoad::Loaded);
        return again;
    }
    std::string AsidePath(const std::string& path) const {
        return path + ".interrupted-20261207-200000";
    }
};

TEST_F(InterruptedSaves, ASaveCutShortBetweenTheRenamesIsFinishedAtStart) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    AddInChildCrashingAt(AtomicWriteStep::Renamed, 0);
    const auto again = Restart();
    EXPECT_EQ(again->Table().EntryCount(), 2);
    EXPECT_EQ(again->Table().Cell(2, kChannelColumn), "B");
    EXPECT_EQ(again->Table().Urls().size(), 2u);
    EXPECT_TRUE(Logged("Planning : enregistrement interrompu terminé (" + ListPath() + ")"));
    EXPECT_FALSE(std::filesystem::exists(ListPath() + ".tmp"));
}

TEST_F(InterruptedSaves, ASaveCutShortBeforeTheTableWasWrittenIsKeptAside) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    AddInChildCrashingAt(AtomicWriteStep::TemporaryWritten, 0);
    const auto again = Restart();
    EXPECT_EQ(again->Table().EntryCount(), 1);
    EXPECT_EQ(again->Table().Urls().size(), 1u);
    EXPECT_TRUE(
        Logged("Planning : enregistrement interrompu mis de côté : " + AsidePath(UrlPath())));
    EXPECT_EQ(Read(AsidePath(UrlPath())), "rtp://@232.0.1.1:8200\r\nrtp://@232.0.1.1:8200\r\n");
    EXPECT_FALSE(std::filesystem::exists(UrlPath() + ".tmp"));
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(InterruptedSaves, ATornTableTemporaryIsNeverTakenForTheSchedule) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    const std::string before = Read(ListPath());
    AddInChildCrashingAt(AtomicWriteStep::TemporaryWritten, 1);
    const std::string whole = Read(ListPath() + ".tmp");
    Write(ListPath() + ".tmp", whole.substr(0, whole.size() - 5)); // as if the disk lost the end
    const auto again = Restart();
    EXPECT_EQ(again->Table().EntryCount(), 1);
    EXPECT_EQ(Read(ListPath()), before);
    EXPECT_EQ(Read(AsidePath(ListPath())), whole.substr(0, whole.size() - 5));
    EXPECT_TRUE(host_.messages.empty());
}

} // namespace
} // namespace kalore
