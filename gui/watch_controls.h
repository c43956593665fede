#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "gui/channel_banner.h"
#include "gui/full_screen_player.h"
#include "gui/volume_overlay.h"

class QKeyEvent;

namespace kalore {

class LiveView;
class SettingsFile;
class TVLCPlugin;

// How the picture is watched: full screen (double-click, F11; Escape comes back)
// and the sound (wheel over the picture, Up and Down in full screen, M mutes), and
// the pause (Space), with a lasting sign while paused. For the live view, the level
// is kept in the settings file, each new player gets them, D goes back to live, the
// sign says how far behind live the picture plays, and the channel changes show a
// banner. A recording's player gets the same keys.
class WatchControls final : public QObject {
    Q_OBJECT

public:
    // The live view's players.
    WatchControls(QWidget& window, LiveView& live, SettingsFile& settings);
    // One player of a recording, inside `window`; the level starts full, unsaved.
    WatchControls(QWidget& window, TVLCPlugin& player);
    ~WatchControls() override;

    void ToggleFullScreen();
    // Steps of 5 up (positive) or down.
    void ChangeVolume(int steps);
    void ToggleMute();
    // Pauses the picture, or resumes it where it paused (Space).
    void TogglePause();
    // Back to what the channel shows now, in a fresh player (D).
    void GoLive();
    // The live channel changed in the same player: it plays live, not paused.
    void ChannelChanged();
    // The channel's banner over the picture, in full screen too.
    void ShowBanner(const QString& channel, const QString& nowAndNext, const QPixmap& logo);

    int Volume();
    bool Muted() const { return muted_; }
    bool FullScreen() const { return fullScreen_.Showing(); }
    // How far behind live the picture plays, in milliseconds (0: live).
    qint64 BehindLive() const;
    FullScreenPlayer& FullScreenWindow() { return fullScreen_; }
    VolumeOverlay& Overlay() { return overlay_; }
    // The lasting sign of a pause ("Pause −00:12", then "−00:12" behind live).
    VolumeOverlay& PauseSign() { return pauseSign_; }
    ChannelBanner& Banner() { return banner_; }

    // Keys of the picture that aren't these controls' (the channel's, for zapping).
    std::function<bool(const QKeyEvent&)> onOtherKey;

    // "−01:05" for 65 s.
    static QString BehindText(qint64 milliseconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WatchControls(QWidget& window, LiveView* live, SettingsFile* settings, TVLCPlugin* recording);
    TVLCPlugin* Player() const;
    void Adopt(TVLCPlugin& player);
    bool HandleKey(const QKeyEvent& event);
    void ApplySound();
    void ShowLevel();
    void ShowNews(const QString& text);
    QRect PictureArea() const;
    void CheckPause();
    void ShowPauseSign();
    void ForgetPause();
    void SaveVolume();

    QWidget& window_;
    LiveView* live_ = nullptr;
    SettingsFile* settings_ = nullptr;
    QPointer<TVLCPlugin> recording_; // the player of a recording
    FullScreenPlayer fullScreen_;
    VolumeOverlay overlay_;
    VolumeOverlay pauseSign_{VolumeOverlay::Place::TopLeft, 0};
    ChannelBanner banner_;
    QTimer saveTimer_;
    QTimer pauseTimer_;
    long long bytesAtPause_ = 0;
    qint64 behindBefore_ = 0; // the pauses before the one under way
    QElapsedTimer pausedFor_; // the one under way, while paused
    int volume_ = -1;         // read from the settings file at first use
    bool muted_ = false;
};

} // namespace kalore
