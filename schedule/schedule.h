#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "schedule/entry_rules.h"
#include "schedule/padded_slot.h"
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
    // A slot programmed from the guide: its margins, and those of the entries it
    // meets, give way where they alone would overlap (FitPaddedSlot); a real
    // overlap is refused naming the entry in the way. `request`'s dates are the
    // padded slot's. Shows nothing; nothing changes when refused.
    struct PaddedResult {
        std::optional<std::string> refusal;
        std::vector<std::string> marginsGivenUp; // what other entries gave up, told
    };
    PaddedResult TryAddPaddedSlot(ScheduleEntryRequest request, const PaddedSlot& slot,
                                  const std::function<std::optional<SlotBounds>(int)>& coreOf);
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
    // The length and start rules, each attempt logged; the overlap rule when asked.
    std::optional<std::string> Refusal(const ScheduleEntryRequest& request, bool overlap);
    void Append(const ScheduleEntryRequest& request);
    // "« TF1 » du 09/12/2026 de 07:00:00 à 07:40:00".
    std::string EntryText(int row) const;

    Host& host_;
    const Clock& clock_;
    ScheduleTable table_;
    ScheduleFiles files_;
    RecordingTrigger trigger_;
};

} // namespace kalore
