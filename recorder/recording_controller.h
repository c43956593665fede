#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/host.h"
#include "app/main_thread.h"
#include "app/timer.h"
#include "recorder/recorder_settings.h"
#include "recorder/recording.h"
#include "recorder/recording_news.h"
#include "schedule/recording_trigger.h"

namespace kalore {

// The window's recording handlers. Record now and the programmed recording
// each have a recording of their own, so neither start orphans the other: the
// stop button ends record now, the length timer the programmed one, and
// clearing the schedule both. Main thread only.
class RecordingController {
public:
    // `watchTimer` looks at the running recordings once a second.
    RecordingController(RecorderSettings settings, Host& host, MainThread& mainThread,
                        const Clock& clock, Timer& timer2, Timer& watchTimer);
    // Stops every recording and waits for its thread; shut the MainThread down first.
    ~RecordingController();
    RecordingController(const RecordingController&) = delete;
    RecordingController& operator=(const RecordingController&) = delete;

    // "Enregistrer la TV": url of the selected channel ("" when none), the
    // format box's text and the output path box's text as typed.
    void Button4Click(const std::string& url, const std::string& format,
                      const std::string& outputPath);
    // "Stop Enregistrement".
    void Button9Click();
    // The hidden "Stop Thread 1": stops the latest recording started.
    void Button2Click();
    // The length timer fired: stops the programmed recording, disables Timer2.
    void Timer2Timer();
    // The trigger's entry, due now, recorded until its end `secondsToEnd` from now.
    void StartScheduledRecording(const PendingRecording& due, std::int64_t secondsToEnd);
    // End of "Vider tous les enregistrements": stops both recordings.
    void StopAllRecordings();

    // Refresh Button4/Button9 from these after each handler.
    bool Button4Enabled() const { return button4Enabled_; }
    bool Button9Enabled() const { return !button4Enabled_; }

    // The recordings still running, for the window.
    std::vector<RecordingProgress> Progress() const;
    // After each look at the recordings (once a second while one runs).
    std::function<void()> onChanged;
    // A programmed recording began, or ended other than by the user's stop.
    std::function<void(const ProgrammedRecordingNews&)> onProgrammedNews;

    // The recordings, for the window and tests; null before the first start.
    Recording* RecordNow() { return recordNow_.get(); }
    Recording* Programmed() { return programmed_.get(); }
    MonThread* RecordNowThread() { return recordNow_ ? &recordNow_->Thread() : nullptr; }
    MonThread* ProgrammedThread() { return programmed_ ? &programmed_->Thread() : nullptr; }

private:
    void Launch(std::shared_ptr<Recording>& slot, RecordingPlan plan, std::int64_t seconds);
    void WarnIfDiskShort(const RecordingJob& job, std::int64_t seconds);
    std::string FirstFreeName(const std::string& path) const;
    void Tick();
    void Tell(const ProgrammedRecordingNews& news) const;

    RecorderSettings settings_;
    Host& host_;
    MainThread& mainThread_;
    const Clock& clock_;
    Timer& timer2_;
    Timer& watchTimer_;
    std::shared_ptr<Recording> recordNow_;
    std::shared_ptr<Recording> programmed_;
    Recording* latest_ = nullptr;
    // Replaced recordings, kept until their threads have ended.
    std::vector<std::shared_ptr<Recording>> retired_;
    bool button4Enabled_ = true;
};

} // namespace kalore
