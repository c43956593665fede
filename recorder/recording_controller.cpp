#include "recorder/recording_controller.h"

#include <algorithm>

#include "platform/sleep_lock.h"
#include "recorder/disk_space.h"
#include "recorder/recorder_command_line.h"
#include "schedule/date_time_text.h"

namespace kalore {
namespace {

constexpr std::uint32_t kWatchIntervalMs = 1000;

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string(bytes / kMega) + " Mo";
}

} // namespace

RecordingController::RecordingController(RecorderSettings settings, Host& host,
                                         MainThread& mainThread, const Clock& clock,
                                         Timer& lengthTimer, Timer& watchTimer)
    : settings_(std::move(settings)), host_(host), mainThread_(mainThread), clock_(clock),
      lengthTimer_(lengthTimer), watchTimer_(watchTimer) {
    watchTimer_.SetHandler([this] { Tick(); });
}

RecordingController::~RecordingController() {
    StopAllRecordings();
    if (!keptAwakeFor_.empty()) {
        settings_.sleepLock->Release();
    }
}

void RecordingController::Launch(std::shared_ptr<Recording>& slot, RecordingPlan plan,
                                 std::int64_t seconds) {
    std::erase_if(retired_, [](const auto& recording) { return recording->Thread().Finished(); });
    if (slot) {
        // A recording that is replaced must still end, or its child would run on.
        slot->Stop(StopReason::Replaced);
        retired_.push_back(std::move(slot));
    }
    WarnIfDiskShort(plan.job, seconds);
    plan.serial = ++lastSerial_;
    plan.onEnded = [this](const RecordingEnded& ended) {
        KeepAwake();
        if (onRecordingEnded) {
            onRecordingEnded(ended);
        }
    };
    if (onRecordingStarted) {
        onRecordingStarted({plan.serial, plan.entryId ? plan.job.Channel : std::string{},
                            plan.job.Format, plan.job.OutputFile, plan.entryId});
    }
    slot = Recording::Launch(settings_, host_, mainThread_, clock_, std::move(plan));
    latest_ = slot.get();
    host_.AppendLog("ID thread: " + std::to_string(slot->Thread().ThreadID()));
    if (!watchTimer_.IsActive()) {
        watchTimer_.Start(kWatchIntervalMs);
    }
    KeepAwake();
}

void RecordingController::KeepAwake() {
    if (settings_.sleepLock == nullptr) {
        return;
    }
    // Until the child has ended and the files are judged: a stopping recorder still writes.
    const auto runs = [](const std::shared_ptr<Recording>& recording) {
        return recording && !recording->Result();
    };
    const std::string why =
        KeepAwakeReason(runs(programmed_) ? &programmedEntry_ : nullptr,
                        runs(recordNow_) ? recordNow_->Progress().label : std::string());
    if (why == keptAwakeFor_) {
        return;
    }
    keptAwakeFor_ = why;
    if (why.empty()) {
        settings_.sleepLock->Release();
    } else {
        settings_.sleepLock->Hold(why);
    }
}

// Warned, not refused: the recording may well fit, and the disk guard stops it
// before the disk is full.
void RecordingController::WarnIfDiskShort(const RecordingJob& job, std::int64_t seconds) {
    const auto free = settings_.freeSpace(job.OutputFile);
    const std::uint64_t wanted = SpaceWantedFor(job.Format, seconds);
    if (!free || *free >= wanted) {
        return;
    }
    host_.AppendLog("-- Attention : " + Megabytes(*free) + " libres pour " + job.OutputFile +
                    ", cet enregistrement demande environ " + Megabytes(wanted));
    host_.NotifyUser("Il ne reste que " + Megabytes(*free) + " libres pour « " + job.OutputFile +
                     " », et cet enregistrement demande environ " + Megabytes(wanted) +
                     ".\rIl est lancé quand même, et sera arrêté s'il reste moins de " +
                     Megabytes(kDiskReserveBytes) + " libres.");
}

std::string RecordingController::FirstFreeName(const std::string& path) const {
    if (!settings_.fileSize(path)) {
        return path;
    }
    for (int number = 2;; ++number) {
        std::string candidate = ContinuationPath(path, number);
        if (!settings_.fileSize(candidate)) {
            return candidate;
        }
    }
}

void RecordingController::RecordNow(const std::string& url, const std::string& format,
                                    const std::string& outputPath, const std::string& channel) {
    RecordingPlan plan;
    const std::string path = NamesAFolder(outputPath)
                                 ? RecordNowFileName(outputPath, channel, format, clock_.Now())
                                 : outputPath;
    plan.job = {kUnset, url, kUnset, kUnset, format, path};
    // A file already at that path is kept: the recording goes beside it, and
    // the user is told where. A path that is refused stays as typed, for its message.
    const bool refused = RefuseUnsafeJob(plan.job).has_value();
    if (!refused) {
        plan.job.OutputFile = FirstFreeName(path);
        std::string where = "Cet enregistrement va dans « " + plan.job.OutputFile + " ».";
        if (plan.job.OutputFile != path) {
            where = "Le fichier « " + path +
                    " » existe déjà, il est gardé : cet enregistrement "
                    "va dans « " +
                    plan.job.OutputFile + " ».";
        }
        host_.AppendLog(where);
        host_.TellInPassing("Enregistrement commencé", where);
    }
    plan.label = plan.job.OutputFile;
    Launch(recordNow_, std::move(plan), 0);
    canRecordNow_ = false;
}

void RecordingController::StartScheduledRecording(const PendingRecording& due,
                                                  std::int64_t secondsToEnd) {
    RecordingPlan plan;
    const std::optional<std::string> name =
        ScheduledOutputName(settings_.programFolder, due.StartDate, due.StartTime, due.Format);
    if (!name) {
        plan.refusal = "Nom de fichier refusé, la date et l'heure de début doivent avoir la forme "
                       "jj/mm/aaaa hh:mm:ss";
    } else if (!IsDateText(due.EndDate) || !IsTimeText(due.EndTime)) {
        // As strict as the start: a damaged file's end would be read at fixed
        // positions, whatever follows them.
        plan.refusal = "Fin refusée, la date et l'heure de fin doivent avoir la forme "
                       "jj/mm/aaaa hh:mm:ss";
    }
    // An earlier recording of the same start (the program restarted during it)
    // is continued beside it, never written over.
    plan.job = {due.Channel,
                due.Url,
                std::to_string(due.positionGridProchainRecord),
                std::to_string(secondsToEnd),
                due.Format,
                name ? FirstFreeName(*name) : ""};
    plan.label = due.Channel;
    plan.entryId = due.EntryId;
    plan.slotText = due.StartDate + " à " + due.StartTime;
    const std::int64_t now = clock_.RealNow();
    try {
        plan.slotStart = InstantOfDateTime(due.StartDate, due.StartTime, kSlotStartReading);
    } catch (const ConversionError&) {
        plan.slotStart = now;
    }
    plan.slotEnd = now + secondsToEnd;
    plan.onOutcome = [this, due](RecordingResult result, const std::string& reasons,
                                 const std::vector<std::string>& files) {
        Tell({due, result, reasons, files});
    };
    host_.AppendLog("$$bug crev: chaine **" + due.Channel + "** url **" + due.Url + "**");
    // Told before the launch, so that its start always comes before its end.
    Tell({due, std::nullopt, {}});
    programmedEntry_ = due;
    Launch(programmed_, std::move(plan), secondsToEnd);
}

void RecordingController::Tell(const ProgrammedRecordingNews& news) const {
    if (onProgrammedNews) {
        onProgrammedNews(news);
    }
}

void RecordingController::StopRecordNow() {
    if (recordNow_) {
        host_.AppendLog("Test de terminer le ID thread: " +
                        std::to_string(recordNow_->Thread().ThreadID()));
        recordNow_->Stop(StopReason::User);
        recordNow_->Thread().Job().Reset();
    }
    canRecordNow_ = true;
}

void RecordingController::StopLatestRecording() {
    if (latest_) {
        latest_->Stop(StopReason::User);
    }
}

void RecordingController::EndProgrammedRecording() {
    if (programmed_) {
        host_.AppendLog("++ Timer termine le thread.. Test de terminer le ID thread: " +
                        std::to_string(programmed_->Thread().ThreadID()));
        programmed_->Stop(StopReason::End);
    } else {
        host_.AppendLog("Erreur terminaison de thread depuis le timer");
    }
    lengthTimer_.Stop();
}

bool RecordingController::StopRecording(std::uint64_t serial) {
    if (recordNow_ && recordNow_->Serial() == serial && !recordNow_->Result()) {
        StopRecordNow();
        return true;
    }
    if (programmed_ && programmed_->Serial() == serial && !programmed_->Result()) {
        programmed_->Stop(StopReason::User);
        lengthTimer_.Stop();
        return true;
    }
    return false;
}

void RecordingController::StopAllRecordings() {
    for (Recording* recording : {recordNow_.get(), programmed_.get()}) {
        if (recording) {
            recording->Stop(StopReason::User);
        }
    }
    for (auto& recording : retired_) {
        recording->Stop(StopReason::Replaced);
    }
}

void RecordingController::Tick() {
    bool running = false;
    for (Recording* recording : {recordNow_.get(), programmed_.get()}) {
        if (recording && !recording->Result()) {
            recording->Tick();
            running = running || !recording->Result();
        }
    }
    std::erase_if(retired_, [](const auto& recording) { return recording->Thread().Finished(); });
    if (!running) {
        watchTimer_.Stop();
    }
    KeepAwake();
    if (onChanged) {
        onChanged();
    }
}

std::vector<RecordingProgress> RecordingController::Progress() const {
    std::vector<RecordingProgress> running;
    for (const Recording* recording : {recordNow_.get(), programmed_.get()}) {
        if (recording && !recording->Result() && recording->StoppedBy() == StopReason::None) {
            running.push_back(recording->Progress());
        }
    }
    return running;
}

} // namespace kalore
