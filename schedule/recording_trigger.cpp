#include "schedule/recording_trigger.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <vector>

#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"
#include "seams/clock.h"
#include "seams/host.h"
#include "seams/timer.h"

namespace kalore {
namespace {

const std::string kDollars(64, '$');
// The notice of missed slots names this many; the log names them all.
constexpr std::size_t kMissedNamed = 10;
const std::string kStars(64, '*');

// The start timer's next wait, to the millisecond: a launch lands on its start
// second rather than anywhere in the second after it.
std::uint32_t StepTo(std::int64_t start, const Clock& clock) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(start * 1000 - clock.RealNowMilliseconds(), 0, kTriggerStepMs));
}

std::uint32_t MillisecondsOf(const std::string& seconds) {
    const long long value = std::stoll(seconds);
    return static_cast<std::uint32_t>(
        std::clamp<long long>(value * 1000, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

RecordingTrigger::RecordingTrigger(ScheduleTable& table, const Clock& clock, Timer& startTimer,
                                   Timer& lengthTimer, Timer& clockWatch, Host& host,
                                   StartScheduledRecordingFn startScheduledRecording)
    : table_(table), clock_(clock), startTimer_(startTimer), lengthTimer_(lengthTimer),
      clockWatch_(clockWatch), host_(host),
      startScheduledRecording_(std::move(startScheduledRecording)) {
    startTimer_.SetHandler([this] { LaunchIfDue(); });
    clockWatch_.SetHandler([this] { WatchClock(); });
    clockWatch_.Start(kClockWatchMs);
}

int RecordingTrigger::FindNextRecording() {
    const std::int64_t nowSeconds = clock_.RealNow();
    std::int64_t best = 0;
    int result = -1;
    std::string line;
    // A slot under way is due now, unless a programmed recording runs: entries
    // that overlap it (edited files) must not cut it short.
    bool recording = false;
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        recording = recording || table_.Cell(row, kStatusColumn) == kStatusRecording;
    }
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        if (table_.Cell(row, kStatusColumn) != kStatusProgrammed) {
            continue;
        }
        const std::int64_t secs = table_.StartInstant(row) - nowSeconds;
        if ((secs > 0 || (!recording && UnderWay(row, nowSeconds))) &&
            (result == -1 || std::max<std::int64_t>(secs, 0) < best)) {
            best = std::max<std::int64_t>(secs, 0);
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

// A damaged end keeps a started entry out of the search, as it did before slots
// under way were recorded.
bool RecordingTrigger::UnderWay(int row, std::int64_t nowSeconds) const {
    try {
        return table_.EndInstant(row) > nowSeconds;
    } catch (const ConversionError&) {
        return false;
    }
}

bool RecordingTrigger::MissedBy(std::int64_t end, std::int64_t now) const {
    return end <= now && (clockLooks_ >= kClockSettleLooks || now - end >= kClockDoubtSeconds);
}

bool RecordingTrigger::AnyRow(const char* status,
                              const std::function<bool(std::int64_t end)>& holds) const {
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        try {
            if (table_.Cell(row, kStatusColumn) == status && holds(table_.EndInstant(row))) {
                return true;
            }
        } catch (const ConversionError&) {
            // A damaged entry is no slot anyone could record.
        }
    }
    return false;
}

void RecordingTrigger::WatchClock() {
    const std::int64_t now = clock_.RealNow();
    const bool settling = clockLooks_ < kClockSettleLooks && ++clockLooks_ == kClockSettleLooks;
    if ((settling && AnyRow(kStatusProgrammed, [&](auto end) { return MissedBy(end, now); })) ||
        AnyRow(kStatusMissed, [now](std::int64_t end) { return end > now; })) {
        ArmNextRecording();
    }
}

void RecordingTrigger::RestoreSlotsToCome(std::int64_t now) {
    std::vector<int> rows;
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        try {
            if (table_.Cell(row, kStatusColumn) == kStatusMissed && table_.EndInstant(row) > now) {
                rows.push_back(row);
                host_.AppendLog("-- Créneau de nouveau à venir, l'horloge a été corrigée : ligne " +
                                std::to_string(row) + " Programmé");
            }
        } catch (const ConversionError&) {
            // A damaged entry stays as it is.
        }
    }
    if (!rows.empty()) {
        table_.SetStatuses(rows, kStatusProgrammed);
    }
}

void RecordingTrigger::MarkMissedSlots() {
    const std::int64_t now = clock_.RealNow();
    RestoreSlotsToCome(now);
    std::vector<int> rows;
    std::string missed;
    for (int row = 1; row <= table_.RowCount() - 2; ++row) {
        if (table_.Cell(row, kStatusColumn) != kStatusProgrammed) {
            continue;
        }
        try {
            if (!MissedBy(table_.EndInstant(row), now)) {
                continue;
            }
        } catch (const ConversionError&) {
            continue; // a damaged entry is no slot anyone could have recorded
        }
        rows.push_back(row);
        host_.AppendLog("-- Créneau passé sans enregistrement : ligne " + std::to_string(row) +
                        " Manqué");
        if (rows.size() > kMissedNamed) {
            continue;
        }
        // Line feeds: the desktop's notifications break lines on them only.
        missed += (missed.empty() ? "" : "\n") + std::string("L'enregistrement de « ") +
                  table_.Cell(row, kChannelColumn) + " » du " + table_.Cell(row, kStartDateColumn) +
                  " à " + table_.Cell(row, kStartTimeColumn) +
                  " est manqué : son créneau est passé sans enregistrement.";
    }
    if (rows.size() > kMissedNamed) {
        missed += "\n… et " + std::to_string(rows.size() - kMissedNamed) +
                  " autres enregistrements manqués.";
    }
    if (!missed.empty()) {
        // One save for all: a schedule left for months may hold thousands.
        table_.SetStatuses(rows, kStatusMissed);
        host_.NotifyUser(missed);
        if (onMissed) {
            onMissed(missed);
        }
    }
}

void RecordingTrigger::ArmNextRecording() {
    try {
        MarkMissedSlots();
        host_.AppendLog(kDollars);
        const std::int64_t now = clock_.RealNow();
        const int row = FindNextRecording();
        if (row == -1) {
            host_.AppendLog("*** Aucun enregistrement ne sera programmé, timer désactivé!");
            Disarm();
        } else {
            // Filled aside and taken only once complete, so a damaged row can't
            // leave the trigger armed with half of another entry.
            PendingRecording next;
            next.positionGridProchainRecord = row;
            // Real seconds: a slot across a clock change lasts an hour more or less
            // than its wall-clock times say.
            next.Duration = std::to_string(table_.EndInstant(row) - table_.StartInstant(row));
            host_.AppendLog("!!positionGridProchainRecord: " + std::to_string(row));
            next.Url = table_.UrlOfRow(row);
            next.Channel = table_.Cell(row, kChannelColumn);
            next.StartDate = table_.Cell(row, kStartDateColumn);
            next.StartTime = table_.Cell(row, kStartTimeColumn);
            next.Format = table_.Cell(row, kFormatColumn);
            next.EndDate = table_.Cell(row, kEndDateColumn);
            next.EndTime = table_.Cell(row, kEndTimeColumn);
            next.EntryId = table_.EntryId(row);
            const std::int64_t secs = std::max<std::int64_t>(0, table_.StartInstant(row) - now);
            pending_ = std::move(next);
            armed_ = true;
            startTimer_.Start(StepTo(table_.StartInstant(row), clock_));
            // The whole wait, in 64 bits: waits beyond 49 days don't wrap.
            host_.AppendLog("Timer set à: " +
                            std::to_string(static_cast<std::uint64_t>(secs) * 1000));
        }
        host_.AppendLog(kDollars);
    } catch (const std::exception&) {
        Disarm();
    }
}

void RecordingTrigger::LaunchIfDue() {
    if (launching_) {
        return;
    }
    if (!armed_) {
        startTimer_.Stop();
        return;
    }
    std::int64_t start = 0;
    std::int64_t now = 0;
    std::int64_t secondsToEnd = 0;
    try {
        now = clock_.RealNow();
        start = InstantOfDateTime(pending_.StartDate, pending_.StartTime, kSlotStartReading);
        secondsToEnd = InstantOfDateTime(pending_.EndDate, pending_.EndTime, kSlotEndReading) - now;
    } catch (const std::exception&) {
        Disarm();
        return;
    }
    if (start > now) {
        startTimer_.Start(StepTo(start, clock_));
        return;
    }
    // The clock jumped, or the machine slept, past the whole slot: recording now
    // would record the wrong programme. The search marks it "Manqué".
    if (secondsToEnd <= 0) {
        host_.AppendLog("$$$$ Fin dépassée, l'enregistrement de la ligne " +
                        std::to_string(pending_.positionGridProchainRecord) +
                        " n'est pas lancé: " + pending_.EndDate + "/" + pending_.EndTime);
        Disarm();
        ArmNextRecording();
        return;
    }
    Launch(secondsToEnd);
}

void RecordingTrigger::Launch(std::int64_t secondsToEnd) {
    struct Launching {
        bool& flag;
        explicit Launching(bool& f) : flag(f) { flag = true; }
        ~Launching() { flag = false; }
    };
    {
        const Launching launching(launching_);
        // Off before anything can open a box: its loop runs this timer too.
        Disarm();
        LaunchPending(secondsToEnd);
    }
    ArmNextRecording();
}

void RecordingTrigger::LaunchPending(std::int64_t secondsToEnd) {
    const PendingRecording due = pending_;
    const std::string position = std::to_string(due.positionGridProchainRecord);
    const std::string lengthSeconds = std::to_string(secondsToEnd);
    host_.AppendLog(kStars);
    host_.AppendLog("L'enregistrement va commencer");
    host_.AppendLog("Chaine: " + due.Channel);
    host_.AppendLog("URL: " + due.Url);
    host_.AppendLog("Position de l'enregistrement dans la liste: " + position);
    host_.AppendLog("Durée: " + due.Duration);
    host_.AppendLog("Date début/Heur début: " + due.StartDate + "/" + due.StartTime);
    // The entry's row, wherever deletions have moved it since the trigger was armed.
    const int row = table_.RowOfEntry(due.EntryId);
    table_.SetStatus(row, kStatusRecording);
    if (startScheduledRecording_) {
        startScheduledRecording_(due, secondsToEnd);
    }
    host_.AppendLog("++ Timer 2 est set à: " + lengthSeconds);
    lengthTimer_.Start(MillisecondsOf(lengthSeconds));
    host_.AppendLog(kStars);
}

void RecordingTrigger::Disarm() {
    startTimer_.Stop();
    armed_ = false;
}

} // namespace kalore
