#include "recorder/recording_controller.h"

#include <signal.h>

#include <algorithm>
#include <chrono>

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "fakes/queue_main_thread.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
using testing::FakeHost;
using testing::FakeTimer;
using testing::QueueMainThread;

const std::string kFakeRecorder = KALORE_TEST_DATA_DIR "/recorder/fake-recorder.sh";
const std::string kPlus(67, '+');

class RecordingControllerTest : public ::testing::Test {
protected:
    RecorderSettings Settings() {
        return {[this] { return playerPath; },
                [] { return std::string("Kalore 1.1"); },
                "/opt/kalore/",
                "https://maker.example",
                "https://maker.example/memoire",
                [this] {
                    ++markings;
                }};
    }

    bool LogHas(const std::string& line) {
        return std::find(host.log.begin(), host.log.end(), line) != host.log.end();
    }
    bool PumpUntilLogged(const std::string& line) {
        return mainThread.PumpUntil([&] { return LogHas(line); });
    }
    std::vector<std::string> LogFrom(const std::string& first) {
        auto start = std::find(host.log.begin(), host.log.end(), first);
        return {start, host.log.end()};
    }
    static std::string Id(const MonThread* thread) { return std::to_string(thread->ThreadID()); }

    void TearDown() override {
        // As at exit: no hand-off can wait on the test thread any more.
        mainThread.Shutdown();
    }

    std::string playerPath = kFakeRecorder;
    int markings = 0;
    FakeHost host;
    QueueMainThread mainThread;
    FakeTimer timer2;
    RecordingController controller{Settings(), host, mainThread, timer2};
};

TEST_F(RecordingControllerTest, TimedH264JobEndedByTheTimerLogsInOrderAndMarksRows) {
    controller.StartScheduledRecording("France 2", "print", "1", "60", "07/12/2026", "20:30:00",
                                       kFormatH264);
    MonThread* thread = controller.ProgrammedThread();
    const std::string id = Id(thread);
    EXPECT_EQ(thread->Job().OutputFile, "/opt/kalore//RECORDS/programme-07-12-2026_20-30-00.avi");
    ASSERT_TRUE(PumpUntilLogged("|||ligne un\r\nligne deux|||"));
    EXPECT_EQ(host.titles.back(), "Recording..");

    timer2.Start(60000);
    controller.Timer2Timer();
    EXPECT_FALSE(timer2.IsActive());
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + id));
    mainThread.PumpFor(50ms);

    EXPECT_EQ(LogFrom("++ Timer termine le thread.. Test de terminer le ID thread: " + id),
              (std::vector<std::string>{
                  "++ Timer termine le thread.. Test de terminer le ID thread: " + id,
                  "--TH2 a été arrété dans rundos depuis le thread id: " + id,
                  "++++ TERIMINEEEEE ++++", kPlus, "Enregistrement terminé de : print ..", kPlus,
                  "++++ fin encodage ++++", "fin thread affiché dans le thread!! id: " + id}));
    EXPECT_EQ(host.log.front(), "$$bug crev: chaine **France 2** url **print**");
    EXPECT_EQ(host.log[1], "ID thread: " + id);
    EXPECT_EQ(host.log[2], "++++ début d'encodage ++++durée*60** position: **1");
    EXPECT_EQ(markings, 1);
    EXPECT_EQ(thread->Job(), (RecordingJob{"-1", "-1", "-1", "-1", "-1", "-1"}));
    EXPECT_EQ(host.titles.back(), "Kalore 1.1");
    EXPECT_EQ(thread->RecorderMode(), "");
}

TEST_F(RecordingControllerTest, WrongPlayerPathReportsTheProcessErrorAndStillCloses) {
    playerPath = "/nonexistent/vlc";
    controller.StartScheduledRecording("C", "udp://@x", "2", "30", "01/01/2027", "10:00:00",
                                       kFormatH264);
    ASSERT_TRUE(PumpUntilLogged("++++ fin encodage ++++"));
    EXPECT_EQ(LogFrom("Erreur de processus, merci de signaler cette erreur avec votre "
                      "configuration à https://maker.example"),
              (std::vector<std::string>{"Erreur de processus, merci de signaler cette erreur avec "
                                        "votre configuration à https://maker.example",
                                        "++++ TERIMINEEEEE ++++", kPlus,
                                        "Enregistrement terminé de : udp://@x ..", kPlus,
                                        "++++ fin encodage ++++"}));
    EXPECT_EQ(markings, 1);
    controller.Timer2Timer();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " +
                                Id(controller.ProgrammedThread())));
    mainThread.PumpFor(30ms);
    EXPECT_FALSE(std::any_of(host.log.begin(), host.log.end(),
                             [](const std::string& l) { return l.rfind("--TH2", 0) == 0; }));
}

TEST_F(RecordingControllerTest, RecordNowSwapsButtonsAndStopResetsTheJob) {
    EXPECT_TRUE(controller.Button4Enabled());
    controller.Button4Click("print", kFormatH264, "/tmp/x.avi");
    EXPECT_FALSE(controller.Button4Enabled());
    EXPECT_TRUE(controller.Button9Enabled());
    MonThread* thread = controller.RecordNowThread();
    EXPECT_EQ(thread->RecorderMode(), "record tv");
    ASSERT_TRUE(PumpUntilLogged("|||ligne un\r\nligne deux|||"));

    controller.Button9Click();
    EXPECT_TRUE(controller.Button4Enabled());
    EXPECT_EQ(thread->Job(), (RecordingJob{"-1", "-1", "-1", "-1", "-1", "-1"}));
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(thread)));
    EXPECT_TRUE(LogHas("Test de terminer le ID thread: " + Id(thread)));
    EXPECT_TRUE(LogHas("Enregistrement normal de : print .."));
    EXPECT_EQ(markings, 0);
}

TEST_F(RecordingControllerTest, ChildEndingByItselfLeavesTheThreadWaitingForItsStop) {
    controller.Button4Click("quick", kFormatHighQuality, "/tmp/x.avi");
    MonThread* thread = controller.RecordNowThread();
    ASSERT_TRUE(PumpUntilLogged("++++ fin encodage ++++"));
    // The output ended with the child, so the reader ended and put the title back.
    ASSERT_TRUE(mainThread.PumpUntil(
        [&] { return std::count(host.titles.begin(), host.titles.end(), "Kalore 1.1") == 2; }));
    EXPECT_TRUE(LogHas("|||fini|||"));
    mainThread.PumpFor(150ms);
    EXPECT_FALSE(thread->Finished());
    EXPECT_FALSE(LogHas("fin thread affiché dans le thread!! id: " + Id(thread)));

    controller.Button9Click();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(thread)));
}

TEST_F(RecordingControllerTest, OutputStillInThePipeWhenTheChildEndsIsShown) {
    // Several pipe buffers' worth, written just before the child ends: the end
    // of it is still unread when the child has gone.
    controller.Button4Click("last300000", kFormatH264, "/tmp/x.avi");
    ASSERT_TRUE(mainThread.PumpUntil(
        [&] { return std::count(host.titles.begin(), host.titles.end(), "Kalore 1.1") == 2; }));
    std::size_t shown = 0;
    for (const std::string& line : host.log) {
        if (line.starts_with("|||x")) {
            shown += line.size() - 6;
        }
    }
    EXPECT_EQ(shown, 300000u);
    controller.Button9Click();
}

TEST_F(RecordingControllerTest, RecordNowAndProgrammedRecordingStopIndependently) {
    controller.Button4Click("sleep", kFormatH264, "/tmp/a.avi");
    controller.StartScheduledRecording("C", "sleep", "1", "60", "07/12/2026", "20:30:00",
                                       kFormatH264);
    MonThread* now = controller.RecordNowThread();
    MonThread* programmed = controller.ProgrammedThread();
    ASSERT_NE(now, programmed);
    mainThread.PumpFor(200ms);

    controller.Timer2Timer();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(programmed)));
    EXPECT_EQ(now->RecorderMode(), "record tv");
    EXPECT_FALSE(now->Finished());

    controller.Button9Click();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(now)));
}

TEST_F(RecordingControllerTest, ClearingTheScheduleStopsBothRecordings) {
    controller.Button4Click("sleep", kFormatH264, "/tmp/a.avi");
    controller.StartScheduledRecording("C", "sleep", "1", "60", "07/12/2026", "20:30:00",
                                       kFormatHighQuality);
    mainThread.PumpFor(150ms);
    controller.StopAllRecordings();
    ASSERT_TRUE(mainThread.PumpUntil([&] {
        return controller.RecordNowThread()->Finished() &&
               controller.ProgrammedThread()->Finished();
    }));
}

TEST_F(RecordingControllerTest, UnsafeAddressIsRefusedWithoutStartingAChild) {
    controller.Button4Click("--extraintf=http", kFormatH264, "/tmp/a.avi");
    ASSERT_TRUE(PumpUntilLogged("++++ fin encodage ++++"));
    EXPECT_TRUE(
        LogHas("Adresse refusée, elle pourrait passer des options à vlc : --extraintf=http"));
    EXPECT_TRUE(LogHas("++++ TERIMINEEEEE ++++"));
    EXPECT_FALSE(std::any_of(host.log.begin(), host.log.end(),
                             [](const std::string& l) { return l.rfind("Erreur", 0) == 0; }));
}

TEST_F(RecordingControllerTest, UnrecognisedTimedFormatIsMarkedFinishedWhenTheTimerFires) {
    controller.StartScheduledRecording("C", "sleep", "3", "60", "07/12/2026", "20:30:00",
                                       "format haute qualité");
    ASSERT_TRUE(PumpUntilLogged("++++ fin encodage ++++"));
    EXPECT_FALSE(LogHas("++++ TERIMINEEEEE ++++"));
    EXPECT_EQ(markings, 0);
    controller.Timer2Timer();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " +
                                Id(controller.ProgrammedThread())));
    ASSERT_TRUE(mainThread.PumpUntil([&] { return markings == 1; }));
}

TEST_F(RecordingControllerTest, LengthTimerWithoutAProgrammedRecordingLogsItsError) {
    controller.Timer2Timer();
    EXPECT_EQ(host.log.back(), "Erreur terminaison de thread depuis le timer");
}

TEST_F(RecordingControllerTest, ChildIgnoringTerminationIsForcedToEnd) {
    controller.Button4Click("stubborn", kFormatH264, "/tmp/a.avi");
    ASSERT_TRUE(PumpUntilLogged("|||pret|||"));
    auto asked = std::chrono::steady_clock::now();
    controller.Button9Click();
    ASSERT_TRUE(PumpUntilLogged("++++ TERIMINEEEEE ++++"));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 3s);
}

} // namespace
} // namespace kalore
