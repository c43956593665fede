#include "gui/full_screen_player.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace kalore {
namespace {

constexpr int kPointerHideMs = 3000;

} // namespace

FullScreenPlayer::FullScreenPlayer() {
    setObjectName("FullScreenPlayer");
    setWindowTitle(QStringLiteral("Kalore - plein écran"));
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::black));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    pointerTimer_.setSingleShot(true);
    pointerTimer_.setInterval(kPointerHideMs);
    connect(&pointerTimer_, &QTimer::timeout, this, [this] {
        setCursor(Qt::BlankCursor);
        if (player_) {
            player_->setCursor(Qt::BlankCursor);
        }
    });
}

void FullScreenPlayer::Enter(QWidget& player) {
    home_ = player.parentWidget();
    const QRect home = home_ ? home_->rect() : player.geometry();
    homeMargins_ = QMargins(player.x(), player.y(), home.right() - player.geometry().right(),
                            home.bottom() - player.geometry().bottom());
    player_ = &player;
    QScreen* screen = home_ ? home_->screen() : QGuiApplication::primaryScreen();
    // Without a window manager the full-screen state alone would not size the window.
    setGeometry(screen->geometry());
    // A native child keeps its own window through the move: libVLC goes on drawing.
    player.setParent(this);
    player.setGeometry(rect());
    player.setMouseTracking(true);
    player.installEventFilter(this);
    connect(&player, &QObject::destroyed, this, &FullScreenPlayer::PlayerGone,
            Qt::UniqueConnection);
    player.show();
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    ShowPointer();
}

void FullScreenPlayer::Leave() {
    pointerTimer_.stop();
    unsetCursor();
    if (player_) {
        disconnect(player_, &QObject::destroyed, this, &FullScreenPlayer::PlayerGone);
        player_->removeEventFilter(this);
        player_->unsetCursor();
        player_->setMouseTracking(false);
        if (home_) {
            player_->setParent(home_);
            player_->setGeometry(home_->rect().marginsRemoved(homeMargins_));
            player_->show();
            player_->raise();
            if (QWindow* native = player_->windowHandle()) {
                native->raise();
            }
            home_->window()->activateWindow();
        } else {
            delete player_.data(); // its panel is gone: nothing to show it in
        }
    }
    player_ = nullptr;
    hide();
}

void FullScreenPlayer::PlayerGone() {
    // Half destroyed already: nothing of it may be touched.
    player_ = nullptr;
    Leave();
}

void FullScreenPlayer::keyPressEvent(QKeyEvent* event) {
    if (onKey && onKey(*event)) {
        return;
    }
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_F11) {
        Leave();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenPlayer::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    Leave();
}

void FullScreenPlayer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (player_) {
        player_->setGeometry(rect());
    }
}

bool FullScreenPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == player_ && event->type() == QEvent::MouseMove) {
        ShowPointer();
    }
    return QWidget::eventFilter(watched, event);
}

void FullScreenPlayer::ShowPointer() {
    unsetCursor();
    if (player_) {
        player_->unsetCursor();
    }
    pointerTimer_.start();
}

} // namespace kalore
