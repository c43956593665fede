#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/host.h"
#include "app/main_thread.h"
#include "platform/child_process.h"
#include "recorder/pipe_reader.h"
#include "recorder/recorder_settings.h"
#include "recorder/recording_job.h"

namespace kalore {

// One recording: runs the recorder child for its own job on a thread of its
// own, then waits for its stop request. Created, asked and destroyed on the
// main thread; everything it shows goes through MainThread, in order.
class MonThread {
public:
    MonThread(const RecorderSettings& settings, Host& host, MainThread& mainThread,
              RecordingJob job);
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
    void RunDos(const std::string& commandLine);
    void FinishChildRun();
    void MarkFinishedRows();
    void WaitForStop();
    void Log(std::string line);

    const RecorderSettings& settings_;
    Host& host_;
    MainThread& mainThread_;
    std::shared_ptr<Shared> shared_;
    const RecordingJob taken_;
    const std::string playerPath_;

    std::unique_ptr<ChildProcess> child_;
    std::unique_ptr<TStoReadPipeThread> reader_;

    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::uint64_t threadId_ = 0;
    std::thread thread_;
};

} // namespace kalore
