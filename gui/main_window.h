#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "channels/channel_list.h"
#include "seams/host.h"
#include "settings/settings_file.h"
#include "web/request_options.h"
#include "web/web_config.h"

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class QTableView;
class QTimeEdit;
class QTimer;

namespace kalore {

class ChannelLogos;
class ChannelZapper;
class DesktopNotices;
class GrowingPlaces;
class Guide;
class GuideWindow;
class LiveView;
class LogFile;
class LogWindow;
class PowerManagement;
class QtMainThread;
class QtTimer;
class RecordingController;
class RecordingStore;
class RecordingsWindow;
class Relay;
class Schedule;
class ScheduleGridModel;
class ScheduleOrderModel;
class TextListModel;
class TrayIcon;
class SystemClock;
class TForm4;
class WatchControls;
struct GuideProgramme;
struct RecordingSlot;
struct ScheduleEntryRequest;
struct SlotBounds;
struct ProgrammeOutcome;

// How the main window is set up: the real program takes the defaults; tests give a
// program folder of their own and answer what would otherwise need a person.
struct MainWindowOptions {
    std::string programFolder;                     // empty: the executable's folder
    QWidget* splash = nullptr;                     // hidden at the end of the set-up sequence
    std::string defaultPlayerLocation;             // empty: the system's usual player path
    std::string autostartFolder;                   // empty: the user's autostart folder
    std::vector<std::string> autostartCommand;     // empty: "kalore" in the program folder
    std::function<bool()> playerAvailable;         // empty: a real check of libVLC
    std::function<void(TForm4&)> showPlayerDialog; // empty: shown modally
    WebTimeouts webTimeouts;                       // only tests shorten them
    WebConfig webDefaults;                         // what [Web] of the settings file may change
    std::string logFolder;                         // empty: the user's state folder
};

// The program's single main window. The core (channel lists, schedule, recorders,
// settings) owns the state; the window shows it and calls the core from its
// handlers. Every control keeps the name it has in the window inventory.
class TForm1 final : public QWidget, public Host {
    Q_OBJECT
public:
    // The client size the window is designed at: its default and smallest size
    // (on a screen too short for it, the schedule's grid gives up kGridGive pixels).
    static constexpr int kDesignWidth = 742;
    static constexpr int kDesignHeight = 742;
    static constexpr int kGridGive = 72;
    static constexpr QSize kDesignPanel{509, 388};

    explicit TForm1(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up creates the player location dialog once, after the main window.
    void CreatePlayerDialog();

    // Host
    void AppendLog(const std::string& line) override;
    void SetAppTitle(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void NotifyUser(const std::string& text) override;
    void NotifyRecordingEnded(const std::string& text) override;
    void TellInPassing(const std::string& title, const std::string& text) override;

    const std::string& programFolder() const { return programFolder_; }
    std::string appTitle() const;
    const SettingsValues& settings() const { return settings_; }
    const ChannelList& channels() const { return channels_; }
    Schedule& schedule() { return *schedule_; }
    RecordingController& recorder() { return *recorder_; }
    LiveView& liveView() { return *live_; }
    WatchControls& watchControls() { return *watch_; }
    TForm4* playerDialog() const { return form4_.get(); }
    bool controlAvailable() const { return controlAvailable_; }
    // The window was closed, or asked to: by the user, the player dialog or the session.
    bool CloseRequested() const { return closing_; }
    Guide* guide() const { return guide_.get(); }
    GuideWindow* guideWindow() const;
    RecordingsWindow* recordingsWindow() const;
    TrayIcon* trayIcon() const { return tray_; }
    LogWindow* logWindow() const;

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    // Adds the entry, or shows why not; the grid then shows the new row.
    void AddScheduleEntry(const ScheduleEntryRequest& request);
    // The grid scrolls to the entry just added.
    void AddedToSchedule();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    // Opens the "Guide TV" window on the channel box's channel.
    void GuideButtonClick();
    // Opens "Mes enregistrements".
    void RecordingsButtonClick();
    // Opens "Journal de Kalore".
    void JournalButtonClick();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // How the controls follow a window larger (or shorter) than designed.
    void PlanGrowth();
    void PlacePanelContents();
    // The window inside the screen's available area, no smaller than it must be.
    void FitIntoScreen();
    void BuildCore();
    void BuildRelay();
    void ConnectControls();
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void Timer2Timer();
    void SetUpChannelsAndSettings();
    void LoadSettingsIntoControls();
    void SaveSettingsFromControls();
    void ShowChannels();
    // The provider's list just loaded, on the channel kept from the last close.
    void ShowLoadedChannels();
    void ShowSchedule();
    void ShowRecorderButtons();
    void ShowRecordingProgress();
    void ShowPlayerDialog();
    void RegisterAutostartAndReport();
    // The player the recorders start: the settings', or before they are loaded the
    // one the set-up will take.
    std::string RecorderPlayerPath() const;
    // Writes a text shown to the user into the log (and, at close, to the terminal).
    void LogShown(const std::string& text);
    ScheduleEntryRequest EntryRequestFromControls() const;

    // The TV guide (main_window_guide.cpp).
    void BuildGuideControls();
    void StartGuide();
    void ShowGuideStatus();
    void ShowNowAndNext();
    struct NowAndNext {
        QString text; // "En ce moment : …" and "Ensuite : …" lines; empty without a guide
        QPixmap logo;
    };
    NowAndNext ChannelNowAndNext(const std::string& channel) const;
    // What the schedule's `row` records, from the guide: the titles of the programmes
    // within its slot on its channel, else of the one it covers most; "" without.
    std::string GuideTitleOf(int row) const;
    // The guide's programmes on a row's channel that its slot touches, and the slot
    // as instants (none for a date that can't be read).
    std::vector<GuideProgramme> GuideProgrammesOf(int row) const;
    struct RowSlot {
        std::int64_t start = 0;
        std::int64_t end = 0;
    };
    std::optional<RowSlot> RowSlotOf(int row) const;
    // Programming from the guide leaves the entry fields as they are: a slot of the
    // guide goes to the schedule with the format box's format.
    ScheduleEntryRequest GuideRequest(const std::string& channel, const RecordingSlot& slot) const;
    // Adds it, margins giving way (`told` gains what others gave up); the refusal.
    std::optional<std::string> AddGuideSlot(const std::string& channel, const RecordingSlot& slot,
                                            std::vector<std::string>& told);
    // The programmes a row records, when its slot is the guide's padding around them.
    std::optional<SlotBounds> GuideCoreOf(int row) const;
    // Whether a schedule entry records most of a programme.
    bool Programmed(const GuideProgramme& programme) const;
    ProgrammeOutcome ProgramFromGuide(const std::string& channel, const RecordingSlot& slot);
    ProgrammeOutcome ProgramAllFromGuide(const std::string& channel, const std::string& title,
                                         const std::vector<RecordingSlot>& slots);

    // The list of recordings (main_window_recordings.cpp).
    void BuildRecordingsControls();
    void StartRecordingsList();
    void ReloadRecordingsWindow();

    // The icon in the system tray and the notices (main_window_tray.cpp).
    void StartTrayIcon();

    // The log on disk and its window (main_window_log.cpp).
    void BuildLogControls();
    void OpenLogFile();
    std::string StampedLogLine(const std::string& line) const;
    // Writes a line of the log into its file, and its window when open.
    void KeepLogLine(const std::string& line);

    // Zapping (main_window_zapping.cpp).
    void BuildZapping();
    // The picture plays: a channel chosen goes to it.
    bool Watching() const;
    // The keys that change channel work while watching, only.
    void ShowWatching();
    // The channel box's channel `index` is chosen (by the box or a key).
    void ChooseChannel(int index);
    // The channel's name, now and next and logo over the picture.
    void ShowChannelBanner();

    MainWindowOptions options_;
    std::unique_ptr<GrowingPlaces> places_;
    std::string programFolder_;
    SettingsValues settings_;
    WebConfig webConfig_;
    ChannelList channels_;
    bool controlAvailable_ = false;
    bool playerDialogShowing_ = false;
    bool closing_ = false; // the user asked to quit: no more player dialogs
    // While set-up runs, and once closing: boxes that nothing waits on, so no box
    // holds back the trigger or the close.
    bool settingUp_ = false;
    // While the schedule is read first: its boxes wait for their place in the set-up.
    bool holdingMessages_ = false;
    std::vector<std::string> heldMessages_;
    bool destroying_ = false;
    int logLines_ = 0; // lines in Memo1, an empty one included

    std::unique_ptr<SystemClock> clock_;
    std::unique_ptr<LogFile> logFile_; // none when it can't be written: logFileError_ says why
    std::string logFileError_;
    QPointer<LogWindow> logWindow_;
    // Before the recorder, which holds its lock on sleep until it goes.
    PowerManagement* power_ = nullptr;
    std::unique_ptr<SettingsFile> settingsFile_;
    std::unique_ptr<QtMainThread> mainThread_;
    std::unique_ptr<QtTimer> Timer1;
    std::unique_ptr<QtTimer> Timer2;
    std::unique_ptr<QtTimer> clockWatchTimer_;
    std::unique_ptr<QtTimer> recordingWatchTimer_;
    // Before the recorder and the live view, which read through it.
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<Schedule> schedule_;
    // Before the recorder, which tells it its recordings' ends until it goes.
    std::unique_ptr<RecordingStore> recordings_;
    std::map<std::uint64_t, std::int64_t> recordingIds_; // the recorder's serial -> the store's id
    std::unique_ptr<RecordingController> recorder_;
    std::unique_ptr<LiveView> live_;
    std::unique_ptr<WatchControls> watch_; // full screen and sound of live_'s player
    ChannelZapper* zapper_ = nullptr;
    std::vector<QShortcut*> channelShortcuts_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<QtTimer> guideTimer_;
    std::unique_ptr<Guide> guide_;
    std::unique_ptr<ChannelLogos> logos_; // of guide_, for now and next
    QPointer<GuideWindow> guideWindow_;
    QPointer<RecordingsWindow> recordingsWindow_;
    TrayIcon* tray_ = nullptr;
    DesktopNotices* notices_ = nullptr;
    QTimer* nowNextTimer_ = nullptr;
    ScheduleGridModel* gridModel_ = nullptr;
    ScheduleOrderModel* gridOrder_ = nullptr; // what StringGrid1 shows: gridModel_ in start order
    TextListModel* urlModel_ = nullptr;
    TextListModel* channelNamesModel_ = nullptr;
    TextListModel* channelAddressesModel_ = nullptr;

    // Visible controls.
    QLabel* Image3 = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton* Button10 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    QTimeEdit* DateTimePicker1 = nullptr;
    QCalendarWidget* MonthCalendar1 = nullptr;
    QLabel* Label5 = nullptr;
    QTimeEdit* DateTimePicker2 = nullptr;
    QCalendarWidget* MonthCalendar2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button9 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QTableView* StringGrid1 = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button12 = nullptr;
    QPushButton* Button13 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label7 = nullptr;
    // Beyond the inventory, none moving or covering a control of it: the progress of
    // the running recordings, the TV guide's button and status, and now-and-next in
    // the video panel, with the channel's logo.
    QLabel* RecordingStatus = nullptr;
    QPushButton* GuideButton = nullptr;
    QLabel* GuideStatusLabel = nullptr;
    QPushButton* RecordingsButton = nullptr;
    QPushButton* JournalButton = nullptr;
    QLabel* NowNextLabel = nullptr;
    QLabel* NowNextLogo = nullptr;
    // Controls outside the client area: never seen, but they exist and work.
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QListView* ListBox1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
};

} // namespace kalore
