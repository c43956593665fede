#include "schedule_fixture.h"

namespace kalore {
namespace {

using Entries = testing::ScheduleFixture;

const char* kLengthRefusal =
    "La durée d'enregistrement est erronée!!\rMerci de corriger les dates et heurs (début/fin).";
const char* kStartRefusal = "L'heur du début de l'enregistrement est dépassée!!\rMerci de "
                            "corriger les dates et heurs (début/fin).";
const char* kOverlapRefusal = "Le début et fin de l'enregistrement chevauche un enregistrement "
                              "existant !!\rMerci de corriger les dates et heurs (début/fin).";

TEST_F(Entries, LengthAndStartRefusalsInOrder) {
    // Now is 07/12/2026 20:00:00.
    EXPECT_FALSE(Add("21:00:00", "21:00:00")); // length 0
    EXPECT_FALSE(Add("21:00:00", "20:59:59")); // negative: the start is not checked
    EXPECT_EQ(host_.log.size(), 2u);
    EXPECT_FALSE(Add("20:00:00", "20:10:00")); // the current second
    EXPECT_EQ(host_.messages,
              (std::vector<std::string>{kLengthRefusal, kLengthRefusal, kStartRefusal}));
    EXPECT_TRUE(Logged("--Nombre de secondes de différence entre le début et la fin: -1"));
    EXPECT_TRUE(
        Logged("--Nombre de secondes de différence entre la date du début et maintenant: 0"));
    EXPECT_EQ(Table().EntryCount(), 0);

    EXPECT_TRUE(Add("20:00:01", "20:00:02")); // one second ahead, one second long
    EXPECT_EQ(Table().EntryCount(), 1);
    EXPECT_EQ(Table().Cell(1, kStatusColumn), "Programmé");
    EXPECT_EQ(Table().Cell(1, kFormatColumn), "H264");
    EXPECT_EQ(Table().Urls(), std::vector<std::string>{"rtp://@232.0.1.1:8200"});
    EXPECT_EQ(Table().Cell(2, kChannelColumn), ""); // the new input row
}

TEST_F(Entries, OverlapBoundsAreInclusive) {
    ASSERT_TRUE(Add("20:00:00", "21:00:00", "08/12/2026"));
    host_.log.clear();
    EXPECT_FALSE(Add("21:00:00", "22:00:00", "08/12/2026")); // touches the end
    EXPECT_EQ(host_.log.size(), 2u); // both lines written before the refusal
    EXPECT_FALSE(Add("19:00:00", "20:00:00", "08/12/2026")); // touches the start
    EXPECT_FALSE(Add("19:00:00", "23:00:00", "08/12/2026")); // contains it
    EXPECT_FALSE(Add("20:15:00", "20:45:00", "08/12/2026")); // inside it
    EXPECT_EQ(host_.messages, std::vector<std::string>(4, kOverlapRefusal));
    EXPECT_TRUE(Add("21:00:01", "22:00:00", "08/12/2026"));
    EXPECT_TRUE(Add("18:00:00", "19:59:59", "08/12/2026"));
    EXPECT_EQ(Table().EntryCount(), 3);
}

TEST_F(Entries, EveryStatusBlocksItsInterval) {
    ASSERT_TRUE(Add("21:00:00", "22:00:00"));
    Table().SetStatus(1, kStatusFinished);
    EXPECT_FALSE(Add("21:30:00", "21:40:00"));
    Table().SetStatus(1, kStatusRecording);
    EXPECT_FALSE(Add("21:30:00", "21:40:00"));
}

TEST_F(Entries, NoChannelSelectedStillKeepsTheListsParallel) {
    EXPECT_TRUE(schedule_->AddScheduledRecording(
        {"07/12/2026", "21:00:00", "07/12/2026", "22:00:00", "ma chaine", "", "MPEG2"}));
    EXPECT_EQ(Table().Cell(1, kChannelColumn), "ma chaine");
    EXPECT_EQ(Table().Urls(), std::vector<std::string>{""});
}

TEST_F(Entries, DamagedRowTextEndsTheAttemptWithTheRuntimeError) {
    ASSERT_TRUE(Add("21:00:00", "22:00:00"));
    auto rows = Table().StoredRows();
    rows[0][kEndTimeColumn] = "2x:00:00";
    Table().Replace(rows, Table().Urls());
    host_.messages.clear();
    EXPECT_FALSE(Add("23:00:00", "23:30:00"));
    EXPECT_EQ(host_.messages,
              std::vector<std::string>{"'2x' n'est pas une valeur entière correcte"});
    EXPECT_EQ(Table().EntryCount(), 1);
}

TEST_F(Entries, OverlapFollowsTheRowsThroughDeletesClearsAndReloads) {
    ASSERT_TRUE(Add("20:10:00", "20:20:00", "07/12/2026", "A"));
    ASSERT_TRUE(Add("21:00:00", "21:30:00", "07/12/2026", "B"));
    Table().SetSelectedRow(1);
    schedule_->DeleteSelectedEntry(); // B is row 1 now
    EXPECT_TRUE(Add("20:12:00", "20:15:00", "07/12/2026", "in A's old slot"));
    EXPECT_FALSE(Add("21:30:00", "21:40:00", "07/12/2026", "touches B"));
    schedule_->ClearAllEntries({});
    EXPECT_TRUE(Add("21:10:00", "21:20:00", "07/12/2026", "in B's old slot"));
    { // rows read from the files replace every row
        auto rows = Table().StoredRows();
        rows[0][kStartTimeColumn] = "22:00:00";
        rows[0][kEndTimeColumn] = "22:30:00";
        Table().Replace(rows, Table().Urls());
        EXPECT_TRUE(Add("21:12:00", "21:14:00"));
        EXPECT_FALSE(Add("22:30:00", "22:40:00"));
    }
}

TEST_F(Entries, DeleteSelectedEntry) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    ASSERT_TRUE(Add("22:00:00", "22:10:00", "07/12/2026", "B"));
    ASSERT_TRUE(schedule_->AddScheduledRecording(
        {"07/12/2026", "23:00:00", "07/12/2026", "23:10:00", "C", "rtp://c", "H264"}));
    { // the input row: nothing happens, nothing is shown
        Table().SetSelectedRow(4);
        schedule_->DeleteSelectedEntry();
        Table().SetSelectedRow(0);
        schedule_->DeleteSelectedEntry();
        EXPECT_EQ(Table().EntryCount(), 3);
        EXPECT_TRUE(host_.messages.empty());
    }
    { // the middle one: its URL line goes, the selection lands on the former third
        Table().SetSelectedRow(2);
        schedule_->DeleteSelectedEntry();
        EXPECT_EQ(Table().EntryCount(), 2);
        EXPECT_EQ(Table().Cell(2, kChannelColumn), "C");
        EXPECT_EQ(Table().Urls().at(1), "rtp://c");
        EXPECT_EQ(Table().SelectedRow(), 2);
    }
    { // a running entry can't be deleted; a finished one can
        Table().SetStatus(1, kStatusRecording);
        Table().SetSelectedRow(1);
        schedule_->DeleteSelectedEntry();
        EXPECT_EQ(host_.messages,
                  std::vector<std::string>{
                      "L'enregistrement sélectionné est en cours, il ne peut être arrêté!"});
        EXPECT_EQ(Table().EntryCount(), 2);
        Table().SetStatus(1, kStatusFinished);
        schedule_->DeleteSelectedEntry();
        EXPECT_EQ(Table().EntryCount(), 1);
    }
}

// A title from the guide follows its entry for the run, never into the files.
TEST_F(Entries, ProgrammeTitlesFollowTheirEntriesThroughDeletesAndClears) {
    ScheduleEntryRequest first{"07/12/2026", "21:00:00", "07/12/2026", "21:10:00",
                               "A",          "rtp://a",  "H264",       "Journal"};
    ScheduleEntryRequest second{"07/12/2026", "22:00:00", "07/12/2026", "22:10:00",
                                "B",          "rtp://b",  "H264",       "Météo"};
    ASSERT_TRUE(schedule_->AddScheduledRecording(first));
    ASSERT_TRUE(schedule_->AddScheduledRecording(second));
    ASSERT_TRUE(Add("23:00:00", "23:10:00", "07/12/2026", "C"));
    EXPECT_EQ(Table().Title(1), "Journal");
    EXPECT_EQ(Table().Title(3), "");
    EXPECT_EQ(Table().Title(4), "") << "the input row";
    Table().SetSelectedRow(1);
    schedule_->DeleteSelectedEntry();
    EXPECT_EQ(Table().Title(1), "Météo");
    EXPECT_EQ(Table().Title(2), "");
    schedule_->ClearAllEntries({});
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "A"));
    EXPECT_EQ(Table().Title(1), "");
}

TEST_F(Entries, ClearAllStopsRecordersAndDisarms) {
    int stops = 0;
    schedule_->ClearAllEntries([&stops] { ++stops; }); // empty schedule: still asks
    EXPECT_EQ(stops, 1);
    ASSERT_TRUE(Add("21:00:00", "21:10:00"));
    Table().SetStatus(1, kStatusRecording);
    ASSERT_TRUE(Add("22:00:00", "22:10:00"));
    ASSERT_TRUE(timer1_.active);
    schedule_->ClearAllEntries([] { throw std::runtime_error("no recorder"); });
    EXPECT_EQ(Table().RowCount(), 2);
    EXPECT_TRUE(Table().Urls().empty());
    EXPECT_FALSE(timer1_.active);
    EXPECT_TRUE(host_.messages.empty());
}

} // namespace
} // namespace kalore
