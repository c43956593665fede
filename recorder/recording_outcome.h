#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recorder/media_probe.h"
#include "seams/clock.h"

namespace kalore {

enum class RecordingResult {
    Finished,   // "Terminé": the files cover the slot
    Incomplete, // "Incomplet": part of the slot was recorded
    Failed,     // "Échec": nothing usable was recorded
};

// The schedule's status word for a result.
const char* StatusWordOf(RecordingResult result);

// Less of the length than this may go unrecorded in a "Terminé" recording.
inline constexpr std::int64_t kMissedPercentAllowed = 5;
// A recording whose files stopped growing this long before its end was cut.
inline constexpr std::int64_t kSilentEndSeconds = 10;

// Why nothing was written for a while: the stream was lost, or the disk refused.
enum class OutageCause { Stream, DiskFull, DiskReadOnly };

// Nothing was written from the last growth of the files (a real instant) for `seconds`.
struct Outage {
    std::int64_t since = 0;
    std::int64_t seconds = 0;
    OutageCause cause = OutageCause::Stream;
};

// What is known of a recording once it has ended.
struct RecordingFacts {
    std::string failure; // why nothing could be recorded at all (refused, no player)
    // The first time the disk refused writes (full, or read-only), if it did.
    std::optional<OutageCause> diskRefusal;
    bool stoppedEarly = false;      // stopped before its slot's end
    std::int64_t stoppedAt = 0;     // when an early stop ended it, a real instant
    std::int64_t lateSeconds = 0;   // launched this long after the slot's start
    std::int64_t lengthSeconds = 0; // what was to be covered
    std::int64_t missedSeconds = 0; // of which nothing was written
    std::int64_t trailingSilence = 0;
    std::uint64_t bytes = 0;
    std::int64_t growingLooks = 0; // looks, a second apart, that found the files written
    std::vector<Outage> outages;
    // What the files hold, once looked at (a file that can't be read as media
    // holds nothing playable).
    std::optional<MediaContents> contents;
    // Kinds of stream the source carried that the recorder could not keep.
    bool videoLost = false;
    bool audioLost = false;
};

// A late start is named from this many seconds.
inline constexpr std::int64_t kLateNamedSeconds = 2;

// "Terminé" only when nothing went wrong and the files cover the slot: at most
// kMissedPercentAllowed % of the length missing, still growing near the end,
// and every kind of stream the source carried is in them. "Échec" when nothing
// at all was written, when the disk refused before a second of it was, or
// when nothing in it can be played.
RecordingResult JudgeRecording(const RecordingFacts& facts);

// What went wrong, in words for the user ("flux perdu à 20:41:03 pendant 62 s");
// empty for a recording that is "Terminé".
std::string ReasonsOf(const RecordingFacts& facts);

} // namespace kalore
