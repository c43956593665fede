#include "schedule_fixture.h"

namespace kalore {
namespace {

using Trigger = testing::ScheduleFixture;

const std::string kDollars(64, '$');

ScheduleRow Row(const std::string& channel, const std::string& start, const std::string& end,
                const std::string& status = kStatusProgrammed) {
    return {channel, "07/12/2026", start, "07/12/2026", end, status, "H264"};
}

TEST_F(Trigger, EmptyScheduleSwitchesTheTimerOff) {
    schedule_->ArmNextRecording();
    EXPECT_EQ(host_.log,
              (std::vector<std::string>{
                  kDollars, "$$$$* Acun enregistrement ne sera programmé",
                  "*** Aucun enregistrement ne sera programmé, timer désactivé!", kDollars}));
    EXPECT_FALSE(timer1_.active);
}

TEST_F(Trigger, LaunchesAtTheStartSecondAndNeverBefore) {
    ASSERT_TRUE(Add("20:01:30", "20:11:30")); // 90 s ahead, 600 s long
    EXPECT_TRUE(Logged("** Record: **07/12/2026**/**20:01:30** Reste (s) pour commencer: 90"));
    EXPECT_TRUE(Logged("$$$$*** la ligen prochaine a enregistrer: 1"));
    EXPECT_TRUE(Logged("!!positionGridProchainRecord: 1"));
    EXPECT_TRUE(Logged("Timer set à: 90000"));
    ASSERT_TRUE(timer1_.active);
    EXPECT_LE(timer1_.interval, kTriggerStepMs);

    clock_.Set({2026, 12, 7, 20, 1, 29}); // a timer firing early launches nothing
    timer1_.FireNow();
    EXPECT_TRUE(started_.empty());
    EXPECT_TRUE(timer1_.active);
    EXPECT_EQ(timer1_.interval, 1000u);
    clock_.milliseconds = 400; // the last wait ends on the start second
    timer1_.FireNow();
    EXPECT_TRUE(started_.empty());
    EXPECT_EQ(timer1_.interval, 600u);

    clock_.Set({2026, 12, 7, 20, 1, 30});
    clock_.milliseconds = 0;
    host_.log.clear();
    timer1_.FireNow();
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_EQ(started_[0].Channel, "TF1");
    EXPECT_EQ(started_[0].Url, "rtp://@232.0.1.1:8200");
    EXPECT_EQ(started_[0].positionGridProchainRecord, 1);
    EXPECT_EQ(started_[0].Duration, "600");
    EXPECT_EQ(started_[0].StartDate, "07/12/2026");
    EXPECT_EQ(started_[0].StartTime, "20:01:30");
    EXPECT_EQ(started_[0].Format, "H264");
    EXPECT_EQ(Table().Cell(1, kStatusColumn), "Enregistrement..");
    EXPECT_NE(Read(ListPath()).find("Enregistrement.."), std::string::npos); // saved
    EXPECT_TRUE(timer2_.active);
    EXPECT_EQ(timer2_.interval, 600000u);
    const std::vector<std::string> launchLines(host_.log.begin(), host_.log.begin() + 9);
    EXPECT_EQ(launchLines,
              (std::vector<std::string>{std::string(64, '*'), "L'enregistrement va commencer",
                                        "Chaine: TF1", "URL: rtp://@232.0.1.1:8200",
                                        "Position de l'enregistrement dans la liste: 1",
                                        "Durée: 600", "Date début/Heur début: 07/12/2026/20:01:30",
                                        "++ Timer 2 est set à: 600", std::string(64, '*')}));
    EXPECT_TRUE(Logged("*** Aucun enregistrement ne sera programmé, timer désactivé!"));
    EXPECT_FALSE(timer1_.active);
}

TEST_F(Trigger, PicksTheSoonestAndRearmsAfterChanges) {
    ASSERT_TRUE(Add("22:00:00", "22:10:00", "07/12/2026", "A"));
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "B")); // lower row, earlier start
    EXPECT_EQ(schedule_->Trigger().Pending().Channel, "B");
    EXPECT_EQ(schedule_->Trigger().Pending().positionGridProchainRecord, 2);

    Table().SetSelectedRow(2); // deleting the armed entry moves on to the next
    schedule_->DeleteSelectedEntry();
    EXPECT_EQ(schedule_->Trigger().Pending().Channel, "A");
    EXPECT_TRUE(timer1_.active);
    Table().SetSelectedRow(1);
    schedule_->DeleteSelectedEntry();
    EXPECT_FALSE(timer1_.active);
}

TEST_F(Trigger, TiesGoToTheUpperRowAndPassedSlotsAreMissed) {
    Table().Replace({Row("upper", "21:00:00", "21:10:00"), Row("lower", "21:00:00", "21:20:00"),
                     Row("passed", "19:00:00", "19:10:00"), ScheduleRow{}},
                    {"u1", "u2", "u3"});
    schedule_->ArmNextRecording();
    EXPECT_EQ(schedule_->Trigger().Pending().Channel, "upper");
    EXPECT_EQ(Table().Cell(3, kStatusColumn), kStatusMissed);
    clock_.Set({2026, 12, 7, 21, 0, 0});
    timer1_.FireNow();
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_EQ(started_[0].Channel, "upper");
    EXPECT_FALSE(timer1_.active); // "lower" has 0 s left: never launched
    EXPECT_EQ(Table().Cell(2, kStatusColumn), "Programmé");
}

TEST_F(Trigger, LongWaitsAndClockChangesNeverLaunchEarly) {
    ASSERT_TRUE(Add("20:00:00", "21:00:00", "05/02/2027")); // 60 days ahead
    EXPECT_TRUE(Logged("Timer set à: 5184000000"));
    EXPECT_LE(timer1_.interval, kTriggerStepMs);
    for (int i = 0; i < 5; ++i) {
        timer1_.FireNow();
    }
    clock_.Set({2027, 2, 5, 19, 59, 59});
    timer1_.FireNow();
    clock_.Set({2027, 2, 5, 19, 0, 0}); // the clock went back an hour
    timer1_.FireNow();
    EXPECT_TRUE(started_.empty());
    clock_.Set({2027, 2, 5, 20, 0, 1}); // woke from suspend after the start
    timer1_.FireNow();
    EXPECT_EQ(started_.size(), 1u);
}

TEST_F(Trigger, ASlotUnderWayIsRecordedForItsRestAndAPassedOneNever) {
    { // started ten minutes ago, ends in twenty: launched at once, until its end
        Table().Replace({Row("running", "19:50:00", "20:20:00"), ScheduleRow{}}, {"u1"});
        schedule_->ArmNextRecording();
        EXPECT_TRUE(
            Logged("** Record: **07/12/2026**/**19:50:00** Reste (s) pour commencer: -600"));
        EXPECT_TRUE(Logged("Timer set à: 0"));
        timer1_.FireNow();
        ASSERT_EQ(started_.size(), 1u);
        EXPECT_EQ(secondsToEnd_[0], 1200);
        EXPECT_TRUE(Logged("Durée: 1800"));
        EXPECT_TRUE(Logged("++ Timer 2 est set à: 1200"));
        EXPECT_EQ(timer2_.interval, 1200000u);
        EXPECT_EQ(Table().Cell(1, kStatusColumn), kStatusRecording);
    }
    { // while it records, another entry under way (an edited file) waits its turn
        Table().Replace({Row("running", "19:50:00", "20:20:00", kStatusRecording),
                         Row("overlap", "19:55:00", "20:30:00"), ScheduleRow{}},
                        {"u1", "u2"});
        schedule_->ArmNextRecording();
        EXPECT_FALSE(timer1_.active);
    }
    { // ended before the program started: never launched, "Manqué", told once
        Table().Replace({Row("gone", "19:00:00", "19:30:00"), Row("also", "18:00:00", "18:30:00"),
                         ScheduleRow{}},
                        {"u1", "u2"});
        started_.clear();
        std::vector<std::string> tray;
        schedule_->Trigger().onMissed = [&tray](const std::string& text) {
            tray.push_back(text);
        };
        schedule_->ArmNextRecording();
        schedule_->ArmNextRecording();
        EXPECT_FALSE(timer1_.active);
        EXPECT_EQ(Table().Cell(1, kStatusColumn), kStatusMissed);
        EXPECT_EQ(Table().Cell(2, kStatusColumn), kStatusMissed);
        EXPECT_NE(Read(ListPath()).find("Manqu\xE9"), std::string::npos); // saved
        const std::string told =
            "L'enregistrement de « gone » du 07/12/2026 à 19:00:00 est manqué : son créneau est "
            "passé sans enregistrement.\nL'enregistrement de « also » du 07/12/2026 à 18:00:00 "
            "est manqué : son créneau est passé sans enregistrement.";
        EXPECT_EQ(host_.notices, std::vector<std::string>{told});
        EXPECT_EQ(tray, std::vector<std::string>{told});
        EXPECT_TRUE(host_.messages.empty());
        { // a schedule left for months: one save, and the notice names ten
            std::vector<ScheduleRow> rows;
            std::vector<std::string> urls;
            for (int day = 1; day <= 12; ++day) {
                rows.push_back({"old", (day < 10 ? "0" : "") + std::to_string(day) + "/11/2026",
                                "20:00:00",
                                (day < 10 ? "0" : "") + std::to_string(day) + "/11/2026",
                                "21:00:00", kStatusProgrammed, "H264"});
                urls.push_back("u");
            }
            rows.push_back(ScheduleRow{});
            Table().Replace(rows, urls);
            int saves = 0;
            Table().SetPersistence([&saves] { ++saves; });
            schedule_->ArmNextRecording();
            EXPECT_EQ(saves, 1);
            EXPECT_NE(host_.notices.back().find("\n… et 2 autres enregistrements manqués."),
                      std::string::npos);
            EXPECT_EQ(Table().Cell(12, kStatusColumn), kStatusMissed);
            Table().SetPersistence({}); // `saves` ends with this block
            Table().Replace({Row("gone", "19:00:00", "19:30:00", kStatusMissed),
                             Row("also", "18:00:00", "18:30:00", kStatusMissed), ScheduleRow{}},
                            {"u1", "u2"});
        }
        Table().SetSelectedRow(1); // deleted like any other ended entry
        schedule_->DeleteSelectedEntry();
        EXPECT_EQ(Table().RowCount(), 3);
    }
}

TEST_F(Trigger, AClockJumpLaunchesTheRestOfASlotButNeverPastItsEnd) {
    ASSERT_TRUE(Add("21:00:00", "21:30:00", "07/12/2026", "jumped over"));
    ASSERT_TRUE(Add("22:00:00", "22:30:00", "07/12/2026", "jumped into"));
    clock_.Set({2026, 12, 7, 21, 45, 0}); // past the whole first slot
    timer1_.FireNow();
    EXPECT_TRUE(started_.empty());
    EXPECT_TRUE(Logged(
        "$$$$ Fin dépassée, l'enregistrement de la ligne 1 n'est pas lancé: 07/12/2026/21:30:00"));
    EXPECT_EQ(Table().Cell(1, kStatusColumn), kStatusMissed);
    EXPECT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(schedule_->Trigger().Pending().Channel, "jumped into");

    clock_.Set({2026, 12, 7, 22, 10, 0}); // into the second slot
    timer1_.FireNow();
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_EQ(started_[0].Channel, "jumped into");
    EXPECT_EQ(secondsToEnd_[0], 1200);
}

// A slot's length is the real time between its start and its end, on both changes:
// the length timer and the recorder get the real seconds.
TEST_F(Trigger, ASlotAcrossAClockChangeLastsItsRealTime) {
    const testing::ParisTime paris;
    const auto slot = [this](const std::string& date, const std::string& start,
                             const std::string& end) {
        Table().Replace({{"A", date, start, date, end, kStatusProgrammed, "H264"}, ScheduleRow{}},
                        {"u"});
        schedule_->ArmNextRecording();
        return schedule_->Trigger().Pending().Duration;
    };
    { // October 2026: the clock goes back at 03:00, so 01:30 to 03:30 lasts three hours
        clock_.Set({2026, 10, 25, 1, 0, 0});
        EXPECT_EQ(slot("25/10/2026", "01:30:00", "03:30:00"), "10800");
        clock_.Set({2026, 10, 25, 1, 30, 0});
        timer1_.FireNow();
        ASSERT_EQ(secondsToEnd_.size(), 1u);
        EXPECT_EQ(secondsToEnd_.back(), 10800);
        EXPECT_EQ(timer2_.interval, 10800000u);
    }
    { // the hour shown twice: 02:00 to 03:00 starts at the first 02:00 and covers both
        clock_.Set({2026, 10, 25, 1, 59, 0});
        EXPECT_EQ(slot("25/10/2026", "02:00:00", "03:00:00"), "7200");
        clock_.Advance(59);
        timer1_.FireNow();
        EXPECT_EQ(secondsToEnd_.size(), 1u); // a second early: nothing
        clock_.Advance(1);
        timer1_.FireNow();
        ASSERT_EQ(secondsToEnd_.size(), 2u);
        EXPECT_EQ(secondsToEnd_.back(), 7200);
    }
    { // March 2027: the clock skips 02:00 to 03:00, so 01:30 to 03:30 lasts an hour, and
      // a start in the skipped hour is the moment of the skip
        clock_.Set({2027, 3, 28, 1, 0, 0});
        EXPECT_EQ(slot("28/03/2027", "01:30:00", "03:30:00"), "3600");
        EXPECT_EQ(slot("28/03/2027", "02:30:00", "04:00:00"), "3600");
        clock_.Set({2027, 3, 28, 3, 0, 0});
        timer1_.FireNow();
        ASSERT_EQ(secondsToEnd_.size(), 3u);
        EXPECT_EQ(secondsToEnd_.back(), 3600);
    }
}

// Started with the clock two hours ahead: a slot still to come looked over. It is not
// declared missed until the clock is trusted, and once declared under a wrong clock,
// it is "Programmé" again and recorded when the clock is put right.
TEST_F(Trigger, ASlotIsMissedOnlyWhenTrueAndComesBackWhenTheClockIsPutRight) {
    testing::FakeTimer startTimer, lengthTimer, watch;
    int launches = 0;
    clock_.Set({2026, 12, 7, 22, 0, 0}); // truly 20:00
    Schedule fresh(Folder(), host_, clock_, startTimer, lengthTimer, watch,
                   [&launches](const PendingRecording&, std::int64_t) { ++launches; });
    fresh.Table().Replace(
        {Row("film", "20:30:00", "21:30:00"),
         {"old", "01/12/2026", "20:00:00", "01/12/2026", "21:00:00", kStatusProgrammed, "H264"},
         ScheduleRow{}},
        {"u1", "u2"});
    fresh.ArmNextRecording();
    EXPECT_EQ(fresh.Table().Cell(1, kStatusColumn), kStatusProgrammed); // not trusted yet
    EXPECT_EQ(fresh.Table().Cell(2, kStatusColumn), kStatusMissed);     // ended days ago
    for (int look = 1; look < kClockSettleLooks; ++look) {
        watch.FireNow();
    }
    EXPECT_EQ(fresh.Table().Cell(1, kStatusColumn), kStatusProgrammed);
    watch.FireNow(); // two minutes on: the clock is trusted, even when it is wrong
    EXPECT_EQ(fresh.Table().Cell(1, kStatusColumn), kStatusMissed);

    clock_.Set({2026, 12, 7, 20, 2, 0}); // network time puts it right
    watch.FireNow();
    EXPECT_EQ(fresh.Table().Cell(1, kStatusColumn), kStatusProgrammed);
    EXPECT_EQ(fresh.Table().Cell(2, kStatusColumn), kStatusMissed);
    EXPECT_TRUE(
        Logged("-- Créneau de nouveau à venir, l'horloge a été corrigée : ligne 1 Programmé"));
    EXPECT_NE(Read(ListPath()).find("Programm\xE9"), std::string::npos); // saved
    clock_.Set({2026, 12, 7, 20, 30, 0});
    startTimer.FireNow();
    EXPECT_EQ(launches, 1);
}

// The status is saved before the launch: a save that fails (read-only or full
// disk) is told once and the recording still starts; a tick under the launch (a
// box's own loop) launches nothing twice.
TEST_F(Trigger, ALaunchNeverWaitsOnItsSaveNorRunsTwice) {
    int launches = 0;
    Schedule schedule(Folder(), host_, clock_, timer1_, timer2_, clockWatch_,
                      [&](const PendingRecording&, std::int64_t) {
                          ++launches;
                          timer1_.FireNow();
                          timer1_.FireNow();
                      });
    ASSERT_TRUE(schedule.AddScheduledRecording(
        {"07/12/2026", "20:00:05", "07/12/2026", "20:10:00", "A", "u1", "H264"}));
    ASSERT_TRUE(schedule.AddScheduledRecording(
        {"07/12/2026", "20:10:01", "07/12/2026", "20:20:00", "B", "u2", "H264"}));
    std::filesystem::remove_all(folder_.Path() / "B");
    for (int second = 5; second < 15; ++second) {
        clock_.Set({2026, 12, 7, 20, 0, second});
        timer1_.FireNow();
    }
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(schedule.Table().Cell(1, kStatusColumn), kStatusRecording);
    EXPECT_EQ(host_.notices.size(), 1u);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(schedule.Trigger().Pending().Channel, "B");
}

TEST_F(Trigger, AFailureLeavesTheTriggerOff) {
    ASSERT_TRUE(Add("21:00:00", "21:10:00", "07/12/2026", "good"));
    ASSERT_TRUE(timer1_.active);
    { // a URL list shorter than the table
        Table().Replace(
            {Table().StoredRows()[0], Row("no url", "20:30:00", "20:40:00"), ScheduleRow{}},
            {"u1"});
        schedule_->ArmNextRecording();
        EXPECT_FALSE(timer1_.active);
        EXPECT_FALSE(schedule_->Trigger().IsArmed());
        EXPECT_EQ(schedule_->Trigger().Pending().Channel, "good"); // not half-refilled
        timer1_.FireNow();                                         // a stray tick launches nothing
        EXPECT_TRUE(started_.empty());
    }
    { // a damaged start time
        Table().Replace({Row("bad", "2x:00:00", "21:10:00"), ScheduleRow{}}, {"u1"});
        schedule_->ArmNextRecording();
        EXPECT_FALSE(timer1_.active);
        EXPECT_TRUE(host_.messages.empty());
    }
}

} // namespace
} // namespace kalore
