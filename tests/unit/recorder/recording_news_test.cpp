#include "recorder/recording_news.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

PendingRecording Entry(std::string endDate = "07/12/2026", std::string endTime = "22:30:00") {
    PendingRecording entry;
    entry.Channel = "France 2";
    entry.StartDate = "07/12/2026";
    entry.StartTime = "20:30:00";
    entry.EndDate = std::move(endDate);
    entry.EndTime = std::move(endTime);
    return entry;
}

void ExpectNotice(const Notice& notice, const std::string& title, const std::string& text,
                  NoticeLevel level) {
    EXPECT_EQ(notice.title, title);
    EXPECT_EQ(notice.text, text);
    EXPECT_EQ(notice.level, level);
}

TEST(NoticeOf, TellsTheStartThenTheOutcomeAndWhy) {
    ExpectNotice(NoticeOf({Entry(), std::nullopt, {}}), "Enregistrement commencé",
                 "« France 2 » est enregistré jusqu'à 22:30:00.", NoticeLevel::Information);
    // A slot across midnight names the day it ends.
    ExpectNotice(
        NoticeOf({Entry("08/12/2026", "00:30:00"), std::nullopt, {}}), "Enregistrement commencé",
        "« France 2 » est enregistré jusqu'au 08/12/2026 à 00:30:00.", NoticeLevel::Information);
    ExpectNotice(NoticeOf({Entry(), RecordingResult::Finished, {}, {"/k/RECORDS/p.avi"}}),
                 "Enregistrement terminé",
                 "« France 2 », le 07/12/2026 de 20:30:00 à 22:30:00, est enregistré en entier."
                 "\nFichier : /k/RECORDS/p.avi",
                 NoticeLevel::Information);
    ExpectNotice(NoticeOf({Entry("08/12/2026", "00:30:00"),
                           RecordingResult::Incomplete,
                           "flux perdu à 20:41:03 pendant 62 s",
                           {"/r/p.avi", "/r/p-2.avi"}}),
                 "Enregistrement incomplet",
                 "« France 2 », du 07/12/2026 à 20:30:00 au 08/12/2026 à 00:30:00 : flux perdu "
                 "à 20:41:03 pendant 62 s.\nFichiers : /r/p.avi, /r/p-2.avi",
                 NoticeLevel::Warning);
    ExpectNotice(NoticeOf({Entry(), RecordingResult::Failed,
                           "le programme vlc est introuvable : /usr/bin/vlc"}),
                 "Échec de l'enregistrement",
                 "« France 2 », le 07/12/2026 de 20:30:00 à 22:30:00 : le programme vlc est "
                 "introuvable : /usr/bin/vlc.",
                 NoticeLevel::Critical);
}

TEST(StatusSummary, NamesWhatRecordsAndWhatIsNext) {
    EXPECT_EQ(StatusSummary(nullptr, {}), "Kalore\nAucun enregistrement programmé");
    const PendingRecording next = Entry("08/12/2026", "00:30:00");
    EXPECT_EQ(StatusSummary(&next, {}), "Kalore\nProchain enregistrement : « France 2 », du "
                                        "07/12/2026 à 20:30:00 au 08/12/2026 à 00:30:00");

    RecordingProgress recordNow{"/tmp/film.avi", false, 75, 2'000'000, std::nullopt, std::nullopt};
    RecordingProgress programmed{"Arte", true, 60, 1'000'000, 3540, std::nullopt};
    EXPECT_EQ(StatusSummary(&next, {recordNow}),
              "Kalore\nEnregistrement immédiat « /tmp/film.avi » : 00:01:15 écoulées, 2,0 Mo "
              "écrits\nProchain enregistrement : « France 2 », du 07/12/2026 à 20:30:00 au "
              "08/12/2026 à 00:30:00");
    // While a programmed recording runs, "none" means none after it.
    EXPECT_EQ(StatusSummary(nullptr, {programmed}),
              "Kalore\nEnregistrement de « Arte » : 00:01:00 écoulées, 1,0 Mo écrits, reste "
              "00:59:00\nAucun autre enregistrement programmé");
}

} // namespace
} // namespace kalore
