#include "gui/watch_controls.h"

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
    : window_(window), live_(live), settings_(settings) {
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kSaveDelayMs);
    connect(&saveTimer_, &QTimer::timeout, this, &WatchControls::SaveVolume);
    pauseTimer_.setInterval(kPauseCheckMs);
    connect(&pauseTimer_, &QTimer::timeout, this, &WatchControls::CheckPauseSize);
    live_.onControlCreated = [this](TVLCPlugin& player) {
        Adopt(player);
    };
    fullScreen_.onKey = [this](QKeyEvent& event) {
        return HandleKey(event);
    };
    auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), &window_);
    f11->setObjectName("FullScreenShortcut");
    connect(f11, &QShortcut::activated, this, &WatchControls::ToggleFullScreen);
}

WatchControls::~WatchControls() {
    live_.onControlCreated = nullptr;
    if (saveTimer_.isActive()) {
        SaveVolume();
    }
    fullScreen_.Leave();
}

int WatchControls::Volume() {
    if (volume_ < 0) {
        volume_ = settings_.LoadVolume();
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
    TVLCPlugin* player = live_.Control();
    if (player != nullptr && player->isVisible()) {
        fullScreen_.Enter(*player);
    }
}

void WatchControls::ChangeVolume(int steps) {
    volume_ = StepVolume(Volume(), steps);
    muted_ = false;
    ApplySound();
    ShowLevel();
    saveTimer_.start();
}

void WatchControls::ToggleMute() {
    muted_ = !muted_;
    ApplySound();
    ShowLevel();
}

void WatchControls::ApplySound() {
    TVLCPlugin* player = live_.Control();
    if (player == nullptr) {
        return;
    }
    player->SetVolume(Volume());
    player->SetMute(muted_);
}

void WatchControls::ShowLevel() {
    ShowNews(VolumeOverlay::Text(Volume(), muted_));
}

void WatchControls::ShowNews(const QString& text) {
    TVLCPlugin* player = live_.Control();
    if (player != nullptr && player->isVisible()) {
        overlay_.ShowText(text, QRect(player->mapToGlobal(QPoint(0, 0)), player->size()));
    }
}

void WatchControls::TogglePause() {
    TVLCPlugin* player = live_.Control();
    if (player == nullptr || !player->isVisible()) {
        return;
    }
    const bool pause = !player->Paused();
    player->SetPause(pause);
    if (pause) {
        bytesAtPause_ = player->ReadBytes();
        pauseTimer_.start();
    } else {
        pauseTimer_.stop();
    }
    ShowNews(pause ? QStringLiteral("Pause") : QStringLiteral("Lecture en différé"));
}

void WatchControls::CheckPauseSize() {
    TVLCPlugin* player = live_.Control();
    if (player == nullptr || !player->Paused()) {
        pauseTimer_.stop();
        return;
    }
    // What the channel sends meanwhile goes to disk: past the cap, it plays on.
    if (player->ReadBytes() - bytesAtPause_ > kTimeshiftCapBytes) {
        player->SetPause(false);
        pauseTimer_.stop();
        ShowNews(QStringLiteral("Pause trop longue : reprise de la lecture"));
    }
}

void WatchControls::GoLive() {
    TVLCPlugin* player = live_.Control();
    if (player == nullptr || !player->isVisible()) {
        return;
    }
    pauseTimer_.stop();
    const bool fullScreen = fullScreen_.Showing();
    if (live_.Watch(live_.LiveStreamAddress()) && fullScreen && live_.Control() != nullptr) {
        fullScreen_.Enter(*live_.Control());
    }
    ShowNews(QStringLiteral("Direct"));
}

void WatchControls::SaveVolume() {
    saveTimer_.stop();
    settings_.SaveVolume(Volume());
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
        return false;
    }
}

bool WatchControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched != live_.Control()) {
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
