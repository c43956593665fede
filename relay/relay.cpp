#include "relay/relay.h"

#include "relay/http_request.h"
#include "relay/loopback_socket.h"
#include "relay/relay_address.h"

namespace kalore {

namespace {

// How long the relay waits for a reader's request, and between two tidies.
constexpr std::chrono::milliseconds kRequestLimit{5000};
constexpr std::chrono::milliseconds kTidyPeriod{200};

} // namespace

Relay::Relay(Options options) : options_(std::move(options)) {}

Relay::~Relay() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (thread_.joinable())
        thread_.join();
    for (auto& [token, channel] : channels_)
        channel->Close();
}

std::string Relay::LocalAddress(const std::string& source) {
    std::lock_guard lock(mutex_);
    return ChannelOf(source) ? LocalRelayAddress(listener_->Port(), tokenOf_.at(source)) : "";
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
        channels_[entry->second] = std::make_unique<RelayedChannel>(source, options_);
    }
    return channels_.at(entry->second).get();
}

std::string Relay::Refusal(const std::string& source) const {
    std::lock_guard lock(mutex_);
    const auto token = tokenOf_.find(source);
    return token == tokenOf_.end() ? std::string() : channels_.at(token->second)->Refusal();
}

int Relay::OpenSessions() const {
    std::lock_guard lock(mutex_);
    int open = 0;
    for (const auto& [token, channel] : channels_)
        open += channel->SessionOpen() ? 1 : 0;
    return open;
}

void Relay::Serve() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
        }
        if (auto connection = listener_->Accept(kTidyPeriod))
            Answer(std::move(connection));
        const auto now = RelayedChannel::Clock::now();
        std::lock_guard lock(mutex_);
        for (auto& [token, channel] : channels_)
            channel->Tidy(now);
    }
}

void Relay::Answer(std::unique_ptr<ReaderConnection> connection) {
    // Readers are the player and the recorder on this machine: they send their
    // request at once, so waiting for it here holds up no one for long.
    const auto head = connection->ReadRequestHead(kRequestLimit);
    const auto request = head ? ParseRequestLine(*head) : std::nullopt;
    if (!request) {
        connection->Send(HttpRefusal(400, "Bad Request"));
        return;
    }
    if (request->method != "GET") {
        connection->Send(HttpRefusal(405, "Method Not Allowed"));
        return;
    }
    const auto token = TokenOfTarget(request->target);
    std::lock_guard lock(mutex_);
    const auto channel = token ? channels_.find(*token) : channels_.end();
    if (channel == channels_.end()) {
        connection->Send(HttpRefusal(404, "Not Found"));
        return;
    }
    channel->second->AddReader(std::move(connection));
}

} // namespace kalore
