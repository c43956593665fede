#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "gui/full_screen_player.h"
#include "gui/volume_overlay.h"

class QKeyEvent;

namespace kalore {

class LiveView;
class SettingsFile;
class TVLCPlugin;

// How the picture is watched: full screen (double-click, F11; Escape comes back)
// and the sound (wheel over the picture, Up and Down in full screen, M mutes), with
// the level kept in the settings file, and the pause of a live channel (Space; D goes
// back to live). Each new player of the live view gets them.
class WatchControls final : public QObject {
    Q_OBJECT

public:
    WatchControls(QWidget& window, LiveView& live, SettingsFile& settings);
    ~WatchControls() override;

    void ToggleFullScreen();
    // Steps of 5 up (positive) or down.
    void ChangeVolume(int steps);
    void ToggleMute();
    // Pauses the live channel, or resumes it where it paused (Space).
    void TogglePause();
    // Back to what the channel shows now, in a fresh player (D).
    void GoLive();

    int Volume();
    bool Muted() const { return muted_; }
    bool FullScreen() const { return fullScreen_.Showing(); }
    FullScreenPlayer& FullScreenWindow() { return fullScreen_; }
    VolumeOverlay& Overlay() { return overlay_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Adopt(TVLCPlugin& player);
    bool HandleKey(const QKeyEvent& event);
    void ApplySound();
    void ShowLevel();
    void ShowNews(const QString& text);
    void CheckPauseSize();
    void SaveVolume();

    QWidget& window_;
    LiveView& live_;
    SettingsFile& settings_;
    FullScreenPlayer fullScreen_;
    VolumeOverlay overlay_;
    QTimer saveTimer_;
    QTimer pauseTimer_;
    long long bytesAtPause_ = 0;
    int volume_ = -1; // read from the settings file at first use
    bool muted_ = false;
};

} // namespace kalore
