#include "schedule/recording_trigger.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "app/clock.h"
#include "app/host.h"
#include "app/timer.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {
namespace {

const std::string kDollars(64, '$');
const std::string kStars(64, '*');

std::uint32_t StepFor(std::int64_t secondsLeft) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(secondsLeft * 1000, 0, kTriggerStepMs));
}

std::uint32_t MillisecondsOf(const std::string& seconds) {
    const long long value = std::stoll(seconds);
    return static_cast<std::uint32_t>(
        std::clamp<long long>(value * 1000, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

RecordingTrigger::RecordingTrigger(ScheduleTable& table, const Clock& clock, Timer& timer1,
                                   Timer& timer2, Host& host,
                                   StartScheduledRecordingFn startScheduledRecording)
    : table_(table), clock_(clock), timer1_(timer1), timer2_(timer2), host_(host),
      startScheduledRecording_(std::move(startScheduledRecording)) {
    timer1_.SetHandler([this] { Timer1Timer(); });
}

int RecordingTrigger::FindNextRecording() {
    const LocalDateTime now = clock_.Now();
    const std::int64_t nowSeconds = SecondsOfDateTime(DateText(now), TimeText(now));
    std::int64_t best = 0;
    int result = -1;
    std::string line;
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        if (table_.Cell(row, kStatusColumn) != kStatusProgrammed) {
            continue;
        }
        const std::int64_t secs = table_.StartSeconds(row) - nowSeconds;
        if (secs > 0 && (result == -1 || secs < best)) {
            best = secs;
            result = row;
        }
        // One buffer for the line of every row: a big schedule logs thousands.
        line.assign("** Record: **");
        line.append(table_.Cell(row, kStartDateColumn));
        line.append("**/**");
        line.append(table_.Cell(row, kStartTimeColumn));
        line.append("** Reste (s) pour commencer: ");
        line.append(std::to_string(secs));
        host_.AppendLog(line);
    }
    if (result == -1) {
        host_.AppendLog("$$$$* Acun enregistrement ne sera programmé");
    } else {
        host_.AppendLog("$$$$*** la ligen prochaine a enregistrer: " + std::to_string(result));
    }
    return result;
}

void RecordingTrigger::ArmNextRecording() {
    try {
        host_.AppendLog(kDollars);
        const LocalDateTime now = clock_.Now();
        const int row = FindNextRecording();
        if (row == -1) {
            host_.AppendLog("*** Aucun enregistrement ne sera programmé, timer désactivé!");
            Disarm();
        } else {
            // Filled aside and taken only once complete, so a damaged row can't
            // leave the trigger armed with half of another entry.
            PendingRecording next;
            next.positionGridProchainRecord = row;
            next.Duration = std::to_string(table_.EndSeconds(row) - table_.StartSeconds(row));
            host_.AppendLog("!!positionGridProchainRecord: " + std::to_string(row));
            next.Url = table_.UrlOfRow(row);
            next.Channel = table_.Cell(row, kChannelColumn);
            next.StartDate = table_.Cell(row, kStartDateColumn);
            next.StartTime = table_.Cell(row, kStartTimeColumn);
            next.Format = table_.Cell(row, kFormatColumn);
            const std::int64_t secs =
                DateTimeDiffSeconds(DateText(now), TimeText(now), next.StartDate, next.StartTime);
            pending_ = std::move(next);
            armed_ = true;
            timer1_.Start(StepFor(secs));
            // The whole wait, in 64 bits: waits beyond 49 days don't wrap.
            host_.AppendLog("Timer set à: " +
                            std::to_string(static_cast<std::uint64_t>(secs) * 1000));
        }
        host_.AppendLog(kDollars);
    } catch (const std::exception&) {
        Disarm();
    }
}

void RecordingTrigger::Timer1Timer() {
    if (!armed_) {
        timer1_.Stop();
        return;
    }
    std::int64_t secondsLeft = 0;
    try {
        const LocalDateTime now = clock_.Now();
        secondsLeft = DateTimeDiffSeconds(DateText(now), TimeText(now), pending_.StartDate,
                                          pending_.StartTime);
    } catch (const std::exception&) {
        Disarm();
        return;
    }
    if (secondsLeft > 0) {
        timer1_.Start(StepFor(secondsLeft));
        return;
    }
    Launch();
}

void RecordingTrigger::Launch() {
    const PendingRecording due = pending_;
    const std::string position = std::to_string(due.positionGridProchainRecord);
    host_.AppendLog(kStars);
    host_.AppendLog("L'enregistrement va commencer");
    host_.AppendLog("Chaine: " + due.Channel);
    host_.AppendLog("URL: " + due.Url);
    host_.AppendLog("Position de l'enregistrement dans la liste: " + position);
    host_.AppendLog("Durée: " + due.Duration);
    host_.AppendLog("Date début/Heur début: " + due.StartDate + "/" + due.StartTime);
    table_.SetStatus(due.positionGridProchainRecord, kStatusRecording);
    if (startScheduledRecording_) {
        startScheduledRecording_(due);
    }
    host_.AppendLog("++ Timer 2 est set à: " + due.Duration);
    timer2_.Start(MillisecondsOf(due.Duration));
    host_.AppendLog(kStars);
    Disarm();
    ArmNextRecording();
}

void RecordingTrigger::Disarm() {
    timer1_.Stop();
    armed_ = false;
}

} // namespace kalore
