#include "app/gui/main_window.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <QUrl>

#include "app/gui/message_box.h"
#include "app/gui/qt_timer.h"
#include "app/program_info.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"

namespace kalore {

TForm1::TForm1(MainWindowOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      options_(std::move(options)) {
    setObjectName("Form1");
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(13);
    setFont(tahoma);
    setFixedSize(742, 742);
    BuildControls();
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button13, &QPushButton::clicked, this, &TForm1::Button13Click);
    connect(Edit2, &QLineEdit::textChanged, this,
            [this](const QString& text) { settings_.outputPath = text.toStdString(); });
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
}

namespace {
std::string ProgramFolderOf(const MainWindowOptions& options) {
    return options.programFolder.empty() ? ExecutableFolder() : options.programFolder;
}

} // namespace

void TForm1::FormCreate() {
    setWindowTitle(QString::fromStdString(MainCaption("http://www.kalore-tv.fr")));
    try {
        programFolder_ = ProgramFolderOf(options_);
        settings_.playerPath.clear();
        settings_.provider.clear();
        LoadSettingsIntoControls();
        settings_.provider.clear();
        if (FileExists(DefaultPlayerLocation())) {
            settings_.playerPath = DefaultPlayerLocation();
        }
        SaveSettingsFromControls();
        liveStreamAddress_.clear();
    } catch (const std::exception&) {
        ShowMessage("Erreur d'initialisation oncreate Kalore!!");
    }
    try {
        programFolder_ = ProgramFolderOf(options_);
        AppendLog("**" + programFolder_ + "**");
        const QDateTime now = QDateTime::currentDateTime();
        MonthCalendar1->setSelectedDate(now.date());
        MonthCalendar2->setSelectedDate(now.date());
        DateTimePicker1->setTime(now.time());
        DateTimePicker2->setTime(now.time());
        if (options_.splash != nullptr) {
            options_.splash->hide();
        }
    } catch (const std::exception&) {
        ShowMessage("Erreur d'initialisation oncreate Kalore!!");
    }
}

void TForm1::FormActivate() {}

void TForm1::FormClose() {
    SaveSettingsFromControls();
}

void TForm1::FormDestroy() {}

void TForm1::LoadSettingsIntoControls() {
    LoadSettings(programFolder_, settings_, *this);
    Edit2->setText(QString::fromStdString(settings_.outputPath));
}

void TForm1::SaveSettingsFromControls() {
    settings_.outputPath = Edit2->text().toStdString();
    SaveSettings(programFolder_, settings_, *this);
}

void TForm1::AppendLog(const std::string& line) {
    Memo1->appendPlainText(QString::fromStdString(line));
}

void TForm1::SetAppTitle(const std::string& text) {
    appTitle_ = text;
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(text));
}

void TForm1::ShowMessage(const std::string& text) {
    ShowMessageBox(this, text);
}

void TForm1::Button3Click() {
    Memo1->clear();
}

void TForm1::Button13Click() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(programFolder_ + "RECORDS")));
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
    QWidget::changeEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

} // namespace kalore
