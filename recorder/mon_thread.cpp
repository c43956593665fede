#include "recorder/mon_thread.h"

#include <future>

#include "platform/command_line.h"
#include "platform/current_thread.h"
#include "recorder/recorder_command_line.h"

namespace kalore {
namespace {

constexpr int kWaitStepMs = 100;
const std::string kPlusLine(67, '+');

} // namespace

MonThread::MonThread(const RecorderSettings& settings, Host& host, MainThread& mainThread,
                     RecordingJob job)
    : settings_(settings), host_(host), mainThread_(mainThread),
      shared_(std::make_shared<Shared>()), taken_(job), playerPath_(settings.playerPath()) {
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

std::string MonThread::RecorderMode() const {
    return shared_->recording ? kRecorderModeRecording : "";
}

void MonThread::Log(std::string line) {
    mainThread_.Post([&host = host_, line = std::move(line)] { host.AppendLog(line); });
}

void MonThread::Execute() {
    RunRecording();
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
    MarkFinishedRows();
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
        return;
    }
    mainThread_.Post([shared = shared_, &host = host_, caption = settings_.mainCaption] {
        shared->rememberedCaption = caption();
        host.SetAppTitle("Recording..");
    });
    std::optional<std::string> commandLine = BuildRecorderCommandLine(playerPath_, taken_);
    if (commandLine) {
        if (std::optional<std::string> refusal = RefuseUnsafeJob(playerPath_, taken_)) {
            Log(*refusal);
            FinishChildRun();
        } else {
            RunDos(*commandLine);
        }
        if (taken_.IsTimed()) {
            mainThread_.Post([shared = shared_, mark = settings_.markFinishedRows] {
                if (mark) {
                    mark();
                }
                shared->job.Reset();
            });
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

void MonThread::RunDos(const std::string& commandLine) {
    ChildProcess::StartResult started = ChildProcess::Start(SplitCommandLine(commandLine));
    // Lowered only now: the child would inherit the lowest priority, and an
    // unprivileged process can't raise it back.
    LowerCurrentThreadPriority();
    if (started.error == ChildProcess::StartError::Spawn) {
        Log("Erreur de processus, merci de signaler cette erreur avec votre configuration à " +
            settings_.makerAddress);
    }
    if (!started.child) {
        FinishChildRun();
        return;
    }
    child_ = std::move(started.child);
    reader_ = std::make_unique<TStoReadPipeThread>(child_->TakeOutput(), host_, mainThread_,
                                                   settings_.mainCaption);
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
    } while (waited == ChildProcess::WaitResult::TimedOut && !terminated_);
    if (terminated_) {
        bool closed = child_->Close();
        child_.reset();
        if (!closed) {
            Log("**Erreur de terminaison, merci de signaler cette erreur avec votre configuration "
                "à " +
                settings_.makerAddress);
        }
        reader_->Cancel();
        reader_->Join();
        Log("--TH2 a été arrété dans rundos depuis le thread id: " + std::to_string(threadId_));
    }
    FinishChildRun();
}

void MonThread::FinishChildRun() {
    shared_->recording = false;
    Log("++++ TERIMINEEEEE ++++");
}

void MonThread::MarkFinishedRows() {
    mainThread_.Post([shared = shared_, mark = settings_.markFinishedRows] {
        if (shared->job.IsTimed() && mark) {
            mark();
        }
    });
}

void MonThread::WaitForStop() {
    std::unique_lock lock(stopMutex_);
    stopChanged_.wait(lock, [this] { return terminated_.load(); });
}

} // namespace kalore
