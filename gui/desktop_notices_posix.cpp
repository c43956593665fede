// The freedesktop notification service (org.freedesktop.Notifications) over the
// session bus, with the tray as the way left when it doesn't answer.
#include "gui/desktop_notices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QSet>
#include <QSystemTrayIcon>

#include "gui/tray_icon.h"
#include "recorder/recording_news.h"

namespace kalore {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notice itself invokes.
const QString kOpen = QStringLiteral("default");
constexpr int kCallTimeoutMs = 5000;

unsigned char UrgencyOf(NoticeLevel level) {
    return level == NoticeLevel::Critical ? 2 : 1;
}

} // namespace

struct DesktopNotices::State {
    std::function<void(const std::string&)> log;
    QSet<uint> shown;    // ids of the notices the service shows for Kalore
    bool markup = false; // the service reads its texts as markup
};

DesktopNotices::DesktopNotices(TrayIcon& tray, std::function<void(const std::string&)> log,
                               QObject* parent)
    : QObject(parent), tray_(tray), state_(std::make_unique<State>()) {
    state_->log = std::move(log);
    connect(&tray_.Icon(), &QSystemTrayIcon::messageClicked, this, &DesktopNotices::Clicked);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // From any sender on the service's path: it may start only when first asked.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(ActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(NotificationClosed(uint, uint)));
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                     QStringLiteral("GetCapabilities")),
                      kCallTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<QStringList> reply = *answered;
                state_->markup =
                    !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
            });
}

DesktopNotices::~DesktopNotices() = default;

void DesktopNotices::Tell(const Notice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        tray_.Tell(notice);
        return;
    }
    const QString text = QString::fromStdString(notice.text);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(UrgencyOf(notice.level)));
    // A channel named "M6 & W9" must not read as markup.
    call << QStringLiteral("Kalore") << uint(0) << QStringLiteral("kalore")
         << QString::fromStdString(notice.title) << (state_->markup ? text.toHtmlEscaped() : text)
         << QStringList{kOpen, QStringLiteral("Ouvrir")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<uint> reply = *answered;
                if (reply.isError()) {
                    state_->log("Notification : le service des notifications ne répond pas (" +
                                reply.error().message().toStdString() +
                                "), elle est montrée près de l'icône");
                    tray_.Tell(notice);
                    return;
                }
                state_->shown.insert(reply.value());
            });
}

void DesktopNotices::ActionInvoked(uint id, const QString& action) {
    if (action == kOpen && state_->shown.contains(id)) {
        emit Clicked();
    }
}

void DesktopNotices::NotificationClosed(uint id, uint /*reason*/) {
    state_->shown.remove(id);
}

} // namespace kalore
