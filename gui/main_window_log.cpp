// The main window's side of the log on disk and of "Journal": the log also goes to a
// file of the user's state folder, with the date and time of each line, and the
// "Journal" button (and the tray's menu) shows it.
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/log_window.h"
#include "gui/main_window.h"
#include "platform/log_file.h"
#include "schedule/date_time_text.h"
#include "seams/clock.h"

namespace kalore {
namespace {

// What the window shows of the file: earlier runs too, within reason.
constexpr std::size_t kShownBytes = 2 * LogFile::kMaxBytes;

} // namespace

LogWindow* TForm1::logWindow() const {
    return logWindow_.data();
}

void TForm1::BuildLogControls() {
    JournalButton = new QPushButton(QStringLiteral("Journal"), this);
    JournalButton->setObjectName("JournalButton");
    JournalButton->setToolTip(QStringLiteral("Le journal de Kalore, gardé aussi dans un fichier"));
    JournalButton->setGeometry(664, 516, 71, 20);
}

void TForm1::OpenLogFile() {
    logFile_ = std::make_unique<LogFile>(options_.logFolder.empty() ? DefaultLogFolder()
                                                                    : options_.logFolder);
    logFileError_ = logFile_->Open();
    if (logFileError_.empty()) {
        logFile_->Append(StampedLogLine("---- Kalore démarre ----"));
    } else {
        logFile_.reset();
        AppendLog("Journal : pas de fichier (" + logFileError_ + ")");
    }
}

std::string TForm1::StampedLogLine(const std::string& line) const {
    const LocalDateTime now = clock_->Now();
    return DateText(now) + " " + TimeText(now) + "  " + line;
}

void TForm1::KeepLogLine(const std::string& line) {
    std::string kept = line;
    if (logFile_ != nullptr) {
        kept = StampedLogLine(line);
        if (!logFile_->Append(kept) && logFileError_.empty()) {
            // Told once, in the window's log: a full disk would refuse that line too.
            logFileError_ = "impossible d'écrire dans " + logFile_->Path();
            AppendLog("Journal : " + logFileError_);
        }
    }
    if (logWindow_ != nullptr) {
        logWindow_->Append(QString::fromStdString(kept));
    }
}

void TForm1::JournalButtonClick() {
    if (logWindow_ == nullptr) {
        const bool onDisk = logFile_ != nullptr;
        const QString text =
            onDisk ? QString::fromStdString(logFile_->ReadBack(kShownBytes)) : Memo1->toPlainText();
        const QString where =
            onDisk
                ? QStringLiteral("Fichier du journal : ") + QString::fromStdString(logFile_->Path())
                : QStringLiteral("Ce journal n'est gardé dans aucun fichier : ") +
                      QString::fromStdString(logFileError_);
        logWindow_ = new LogWindow(text, where, this);
    }
    logWindow_->show();
    logWindow_->raise();
    logWindow_->activateWindow();
}

} // namespace kalore
