#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "seams/main_thread.h"

namespace kalore {

// Where a source reached over TCP accepts connections.
struct TcpSource {
    std::string host;
    std::uint16_t port = 0;
    bool operator==(const TcpSource&) const = default;
};

// The host and port of an address vlc reaches over TCP: http, https, rtsp and any
// other scheme with a port, but the UDP ones. Nothing for udp, rtp and the like,
// which vlc keeps listening for, nor for an address without a host.
std::optional<TcpSource> TcpSourceOf(const std::string& url);
// Whether vlc listens for the source (udp, rtp and the like) rather than
// reaching it over TCP.
bool IsUdpSource(const std::string& url);

// Starts a look at whether a TCP source accepts connections; the answer may come
// on another thread.
using ListenerProbe = std::function<void(const std::string& host, std::uint16_t port,
                                         std::function<void(bool accepted)> answered)>;

// While a recording waits to try its TCP source again, looks once a second
// whether the source has come back: seen refusing connections, then accepting
// them. A source that accepts connections but fails otherwise never comes back
// this way, so the back-off alone spaces its tries. One look at a time: a host
// that never answers holds one look, not one more each second. Main thread only.
class SourceWatch {
public:
    // `cameBack` runs on the main thread as soon as a look finds the source back.
    SourceWatch(TcpSource source, ListenerProbe probe, MainThread& mainThread,
                std::function<void()> cameBack);
    // No answer reaches the main thread afterwards.
    ~SourceWatch();
    SourceWatch(const SourceWatch&) = delete;
    SourceWatch& operator=(const SourceWatch&) = delete;

    // Starts a look, unless one is under way.
    void Look();
    // The files grow again: what was seen belongs to an outage that is over.
    void Forget() { seenRefusing_ = false; }

private:
    // Shared with the looks under way, which may end after this watch.
    struct Link {
        Link(MainThread& thread, SourceWatch* owner) : mainThread(thread), watch(owner) {}
        MainThread& mainThread;
        std::mutex mutex;
        SourceWatch* watch; // null once the watch is gone; written on the main thread
    };

    void Answered(bool accepted);

    const TcpSource source_;
    const ListenerProbe probe_;
    const std::function<void()> cameBack_;
    const std::shared_ptr<Link> link_;
    bool looking_ = false;
    bool seenRefusing_ = false;
};

} // namespace kalore
