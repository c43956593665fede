// The main window's side of "Mes enregistrements": the store written as each
// recording starts and ends, its button and its window.
#include <filesystem>

#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include "gui/main_window.h"
#include "gui/recordings_window.h"
#include "gui/screen_placement.h"
#include "gui/tray_icon.h"
#include "guide/sqlite_database.h"
#include "player/vlc_plugin.h"
#include "recorder/recording_controller.h"
#include "recordings/recording_store.h"
#include "schedule/schedule.h"
#include "seams/clock.h"

namespace kalore {

RecordingsWindow* TForm1::recordingsWindow() const {
    return recordingsWindow_.data();
}

void TForm1::BuildRecordingsControls() {
    RecordingsButton = new QPushButton(QStringLiteral("Mes enregistrements"), this);
    RecordingsButton->setObjectName("RecordingsButton");
    RecordingsButton->setGeometry(456, 719, 136, 21);
}

void TForm1::StartRecordingsList() {
    try {
        recordings_ = std::make_unique<RecordingStore>(programFolder_ + "B/recordings.db",
                                                       programFolder_ + "RECORDS", *clock_);
        if (!recordings_->KeptAside().empty()) {
            AppendLog("-- La liste des enregistrements était endommagée, elle est gardée dans « " +
                      recordings_->KeptAside() + " » et refaite depuis le dossier RECORDS");
        }
    } catch (const SqliteError& error) {
        AppendLog("-- La liste des enregistrements ne peut être ouverte : " +
                  std::string(error.what()));
    }
    RecordingsButton->setEnabled(recordings_ != nullptr);
    // Files added or removed while Kalore was closed, looked for once the window is up.
    QTimer::singleShot(0, this, [this] {
        try {
            if (recordings_ != nullptr) {
                recordings_->Rebuild();
            }
        } catch (const SqliteError& error) {
            AppendLog("-- La liste des enregistrements n'a pu être mise à jour : " +
                      std::string(error.what()));
        }
    });
    recorder_->onRecordingStarted = [this](const RecordingStarted& started) {
        if (recordings_ == nullptr) {
            return;
        }
        RecordingEntry entry;
        entry.channel = started.entryId ? started.channel : ComboBox2->currentText().toStdString();
        if (started.entryId) {
            const int row = schedule_->Table().RowOfEntry(*started.entryId);
            entry.title = row > 0 ? schedule_->Table().Title(row) : std::string{};
        }
        if (entry.title.empty()) {
            entry.title = !entry.channel.empty()
                              ? entry.channel
                              : std::filesystem::path(started.file).stem().string();
        }
        entry.startedAt = QDateTime::currentSecsSinceEpoch();
        entry.format = started.format;
        entry.programmed = started.entryId.has_value();
        entry.running = true;
        if (!started.file.empty()) {
            entry.files = {started.file};
        }
        try {
            recordingIds_[started.serial] = recordings_->Begin(entry);
        } catch (const SqliteError& error) {
            AppendLog("-- Cet enregistrement manquera à la liste des enregistrements : " +
                      std::string(error.what()));
        }
        ReloadRecordingsWindow();
    };
    recorder_->onRecordingEnded = [this](const RecordingEnded& ended) {
        const auto found = recordingIds_.find(ended.serial);
        if (recordings_ == nullptr || found == recordingIds_.end()) {
            return;
        }
        try {
            recordings_->Finish(found->second, ended.files, ended.recordedSeconds, ended.bytes,
                                StatusWordOf(ended.result), ended.reasons);
        } catch (const SqliteError& error) {
            AppendLog("-- La fin de cet enregistrement manquera à la liste des enregistrements : " +
                      std::string(error.what()));
        }
        recordingIds_.erase(found);
        ReloadRecordingsWindow();
    };
}

void TForm1::ReloadRecordingsWindow() {
    if (recordingsWindow_ != nullptr) {
        recordingsWindow_->Reload();
    }
}

void TForm1::RecordingsButtonClick() {
    if (recordings_ == nullptr) {
        return;
    }
    if (recordingsWindow_ == nullptr) {
        RecordingsWindowActions actions;
        actions.stop = [this](std::int64_t id) {
            for (const auto& [serial, stored] : recordingIds_) {
                if (stored == id) {
                    const bool stopped = recorder_->StopRecording(serial);
                    ShowRecorderButtons();
                    return stopped;
                }
            }
            return false;
        };
        actions.libvlcArgs = [] {
            return DefaultLibvlcArgs();
        };
        recordingsWindow_ = new RecordingsWindow(*recordings_, std::move(actions), this);
        PlaceBeside(*recordingsWindow_, *this);
    } else {
        recordingsWindow_->Reload();
    }
    recordingsWindow_->show();
    recordingsWindow_->raise();
    recordingsWindow_->activateWindow();
}

} // namespace kalore
