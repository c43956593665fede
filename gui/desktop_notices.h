#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QObject>

namespace kalore {

class TrayIcon;
struct Notice;

// Notices that need no answer (a recording began, ended, was missed), told the way the
// desktop tells them: through its notification service where there is one, which
// GNOME shows without any tray (desktop_notices_posix.cpp: freedesktop notifications
// over D-Bus), else beside the tray icon. A click on one, wherever it was shown, is
// Clicked.
class DesktopNotices final : public QObject {
    Q_OBJECT
public:
    // `log` takes lines for the log.
    DesktopNotices(TrayIcon& tray, std::function<void(const std::string&)> log,
                   QObject* parent = nullptr);
    ~DesktopNotices() override;

    void Tell(const Notice& notice);

signals:
    void Clicked();

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    struct State;
    TrayIcon& tray_;
    std::unique_ptr<State> state_;
};

} // namespace kalore
