// The main window's side of the tray icon and the notices: what records and what is
// next, from the schedule's trigger and the recorder, and the programmed recordings'
// starts and ends, told through the desktop's notices.
#include "gui/main_window.h"

#include <vector>

#include "gui/desktop_notices.h"
#include "gui/tray_icon.h"
#include "recorder/recording_controller.h"
#include "recorder/recording_news.h"
#include "schedule/schedule.h"

namespace kalore {

void TForm1::StartTrayIcon() {
    tray_ = new TrayIcon(
        *this,
        [this] {
            const RecordingTrigger& trigger = schedule_->Trigger();
            const std::vector<RecordingProgress> running = recorder_->Progress();
            return TrayStatus{QString::fromStdString(StatusSummary(
                                  trigger.IsArmed() ? &trigger.Pending() : nullptr, running)),
                              !running.empty()};
        },
        [this] { JournalButtonClick(); });
    notices_ = new DesktopNotices(
        *tray_, [this](const std::string& line) { AppendLog(line); }, tray_);
    recorder_->onProgrammedNews = [this](const ProgrammedRecordingNews& news) {
        notices_->Tell(NoticeOf(news));
    };
    schedule_->Trigger().onMissed = [this](const std::string& text) {
        notices_->Tell({"Enregistrement manqué", text, NoticeLevel::Warning});
    };
    // A click on a recording's start or end notice opens the list of recordings.
    connect(notices_, &DesktopNotices::Clicked, this, [this] {
        tray_->BringMainWindowForward();
        RecordingsButtonClick();
    });
}

void TForm1::TellInPassing(const std::string& title, const std::string& text) {
    if (tray_ != nullptr) {
        tray_->Tell({title, text, NoticeLevel::Information});
    }
}

} // namespace kalore
