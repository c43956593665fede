#pragma once

#include <functional>
#include <optional>
#include <string>

#include "schedule/entry_rules.h"
#include "schedule/recording_trigger.h"
#include "schedule/schedule_files.h"
#include "schedule/schedule_table.h"

namespace kalore {

class Clock;
class Host;
class Timer;

// The recording schedule the main window owns: the table and its URL list, their
// files (saved after every change) and the trigger of the next recording. The
// window's handlers call these and redraw the grid from table.onChanged.
class Schedule {
public:
    // `clockWatch` looks at the clock for the whole run (RecordingTrigger::WatchClock).
    Schedule(std::string programFolder, Host& host, const Clock& clock, Timer& startTimer,
             Timer& lengthTimer, Timer& clockWatch,
             StartScheduledRecordingFn startScheduledRecording);
    Schedule(const Schedule&) = delete;
    Schedule& operator=(const Schedule&) = delete;

    ScheduleTable& Table() { return table_; }
    RecordingTrigger& Trigger() { return trigger_; }

    // Start-up: reads the files, and settles the entries a closed or crashed
    // program left "Enregistrement.." (SettleInterruptedRecordings); then call
    // ArmNextRecording.
    ScheduleLoadResult File2StringGrid();
    bool StringGrid2File() { return files_.Save(table_); }
    void ArmNextRecording() { trigger_.ArmNextRecording(); }

    // "Programmer l'enregistrement": the three rules, then the entry and the
    // trigger. Refusals and damaged texts are shown to the user. True when added.
    bool AddScheduledRecording(const ScheduleEntryRequest& request);
    // The same, showing nothing: the refusal's message, or nothing when added. For
    // callers that add many entries and sum up the refusals themselves.
    std::optional<std::string> TryAddScheduledRecording(const ScheduleEntryRequest& request);
    // "Supprimer l'enregistrement".
    void DeleteSelectedEntry();
    // "Vider tous les enregistrements": stopRecorders asks every recorder to stop;
    // its failures are ignored. The trigger is switched off as well.
    void ClearAllEntries(const std::function<void()>& stopRecorders);
    // A programmed recording ended: its own entry shows its outcome (saved).
    void SetEntryStatus(std::uint64_t entryId, const std::string& status);

private:
    // Nothing records an entry loaded as "Enregistrement..": one whose slot is
    // still under way is handed back to the trigger, which records the rest beside
    // what was recorded; any other becomes "Incomplet".
    void SettleInterruptedRecordings();
    std::optional<std::string> Add(const ScheduleEntryRequest& request);

    Host& host_;
    const Clock& clock_;
    ScheduleTable table_;
    ScheduleFiles files_;
    RecordingTrigger trigger_;
};

} // namespace kalore
