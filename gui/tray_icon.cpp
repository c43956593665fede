#include "gui/tray_icon.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidget>

#include "gui/window_pictures.h"
#include "recorder/recording_news.h"

namespace kalore {
namespace {

constexpr int kRefreshIntervalMs = 1000;
constexpr int kNotificationMs = 10000;

// The program's icon with a large red badge in its upper right corner, away from
// the small dot the artwork has: seen even at the tray's 22 pixels.
QIcon RecordingIcon(const QIcon& icon) {
    QPixmap picture = icon.pixmap(128, 128);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 10));
    painter.setBrush(QColor(230, 0, 0));
    painter.drawEllipse(QRect(60, 5, 62, 62));
    return QIcon(picture);
}

QSystemTrayIcon::MessageIcon MessageIconOf(NoticeLevel level) {
    switch (level) {
    case NoticeLevel::Warning:
        return QSystemTrayIcon::Warning;
    case NoticeLevel::Critical:
        return QSystemTrayIcon::Critical;
    case NoticeLevel::Information:
        break;
    }
    return QSystemTrayIcon::Information;
}

} // namespace

TrayIcon::TrayIcon(QWidget& mainWindow, std::function<TrayStatus()> status,
                   std::function<void()> showLog)
    : QObject(&mainWindow), mainWindow_(mainWindow), status_(std::move(status)),
      idle_(ProgramIcon()), recording_(RecordingIcon(idle_)), menu_(std::make_unique<QMenu>()),
      icon_(new QSystemTrayIcon(idle_, this)) {
    icon_->setObjectName("TrayIcon");
    menu_->addAction(QStringLiteral("Afficher Kalore"), this, &TrayIcon::BringMainWindowForward);
    menu_->addAction(QStringLiteral("Journal"), this, std::move(showLog));
    // The same close as the window's close box: settings and schedule saved.
    menu_->addAction(QStringLiteral("Quitter Kalore"), &mainWindow_, &QWidget::close);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
                    BringMainWindowForward();
                }
            });
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::BringMainWindowForward);
    connect(&refresh_, &QTimer::timeout, this, &TrayIcon::Refresh);
    refresh_.start(kRefreshIntervalMs);
    Refresh();
    // On X11 Qt puts a shown icon into a tray that starts after Kalore, and takes it
    // back out if the tray goes; elsewhere only a tray already there can take it.
    if (QSystemTrayIcon::isSystemTrayAvailable() ||
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        icon_->show();
    }
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::Refresh() {
    const TrayStatus status = status_();
    // Set only on a change: a tray host may redraw, or a tooltip flicker, at each one.
    if (icon_->toolTip() != status.toolTip) {
        icon_->setToolTip(status.toolTip);
    }
    if (recordingShown_ != status.recording) {
        recordingShown_ = status.recording;
        icon_->setIcon(status.recording ? recording_ : idle_);
    }
}

void TrayIcon::Tell(const Notice& notice) {
    if (icon_->isVisible()) {
        icon_->showMessage(QString::fromStdString(notice.title),
                           QString::fromStdString(notice.text), MessageIconOf(notice.level),
                           kNotificationMs);
    }
}

void TrayIcon::BringMainWindowForward() {
    if (mainWindow_.isMinimized()) {
        mainWindow_.showNormal();
    }
    mainWindow_.show();
    mainWindow_.raise();
    mainWindow_.activateWindow();
}

} // namespace kalore
