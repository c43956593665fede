#include "recorder/recording_outcome.h"

#include "recorder/disk_space.h"
#include "recorder/growth_watch.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {
namespace {

// A file the disk guard stopped at its first write holds a header and a blink of
// picture: "Incomplet" would say part of the slot is there.
bool NothingUsable(const RecordingFacts& facts) {
    return facts.bytes == 0 || (facts.diskFull && facts.growingLooks <= 1);
}

bool NothingPlayable(const RecordingFacts& facts) {
    return facts.bytes > 0 && facts.contents && !facts.contents->decodable;
}

bool LacksPicture(const RecordingFacts& facts) {
    return facts.contents && facts.videoLost && !facts.contents->video;
}

bool LacksSound(const RecordingFacts& facts) {
    return facts.contents && facts.audioLost && !facts.contents->audio;
}

bool CoversTooLittle(const RecordingFacts& facts) {
    return facts.missedSeconds * 100 > kMissedPercentAllowed * facts.lengthSeconds;
}

void Add(std::string& reasons, const std::string& reason) {
    reasons += (reasons.empty() ? "" : " ; ") + reason;
}

} // namespace

const char* StatusWordOf(RecordingResult result) {
    switch (result) {
    case RecordingResult::Finished:
        return kStatusFinished;
    case RecordingResult::Incomplete:
        return kStatusIncomplete;
    case RecordingResult::Failed:
        break;
    }
    return kStatusFailed;
}

RecordingResult JudgeRecording(const RecordingFacts& facts) {
    if (!facts.failure.empty() || NothingUsable(facts) || NothingPlayable(facts)) {
        return RecordingResult::Failed;
    }
    if (LacksPicture(facts) || LacksSound(facts) || facts.diskFull || facts.stoppedEarly ||
        !facts.outages.empty() || facts.trailingSilence >= kSilentEndSeconds ||
        CoversTooLittle(facts)) {
        return RecordingResult::Incomplete;
    }
    return RecordingResult::Finished;
}

std::string ReasonsOf(const RecordingFacts& facts) {
    if (!facts.failure.empty()) {
        return facts.failure;
    }
    if (facts.bytes == 0) {
        return "rien n'a été écrit, le flux n'a pas pu être lu";
    }
    if (NothingUsable(facts)) {
        return "disque plein dès le début (moins de " + std::to_string(kDiskReserveBytes / kMega) +
               " Mo libres), rien d'utilisable n'a été écrit";
    }
    if (NothingPlayable(facts)) {
        return "le fichier ne contient ni image ni son lisible";
    }
    std::string reasons;
    if (LacksPicture(facts)) {
        Add(reasons,
            "pas d'image dans le fichier : vlc n'a pas pu enregistrer la vidéo de la source");
    }
    if (LacksSound(facts)) {
        Add(reasons, "pas de son dans le fichier : vlc n'a pas pu enregistrer le son de la source");
    }
    if (facts.diskFull) {
        Add(reasons, "disque presque plein (moins de " + std::to_string(kDiskReserveBytes / kMega) +
                         " Mo libres), enregistrement arrêté à " + TimeText(facts.stoppedAt));
    }
    for (const Outage& outage : facts.outages) {
        Add(reasons, "flux perdu à " + TimeText(outage.since) + " pendant " +
                         std::to_string(outage.seconds) + " s");
    }
    if (facts.stoppedEarly) {
        Add(reasons, "arrêté à " + TimeText(facts.stoppedAt) + ", avant la fin prévue");
    }
    if (facts.lateSeconds > kStartAllowanceSeconds) {
        Add(reasons, "commencé avec " + std::to_string(facts.lateSeconds) + " s de retard");
    }
    if (facts.trailingSilence >= kSilentEndSeconds) {
        Add(reasons, "plus rien n'a été écrit pendant les " +
                         std::to_string(facts.trailingSilence) + " dernières secondes");
    }
    if (reasons.empty() && CoversTooLittle(facts)) {
        Add(reasons, std::to_string(facts.missedSeconds) + " s sur " +
                         std::to_string(facts.lengthSeconds) + " n'ont pas été enregistrées");
    }
    return reasons;
}

} // namespace kalore
