#include "recorder/recording_controller.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "fakes/queue_main_thread.h"
#include "platform/sleep_lock.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakeHost;
using testing::FakeTimer;
using testing::QueueMainThread;

const std::string kFakeRecorder = KALORE_TEST_DATA_DIR "/recorder/fake-recorder.sh";
const std::string kPlus(67, '+');

// The desktop's lock on sleep, as the controller asks for it.
class FakeSleepLock : public SleepLock {
public:
    void Hold(const std::string& why) override { asked.push_back(why); }
    void Release() override { asked.push_back("released"); }
    std::vector<std::string> asked;
};

// The recorder is a script standing in for vlc; the files it "writes" and the
// free space are made up by the test, second by second, as the watch timer looks.
class RecordingControllerTest : public ::testing::Test {
protected:
    RecorderSettings Settings() {
        RecorderSettings settings{[this] { return playerPath; },
                                  [] { return std::string("Kalore 1.1"); },
                                  programFolder.Slashed(),
                                  "https://maker.example",
                                  "https://maker.example/memoire",
                                  [this](std::uint64_t entry, const std::string& status) {
                                      statuses.emplace_back(entry, status);
                                  }};
        settings.fileSize = [this](const std::string& path) -> std::optional<std::uint64_t> {
            const auto found = sizes.find(path);
            return found == sizes.end() ? std::nullopt : std::optional(found->second);
        };
        settings.probeFile = [this](const std::string&) {
            return contents;
        };
        settings.freeSpace = [this](const std::string&) {
            return std::optional(freeBytes);
        };
        settings.diskWritable = [this](const std::string&) {
            return writable;
        };
        settings.sleepLock = &sleepLock;
        // Looks at a TCP source wait for the test to answer them.
        settings.probeListener = [this](const std::string& host, std::uint16_t port,
                                        std::function<void(bool)> answered) {
            looks.push_back(host + ":" + std::to_string(port));
            unanswered.push_back(std::move(answered));
        };
        return settings;
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
    // One second passes and the watch timer looks; `written` bytes went into `file`.
    void Second(const std::string& file = {}, std::uint64_t written = 0) {
        if (!file.empty()) {
            sizes[file] += written;
        }
        clock.Advance(1);
        watch.FireNow();
        mainThread.PumpFor(5ms);
    }
    PendingRecording Due(std::string url, std::string format = kFormatH264) {
        PendingRecording due;
        due.positionGridProchainRecord = 1;
        due.Channel = "France 2";
        due.Url = std::move(url);
        due.StartDate = due.EndDate = "07/12/2026";
        due.StartTime = "20:30:00";
        due.EndTime = "20:31:00";
        due.Duration = "60";
        due.Format = std::move(format);
        due.EntryId = 7;
        return due;
    }

    void SetUp() override {
        controller.onProgrammedNews = [this](const ProgrammedRecordingNews& told) {
            news.push_back(told);
        };
    }

    void TearDown() override {
        // As at exit: no hand-off can wait on the test thread any more.
        mainThread.Shutdown();
    }

    const testing::TempFolder programFolder{"kalore-recorder"};
    const bool made = std::filesystem::create_directory(programFolder.Path() / "RECORDS");
    std::string playerPath = kFakeRecorder;
    std::vector<std::pair<std::uint64_t, std::string>> statuses;
    std::vector<ProgrammedRecordingNews> news;
    std::map<std::string, std::uint64_t> sizes;
    std::uint64_t freeBytes = 50'000'000'000;
    bool writable = true;
    std::optional<MediaContents> contents = MediaContents{true, true, true};
    std::vector<std::string> looks;
    std::vector<std::function<void(bool accepted)>> unanswered;
    FakeSleepLock sleepLock;
    FakeHost host;
    FakeClock clock{{2026, 12, 7, 20, 30, 0}};
    QueueMainThread mainThread;
    FakeTimer timer2;
    FakeTimer watch;
    RecordingController controller{Settings(), host, mainThread, clock, timer2, watch};
};

TEST_F(RecordingControllerTest, ProgrammedRecordingCoveringItsSlotLogsInOrderAndIsFinished) {
    controller.StartScheduledRecording(Due("print"), 60);
    MonThread* thread = controller.ProgrammedThread();
    const std::string id = Id(thread);
    const std::string file = programFolder.Slashed() + "/RECORDS/programme-07-12-2026_20-30-00.avi";
    EXPECT_EQ(thread->Job().OutputFile, file);
    EXPECT_EQ(thread->Job().Duration, "60");
    ASSERT_TRUE(PumpUntilLogged("|||ligne un\r\nligne deux|||"));
    EXPECT_EQ(host.titles.back(), "Recording..");
    ASSERT_TRUE(watch.IsActive());
    for (int i = 0; i < 60; ++i) {
        Second(file, 50'000);
        if (i == 30) {
            ASSERT_EQ(controller.Progress().size(), 1u);
            EXPECT_EQ(ProgressLine(controller.Progress()[0]),
                      "Enregistrement de « France 2 » : 00:00:31 écoulées, 1,6 Mo écrits, "
                      "reste 00:00:29");
        }
    }

    timer2.Start(60000);
    controller.EndProgrammedRecording();
    EXPECT_FALSE(timer2.IsActive());
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + id));
    mainThread.PumpFor(50ms);
    EXPECT_EQ(LogFrom("++ Timer termine le thread.. Test de terminer le ID thread: " + id),
              (std::vector<std::string>{
                  "++ Timer termine le thread.. Test de terminer le ID thread: " + id,
                  "--TH2 a été arrété dans rundos depuis le thread id: " + id,
                  "++++ TERIMINEEEEE ++++", "-- Résultat de l'enregistrement : Terminé", kPlus,
                  "Enregistrement terminé de : print ..", kPlus, "++++ fin encodage ++++",
                  "fin thread affiché dans le thread!! id: " + id}));
    EXPECT_EQ(host.log.front(), "$$bug crev: chaine **France 2** url **print**");
    EXPECT_EQ(host.log[1], "ID thread: " + id);
    EXPECT_EQ(host.log[2], "++++ début d'encodage ++++durée*60** position: **1");
    EXPECT_EQ(statuses, (std::vector<std::pair<std::uint64_t, std::string>>{{7, "Terminé"}}));
    EXPECT_TRUE(host.notices.empty());
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[0].entry.EntryId, 7u);
    EXPECT_FALSE(news[0].result);
    EXPECT_EQ(news[1].result, RecordingResult::Finished);
    EXPECT_EQ(thread->Job(), (RecordingJob{"-1", "-1", "-1", "-1", "-1", "-1"}));
    EXPECT_EQ(host.titles.back(), "Kalore 1.1");
    EXPECT_EQ(thread->RecorderMode(), "");
    Second();
    EXPECT_FALSE(watch.IsActive());
}

// The recorder said it could not keep the picture, and the file has none.
TEST_F(RecordingControllerTest, AFileWithoutThePictureTheSourceHadIsIncompleteAndSaysWhy) {
    contents = MediaContents{false, true, true};
    controller.StartScheduledRecording(Due("novideo"), 60);
    const std::string file = controller.ProgrammedThread()->Job().OutputFile;
    ASSERT_TRUE(mainThread.PumpUntil([&] {
        return std::any_of(host.log.begin(), host.log.end(), [](const std::string& line) {
            return line.find("cannot create video chain") != std::string::npos;
        });
    }));
    for (int i = 0; i < 60; ++i) {
        Second(file, 50'000);
    }
    controller.EndProgrammedRecording();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !statuses.empty(); }));
    EXPECT_EQ(statuses[0].second, "Incomplet");
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_NE(host.notices[0].find("pas d'image dans le fichier"), std::string::npos)
        << host.notices[0];
}

TEST_F(RecordingControllerTest, NothingRecordableFailsAtOnceAndTellsTheUser) {
    { // no player where the settings say
        playerPath = "/nonexistent/vlc";
        controller.StartScheduledRecording(Due("udp://@x"), 60);
        ASSERT_TRUE(PumpUntilLogged("++++ fin encodage ++++"));
        EXPECT_EQ(LogFrom("Erreur de processus, merci de signaler cette erreur avec votre "
                          "configuration à https://maker.example"),
                  (std::vector<std::string>{
                      "Erreur de processus, merci de signaler cette erreur avec votre "
                      "configuration à https://maker.example",
                      "++++ TERIMINEEEEE ++++",
                      "-- Résultat de l'enregistrement : Échec (le programme vlc est introuvable "
                      ": /nonexistent/vlc)",
                      kPlus, "Enregistrement terminé de : udp://@x ..", kPlus,
                      "++++ fin encodage ++++"}));
        EXPECT_EQ(host.notices.back(), "L'enregistrement de « France 2 » du 07/12/2026 à 20:30:00 "
                                       "a échoué : le programme vlc est introuvable : "
                                       "/nonexistent/vlc.");
        ASSERT_EQ(news.size(), 2u);
        EXPECT_EQ(news[1].result, RecordingResult::Failed);
        EXPECT_EQ(news[1].reasons, "le programme vlc est introuvable : /nonexistent/vlc");
        controller.EndProgrammedRecording();
        ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " +
                                    Id(controller.ProgrammedThread())));
        EXPECT_FALSE(LogHas("--TH2 a été arrété dans rundos depuis le thread id: " +
                            Id(controller.ProgrammedThread())));
    }
    playerPath = kFakeRecorder;
    { // a format that is neither name: no child, and the entry fails before its end
        controller.StartScheduledRecording(Due("sleep", "format haute qualité"), 60);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return statuses.size() == 2; }));
        EXPECT_EQ(statuses.back(), std::make_pair(std::uint64_t{7}, std::string("Échec")));
    }
    { // an address vlc would read as an option
        controller.RecordNow("--extraintf=http", kFormatH264, "/tmp/a.avi");
        ASSERT_TRUE(mainThread.PumpUntil([&] { return host.notices.size() == 3; }));
        EXPECT_TRUE(
            LogHas("Adresse refusée, elle pourrait passer des options à vlc : --extraintf=http"));
        EXPECT_EQ(host.notices.back(),
                  "L'enregistrement immédiat dans « /tmp/a.avi » a échoué : Adresse refusée, elle "
                  "pourrait passer des options à vlc : --extraintf=http.");
    }
    { // a start time from a damaged schedule file that would reach the file name
        PendingRecording due = Due("sleep");
        due.StartTime = "20:30:00,dst=/tmp/victim.txt,x=";
        controller.StartScheduledRecording(due, 60);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return statuses.size() == 3; }));
        EXPECT_EQ(statuses.back().second, "Échec");
        EXPECT_TRUE(LogHas("Nom de fichier refusé, la date et l'heure de début doivent avoir la "
                           "forme jj/mm/aaaa hh:mm:ss"));
    }
    { // the end cell is held to the same form: trailing text is refused too
        PendingRecording due = Due("sleep");
        due.EndTime = "20:31:00 et après";
        controller.StartScheduledRecording(due, 60);
        ASSERT_TRUE(mainThread.PumpUntil([&] { return statuses.size() == 4; }));
        EXPECT_EQ(statuses.back().second, "Échec");
        EXPECT_TRUE(LogHas("Fin refusée, la date et l'heure de fin doivent avoir la forme "
                           "jj/mm/aaaa hh:mm:ss"));
    }
}

TEST_F(RecordingControllerTest, RecordNowSwapsButtonsAndStopResetsTheJob) {
    EXPECT_TRUE(controller.CanRecordNow());
    controller.RecordNow("print", kFormatH264, "/tmp/x.avi");
    EXPECT_FALSE(controller.CanRecordNow());
    EXPECT_TRUE(controller.CanStopRecordNow());
    MonThread* thread = controller.RecordNowThread();
    EXPECT_EQ(thread->RecorderMode(), "record tv");
    ASSERT_TRUE(PumpUntilLogged("|||ligne un\r\nligne deux|||"));
    Second("/tmp/x.avi", 1000);
    Second("/tmp/x.avi", 1000);

    controller.StopRecordNow();
    EXPECT_TRUE(controller.CanRecordNow());
    EXPECT_EQ(thread->Job(), (RecordingJob{"-1", "-1", "-1", "-1", "-1", "-1"}));
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(thread)));
    EXPECT_TRUE(LogHas("Test de terminer le ID thread: " + Id(thread)));
    EXPECT_TRUE(LogHas("Enregistrement normal de : print .."));
    EXPECT_TRUE(statuses.empty());
    EXPECT_TRUE(host.notices.empty());
}

// A source vlc listens for is given up on sooner: nothing would answer a wait.
TEST_F(RecordingControllerTest, ASilentUdpSourceIsStartedAgainSooner) {
    controller.RecordNow("udp://@127.0.0.1:5004", kFormatH264, "/tmp/x.avi");
    for (int i = 0; i < 3; ++i) {
        Second("/tmp/x.avi", 1000);
    }
    for (int i = 0; i < kUdpStallSeconds; ++i) {
        Second();
    }
    EXPECT_TRUE(LogHas("-- Rien n'a été écrit depuis 6 s dans /tmp/x.avi : flux perdu à 20:30:03"));
    controller.StopRecordNow();
}

// The stream is lost: nothing written for 15 s. The child is ended, started
// again at once (it ran long enough) into a continuation file, and the outage is
// told at the end.
TEST_F(RecordingControllerTest, AStalledRecordingContinuesInANewFileAndEndsIncomplete) {
    std::vector<RecordingStarted> started;
    std::vector<RecordingEnded> ended;
    controller.onRecordingStarted = [&](const RecordingStarted& s) {
        started.push_back(s);
    };
    controller.onRecordingEnded = [&](const RecordingEnded& e) {
        ended.push_back(e);
    };
    controller.RecordNow("sleep", kFormatH264, "/tmp/x.avi");
    for (int i = 0; i < 3; ++i) {
        Second("/tmp/x.avi", 1000);
    }
    for (int i = 0; i < kStallSeconds; ++i) {
        Second();
    }
    EXPECT_TRUE(
        LogHas("-- Rien n'a été écrit depuis 15 s dans /tmp/x.avi : flux perdu à 20:30:03"));
    ASSERT_TRUE(PumpUntilLogged("-- Nouvel essai dans 0 s"));
    EXPECT_EQ(controller.Progress()[0].retryInSeconds, 0);
    Second();
    EXPECT_TRUE(LogHas("-- Reprise de l'enregistrement dans : /tmp/x-2.avi"));
    Second();
    Second("/tmp/x-2.avi", 500);
    EXPECT_TRUE(LogHas("-- Flux retrouvé après 18 s"));

    controller.StopRecordNow();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !host.notices.empty(); }));
    EXPECT_EQ(host.notices[0], "L'enregistrement immédiat dans « /tmp/x.avi » est incomplet : "
                               "flux perdu à 20:30:03 pendant 18 s.\rFichiers :\r/tmp/x.avi\r"
                               "/tmp/x-2.avi");
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "++++ TERIMINEEEEE ++++"), 2);

    // The list of recordings is told its start and its end, both files as one.
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].file, "/tmp/x.avi");
    EXPECT_EQ(started[0].channel, "");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].serial, started[0].serial);
    EXPECT_EQ(ended[0].result, RecordingResult::Incomplete);
    EXPECT_EQ(ended[0].files, (std::vector<std::string>{"/tmp/x.avi", "/tmp/x-2.avi"}));
    EXPECT_EQ(ended[0].bytes, 3500u);
}

// A source that refuses at once: the tries back off 2, 4, 8 ... up to 30 s.
TEST_F(RecordingControllerTest, ChildrenEndingByThemselvesAreRetriedWithBackOff) {
    controller.RecordNow("quick", kFormatHighQuality, "/tmp/x.avi");
    std::vector<std::string> waits;
    const auto tries = [&] {
        waits.clear();
        std::copy_if(host.log.begin(), host.log.end(), std::back_inserter(waits),
                     [](const std::string& line) { return line.starts_with("-- Nouvel essai"); });
        return waits.size();
    };
    std::size_t tried = 0;
    for (int wait : {2, 4, 8, 16, 30, 30}) {
        ASSERT_TRUE(mainThread.PumpUntil([&] { return tries() > tried; }));
        EXPECT_EQ(waits[tried++], "-- Nouvel essai dans " + std::to_string(wait) + " s");
        for (int i = 0; i < wait; ++i) {
            Second();
        }
    }
    EXPECT_TRUE(LogHas("-- vlc s'est arrêté avant la fin : flux perdu à 20:30:00"));
    // Nothing was written: the same file is tried again, never a new one.
    EXPECT_EQ(controller.RecordNowRecording()->Files(), std::vector<std::string>{"/tmp/x.avi"});
    EXPECT_TRUE(looks.empty()) << "only a source reached over TCP is looked at";
    controller.StopRecordNow();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !host.notices.empty(); }));
    EXPECT_EQ(host.notices[0], "L'enregistrement immédiat dans « /tmp/x.avi » a échoué : rien "
                               "n'a été écrit, le flux n'a pas pu être lu.");
}

// Between the tries, a TCP source is looked at once a second, one look at a
// time. Accepting connections alone changes nothing (the back-off governs a
// source that accepts but fails); seen refusing, then accepting, it is tried at once.
TEST_F(RecordingControllerTest, ATcpSourceSeenComingBackIsTriedAtOnce) {
    const auto answer = [&](bool accepted) {
        ASSERT_EQ(unanswered.size(), 1u);
        const auto answered = std::move(unanswered.back());
        unanswered.clear();
        answered(accepted);
        mainThread.PumpFor(5ms);
    };
    controller.RecordNow("http://box.test:8080/quick", kFormatH264, "/tmp/x.avi");
    ASSERT_TRUE(PumpUntilLogged("-- Nouvel essai dans 2 s"));
    // What the run wrote as it ended is not the stream back: the back-off goes on.
    Second("/tmp/x.avi", 1000);
    EXPECT_EQ(looks, std::vector<std::string>{"box.test:8080"});
    answer(true);
    Second();
    ASSERT_TRUE(PumpUntilLogged("-- Nouvel essai dans 4 s"));
    EXPECT_FALSE(LogHas("-- Flux retrouvé après 1 s"));

    Second();
    Second();
    EXPECT_EQ(looks.size(), 2u) << "a look under way holds the next";
    answer(false);
    Second();
    answer(true);
    EXPECT_TRUE(
        LogHas("-- La source accepte de nouveau les connexions : nouvel essai sans attendre"));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(),
                         "-- Reprise de l'enregistrement dans : /tmp/x-2.avi"),
              2);
    // The run started on that news ends like the others: the back-off goes on.
    ASSERT_TRUE(PumpUntilLogged("-- Nouvel essai dans 8 s"));
    controller.StopRecordNow();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !host.notices.empty(); }));
}

// The disk first: below its reserve, or read-only, the child is ended and the
// stream is not tried again while the disk refuses; once it accepts, the rest goes
// into a continuation file, and the reasons name the disk.
TEST_F(RecordingControllerTest, ADiskThatRefusesHoldsTheRecordingUntilItAcceptsAgain) {
    freeBytes = 150'000'000;
    controller.RecordNow("sleep", kFormatH264, "/tmp/x.avi");
    EXPECT_TRUE(LogHas("-- Attention : 150 Mo libres pour /tmp/x.avi, cet enregistrement demande "
                       "environ 200 Mo"));
    ASSERT_EQ(host.notices.size(), 1u);
    Second("/tmp/x.avi", 1000);
    freeBytes = 99'000'000;
    Second("/tmp/x.avi", 1000);
    EXPECT_TRUE(LogHas("-- Disque plein (moins de 100 Mo libres) : enregistrement suspendu "
                       "jusqu'à ce que de la place se libère"));
    ASSERT_TRUE(PumpUntilLogged("++++ TERIMINEEEEE ++++"));
    for (int second = 0; second < 40; ++second) {
        Second();
    }
    EXPECT_FALSE(LogHas("-- Nouvel essai dans 2 s"));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "++++ TERIMINEEEEE ++++"), 1);

    freeBytes = 5'000'000'000;
    Second();
    EXPECT_TRUE(LogHas("-- Le disque accepte de nouveau l'écriture : l'enregistrement reprend"));
    EXPECT_TRUE(LogHas("-- Reprise de l'enregistrement dans : /tmp/x-2.avi"));
    Second("/tmp/x-2.avi", 1000);
    Second("/tmp/x-2.avi", 1000);
    writable = false;
    Second("/tmp/x-2.avi", 0);
    EXPECT_TRUE(LogHas("-- Le disque n'accepte plus d'écriture : enregistrement suspendu"));
    controller.StopRecordNow();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return host.notices.size() == 2; }));
    EXPECT_EQ(host.notices[1],
              "L'enregistrement immédiat dans « /tmp/x.avi » est incomplet : disque plein (moins "
              "de 100 Mo libres) à 20:30:02 pendant 42 s ; le disque n'accepte plus d'écriture à "
              "20:30:45 pendant 1 s.\rFichiers :\r/tmp/x.avi\r/tmp/x-2.avi");
}

TEST_F(RecordingControllerTest, OutputStillInThePipeWhenTheChildEndsIsShown) {
    // Several pipe buffers' worth, written just before the child ends: the end
    // of it is still unread when the child has gone.
    controller.RecordNow("last300000", kFormatH264, "/tmp/x.avi");
    ASSERT_TRUE(mainThread.PumpUntil(
        [&] { return std::count(host.titles.begin(), host.titles.end(), "Kalore 1.1") == 1; }));
    std::size_t shown = 0;
    for (const std::string& line : host.log) {
        if (line.starts_with("|||x")) {
            shown += line.size() - 6;
        }
    }
    EXPECT_EQ(shown, 300000u);
    controller.StopRecordNow();
}

// Each stops alone; the machine is kept awake, saying what records, until both end.
TEST_F(RecordingControllerTest, RecordNowAndProgrammedRecordingStopIndependently) {
    controller.RecordNow("sleep", kFormatH264, "/tmp/a.avi");
    controller.StartScheduledRecording(Due("sleep"), 60);
    MonThread* now = controller.RecordNowThread();
    MonThread* programmed = controller.ProgrammedThread();
    ASSERT_NE(now, programmed);
    mainThread.PumpFor(200ms);

    controller.EndProgrammedRecording();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(programmed)));
    EXPECT_EQ(now->RecorderMode(), "record tv");
    EXPECT_FALSE(now->Finished());
    ASSERT_TRUE(mainThread.PumpUntil(
        [&] { return controller.ProgrammedRecording()->Result().has_value(); }));

    controller.StopRecordNow();
    ASSERT_TRUE(PumpUntilLogged("fin thread affiché dans le thread!! id: " + Id(now)));
    ASSERT_TRUE(mainThread.PumpUntil(
        [&] { return controller.RecordNowRecording()->Result().has_value(); }));
    EXPECT_EQ(sleepLock.asked, (std::vector<std::string>{
                                   "Kalore enregistre « /tmp/a.avi »",
                                   "Kalore enregistre « France 2 » jusqu'à 20:31 et « /tmp/a.avi »",
                                   "Kalore enregistre « /tmp/a.avi »", "released"}));
}

TEST_F(RecordingControllerTest, TheListStopsTheProgrammedRecordingByItsSerialOnly) {
    std::vector<RecordingStarted> started;
    std::vector<RecordingEnded> ended;
    controller.onRecordingStarted = [&](const RecordingStarted& s) {
        started.push_back(s);
    };
    controller.onRecordingEnded = [&](const RecordingEnded& e) {
        ended.push_back(e);
    };
    controller.RecordNow("sleep", kFormatH264, "/tmp/a.avi");
    controller.StartScheduledRecording(Due("sleep"), 60);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].channel, "France 2");
    EXPECT_EQ(started[1].entryId, 7u);
    timer2.Start(60000);
    mainThread.PumpFor(150ms);

    EXPECT_FALSE(controller.StopRecording(started[1].serial + 1));
    EXPECT_TRUE(controller.StopRecording(started[1].serial));
    EXPECT_FALSE(timer2.IsActive());
    ASSERT_TRUE(mainThread.PumpUntil([&] { return controller.ProgrammedThread()->Finished(); }));
    mainThread.PumpFor(20ms);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].serial, started[1].serial);
    EXPECT_FALSE(controller.RecordNowThread()->Finished());
    EXPECT_FALSE(controller.StopRecording(started[1].serial));
    controller.StopRecordNow();
}

TEST_F(RecordingControllerTest, ClearingTheScheduleStopsBothRecordingsWithoutATale) {
    controller.RecordNow("sleep", kFormatH264, "/tmp/a.avi");
    controller.StartScheduledRecording(Due("sleep", kFormatHighQuality), 60);
    mainThread.PumpFor(150ms);
    controller.StopAllRecordings();
    ASSERT_TRUE(mainThread.PumpUntil([&] {
        return controller.RecordNowThread()->Finished() &&
               controller.ProgrammedThread()->Finished() && !host.notices.empty();
    }));
    mainThread.PumpFor(50ms);
    // Only record now, which the user may not have meant to stop, is told.
    ASSERT_EQ(host.notices.size(), 1u);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_FALSE(news[0].result);
    EXPECT_EQ(host.notices[0].rfind("L'enregistrement immédiat", 0), 0u);
}

TEST_F(RecordingControllerTest, LengthTimerWithoutAProgrammedRecordingLogsItsError) {
    controller.EndProgrammedRecording();
    EXPECT_EQ(host.log.back(), "Erreur terminaison de thread depuis le timer");
}

TEST_F(RecordingControllerTest, ChildIgnoringTerminationIsForcedToEnd) {
    controller.RecordNow("stubborn", kFormatH264, "/tmp/a.avi");
    ASSERT_TRUE(PumpUntilLogged("|||pret|||"));
    auto asked = std::chrono::steady_clock::now();
    controller.StopRecordNow();
    ASSERT_TRUE(PumpUntilLogged("++++ TERIMINEEEEE ++++"));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 3s);
}

} // namespace
} // namespace kalore
