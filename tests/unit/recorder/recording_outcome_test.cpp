#include "recorder/recording_outcome.h"

#include <gtest/gtest.h>

#include "recorder/growth_watch.h"
#include "recorder/recording_progress.h"

namespace kalore {
namespace {

// Looks at a file that grows (`+`) or not (`.`) second after second.
GrowthWatch Watch(const std::string& seconds, std::uint64_t initialBytes = 0) {
    GrowthWatch watch(initialBytes);
    std::uint64_t bytes = initialBytes;
    for (char second : seconds) {
        bytes += second == '+' ? 1000 : 0;
        watch.Look(bytes);
    }
    return watch;
}

TEST(GrowthWatch, CountsTheSecondsNothingWasWritten) {
    EXPECT_EQ(Watch("....++++++++++").MissedSeconds(0), 0); // vlc's start is allowed
    EXPECT_EQ(Watch("........++++++").MissedSeconds(0), 3); // beyond its 5 s
    EXPECT_EQ(Watch("+++..+++...+++").MissedSeconds(0), 3); // short pauses are rhythm
    EXPECT_EQ(Watch("++++++++++....").MissedSeconds(0), 4); // the silence at the end
    EXPECT_EQ(Watch("++++++++++....").TrailingSilence(), 4);
    // Launched a minute late: the minute is lost, the allowance is vlc's opening only.
    EXPECT_EQ(Watch("+++++").MissedSeconds(60), 60);
    EXPECT_EQ(Watch("..+++").MissedSeconds(5), 5);
    // What the files hold: the opening counted whole.
    EXPECT_EQ(Watch("..+++").UnrecordedSeconds(5), 7);
    EXPECT_EQ(Watch("++++++++++....").UnrecordedSeconds(0), 4);
    EXPECT_EQ(Watch("......").MissedSeconds(0), 6); // never written
    EXPECT_FALSE(Watch("......").EverGrew());
    EXPECT_EQ(Watch("......").Bytes(), 0u);
    // An earlier file of that name is truncated before it is written: writing, not loss.
    GrowthWatch rewritten(5'000'000);
    EXPECT_FALSE(rewritten.Look(5'000'000));
    EXPECT_FALSE(rewritten.Look(0));
    EXPECT_TRUE(rewritten.Look(40'000));
    EXPECT_EQ(rewritten.Bytes(), 40'000u);
}

// What the files hold against what the source carried.
TEST(JudgeRecording, AFileLackingWhatTheSourceCarriedIsNotTerminé) {
    RecordingFacts covered;
    covered.bytes = 1000;
    covered.lengthSeconds = 60;
    covered.contents = MediaContents{true, true, true};
    EXPECT_EQ(JudgeRecording(covered), RecordingResult::Finished);

    // Sound only, the picture lost on the way: incomplete, and said so.
    RecordingFacts facts = covered;
    facts.contents = MediaContents{false, true, true};
    facts.videoLost = true;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts),
              "pas d'image dans le fichier : vlc n'a pas pu enregistrer la vidéo de la source");
    facts.contents = MediaContents{true, false, true};
    facts.videoLost = false;
    facts.audioLost = true;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts),
              "pas de son dans le fichier : vlc n'a pas pu enregistrer le son de la source");

    // A radio: sound only at the source, nothing lost.
    facts = covered;
    facts.contents = MediaContents{false, true, true};
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Finished);
    EXPECT_EQ(ReasonsOf(facts), "");

    // Bytes that nothing can play, or that are no media at all.
    facts = covered;
    facts.contents = MediaContents{true, true, false};
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Failed);
    EXPECT_EQ(ReasonsOf(facts), "le fichier ne contient ni image ni son lisible");
    facts.contents = MediaContents{};
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Failed);
}

// Times in the reasons are read on the wall clock of the moment.
std::int64_t At(int hour, int minute, int second) {
    return InstantOf({2026, 12, 7, hour, minute, second}, RepeatedHour::First);
}

TEST(JudgeRecording, TerminéOnlyWhenTheFilesCoverTheSlot) {
    RecordingFacts covered;
    covered.bytes = 1;
    covered.growingLooks = 3420;
    covered.lengthSeconds = 3600;
    covered.missedSeconds = 180; // 5 %
    EXPECT_EQ(JudgeRecording(covered), RecordingResult::Finished);
    EXPECT_EQ(ReasonsOf(covered), "");

    RecordingFacts facts = covered;
    facts.missedSeconds = 181;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts), "181 s sur 3600 n'ont pas été enregistrées");

    facts = covered;
    facts.trailingSilence = 10;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts), "plus rien n'a été écrit pendant les 10 dernières secondes");

    facts = covered;
    facts.outages = {{At(20, 41, 3), 62}, {At(21, 0, 0), 15}};
    facts.lateSeconds = 40;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts), "flux perdu à 20:41:03 pendant 62 s ; flux perdu à 21:00:00 "
                                "pendant 15 s ; commencé avec 40 s de retard");

    // Late from 2 s on, and named so.
    facts = covered;
    facts.lateSeconds = 1;
    EXPECT_EQ(ReasonsOf(facts), "");
    facts.lateSeconds = 2;
    EXPECT_EQ(ReasonsOf(facts), "commencé avec 2 s de retard");

    // The disk is named as the cause, the stream never blamed for it.
    facts = covered;
    facts.diskRefusal = OutageCause::DiskFull;
    facts.outages = {{At(20, 45, 12), 300, OutageCause::DiskFull},
                     {At(21, 0, 0), 30, OutageCause::DiskReadOnly}};
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Incomplete);
    EXPECT_EQ(ReasonsOf(facts), "disque plein (moins de 100 Mo libres) à 20:45:12 pendant 300 s ; "
                                "le disque n'accepte plus d'écriture à 21:00:00 pendant 30 s");
    // Refused at its first write: a header, nothing usable; or nothing written at all.
    for (const std::uint64_t bytes : {std::uint64_t{4096}, std::uint64_t{0}}) {
        facts.growingLooks = 1;
        facts.bytes = bytes;
        EXPECT_EQ(JudgeRecording(facts), RecordingResult::Failed);
        EXPECT_EQ(ReasonsOf(facts), "disque plein (moins de 100 Mo libres) dès le début, rien "
                                    "d'utilisable n'a été écrit");
    }
    facts.diskRefusal = OutageCause::DiskReadOnly;
    EXPECT_EQ(ReasonsOf(facts),
              "le disque n'accepte plus d'écriture, rien d'utilisable n'a été écrit");
    EXPECT_EQ(Watch("+...").GrowingLooks(), 1);
    EXPECT_EQ(Watch("++.+").GrowingLooks(), 3);

    facts = covered;
    facts.stoppedEarly = true;
    facts.stoppedAt = At(20, 50, 0);
    EXPECT_EQ(ReasonsOf(facts), "arrêté à 20:50:00, avant la fin prévue");

    facts = covered;
    facts.bytes = 0;
    EXPECT_EQ(JudgeRecording(facts), RecordingResult::Failed);
    facts.failure = "le programme vlc est introuvable : /usr/bin/vlc";
    EXPECT_EQ(ReasonsOf(facts), "le programme vlc est introuvable : /usr/bin/vlc");
    EXPECT_STREQ(StatusWordOf(RecordingResult::Failed), "Échec");
    EXPECT_STREQ(StatusWordOf(RecordingResult::Incomplete), "Incomplet");
    EXPECT_STREQ(StatusWordOf(RecordingResult::Finished), "Terminé");
}

TEST(ProgressLine, ShowsElapsedSizeAndWhatIsLeft) {
    RecordingProgress progress{"France 2", true, 754, 45'230'000, 2846, std::nullopt};
    EXPECT_EQ(ProgressLine(progress), "Enregistrement de « France 2 » : 00:12:34 écoulées, "
                                      "45,2 Mo écrits, reste 00:47:26");
    progress = {"/home/moi/record.avi", false, 3725, 960'000, std::nullopt, 4};
    EXPECT_EQ(ProgressLine(progress),
              "Enregistrement immédiat « /home/moi/record.avi » : 01:02:05 "
              "écoulées, 1,0 Mo écrits — flux perdu, nouvel essai dans 4 s");
}

} // namespace
} // namespace kalore
