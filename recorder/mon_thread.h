#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "recorder/pipe_reader.h"
#include "recorder/recorder_settings.h"
#include "recorder/recording_job.h"
#include "seams/host.h"
#include "seams/main_thread.h"

namespace kalore {

// What the recorder thread tells the main thread about its job, in order.
enum class RecorderEvent {
    ChildEnded,    // the child ended by itself (stream ended or refused, vlc failed)
    ChildCut,      // the child was ended on CutChild
    ChildStopped,  // the child was ended by the stop request
    PlayerMissing, // the child could not be started; detail: the player path
    Refused,       // the job was refused before start; detail: the log line
    UnknownFormat, // no child for a format that is neither name
    StepEnded,     // the recording step is over: nothing more will be recorded
    StreamLost,    // the child could not keep a kind of the source's streams; detail: "video" or
                   // "audio"
};
using RecorderEvents = std::function<void(RecorderEvent event, const std::string& detail)>;

// One recording: runs the recorder child for its own job on a thread of its
// own, and after an outage the further children the main thread asks for, then
// waits for its stop request. Created, asked and destroyed on the main thread;
// everything it shows or tells goes through MainThread, in order.
class MonThread {
public:
    // `refusal`: why the job must not run, known before it starts (a log line).
    MonThread(const RecorderSettings& settings, Host& host, MainThread& mainThread,
              RecordingJob job, RecorderEvents events, std::string refusal = {});
    // Stops the recording and waits for the thread. The MainThread must be shut
    // down first (or be pumped elsewhere), since the reader may be waiting on it.
    ~MonThread();
    MonThread(const MonThread&) = delete;
    MonThread& operator=(const MonThread&) = delete;

    // Starts the thread; returns once its id is known.
    void Start();
    std::uint64_t ThreadID() const { return threadId_; }
    void Terminate();
    bool Finished() const { return finished_; }

    // Ends the running child without stopping the recording: the thread then
    // waits for NextRun or NoMoreRuns (or the stop request).
    void CutChild();
    // After a child has ended (by itself or cut): run another for this job.
    void NextRun(RecordingJob job);
    // After a child has ended: nothing more to run; the recording step closes.
    void NoMoreRuns();

    // Main thread only: the job, which the recording step resets after a timed run.
    RecordingJob& Job() { return shared_->job; }
    // "record tv" until a stop or the end of the child run, then empty.
    std::string RecorderMode() const;
    void ClearRecorderMode() { shared_->recording = false; }

private:
    // State that outlives the thread object inside tasks handed to the main thread.
    struct Shared {
        RecordingJob job;
        std::atomic<bool> recording{true};
        std::string rememberedCaption;
    };

    void Execute();
    void RunRecording();
    void RunChildren(const std::vector<std::string>& firstArguments);
    void RunDos(const std::vector<std::string>& arguments);
    void EndChildRun();
    void FinishChildRun();
    std::optional<RecordingJob> AwaitNextRun();
    void WaitForStop();
    void Log(std::string line);
    void Report(RecorderEvent event, std::string detail = {});
    void ShowRecordingTitle();
    // The job as the child reads it: an rtsp:// channel at the relay's local address.
    RecordingJob ChildJob(RecordingJob job);
    // Opens a relayed channel's box session before the child starts: the box's
    // refusal, if it refused.
    std::optional<std::string> BoxRefusal();

    const RecorderSettings& settings_;
    Host& host_;
    MainThread& mainThread_;
    std::shared_ptr<Shared> shared_;
    const RecordingJob taken_;
    const std::string playerPath_;
    const RecorderEvents events_;
    const std::string givenRefusal_;

    std::unique_ptr<ChildProcess> child_;
    std::unique_ptr<TStoReadPipeThread> reader_;

    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> cut_{false};
    std::optional<RecordingJob> nextRun_; // guarded by stopMutex_
    bool noMoreRuns_ = false;             // guarded by stopMutex_
    std::atomic<bool> finished_{false};
    std::uint64_t threadId_ = 0;
    std::thread thread_;
};

} // namespace kalore
