#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "recorder/recorder_settings.h"
#include "recorder/recording.h"
#include "recorder/recording_news.h"
#include "schedule/recording_trigger.h"
#include "seams/clock.h"
#include "seams/host.h"
#include "seams/main_thread.h"
#include "seams/timer.h"

namespace kalore {

// Record now and the programmed recording, each a recording of its own, so
// neither start orphans the other: stopping record now ends record now, the
// length timer the programmed one, and clearing the schedule both. Main thread only.
class RecordingController {
public:
    // `lengthTimer` ends the programmed recording (its owner calls
    // EndProgrammedRecording when it fires); `watchTimer` looks at the running
    // recordings once a second.
    RecordingController(RecorderSettings settings, Host& host, MainThread& mainThread,
                        const Clock& clock, Timer& lengthTimer, Timer& watchTimer);
    // Stops every recording and waits for its thread; shut the MainThread down first.
    ~RecordingController();
    RecordingController(const RecordingController&) = delete;
    RecordingController& operator=(const RecordingController&) = delete;

    // Records the stream at `url` ("" when no channel is selected) in `format`
    // into `outputPath`, both as the user typed them, until StopRecordNow. A path
    // that names a folder gets a file named after `channel` and the time.
    void RecordNow(const std::string& url, const std::string& format, const std::string& outputPath,
                   const std::string& channel = {});
    void StopRecordNow();
    // Stops whichever recording was started last.
    void StopLatestRecording();
    // The programmed recording's time is up: stops it and the length timer.
    void EndProgrammedRecording();
    // The trigger's entry, due now, recorded until its end `secondsToEnd` from now.
    void StartScheduledRecording(const PendingRecording& due, std::int64_t secondsToEnd);
    // The user stops the recording `serial` from the list of recordings; false
    // when it isn't running any more.
    bool StopRecording(std::uint64_t serial);
    // The schedule was cleared: stops both recordings.
    void StopAllRecordings();

    // Whether record now may start, or be stopped; a window shows them after each call.
    bool CanRecordNow() const { return canRecordNow_; }
    bool CanStopRecordNow() const { return !canRecordNow_; }

    // The recordings still running, for the window.
    std::vector<RecordingProgress> Progress() const;
    // After each look at the recordings (once a second while one runs).
    std::function<void()> onChanged;
    // A programmed recording began, or ended other than by the user's stop.
    std::function<void(const ProgrammedRecordingNews&)> onProgrammedNews;

    // Every recording's start, and its end however it was stopped.
    std::function<void(const RecordingStarted&)> onRecordingStarted;
    std::function<void(const RecordingEnded&)> onRecordingEnded;

    // The recordings, for the window and tests; null before the first start.
    Recording* RecordNowRecording() { return recordNow_.get(); }
    Recording* ProgrammedRecording() { return programmed_.get(); }
    MonThread* RecordNowThread() { return recordNow_ ? &recordNow_->Thread() : nullptr; }
    MonThread* ProgrammedThread() { return programmed_ ? &programmed_->Thread() : nullptr; }

private:
    void Launch(std::shared_ptr<Recording>& slot, RecordingPlan plan, std::int64_t seconds);
    void WarnIfDiskShort(const RecordingJob& job, std::int64_t seconds);
    std::string FirstFreeName(const std::string& path) const;
    void Tick();
    void Tell(const ProgrammedRecordingNews& news) const;
    // Holds the lock on sleep while a recording runs, saying which; lets it go after.
    void KeepAwake();

    RecorderSettings settings_;
    Host& host_;
    MainThread& mainThread_;
    const Clock& clock_;
    Timer& lengthTimer_;
    Timer& watchTimer_;
    std::shared_ptr<Recording> recordNow_;
    std::shared_ptr<Recording> programmed_;
    Recording* latest_ = nullptr;
    // Replaced recordings, kept until their threads have ended.
    std::vector<std::shared_ptr<Recording>> retired_;
    bool canRecordNow_ = true;
    std::uint64_t lastSerial_ = 0;
    PendingRecording programmedEntry_; // what programmed_ records
    std::string keptAwakeFor_;         // the reason of the lock held; empty: none
};

} // namespace kalore
