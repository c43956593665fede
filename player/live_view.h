#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QPointer>

#include "player/vlc_plugin.h"

class QPushButton;
class QWidget;

namespace kalore {

class Host;

// Live viewing in the main window's video panel: at most one embedded player, placed
// 10 pixels inside the panel, recreated at each start, and the "Stop lecture" button
// that follows it. The window's Button1Click/Button8Click call in here.
class LiveView final {
public:
    // controlAvailable reads the window's control-available flag; showPlayerDialog
    // shows the player location dialog modally. Failures are reported with
    // host.ShowMessage, as the application's error report would.
    LiveView(QWidget& panel, QPushButton& button8, Host& host,
             std::function<bool()> controlAvailable, std::function<void()> showPlayerDialog,
             std::vector<std::string> libvlcArgs = DefaultLibvlcArgs());
    ~LiveView();
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    // "Regarder la TV", given the address of the selected channel ("" for none).
    void Button1Click(const std::string& selectedAddress);
    // Plays the live stream address in a fresh player; throws VlcError on failure.
    void StartLiveView();
    // "Stop lecture"; never reports an error.
    void Button8Click();

    // At the end of the program, when the control-available flag is set.
    void DestroyControl();

    const std::string& LiveStreamAddress() const { return liveStreamAddress_; }
    void ClearLiveStreamAddress() { liveStreamAddress_.clear(); }
    // The current player, or nullptr while none exists.
    TVLCPlugin* Control() const { return control_.data(); }

private:
    QWidget& panel_;
    QPushButton& button8_;
    Host& host_;
    std::function<bool()> controlAvailable_;
    std::function<void()> showPlayerDialog_;
    std::vector<std::string> libvlcArgs_;
    std::string liveStreamAddress_;
    QPointer<TVLCPlugin> control_;
};

} // namespace kalore
