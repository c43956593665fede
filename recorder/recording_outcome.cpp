#include "recorder/recording_outcome.h"

#include "recorder/disk_space.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {
namespace {

// A file the disk refused at its first write holds a header and a blink of picture:
// "Incomplet" would say part of the slot is there.
bool DiskSpoiledAll(const RecordingFacts& facts) {
    return facts.diskRefusal && facts.growingLooks <= 1;
}

bool NothingUsable(const RecordingFacts& facts) {
    return facts.bytes == 0 || DiskSpoiledAll(facts);
}

std::string DiskFullText() {
    return "disque plein (moins de " + std::to_string(kDiskReserveBytes / kMega) + " Mo libres)";
}

std::string OutageText(const Outage& outage) {
    const std::string when = " à " + TimeText(LocalTimeAt(outage.since)) + " pendant " +
                             std::to_string(outage.seconds) + " s";
    switch (outage.cause) {
    case OutageCause::DiskFull:
        return DiskFullText() + when;
    case OutageCause::DiskReadOnly:
        return "le disque n'accepte plus d'écriture" + when;
    case OutageCause::Stream:
        break;
    }
    return "flux perdu" + when;
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
    if (LacksPicture(facts) || LacksSound(facts) || facts.stoppedEarly || !facts.outages.empty() ||
        facts.trailingSilence >= kSilentEndSeconds || CoversTooLittle(facts)) {
        return RecordingResult::Incomplete;
    }
    return RecordingResult::Finished;
}

std::string ReasonsOf(const RecordingFacts& facts) {
    if (!facts.failure.empty()) {
        return facts.failure;
    }
    // The disk first: a disk that refuses is why the stream wasn't written.
    if (DiskSpoiledAll(facts)) {
        return (*facts.diskRefusal == OutageCause::DiskFull
                    ? DiskFullText() + " dès le début"
                    : std::string("le disque n'accepte plus d'écriture")) +
               ", rien d'utilisable n'a été écrit";
    }
    if (facts.bytes == 0) {
        return "rien n'a été écrit, le flux n'a pas pu être lu";
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
    for (const Outage& outage : facts.outages) {
        Add(reasons, OutageText(outage));
    }
    if (facts.stoppedEarly) {
        Add(reasons,
            "arrêté à " + TimeText(LocalTimeAt(facts.stoppedAt)) + ", avant la fin prévue");
    }
    if (facts.lateSeconds >= kLateNamedSeconds) {
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
