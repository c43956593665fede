#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/main_thread.h"
#include "app/timer.h"
#include "recorder/mon_thread.h"
#include "recorder/recorder_settings.h"

namespace kalore {

// The window's recording handlers. Record now and the programmed recording
// each have a recorder of their own, so neither start orphans the other: the
// stop button ends record now, the length timer the programmed one, and
// clearing the schedule both. Main thread only.
class RecordingController {
public:
    RecordingController(RecorderSettings settings, Host& host, MainThread& mainThread,
                        Timer& timer2);
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
    void StartScheduledRecording(const std::string& channel, const std::string& url,
                                 const std::string& position, const std::string& duration,
                                 const std::string& startDate, const std::string& startTime,
                                 const std::string& format);
    // End of "Vider tous les enregistrements": stops both recordings.
    void StopAllRecordings();

    // Refresh Button4/Button9 from these after each handler.
    bool Button4Enabled() const { return button4Enabled_; }
    bool Button9Enabled() const { return !button4Enabled_; }

    // The jobs and modes, for the window and tests; null before the first start.
    const MonThread* RecordNowThread() const { return recordNow_.get(); }
    const MonThread* ProgrammedThread() const { return programmed_.get(); }
    MonThread* RecordNowThread() { return recordNow_.get(); }
    MonThread* ProgrammedThread() { return programmed_.get(); }

private:
    void Launch(std::unique_ptr<MonThread>& slot, RecordingJob job);

    RecorderSettings settings_;
    Host& host_;
    MainThread& mainThread_;
    Timer& timer2_;
    std::unique_ptr<MonThread> recordNow_;
    std::unique_ptr<MonThread> programmed_;
    MonThread* latest_ = nullptr;
    // Replaced recorders, kept until their threads have ended.
    std::vector<std::unique_ptr<MonThread>> retired_;
    bool button4Enabled_ = true;
};

} // namespace kalore
