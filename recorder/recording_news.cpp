#include "recorder/recording_news.h"

#include <algorithm>

namespace kalore {
namespace {

std::string Quoted(const std::string& channel) {
    return "« " + channel + " »";
}

// "le 07/12/2026 de 20:30:00 à 22:30:00", or with both dates when it ends another day.
std::string SlotOf(const PendingRecording& entry) {
    if (entry.StartDate == entry.EndDate) {
        return "le " + entry.StartDate + " de " + entry.StartTime + " à " + entry.EndTime;
    }
    return "du " + entry.StartDate + " à " + entry.StartTime + " au " + entry.EndDate + " à " +
           entry.EndTime;
}

std::string UntilOf(const PendingRecording& entry) {
    if (entry.StartDate == entry.EndDate) {
        return "jusqu'à " + entry.EndTime;
    }
    return "jusqu'au " + entry.EndDate + " à " + entry.EndTime;
}

// "\nFichier : /…/programme.avi", or every part after an outage.
std::string FilesOf(const std::vector<std::string>& files) {
    if (files.empty()) {
        return {};
    }
    std::string text = files.size() > 1 ? "\nFichiers : " : "\nFichier : ";
    for (std::size_t i = 0; i < files.size(); ++i) {
        text += (i > 0 ? ", " : "") + files[i];
    }
    return text;
}

} // namespace

Notice NoticeOf(const ProgrammedRecordingNews& news) {
    const PendingRecording& entry = news.entry;
    if (!news.result) {
        return {"Enregistrement commencé",
                Quoted(entry.Channel) + " est enregistré " + UntilOf(entry) + "."};
    }
    const std::string what = Quoted(entry.Channel) + ", " + SlotOf(entry);
    const std::string why =
        (news.reasons.empty() ? "." : " : " + news.reasons + ".") + FilesOf(news.files);
    switch (*news.result) {
    case RecordingResult::Finished:
        return {"Enregistrement terminé",
                what + ", est enregistré en entier." + FilesOf(news.files)};
    case RecordingResult::Incomplete:
        return {"Enregistrement incomplet", what + why, NoticeLevel::Warning};
    case RecordingResult::Failed:
        break;
    }
    return {"Échec de l'enregistrement", what + why, NoticeLevel::Critical};
}

std::string KeepAwakeReason(const PendingRecording* programmed, const std::string& recordNowFile) {
    std::string what;
    if (programmed != nullptr) {
        // To the minute: the desktop shows it in a sentence.
        const PendingRecording& entry = *programmed;
        const std::string end = entry.EndTime.substr(0, 5);
        what = Quoted(entry.Channel) + (entry.StartDate == entry.EndDate
                                            ? " jusqu'à " + end
                                            : " jusqu'au " + entry.EndDate + " à " + end);
    }
    if (!recordNowFile.empty()) {
        what += (what.empty() ? "" : " et ") + Quoted(recordNowFile);
    }
    return what.empty() ? what : "Kalore enregistre " + what;
}

std::string StatusSummary(const PendingRecording* next,
                          const std::vector<RecordingProgress>& running) {
    std::string summary = "Kalore";
    for (const RecordingProgress& progress : running) {
        summary += "\n" + ProgressLine(progress);
    }
    if (next != nullptr) {
        summary += "\nProchain enregistrement : " + Quoted(next->Channel) + ", " + SlotOf(*next);
    } else {
        const bool programmedRuns =
            std::any_of(running.begin(), running.end(),
                        [](const auto& progress) { return progress.programmed; });
        summary += programmedRuns ? "\nAucun autre enregistrement programmé"
                                  : "\nAucun enregistrement programmé";
    }
    return summary;
}

} // namespace kalore
