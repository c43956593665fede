#include "player/live_view.h"

#include <QMargins>
#include <QWidget>
#include <QWindow>

#include "player/timeshift_folder.h"
#include "relay/relay.h"
#include "relay/relay_address.h"
#include "seams/host.h"

namespace kalore {

namespace {

// Playlist insert mode of the player, at the head of the list.
constexpr int kInsertMode = 1;
constexpr int kHeadPosition = 0;
constexpr int kInset = 10;
// Well within the relay's linger, so the box session outlives the player's restart.
constexpr int kResumeLookMs = 1000;

} // namespace

std::vector<std::string> LiveMediaOptions() {
    // Without a private folder libVLC keeps the pause in its own files of the
    // temporary folder, made safely and unlinked at once.
    const std::string folder = TimeshiftFolder();
    if (folder.empty()) {
        return {};
    }
    return {":input-timeshift-path=" + folder};
}

LiveView::LiveView(QWidget& panel, Host& host, std::function<bool()> controlAvailable,
                   std::function<void()> showPlayerDialog, std::vector<std::string> libvlcArgs)
    : panel_(panel), host_(host), controlAvailable_(std::move(controlAvailable)),
      showPlayerDialog_(std::move(showPlayerDialog)), libvlcArgs_(std::move(libvlcArgs)) {
    resume_.setInterval(kResumeLookMs);
    resume_.callOnTimeout([this] { ResumeIfEnded(); });
}

LiveView::~LiveView() {
    DestroyControl();
}

bool LiveView::Watch(const std::string& address) {
    liveStreamAddress_ = address;
    try {
        StartLiveView();
    } catch (const std::exception& error) {
        host_.ShowMessage(error.what());
        return false;
    }
    return true;
}

std::string LiveView::PlayedAddress() const {
    if (!relay_ || !NeedsRelay(liveStreamAddress_)) {
        return liveStreamAddress_;
    }
    const std::string local = relay_->LocalAddress(liveStreamAddress_);
    host_.AppendLog("Relais RTSP : " + liveStreamAddress_ + " est regardé depuis " + local);
    return local;
}

void LiveView::StartLiveView() {
    if (!controlAvailable_()) {
        showPlayerDialog_();
        return;
    }
    DestroyControl();
    control_ = new TVLCPlugin(&panel_, InsidePanel(), libvlcArgs_);
    // raise() leaves the native window where it is when the widget is already the
    // last child, and the labels may get their native windows after it: restack it.
    control_->raise();
    if (QWindow* native = control_->windowHandle()) {
        native->raise();
    }
    Play(*control_);
    LookAfterRelayedChannel();
}

void LiveView::Play(TVLCPlugin& control) {
    // The old player is gone: the old channel's box session ends before the new one
    // opens, as a box gives few streams, often one.
    if (relay_ && !relayedWatched_.empty() && relayedWatched_ != liveStreamAddress_) {
        relay_->ViewerLeft(relayedWatched_);
    }
    relayedWatched_ = relay_ && NeedsRelay(liveStreamAddress_) ? liveStreamAddress_ : "";
    control.ClearPlaylist();
    control.AddItem(PlayedAddress(), LiveMediaOptions(), kInsertMode, kHeadPosition);
    control.NextItem();
    // French channels are interlaced: without it every movement shows combs.
    control.SetDeinterlace(kLiveDeinterlaceMode);
    if (onControlCreated) {
        onControlCreated(control);
    }
    control.Play();
}

bool LiveView::Zap(const std::string& address) {
    if (!control_ || !controlAvailable_()) {
        return Watch(address);
    }
    liveStreamAddress_ = address;
    try {
        // The channel left goes first, before the next one is asked of the relay.
        resume_.stop();
        control_->Renew();
        EmptyTimeshiftFolder();
        control_->show();
        Play(*control_);
    } catch (const std::exception& error) {
        host_.ShowMessage(error.what());
        return false;
    }
    LookAfterRelayedChannel();
    return true;
}

void LiveView::LookAfterRelayedChannel() {
    if (relay_ && NeedsRelay(liveStreamAddress_)) {
        resume_.start();
    } else {
        resume_.stop();
    }
}

QRect LiveView::InsidePanel() const {
    return panel_.rect().marginsRemoved(QMargins(kInset, kInset, kInset, kInset));
}

void LiveView::FollowPanel() {
    // Not while full screen has it.
    if (control_ && control_->parentWidget() == &panel_) {
        control_->setGeometry(InsidePanel());
    }
}

void LiveView::ResumeIfEnded() {
    if (!control_ || control_->Playing()) {
        return;
    }
    host_.AppendLog("Relais RTSP : la lecture reprend (" + liveStreamAddress_ + ")");
    try {
        StartLiveView();
    } catch (const std::exception& error) {
        resume_.stop();
        host_.AppendLog(error.what());
    }
}

void LiveView::SourceRefused(const std::string& source, const std::string& reason,
                             const std::string& recordedChannel) {
    if (source != liveStreamAddress_ || !resume_.isActive()) {
        return;
    }
    StopWatching();
    // A recording is never cut for live view: the user learns which one holds the box.
    host_.ShowMessage(recordedChannel.empty()
                          ? "Impossible de regarder cette chaîne : " + reason
                          : "La Freebox n'accepte qu'un flux à la fois : « " + recordedChannel +
                                " » est en cours d'enregistrement.");
}

void LiveView::StopWatching() {
    resume_.stop();
    if (control_) {
        if (control_->Playing()) {
            control_->hide();
        }
        control_->Stop();
    }
    EmptyTimeshiftFolder();
}

void LiveView::DestroyControl() {
    resume_.stop();
    delete control_.data();
    control_ = nullptr;
    EmptyTimeshiftFolder();
}

} // namespace kalore
