#include "recorder/recording_controller.h"

#include <algorithm>

#include "recorder/recorder_command_line.h"

namespace kalore {

RecordingController::RecordingController(RecorderSettings settings, Host& host,
                                         MainThread& mainThread, Timer& timer2)
    : settings_(std::move(settings)), host_(host), mainThread_(mainThread), timer2_(timer2) {}

RecordingController::~RecordingController() {
    StopAllRecordings();
}

void RecordingController::Launch(std::unique_ptr<MonThread>& slot, RecordingJob job) {
    std::erase_if(retired_, [](const auto& thread) { return thread->Finished(); });
    if (slot) {
        // A recorder that is replaced must still end, or its child would run on.
        slot->ClearRecorderMode();
        slot->Terminate();
        retired_.push_back(std::move(slot));
    }
    slot = std::make_unique<MonThread>(settings_, host_, mainThread_, std::move(job));
    slot->Start();
    latest_ = slot.get();
    host_.AppendLog("ID thread: " + std::to_string(slot->ThreadID()));
}

void RecordingController::Button4Click(const std::string& url, const std::string& format,
                                       const std::string& outputPath) {
    Launch(recordNow_, {kUnset, url, kUnset, kUnset, format, outputPath});
    button4Enabled_ = false;
}

void RecordingController::StartScheduledRecording(
    const std::string& channel, const std::string& url, const std::string& position,
    const std::string& duration, const std::string& startDate, const std::string& startTime,
    const std::string& format) {
    RecordingJob job{channel,  url,
                     position, duration,
                     format,   ScheduledOutputName(settings_.programFolder, startDate, startTime)};
    host_.AppendLog("$$bug crev: chaine **" + channel + "** url **" + url + "**");
    Launch(programmed_, std::move(job));
}

void RecordingController::Button9Click() {
    if (recordNow_) {
        host_.AppendLog("Test de terminer le ID thread: " + std::to_string(recordNow_->ThreadID()));
        recordNow_->Terminate();
        recordNow_->Job().Reset();
        recordNow_->ClearRecorderMode();
    }
    button4Enabled_ = true;
}

void RecordingController::Button2Click() {
    if (latest_) {
        latest_->ClearRecorderMode();
        latest_->Terminate();
    }
}

void RecordingController::Timer2Timer() {
    if (programmed_) {
        host_.AppendLog("++ Timer termine le thread.. Test de terminer le ID thread: " +
                        std::to_string(programmed_->ThreadID()));
        programmed_->Terminate();
        programmed_->ClearRecorderMode();
    } else {
        host_.AppendLog("Erreur terminaison de thread depuis le timer");
    }
    timer2_.Stop();
}

void RecordingController::StopAllRecordings() {
    for (MonThread* thread : {recordNow_.get(), programmed_.get()}) {
        if (thread) {
            thread->Terminate();
            thread->ClearRecorderMode();
        }
    }
    for (auto& thread : retired_) {
        thread->Terminate();
    }
}

} // namespace kalore
