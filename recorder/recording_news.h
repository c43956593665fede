#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recorder/recording_outcome.h"
#include "recorder/recording_progress.h"
#include "schedule/recording_trigger.h"

namespace kalore {

// A programmed recording has begun (no result yet) or ended, told as it happens so
// that the window can pass it on in passing; the schedule's row, the log and the
// box of a failure keep the lasting record.
struct ProgrammedRecordingNews {
    PendingRecording entry;                // the schedule entry it records
    std::optional<RecordingResult> result; // empty: it has just begun
    std::string reasons;                   // why it isn't "Terminé"
    std::vector<std::string> files{};      // where it went, once ended
};

// Every recording's start and end, as the list of recordings keeps them; `serial`
// ties the end to its start, and names the recording to stop.
struct RecordingStarted {
    std::uint64_t serial = 0;
    std::string channel; // empty for record now
    std::string format;
    std::string file;
    std::optional<std::uint64_t> entryId; // a programmed recording's schedule entry
};

struct RecordingEnded {
    std::uint64_t serial = 0;
    RecordingResult result = RecordingResult::Failed;
    std::string reasons;
    std::vector<std::string> files; // the first, then the continuations
    std::int64_t recordedSeconds = 0;
    std::uint64_t bytes = 0;
};

enum class NoticeLevel { Information, Warning, Critical };

// A word to the user that needs no answer: a notification's title and text.
struct Notice {
    std::string title;
    std::string text;
    NoticeLevel level = NoticeLevel::Information;
};

// "Enregistrement commencé" / "« France 2 » est enregistré jusqu'à 22:30:00.", and
// the end with its outcome, reasons and files.
Notice NoticeOf(const ProgrammedRecordingNews& news);

// Why the machine must stay awake, for the desktop's lock on sleep: "Kalore
// enregistre « France 2 » jusqu'à 22:30 et « /…/record.avi »". `programmed` is null
// when no programmed recording runs; `recordNowFile` is empty when record now doesn't.
std::string KeepAwakeReason(const PendingRecording* programmed, const std::string& recordNowFile);

// The program's name, then what records now and what is programmed next, a line
// each; `next` is null when the trigger is off.
std::string StatusSummary(const PendingRecording* next,
                          const std::vector<RecordingProgress>& running);

} // namespace kalore
