#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QPointer>
#include <QTimer>

#include "player/vlc_plugin.h"

class QWidget;

namespace kalore {

class Host;
class Relay;

// Live viewing in the main window's video panel: at most one embedded player, placed
// 10 pixels inside the panel and recreated at each start.
class LiveView final {
public:
    // controlAvailable reads the window's control-available flag; showPlayerDialog
    // shows the player location dialog modally. Failures are reported with
    // host.ShowMessage, as the application's error report would.
    LiveView(QWidget& panel, Host& host, std::function<bool()> controlAvailable,
             std::function<void()> showPlayerDialog,
             std::vector<std::string> libvlcArgs = DefaultLibvlcArgs());
    ~LiveView();
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    // Plays `address` (the selected channel's, "" for none) in a fresh player, or
    // shows the player dialog when there is no player. False when that failed: the
    // user has been told, and there is nothing to stop.
    bool Watch(const std::string& address);
    // Another channel in the player that plays (its window, full screen and sound
    // stay); as Watch when there is none. False when that failed: the user has
    // been told.
    bool Zap(const std::string& address);
    // Plays the live stream address in a fresh player; throws VlcError on failure.
    void StartLiveView();
    // Stops the player, hidden when it was playing; never reports an error.
    void StopWatching();

    // Plays rtsp:// channels, which libVLC can't open, through `relay` from now on.
    void UseRelay(Relay& relay) { relay_ = &relay; }
    // The relay's box refused `source` for `reason`: if it is the channel watched,
    // the player stops and the user is told why: when a recording holds the box's
    // only stream, by naming `recordedChannel`.
    void SourceRefused(const std::string& source, const std::string& reason,
                       const std::string& recordedChannel = "");

    // The panel changed size: the player stays 10 pixels inside it.
    void FollowPanel();

    // At the end of the program, when the control-available flag is set.
    void DestroyControl();

    const std::string& LiveStreamAddress() const { return liveStreamAddress_; }
    void ClearLiveStreamAddress() { liveStreamAddress_.clear(); }
    // Called with each new player (or one renewed for another channel) before it
    // plays: the window's controls of it (full screen, volume) take it over there.
    std::function<void(TVLCPlugin&)> onControlCreated;

    // The current player, or nullptr while none exists.
    TVLCPlugin* Control() const { return control_.data(); }

private:
    QRect InsidePanel() const;
    // Queues the live stream address in `control`, set up as every live player is, and plays.
    void Play(TVLCPlugin& control);
    // What the player opens for the live stream address.
    std::string PlayedAddress() const;
    // A relayed channel is looked after while it plays; others need not be.
    void LookAfterRelayedChannel();
    // A relayed channel whose player stopped by itself (the relay cut it during
    // an outage of the box) is played again.
    void ResumeIfEnded();

    QWidget& panel_;
    Host& host_;
    std::function<bool()> controlAvailable_;
    std::function<void()> showPlayerDialog_;
    std::vector<std::string> libvlcArgs_;
    std::string liveStreamAddress_;
    Relay* relay_ = nullptr;
    // The relayed channel the player last played, which it leaves at a change.
    std::string relayedWatched_;
    QTimer resume_;
    QPointer<TVLCPlugin> control_;
};

// What every live channel is played with: the options of its media (the folder its
// pause keeps the channel in) and the deinterlacing of its picture.
std::vector<std::string> LiveMediaOptions();
inline constexpr const char* kLiveDeinterlaceMode = "blend";

} // namespace kalore
