#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "relay/relayed_channel.h"

namespace kalore {

class LoopbackListener;
class ReaderConnection;

// Serves the box's RTSP channels to the player and the recorder, which have no
// RTSP client, as MPEG-TS over HTTP on 127.0.0.1: one box session per channel
// whatever the number of readers. Only the channels asked for are served, each
// at a path of its own that can't be guessed; any other path gets 404.
class Relay {
public:
    using Options = RelayedChannel::Options;

    explicit Relay(Options options);
    // Closes every session (TEARDOWN) and every reader.
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // The local address serving `source` (an rtsp:// address), the same for every
    // call with it; empty when the relay can't listen on loopback.
    std::string LocalAddress(const std::string& source);
    // Opens the session of `source` now, waiting at most `limit` for it to flow:
    // the reason the box refused it, empty when it flows. For a recorder, which
    // must know before it starts; safe from any thread.
    std::string Open(const std::string& source, std::chrono::milliseconds limit);
    // Why the box refused `source` the last time it was opened; empty when it
    // didn't or when `source` was never asked for.
    std::string Refusal(const std::string& source) const;
    // How many box sessions are open now.
    int OpenSessions() const;

private:
    void Serve();
    // The channel of `source`, added at its first mention; null when the relay
    // can't listen. With the mutex held.
    RelayedChannel* ChannelOf(const std::string& source);
    void Answer(std::unique_ptr<ReaderConnection> connection);

    const Options options_;
    std::unique_ptr<LoopbackListener> listener_;

    mutable std::mutex mutex_;
    bool stop_ = false;
    // Source address -> token, and token -> channel.
    std::map<std::string, std::string> tokenOf_;
    std::map<std::string, std::unique_ptr<RelayedChannel>> channels_;
    std::thread thread_;
};

} // namespace kalore
