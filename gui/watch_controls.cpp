#include "gui/watch_controls.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWheelEvent>

#include "player/live_view.h"
#include "player/timeshift_folder.h"
#include "settings/settings_file.h"

namespace kalore {
namespace {

// A burst of wheel steps is written once, when it is over.
constexpr int kSaveDelayMs = 1000;
constexpr int kWheelStep = 120;
constexpr int kPauseCheckMs = 1000;

} // namespace

WatchControls::WatchControls(QWidget& window, LiveView& live, SettingsFile& settings)
    : WatchControls(window, &live, &settings, nullptr) {}

WatchControls::WatchControls(QWidget& window, TVLCPlugin& player)
    : WatchControls(window, nullptr, nullptr, &player) {}

WatchControls::WatchControls(QWidget& window, LiveView* live, SettingsFile* settings,
                             TVLCPlugin* recording)
    : window_(window), live_(live), settings_(settings), recording_(recording) {
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kSaveDelayMs);
    connect(&saveTimer_, &QTimer::timeout, this, &WatchControls::SaveVolume);
    pauseTimer_.setInterval(kPauseCheckMs);
    connect(&pauseTimer_, &QTimer::timeout, this, &WatchControls::CheckPause);
    fullScreen_.onKey = [this](QKeyEvent& event) {
        return HandleKey(event);
    };
    auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), &window_);
    f11->setObjectName("FullScreenShortcut");
    connect(f11, &QShortcut::activated, this, &WatchControls::ToggleFullScreen);
    if (live_ != nullptr) {
        live_->onControlCreated = [this](TVLCPlugin& player) {
            ForgetPause();
            Adopt(player);
        };
    }
    if (recording != nullptr) {
        Adopt(*recording);
    }
}

WatchControls::~WatchControls() {
    if (live_ != nullptr) {
        live_->onControlCreated = nullptr;
    }
    if (saveTimer_.isActive()) {
        SaveVolume();
    }
    fullScreen_.Leave();
}

TVLCPlugin* WatchControls::Player() const {
    return live_ != nullptr ? live_->Control() : recording_.data();
}

int WatchControls::Volume() {
    if (volume_ < 0) {
        volume_ = settings_ != nullptr ? settings_->LoadVolume() : kDefaultVolume;
    }
    return volume_;
}

void WatchControls::Adopt(TVLCPlugin& player) {
    player.installEventFilter(this);
    // A click on the picture gives it the keys (M mutes), without taking them from
    // the channel box while the user types.
    player.setFocusPolicy(Qt::ClickFocus);
    ApplySound();
}

void WatchControls::ToggleFullScreen() {
    if (fullScreen_.Showing()) {
        fullScreen_.Leave();
        return;
    }
    TVLCPlugin* player = Player();
    if (player != nullptr && player->isVisible()) {
        fullScreen_.Enter(*player);
    }
}

void WatchControls::ChangeVolume(int steps) {
    volume_ = StepVolume(Volume(), steps);
    muted_ = false;
    ApplySound();
    ShowLevel();
    if (settings_ != nullptr) {
        saveTimer_.start();
    }
}

void WatchControls::ToggleMute() {
    muted_ = !muted_;
    ApplySound();
    ShowLevel();
}

void WatchControls::ApplySound() {
    TVLCPlugin* player = Player();
    if (player == nullptr) {
        return;
    }
    player->SetVolume(Volume());
    player->SetMute(muted_);
}

void WatchControls::ShowLevel() {
    ShowNews(VolumeOverlay::Text(Volume(), muted_));
}

QRect WatchControls::PictureArea() const {
    TVLCPlugin* player = Player();
    if (player == nullptr || !player->isVisible()) {
        return {};
    }
    return QRect(player->mapToGlobal(QPoint(0, 0)), player->size());
}

void WatchControls::ShowNews(const QString& text) {
    if (const QRect area = PictureArea(); !area.isEmpty()) {
        overlay_.ShowText(text, area);
    }
}

void WatchControls::ShowBanner(const QString& channel, const QString& nowAndNext,
                               const QPixmap& logo) {
    if (const QRect area = PictureArea(); !area.isEmpty()) {
        banner_.Show(channel, nowAndNext, logo, area);
    }
}

void WatchControls::TogglePause() {
    TVLCPlugin* player = Player();
    if (player == nullptr || !player->isVisible()) {
        return;
    }
    const bool pause = !player->Paused();
    player->SetPause(pause);
    if (pause) {
        bytesAtPause_ = player->ReadBytes();
        pausedFor_.start();
    } else if (pausedFor_.isValid()) {
        behindBefore_ += pausedFor_.elapsed();
        pausedFor_.invalidate();
    }
    pauseTimer_.start();
    ShowNews(pause ? QStringLiteral("Pause") : QStringLiteral("Lecture en différé"));
    ShowPauseSign();
}

qint64 WatchControls::BehindLive() const {
    if (live_ == nullptr) {
        return 0;
    }
    return behindBefore_ + (pausedFor_.isValid() ? pausedFor_.elapsed() : 0);
}

QString WatchControls::BehindText(qint64 milliseconds) {
    const qint64 seconds = milliseconds / 1000;
    const QString minutes = QString::number(seconds / 60).rightJustified(2, '0');
    return QStringLiteral("−") + minutes + ":" +
           QString::number(seconds % 60).rightJustified(2, '0');
}

void WatchControls::CheckPause() {
    TVLCPlugin* player = Player();
    if (player == nullptr) {
        ForgetPause();
        return;
    }
    // What the channel sends meanwhile goes to disk: past the cap, it plays on.
    if (live_ != nullptr && pausedFor_.isValid() &&
        player->ReadBytes() - bytesAtPause_ > kTimeshiftCapBytes) {
        player->SetPause(false);
        behindBefore_ += pausedFor_.elapsed();
        pausedFor_.invalidate();
        ShowNews(QStringLiteral("Pause trop longue : reprise de la lecture"));
    }
    ShowPauseSign();
}

void WatchControls::ShowPauseSign() {
    const QRect area = PictureArea();
    const bool paused = pausedFor_.isValid();
    const qint64 behind = BehindLive();
    // Not over other programs' windows while Kalore is behind them.
    const bool active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    if (area.isEmpty() || (!paused && behind == 0)) {
        pauseSign_.hide();
        if (!paused && behind == 0) {
            pauseTimer_.stop();
        }
        return;
    }
    QString text = paused ? QStringLiteral("❚❚ Pause") : QString();
    if (behind > 0) {
        text += (text.isEmpty() ? "" : "   ") + BehindText(behind);
    }
    pauseSign_.ShowText(text, area);
    pauseSign_.setVisible(active);
}

void WatchControls::ForgetPause() {
    behindBefore_ = 0;
    pausedFor_.invalidate();
    pauseTimer_.stop();
    pauseSign_.hide();
}

void WatchControls::ChannelChanged() {
    ForgetPause();
}

void WatchControls::GoLive() {
    TVLCPlugin* player = Player();
    if (live_ == nullptr || player == nullptr || !player->isVisible()) {
        return;
    }
    ForgetPause();
    const bool fullScreen = fullScreen_.Showing();
    if (live_->Watch(live_->LiveStreamAddress()) && fullScreen && live_->Control() != nullptr) {
        fullScreen_.Enter(*live_->Control());
    }
    ShowNews(QStringLiteral("Direct"));
}

void WatchControls::SaveVolume() {
    saveTimer_.stop();
    if (settings_ != nullptr) {
        settings_->SaveVolume(Volume());
    }
}

bool WatchControls::HandleKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_M:
        ToggleMute();
        return true;
    case Qt::Key_Space:
        TogglePause();
        return true;
    case Qt::Key_D:
        if (live_ == nullptr) {
            return false;
        }
        GoLive();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!fullScreen_.Showing()) {
            return false; // in the window they move between controls
        }
        ChangeVolume(event.key() == Qt::Key_Up ? 1 : -1);
        return true;
    default:
        return onOtherKey && onOtherKey(event);
    }
}

bool WatchControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Player()) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        ToggleFullScreen();
        return true;
    case QEvent::Wheel: {
        const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / kWheelStep;
        if (steps != 0) {
            ChangeVolume(steps);
        }
        return true;
    }
    case QEvent::KeyPress:
        return HandleKey(*static_cast<QKeyEvent*>(event));
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace kalore
