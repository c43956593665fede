#include "relay/relay.h"

#include <algorithm>
#include <vector>

#include "relay/box_description.h"
#include "relay/boxes.h"
#include "relay/http_request.h"
#include "relay/loopback_socket.h"
#include "relay/relay_address.h"
#include "relay/relayed_channel.h"

namespace kalore {

Relay::Relay(Options options)
    : options_(std::move(options)), readerOwner_(options_.readerOwner.value_or(ThisUser())),
      boxes_(std::make_shared<Boxes>()) {}

Relay::~Relay() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.Raise();
    if (thread_.joinable())
        thread_.join();
    for (auto& [token, channel] : channels_)
        channel->Close();
}

std::string Relay::LocalAddress(const std::string& source) {
    std::lock_guard lock(mutex_);
    return ChannelOf(source) ? LocalRelayAddress(listener_->Port(), tokenOf_.at(source)) : "";
}

std::string Relay::PlaylistFor(const std::string& source) {
    std::lock_guard lock(mutex_);
    if (!ChannelOf(source))
        return "";
    auto [entry, added] = playlistOf_.try_emplace(source);
    if (added || entry->second.empty())
        entry->second = playlists_.For("chaine-" + std::to_string(playlistOf_.size()),
                                       LocalRelayAddress(listener_->Port(), tokenOf_.at(source)));
    return entry->second;
}

std::string Relay::Open(const std::string& source, std::chrono::milliseconds limit) {
    RelayedChannel* channel;
    {
        std::lock_guard lock(mutex_);
        channel = ChannelOf(source);
    }
    // Channels live as long as the relay: no lock needed to wait on one.
    return channel ? channel->AwaitSession(limit)
                   : "le relais RTSP ne peut pas écouter sur 127.0.0.1";
}

RelayedChannel* Relay::ChannelOf(const std::string& source) {
    if (!listener_) {
        listener_ = std::make_unique<LoopbackListener>();
        if (listener_->Port() == 0) {
            listener_.reset();
            options_.log("Relais RTSP : impossible d'écouter sur 127.0.0.1");
            return nullptr;
        }
        thread_ = std::thread([this] { Serve(); });
    }
    auto [entry, added] = tokenOf_.try_emplace(source);
    if (added) {
        entry->second = NewRelayToken();
        channels_[entry->second] = std::make_unique<RelayedChannel>(
            source, options_, boxes_, [this, source] { return GiveWayTo(source); });
    }
    return channels_.at(entry->second).get();
}

std::string Relay::Refusal(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto token = tokenOf_.find(source);
    return token == tokenOf_.end() ? std::string() : channels_.at(token->second)->Refusal();
}

void Relay::ViewerLeft(const std::string& source) {
    std::lock_guard lock(mutex_);
    if (const auto token = tokenOf_.find(source); token != tokenOf_.end())
        channels_.at(token->second)->ViewerLeft();
}

bool Relay::GiveWayTo(const std::string& source) {
    std::lock_guard lock(mutex_);
    bool freed = false;
    for (auto& [token, channel] : channels_)
        if (channel->Address() != source && SameBox(source, channel->Address()))
            freed = channel->GiveWayToRecording() || freed;
    return freed;
}

std::string Relay::RecordingHolding(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto token = tokenOf_.find(source);
    if (token == tokenOf_.end() || !channels_.at(token->second)->RefusedCrowded())
        return "";
    for (const auto& [other, channel] : channels_)
        if (channel->Address() != source && SameBox(source, channel->Address()) &&
            channel->Recorded())
            return channel->Address();
    return "";
}

int Relay::OpenSessions() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(channels_.begin(), channels_.end(),
                                          [](const auto& c) { return c.second->SessionOpen(); }));
}

} // namespace kalore
