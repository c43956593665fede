#include "gui/main_window.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMargins>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QTextCursor>
#include <QTimeEdit>
#include <QTimer>

#include "channels/channel_file.h"
#include "gui/application_title.h"
#include "gui/channel_logos.h"
#include "gui/focus_ring.h"
#include "gui/growing_places.h"
#include "gui/guide_window.h"
#include "gui/keyboard_access.h"
#include "gui/message_box.h"
#include "gui/painted_wait.h"
#include "gui/player_location_dialog.h"
#include "gui/power_management.h"
#include "gui/program_info.h"
#include "gui/qt_main_thread.h"
#include "gui/qt_timer.h"
#include "gui/recordings_window.h"
#include "gui/schedule_models.h"
#include "gui/screen_placement.h"
#include "gui/text_list_model.h"
#include "gui/tray_icon.h"
#include "gui/watch_controls.h"
#include "guide/guide.h"
#include "platform/atomic_file.h"
#include "platform/autostart.h"
#include "platform/log_file.h"
#include "platform/process_list.h"
#include "platform/program_folder.h"
#include "player/live_view.h"
#include "player/player_check.h"
#include "player/player_registration.h"
#include "recorder/recording_controller.h"
#include "recordings/recording_store.h"
#include "relay/relay.h"
#include "schedule/schedule.h"
#include "seams/clock.h"
#include "web/free_playlist.h"
#include "web/provider_detection.h"
#include "web/version_check.h"
#include "web/web_settings.h"

namespace kalore {
namespace {

// The player project's own site, where its download pages are.
constexpr const char* kPlayerProjectSite = "https://www.videolan.org";
// Long enough for a window manager to have framed the window.
constexpr int kFrameKnownMs = 500;

std::string ProgramFolderOf(const MainWindowOptions& options) {
    return options.programFolder.empty() ? ExecutableFolder() : options.programFolder;
}

} // namespace

TForm1::TForm1(MainWindowOptions options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      options_(std::move(options)) {
    if (options_.defaultPlayerLocation.empty()) {
        options_.defaultPlayerLocation = DefaultPlayerLocation();
    }
    if (options_.autostartFolder.empty()) {
        options_.autostartFolder = DefaultAutostartFolder();
    }
    if (!options_.playerAvailable) {
        options_.playerAvailable = [] {
            return PlayerControlAvailable();
        };
    }
    setObjectName("Form1");
    ShowApplicationTitleIn(*this);
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(13);
    setFont(tahoma);
    resize(kDesignWidth, kDesignHeight);
    setMinimumSize(kDesignWidth, kDesignHeight);
    BuildControls();
    AddMainWindowShortcuts(*this);
    new FocusRing(*this);
    BuildCore();
    ConnectControls();
    BuildZapping();
    StartTrayIcon();
    FormCreate();
}

TForm1::~TForm1() {
    // From here on what the core tells goes to the log and the terminal, never a box.
    destroying_ = true;
    // The tray icon, the guide's window and its worker go first: none may outlive
    // what it uses. The sound controls may still save, and tell a failure, into the log.
    delete tray_;
    watch_.reset();
    delete guideWindow_.data();
    delete recordingsWindow_.data();
    logos_.reset();
    guide_.reset();
    FormDestroy();
    // The controls go first: their models read the core's lists, which are members,
    // and a control being torn down may still ask them for an item.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    Memo1 = nullptr;
}

void TForm1::BuildCore() {
    programFolder_ = ProgramFolderOf(options_);
    webConfig_ = LoadWebConfig(programFolder_, options_.webDefaults);
    clock_ = std::make_unique<SystemClock>();
    OpenLogFile();
    settingsFile_ = std::make_unique<SettingsFile>(programFolder_, *this, *clock_);
    mainThread_ = std::make_unique<QtMainThread>();
    Timer1 = std::make_unique<QtTimer>("Timer1", this);
    Timer2 = std::make_unique<QtTimer>("Timer2", this);
    clockWatchTimer_ = std::make_unique<QtTimer>("ClockWatchTimer", this);
    recordingWatchTimer_ = std::make_unique<QtTimer>("RecordingWatchTimer", this);
    BuildRelay();

    schedule_ = std::make_unique<Schedule>(
        programFolder_, *this, *clock_, *Timer1, *Timer2, *clockWatchTimer_,
        [this](const PendingRecording& due, std::int64_t secondsToEnd) {
            recorder_->StartScheduledRecording(due, secondsToEnd);
        });

    power_ = new PowerManagement([this](const std::string& line) { AppendLog(line); }, this);
    // A slot that passed while the machine slept anyway is handled as after a jump of
    // the clock: "Manqué", or recorded for the rest when still under way.
    connect(power_, &PowerManagement::Resumed, this, [this] { schedule_->ArmNextRecording(); });

    RecorderSettings recorderSettings;
    recorderSettings.playerPath = [this] {
        return RecorderPlayerPath();
    };
    recorderSettings.mainCaption = [this] {
        return windowTitle().toStdString();
    };
    recorderSettings.programFolder = programFolder_;
    recorderSettings.makerAddress = webConfig_.makerAddress;
    recorderSettings.makerMemoryAddress = webConfig_.site + "/forum";
    recorderSettings.setEntryStatus = [this](std::uint64_t entryId, const std::string& status) {
        schedule_->SetEntryStatus(entryId, status);
    };
    recorderSettings.relay = relay_.get();
    recorderSettings.sleepLock = power_;
    recorder_ = std::make_unique<RecordingController>(
        std::move(recorderSettings), *this, *mainThread_, *clock_, *Timer2, *recordingWatchTimer_);
    StartRecordingsList();
    Timer2->SetHandler([this] { Timer2Timer(); });
    recorder_->onChanged = [this] {
        ShowRecorderButtons();
        ShowRecordingProgress();
    };

    live_ = std::make_unique<LiveView>(
        *Panel1, *this, [this] { return controlAvailable_; }, [this] { ShowPlayerDialog(); });
    watch_ = std::make_unique<WatchControls>(*this, *live_, *settingsFile_);
    live_->UseRelay(*relay_);

    gridModel_ = new ScheduleGridModel(
        schedule_->Table(), [this](int row) { return GuideTitleOf(row); }, this);
    gridOrder_ = new ScheduleOrderModel(schedule_->Table(), *gridModel_, this);
    urlModel_ = TextListModel::Of(schedule_->Table().Urls(), this);
    channelNamesModel_ = TextListModel::Of(channels_.names, this);
    channelAddressesModel_ = TextListModel::Of(channels_.addresses, this);
    ComboBox2->setModel(channelNamesModel_);
    ComboBox3->setModel(channelAddressesModel_);
    StringGrid1->setModel(gridOrder_);
    ListBox1->setModel(urlModel_);
    // The channel's column shares its width with the title beside it, which takes
    // whatever the window gives the grid beyond its design width.
    const int widths[] = {110, 77, 76, 78, 84, 100, 95};
    for (int c = 0; c < 7; ++c) {
        StringGrid1->setColumnWidth(c, widths[c]);
    }
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->moveSection(ScheduleGridModel::kTitleColumn, 1);
    header->setSectionResizeMode(ScheduleGridModel::kTitleColumn, QHeaderView::Stretch);
    schedule_->Table().onChanged = [this] {
        ShowSchedule();
    };
}

void TForm1::BuildRelay() {
    Relay::Options options;
    options.log = [this](const std::string& line) {
        mainThread_->Post([this, line] { AppendLog(line); });
    };
    options.refused = [this](const std::string& source, const std::string& reason) {
        mainThread_->Post([this, source, reason] {
            const std::string recorded = relay_->RecordingHolding(source);
            live_->SourceRefused(source, reason,
                                 recorded.empty() ? "" : channels_.NameOf(recorded));
        });
    };
    relay_ = std::make_unique<Relay>(std::move(options));
}

void TForm1::CreatePlayerDialog() {
    form4_ = std::make_unique<TForm4>(
        *this, kPlayerProjectSite, webConfig_.site,
        [this](const std::string& path) { settings_.playerPath = path; },
        [this] {
            // Once the dialog's modal call has returned, as the close box would.
            closing_ = true;
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        });
}

void TForm1::FormCreate() {
    // Nobody may be there to answer (Kalore starts at login): the set-up's boxes
    // wait for the user without holding the set-up.
    settingUp_ = true;
    // The schedule before any web request: a recording due while the network is slow
    // or silent launches on time (the requests run under an event loop). A programmed
    // entry holds its own address and waits for nothing else. The schedule's boxes keep
    // their place among the set-up's.
    holdingMessages_ = true;
    ShowSchedule();
    const bool scheduleDamaged = schedule_->File2StringGrid().outcome == ScheduleLoad::Damaged;
    if (!scheduleDamaged) {
        schedule_->ArmNextRecording();
    }
    holdingMessages_ = false;
    // Version check: outside the guarded block, and it never stops the set-up.
    WebEnvironment web{*this, [] { QCoreApplication::processEvents(); }, options_.webTimeouts,
                       RunWhileWindowsPaint};
    web.deadline = std::chrono::steady_clock::now() + options_.webTimeouts.startUp;
    CheckVersion(web, webConfig_, kProgramVersion);
    setWindowTitle(QString::fromStdString(MainCaption(webConfig_.makerAddress)));
    try {
        programFolder_ = ProgramFolderOf(options_);
        settings_.playerPath.clear();
        settings_.provider.clear();
        LoadSettingsIntoControls();
        // After the settings, which keep the user's choice: a first start registers, as
        // every start did, and an unchecked box stays so.
        if (settings_.autostart) {
            RegisterAutostartAndReport();
        }
        settings_.provider.clear();
        settings_.provider = DetectProvider(web, webConfig_);
        if (settings_.provider == kOrange) {
            setWindowTitle(windowTitle() + " [Votre ISP : Orange]");
            LoadOrangeChannelList(programFolder_, channels_, *this, webConfig_.makerAddress);
            ShowLoadedChannels();
        }
        if (settings_.provider == kFree) {
            setWindowTitle(windowTitle() + " [Votre ISP : Free]");
            if (const FileResult created = DownloadFreePlaylist(web, webConfig_, programFolder_);
                !created.ok()) {
                throw std::runtime_error(created.error);
            }
            LoadFreeChannelList(programFolder_, channels_, *this, webConfig_.makerAddress);
            ShowLoadedChannels();
        }
        if (FileExists(options_.defaultPlayerLocation)) {
            settings_.playerPath = options_.defaultPlayerLocation;
        }
        SaveSettingsFromControls();
        live_->ClearLiveStreamAddress();
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
        for (const std::string& text : std::exchange(heldMessages_, {})) {
            ShowQueuedMessageBox(this, text);
        }
        if (scheduleDamaged) {
            throw std::runtime_error("schedule files damaged");
        }
        if (options_.splash != nullptr) {
            options_.splash->hide();
        }
    } catch (const std::exception&) {
        ShowMessage("Erreur d'initialisation oncreate Kalore!!");
    }
    StartGuide();
    settingUp_ = false;
}

void TForm1::FormActivate() {
    if (form4_ == nullptr || playerDialogShowing_) {
        return;
    }
    if (settings_.playerPath.empty() && !FileExists(options_.defaultPlayerLocation)) {
        ShowPlayerDialog();
        if (!settings_.playerPath.empty()) {
            SaveSettingsFromControls();
        }
    }
    playerDialogShowing_ = true;
    CheckPlayerRegistration(
        controlAvailable_, [this] { ShowPlayerDialog(); }, options_.playerAvailable);
    playerDialogShowing_ = false;
}

void TForm1::FormClose() {
    SaveSettingsFromControls();
    schedule_->StringGrid2File();
    if (CheckBox1->isChecked()) {
        RegisterAutostartAndReport();
    } else {
        UnregisterAutostart(options_.autostartFolder);
    }
}

void TForm1::FormDestroy() {
    // Only the recorder children this program started; the user's own players live on.
    KillProcessesByName("vlc");
    if (controlAvailable_) {
        live_->DestroyControl();
    }
    // Workers may still hand work over: from here on it is dropped, then they are joined.
    mainThread_->Shutdown();
    recorder_.reset();
}

std::string TForm1::RecorderPlayerPath() const {
    if (!settings_.playerPath.empty()) {
        return settings_.playerPath;
    }
    // Not loaded yet (a recording due during the first web request): the path the
    // set-up settles on.
    if (FileExists(options_.defaultPlayerLocation)) {
        return options_.defaultPlayerLocation;
    }
    return settingsFile_->StoredPlayerPath();
}

void TForm1::RegisterAutostartAndReport() {
    const std::vector<std::string> command = options_.autostartCommand.empty()
                                                 ? std::vector{programFolder_ + "kalore"}
                                                 : options_.autostartCommand;
    if (const auto message = RegisterAutostart(options_.autostartFolder, command)) {
        ShowMessage(*message);
    }
}

void TForm1::ShowPlayerDialog() {
    // The user asked to quit: the dialog doesn't come back in the meantime.
    if (form4_ == nullptr || closing_) {
        return;
    }
    playerDialogShowing_ = true;
    // Its fixed size may be taller than a laptop's screen: its top, with both ways
    // out, at least shows.
    KeepInsideScreen(*form4_, *this);
    if (options_.showPlayerDialog) {
        options_.showPlayerDialog(*form4_);
    } else {
        form4_->exec();
    }
    playerDialogShowing_ = false;
}

void TForm1::LoadSettingsIntoControls() {
    settingsFile_->LoadSettings(settings_);
    Edit2->setText(QString::fromStdString(settings_.outputPath));
    CheckBox1->setChecked(settings_.autostart);
    const int format = ComboBox1->findText(QString::fromStdString(settings_.recordFormat));
    if (format >= 0) {
        ComboBox1->setCurrentIndex(format);
    } else if (!settings_.recordFormat.empty()) {
        AppendLog("Réglages : le format d'enregistrement « " + settings_.recordFormat +
                  " » est inconnu, « " + ComboBox1->itemText(0).toStdString() + " » est pris");
    }
}

void TForm1::ShowLoadedChannels() {
    channels_.SelectByName(settings_.lastChannel);
    ShowChannels();
}

void TForm1::SaveSettingsFromControls() {
    settings_.outputPath = Edit2->text().toStdString();
    settings_.autostart = CheckBox1->isChecked();
    // The first format is the default, kept as no value.
    settings_.recordFormat = ComboBox1->currentText() == ComboBox1->itemText(0)
                                 ? ""
                                 : ComboBox1->currentText().toStdString();
    settings_.lastChannel = channels_.SelectedName();
    settingsFile_->SaveSettings(settings_);
}

void TForm1::AppendLog(const std::string& line) {
    if (Memo1 == nullptr) {
        return; // the window's controls have gone
    }
    // Through a cursor: appending to an empty document would take its one empty
    // block, so an empty first line would vanish under the next one.
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (logLines_ > 0) {
        cursor.insertBlock();
    }
    cursor.insertText(QString::fromStdString(line));
    ++logLines_;
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
    KeepLogLine(line);
}

void TForm1::SetAppTitle(const std::string& text) {
    SetApplicationTitle(QString::fromStdString(text));
    ShowApplicationTitleIn(*this);
}

std::string TForm1::appTitle() const {
    return ApplicationTitle().toStdString();
}

void TForm1::LogShown(const std::string& text) {
    // Line by line, as the box breaks it.
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        AppendLog(text.substr(from, end - from));
        from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    // At close the box may go with the window before anyone reads it.
    if (closing_ || destroying_) {
        std::fprintf(stderr, "kalore : %s\n", text.c_str());
    }
}

void TForm1::ShowMessage(const std::string& text) {
    // In the log as it appears: a box nobody reads leaves a trace.
    LogShown(text);
    if (destroying_) {
        return;
    }
    if (holdingMessages_) {
        heldMessages_.push_back(text);
    } else if (settingUp_ || closing_) {
        ShowQueuedMessageBox(this, text);
    } else {
        ShowMessageBox(this, text);
    }
}

void TForm1::NotifyUser(const std::string& text) {
    LogShown(text);
    if (!destroying_) {
        ShowNoticeBox(this, text);
    }
}

void TForm1::NotifyRecordingEnded(const std::string& text) {
    LogShown(text);
    if (!destroying_) {
        ShowNoticeBox(this, text, QStringLiteral("Mes enregistrements"),
                      [this] { RecordingsButtonClick(); });
    }
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
    QWidget::changeEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (places_ != nullptr) {
        places_->Apply(size());
        PlacePanelContents();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        // Once the window manager has framed it (it tells its frame only then),
        // and again a moment later for a slow one.
        QTimer::singleShot(0, this, &TForm1::FitIntoScreen);
        QTimer::singleShot(kFrameKnownMs, this, &TForm1::FitIntoScreen);
    }
}

void TForm1::FitIntoScreen() {
    if (isMaximized() || isFullScreen()) {
        return;
    }
    const QSize room = AvailableArea(*this).size().shrunkBy(FrameMargins(*this, *this));
    setMinimumSize(places_->Minimum(room));
    KeepInsideScreen(*this, *this);
}

void TForm1::closeEvent(QCloseEvent* event) {
    closing_ = true;
    // A close asked by the session while the dialog is up ends the dialog too.
    if (form4_ != nullptr && form4_->isVisible()) {
        form4_->reject();
    }
    // Logged when they appeared; the terminal (the session's journal) keeps them too.
    for (const std::string& unread : CloseQueuedMessageBoxes()) {
        std::fprintf(stderr, "kalore : message non lu : %s\n", unread.c_str());
    }
    FormClose();
    event->accept();
}

} // namespace kalore
