#include "schedule/schedule.h"

#include "schedule/date_time_text.h"
#include "seams/clock.h"
#include "seams/host.h"

namespace kalore {

Schedule::Schedule(std::string programFolder, Host& host, const Clock& clock, Timer& startTimer,
                   Timer& lengthTimer, Timer& clockWatch,
                   StartScheduledRecordingFn startScheduledRecording)
    : host_(host), clock_(clock), files_(std::move(programFolder), host, clock),
      trigger_(table_, clock, startTimer, lengthTimer, clockWatch, host,
               std::move(startScheduledRecording)) {
    files_.Attach(table_);
}

ScheduleLoadResult Schedule::File2StringGrid() {
    ScheduleLoadResult result = files_.Load(table_);
    if (result.outcome == ScheduleLoad::Loaded) {
        SettleInterruptedRecordings();
    }
    return result;
}

void Schedule::SettleInterruptedRecordings() {
    const std::int64_t now = clock_.RealNow();
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        if (table_.Cell(row, kStatusColumn) != kStatusRecording) {
            continue;
        }
        bool underWay = false;
        try {
            underWay = table_.StartInstant(row) <= now && now < table_.EndInstant(row);
        } catch (const ConversionError&) {
            // A damaged entry can't be recorded.
        }
        const std::string entry = "« " + table_.Cell(row, kChannelColumn) + " » du " +
                                  table_.Cell(row, kStartDateColumn) + " à " +
                                  table_.Cell(row, kStartTimeColumn);
        table_.SetStatus(row, underWay ? kStatusProgrammed : kStatusIncomplete);
        if (underWay) {
            host_.AppendLog("-- Enregistrement interrompu, la fin de son créneau va être "
                            "enregistrée : ligne " +
                            std::to_string(row));
        } else {
            host_.AppendLog("-- Enregistrement interrompu : ligne " + std::to_string(row) +
                            " Incomplet");
            host_.NotifyUser("L'enregistrement de " + entry +
                             " est incomplet : Kalore a été fermé pendant l'enregistrement.");
        }
    }
}

void Schedule::SetEntryStatus(std::uint64_t entryId, const std::string& status) {
    table_.SetStatus(table_.RowOfEntry(entryId), status);
}

bool Schedule::AddScheduledRecording(const ScheduleEntryRequest& request) {
    const std::optional<std::string> refusal = TryAddScheduledRecording(request);
    if (refusal) {
        host_.ShowMessage(*refusal);
    }
    return !refusal;
}

std::optional<std::string> Schedule::TryAddScheduledRecording(const ScheduleEntryRequest& request) {
    try {
        return Add(request);
    } catch (const ConversionError& error) {
        return error.what();
    }
}

namespace {

constexpr const char* kOverlapRefusal =
    "Le début et fin de l'enregistrement chevauche un enregistrement existant !!";

} // namespace

std::optional<std::string> Schedule::Add(const ScheduleEntryRequest& r) {
    if (auto refusal = Refusal(r, true)) {
        return refusal;
    }
    Append(r);
    return std::nullopt;
}

std::optional<std::string> Schedule::Refusal(const ScheduleEntryRequest& r, bool overlap) {
    const LocalDateTime now = clock_.Now();
    const auto length = DateTimeDiffSeconds(r.startDate, r.startTime, r.endDate, r.endTime);
    host_.AppendLog("--Nombre de secondes de différence entre le début et la fin: " +
                    std::to_string(length));
    if (length <= 0) {
        return "La durée d'enregistrement est erronée!!\rMerci de corriger les dates et heurs "
               "(début/fin).";
    }
    const auto ahead = DateTimeDiffSeconds(DateText(now), TimeText(now), r.startDate, r.startTime);
    host_.AppendLog("--Nombre de secondes de différence entre la date du début et maintenant: " +
                    std::to_string(ahead));
    if (ahead <= 0) {
        return "L'heur du début de l'enregistrement est dépassée!!\rMerci de corriger les dates "
               "et heurs (début/fin).";
    }
    if (overlap && !CheckNoOverlap(table_, r.startDate, r.startTime, r.endDate, r.endTime)) {
        return std::string(kOverlapRefusal) + "\rMerci de corriger les dates et heurs (début/fin).";
    }
    return std::nullopt;
}

void Schedule::Append(const ScheduleEntryRequest& r) {
    table_.AppendEntry(
        {r.channel, r.startDate, r.startTime, r.endDate, r.endTime, kStatusProgrammed, r.format},
        r.url, r.title);
    trigger_.ArmNextRecording();
}

std::string Schedule::EntryText(int row) const {
    std::string text = "« " + table_.Cell(row, kChannelColumn) + " »";
    if (const std::string title = table_.Title(row); !title.empty()) {
        text += " (" + title + ")";
    }
    return text + " du " + table_.Cell(row, kStartDateColumn) + " de " +
           table_.Cell(row, kStartTimeColumn) + " à " + table_.Cell(row, kEndTimeColumn);
}

Schedule::PaddedResult
Schedule::TryAddPaddedSlot(ScheduleEntryRequest request, const PaddedSlot& slot,
                           const std::function<std::optional<SlotBounds>(int)>& coreOf) {
    try {
        const SlotFit fit = FitPaddedSlot(table_, slot, coreOf, SecondsOf(clock_.Now()));
        if (fit.conflictRow > 0) {
            return {std::string(kOverlapRefusal) + "\rIl chevauche " + EntryText(fit.conflictRow) +
                        ".",
                    {}};
        }
        if (fit.conflictRow == 0) {
            return {std::string(kOverlapRefusal) +
                        "\rIl n'y a pas de place entre les enregistrements qui l'entourent.",
                    {}};
        }
        const LocalDateTime start = DateTimeOfSeconds(fit.bounds.start);
        const LocalDateTime end = DateTimeOfSeconds(fit.bounds.end);
        request.startDate = DateText(start);
        request.startTime = TimeText(start);
        request.endDate = DateText(end);
        request.endTime = TimeText(end);
        if (auto refusal = Refusal(request, false)) {
            return {refusal, {}};
        }
        PaddedResult result;
        for (const auto& [row, bounds] : fit.cuts) {
            const bool end = bounds.start == table_.StartSeconds(row);
            const std::string entry = EntryText(row);
            table_.SetBounds(row, bounds.start, bounds.end);
            result.marginsGivenUp.push_back(
                "L'enregistrement " + entry + (end ? " finira à " : " commencera à ") +
                table_.Cell(row, end ? kEndTimeColumn : kStartTimeColumn) +
                ", pour laisser la place au nouveau.");
            host_.AppendLog("-- " + result.marginsGivenUp.back());
        }
        Append(request);
        return result;
    } catch (const ConversionError& error) {
        return {error.what(), {}};
    }
}

void Schedule::DeleteSelectedEntry() {
    const int row = table_.SelectedRow();
    if (!table_.IsEntryRow(row)) {
        return;
    }
    if (table_.Cell(row, kStatusColumn) == kStatusRecording) {
        host_.ShowMessage("L'enregistrement sélectionné est en cours, il ne peut être arrêté!");
        return;
    }
    // The selection stays on row r: now the entry that followed, or the input row.
    table_.RemoveEntry(row);
    trigger_.ArmNextRecording();
}

void Schedule::ClearAllEntries(const std::function<void()>& stopRecorders) {
    table_.ClearEntries();
    // A cleared schedule has nothing left to launch.
    trigger_.Disarm();
    try {
        if (stopRecorders) {
            stopRecorders();
        }
    } catch (...) {
        // Nothing to stop is no failure worth a message.
    }
}

} // namespace kalore
