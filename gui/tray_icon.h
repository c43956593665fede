#pragma once

#include <functional>
#include <memory>

#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace kalore {

struct Notice;

// What the tray icon shows, asked once a second.
struct TrayStatus {
    QString toolTip;
    bool recording = false; // a dot on the icon says so at a glance
};

// The program's icon in the desktop's system tray, where there is one: its tooltip
// says what records and what is programmed next, and it passes on notices in a
// notification. A click brings the main window forward; its menu shows it, shows the
// log (`showLog`) or closes it. The icon is no window: closing the main window still
// ends the program.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    TrayIcon(QWidget& mainWindow, std::function<TrayStatus()> status,
             std::function<void()> showLog);
    ~TrayIcon() override;

    // Shown as a notification beside the icon; dropped when no tray shows it.
    void Tell(const Notice& notice);
    // The icon itself, for tests.
    QSystemTrayIcon& Icon() const { return *icon_; }
    void BringMainWindowForward();

private:
    void Refresh();

    QWidget& mainWindow_;
    std::function<TrayStatus()> status_;
    QIcon idle_;
    QIcon recording_;
    bool recordingShown_ = false;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* icon_ = nullptr;
    QTimer refresh_;
};

} // namespace kalore
