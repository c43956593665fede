#include "recorder/mon_thread.h"

#include <future>

#include "platform/current_thread.h"
#include "recorder/lost_stream_kinds.h"
#include "recorder/recorder_command_line.h"
#include "recorder/recorder_locale.h"
#include "relay/relay.h"
#include "relay/relay_address.h"

namespace kalore {
namespace {

constexpr int kWaitStepMs = 100;
// Long enough for UDP to give way to TCP and the streams to be known.
constexpr std::chrono::seconds kBoxAnswerLimit{20};
const std::string kPlusLine(67, '+');

} // namespace

MonThread::MonThread(const RecorderSettings& settings, Host& host, MainThread& mainThread,
                     RecordingJob job, RecorderEvents events, std::string refusal)
    : settings_(settings), host_(host), mainThread_(mainThread),
      shared_(std::make_shared<Shared>()), taken_(job), playerPath_(settings.playerPath()),
      events_(std::move(events)), givenRefusal_(std::move(refusal)) {
    shared_->job = std::move(job);
}

MonThread::~MonThread() {
    Terminate();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void MonThread::Start() {
    std::promise<std::uint64_t> id;
    std::future<std::uint64_t> known = id.get_future();
    thread_ = std::thread([this, &id] {
        id.set_value(CurrentThreadId());
        Execute();
    });
    threadId_ = known.get();
}

void MonThread::Terminate() {
    std::lock_guard lock(stopMutex_);
    terminated_ = true;
    stopChanged_.notify_all();
}

void MonThread::CutChild() {
    cut_ = true;
}

void MonThread::NextRun(RecordingJob job) {
    std::lock_guard lock(stopMutex_);
    nextRun_ = std::move(job);
    stopChanged_.notify_all();
}

void MonThread::NoMoreRuns() {
    std::lock_guard lock(stopMutex_);
    noMoreRuns_ = true;
    stopChanged_.notify_all();
}

std::string MonThread::RecorderMode() const {
    return shared_->recording ? kRecorderModeRecording : "";
}

void MonThread::Log(std::string line) {
    mainThread_.Post([&host = host_, line = std::move(line)] { host.AppendLog(line); });
}

void MonThread::Report(RecorderEvent event, std::string detail) {
    mainThread_.Post([events = events_, event, detail = std::move(detail)] {
        if (events) {
            events(event, detail);
        }
    });
}

void MonThread::ShowRecordingTitle() {
    mainThread_.Post([&host = host_] { host.SetAppTitle("Recording.."); });
}

void MonThread::Execute() {
    RunRecording();
    // Only now: a child started from a thread at the lowest priority would inherit
    // it, and an unprivileged process can't raise it back.
    LowerCurrentThreadPriority();
    WaitForStop();
    if (child_) {
        bool closed = child_->Close();
        child_.reset();
        if (!closed) {
            Log("##Erreur de terminaison, merci de signaler cette erreur avec votre configuration "
                "à " +
                settings_.makerAddress);
        }
    }
    Log("fin thread affiché dans le thread!! id: " + std::to_string(threadId_));
    if (reader_) {
        // The child has gone, so its output has ended and the reader ends too.
        reader_->Join();
    }
    finished_ = true;
}

void MonThread::RunRecording() {
    Log("++++ début d'encodage ++++durée*" + taken_.Duration + "** position: **" + taken_.Position);
    if (!shared_->recording) {
        Log("++++ fin encodage ++++");
        Report(RecorderEvent::StepEnded);
        return;
    }
    mainThread_.Post([shared = shared_, caption = settings_.mainCaption] {
        shared->rememberedCaption = caption();
    });
    ShowRecordingTitle();
    const std::optional<std::vector<std::string>> arguments =
        RecorderArguments(playerPath_, ChildJob(taken_));
    if (!arguments) {
        Report(RecorderEvent::UnknownFormat);
    } else if (std::optional<std::string> refusal =
                   givenRefusal_.empty() ? RefuseUnsafeJob(taken_) : givenRefusal_) {
        Log(*refusal);
        Report(RecorderEvent::Refused, *refusal);
        FinishChildRun();
    } else if (std::optional<std::string> boxRefusal = BoxRefusal()) {
        Report(RecorderEvent::Refused, *boxRefusal);
        FinishChildRun();
    } else {
        RunChildren(*arguments);
    }
    Report(RecorderEvent::StepEnded);
    if (arguments) {
        if (taken_.IsTimed()) {
            mainThread_.Post([shared = shared_] { shared->job.Reset(); });
        }
        if (taken_.Format == kFormatH264) {
            Log(kPlusLine);
            Log((taken_.IsTimed() ? "Enregistrement terminé de : "
                                  : "Enregistrement normal de : ") +
                taken_.Url + " ..");
            Log(kPlusLine);
        }
    }
    mainThread_.Post(
        [shared = shared_, &host = host_] { host.SetAppTitle(shared->rememberedCaption); });
    Log("++++ fin encodage ++++");
}

void MonThread::RunChildren(const std::vector<std::string>& firstArguments) {
    RunDos(firstArguments);
    while (std::optional<RecordingJob> next = AwaitNextRun()) {
        const std::optional<std::vector<std::string>> arguments =
            RecorderArguments(playerPath_, ChildJob(*next));
        if (!arguments) {
            break;
        }
        shared_->recording = true;
        // The reader of the child that ended put the caption back.
        ShowRecordingTitle();
        RunDos(*arguments);
    }
}

RecordingJob MonThread::ChildJob(RecordingJob job) {
    if (settings_.relay && NeedsRelay(job.Url)) {
        const std::string local = settings_.relay->LocalAddress(job.Url);
        Log("Relais RTSP : " + job.Url + " est enregistré depuis " + local);
        // Any user can read vlc's command line: it gets the address in a private
        // playlist (the relay serves no other user anyway).
        const std::string playlist = settings_.relay->PlaylistFor(job.Url);
        job.Url = playlist.empty() ? local : playlist;
    }
    return job;
}

std::optional<std::string> MonThread::BoxRefusal() {
    if (!settings_.relay || !NeedsRelay(taken_.Url)) {
        return std::nullopt;
    }
    std::string refusal = settings_.relay->Open(taken_.Url, kBoxAnswerLimit);
    if (refusal.empty()) {
        return std::nullopt;
    }
    return refusal;
}

void MonThread::RunDos(const std::vector<std::string>& arguments) {
    cut_ = false;
    // A child that ended by itself kept its handles and its reader until now.
    if (child_) {
        child_->Close();
        child_.reset();
    }
    reader_.reset();
    ChildProcess::StartResult started = ChildProcess::Start(arguments, RecorderLocaleChanges());
    if (started.error == ChildProcess::StartError::Spawn) {
        Log("Erreur de processus, merci de signaler cette erreur avec votre configuration à " +
            settings_.makerAddress);
        Report(RecorderEvent::PlayerMissing, playerPath_);
    }
    if (!started.child) {
        FinishChildRun();
        return;
    }
    child_ = std::move(started.child);
    reader_ = std::make_unique<TStoReadPipeThread>(child_->TakeOutput(), host_, mainThread_,
                                                   settings_.mainCaption);
    reader_->onOutput = [this](std::string_view output) {
        const LostStreamKinds lost = LostStreamKindsIn(output);
        if (lost.video) {
            Report(RecorderEvent::StreamLost, "video");
        }
        if (lost.audio) {
            Report(RecorderEvent::StreamLost, "audio");
        }
    };
    reader_->Start();

    ChildProcess::WaitResult waited;
    do {
        waited = child_->WaitFor(kWaitStepMs);
        if (terminated_) {
            // Stop the reader first: what the child writes while it ends is not shown.
            reader_->Cancel();
            if (!child_->Terminate()) {
                Log("Erreur processus mémoire, merci de signaler cette erreur avec votre "
                    "configuration à " +
                    settings_.makerMemoryAddress);
            }
        }
    } while (waited == ChildProcess::WaitResult::TimedOut && !terminated_ && !cut_);
    if (terminated_) {
        EndChildRun();
        Log("--TH2 a été arrété dans rundos depuis le thread id: " + std::to_string(threadId_));
        Report(RecorderEvent::ChildStopped);
    } else if (cut_) {
        EndChildRun();
        Report(RecorderEvent::ChildCut);
    } else {
        Report(RecorderEvent::ChildEnded);
    }
    FinishChildRun();
}

void MonThread::EndChildRun() {
    // What the child writes while it ends is not shown.
    reader_->Cancel();
    bool closed = child_->Close();
    child_.reset();
    if (!closed) {
        Log("**Erreur de terminaison, merci de signaler cette erreur avec votre configuration à " +
            settings_.makerAddress);
    }
    reader_->Join();
}

void MonThread::FinishChildRun() {
    shared_->recording = false;
    Log("++++ TERIMINEEEEE ++++");
}

std::optional<RecordingJob> MonThread::AwaitNextRun() {
    std::unique_lock lock(stopMutex_);
    stopChanged_.wait(lock, [this] { return terminated_ || noMoreRuns_ || nextRun_.has_value(); });
    if (terminated_ || noMoreRuns_) {
        return std::nullopt;
    }
    std::optional<RecordingJob> next = std::move(nextRun_);
    nextRun_.reset();
    return next;
}

void MonThread::WaitForStop() {
    std::unique_lock lock(stopMutex_);
    stopChanged_.wait(lock, [this] { return terminated_.load(); });
}

} // namespace kalore
