#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kalore {

class Clock;
class Host;
class ScheduleTable;
class Timer;

// The next programmed recording, as captured when the trigger was armed.
struct PendingRecording {
    int positionGridProchainRecord = 0;
    std::string Channel;
    std::string Url;
    std::string StartDate;
    std::string StartTime;
    std::string Duration; // whole seconds, decimal
    std::string Format;
    std::string EndDate;
    std::string EndTime;
    std::uint64_t EntryId = 0; // the row's entry, wherever deletions move it
};

// Hands a due recording to the recorder, to record until the entry's end,
// `secondsToEnd` from now (less than Duration when launched after its start).
using StartScheduledRecordingFn =
    std::function<void(const PendingRecording& due, std::int64_t secondsToEnd)>;

// The longest single wait of the trigger timer. The trigger re-reads the local
// clock each time it fires and launches only once the start second has come, so
// long waits, clock changes and a suspended machine can't make it early, and a
// step this short keeps a launch within about a second of its start after a jump;
// otherwise the last step ends on the start second, to the millisecond.
inline constexpr std::uint32_t kTriggerStepMs = 1000;

// A clock found wrong at login (a hardware clock kept in local time) is put right by
// network time within the first minutes. So the clock is trusted to declare a slot
// missed only once Kalore has run kClockSettleLooks looks of the clock watch (two
// minutes of real time, whatever the clock says meanwhile), unless the slot ended
// longer ago than any clock is wrong at login: more than a time zone's offset.
inline constexpr std::uint32_t kClockWatchMs = 10000;
inline constexpr int kClockSettleLooks = 12;
inline constexpr std::int64_t kClockDoubtSeconds = 14 * 3600;

// Finds the next "Programmé" entry, arms the start timer for its start and
// launches it: marks the row, calls the recorder and arms the length timer with
// the time left to the entry's end. An entry whose slot is already under way (the
// program started, or the clock jumped, during it) is launched at once for the
// rest of its slot; one whose end has passed is never launched and becomes
// "Manqué", told once. A "Manqué" entry whose slot is to come again (the clock was
// wrong, and has been put right) is "Programmé" again. Starts and ends are real
// instants in the user's time zone (kSlotStartReading, kSlotEndReading), so waits and
// lengths hold across clock changes. Takes the handlers of the start timer and of the
// clock watch, which looks at the clock every kClockWatchMs for the whole run. Main
// thread only.
class RecordingTrigger {
public:
    RecordingTrigger(ScheduleTable& table, const Clock& clock, Timer& startTimer,
                     Timer& lengthTimer, Timer& clockWatch, Host& host,
                     StartScheduledRecordingFn startScheduledRecording);

    // The row of the "Programmé" entry starting soonest (at least one second ahead,
    // or under way, which comes first; ties go to the upper row), or -1. Logs every
    // candidate. Throws for damaged texts.
    int FindNextRecording();
    // Captures the next entry and arms the start timer, or switches it off when there
    // is none.
    // A damaged row or a short URL list leaves the trigger off, never half-filled.
    void ArmNextRecording();
    // The start timer fired: launches the captured entry once the clock has reached
    // its start, else waits on; drops it when its end has passed.
    void LaunchIfDue();
    // Switches the trigger off (the schedule was cleared).
    void Disarm();
    // Marks "Manqué" every "Programmé" entry whose end has passed by a trusted clock,
    // logs each and tells them in one notice and through onMissed; and makes
    // "Programmé" again every "Manqué" entry whose end is to come. Done by every search.
    void MarkMissedSlots();
    // The clock watch: once the clock is trusted, or when it was put back so that a
    // missed slot is to come again, searches again.
    void WatchClock();

    // The text of the notice of missed slots, for the tray too.
    std::function<void(const std::string& text)> onMissed;

    bool IsArmed() const { return armed_; }
    const PendingRecording& Pending() const { return pending_; }

private:
    bool UnderWay(int row, std::int64_t nowSeconds) const;
    // Whether a "Programmé" entry that ended at `end` is missed now.
    bool MissedBy(std::int64_t end, std::int64_t now) const;
    void RestoreSlotsToCome(std::int64_t now);
    bool AnyRow(const char* status, const std::function<bool(std::int64_t end)>& holds) const;
    void Launch(std::int64_t secondsToEnd);
    void LaunchPending(std::int64_t secondsToEnd);

    ScheduleTable& table_;
    const Clock& clock_;
    Timer& startTimer_;
    Timer& lengthTimer_;
    Timer& clockWatch_;
    Host& host_;
    StartScheduledRecordingFn startScheduledRecording_;
    PendingRecording pending_;
    bool armed_ = false;
    int clockLooks_ = 0;
    // A launch under way: a timer that fires again meanwhile (a box opened under
    // the launch) must not launch it twice.
    bool launching_ = false;
};

} // namespace kalore
