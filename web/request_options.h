#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

namespace kalore {

class Host;

// Caps on what a server may send, so a hostile or broken one can't fill memory or
// disk; a longer answer is a failed transfer. The playlist has the cap of every
// channel file (kChannelFileCapBytes).
inline constexpr std::size_t kAnswerCapBytes = 64 * 1024;

// Runs one transfer to its end. The window's runner keeps its windows painted while
// the transfer runs on a worker thread; without one it runs on the calling thread.
using TransferRunner = std::function<void(const std::function<void()>& transfer)>;

// One request: 100000 ms to connect and 100000 ms for each next piece of the answer,
// patient enough for a slow line, and a limit on the whole request: the read time-out
// starts again with every byte, so a server that trickles its answer would
// otherwise hold the caller for as long as it likes.
struct RequestOptions {
    std::chrono::milliseconds connect{100000};
    std::chrono::milliseconds read{100000};
    std::chrono::milliseconds total{10000};
    std::size_t maxBodyBytes = kAnswerCapBytes;
    TransferRunner runTransfer{};
    // For long transfers made off the main thread: hears the bytes received so far,
    // now and then; answering false ends the transfer as failed.
    std::function<bool(std::size_t received)> onProgress{};
};

// What the start-up requests may take. The main window must show, and the trigger of
// the next recording be armed, within 35 s of the splash whatever the network does
// (a name that never resolves, a server that accepts and never answers, one that
// trickles): each request has its limit, and all of them share the start-up's.
struct WebTimeouts {
    std::chrono::milliseconds connect{100000};
    std::chrono::milliseconds read{100000};
    std::chrono::milliseconds answer{10000};   // the version and the address queries
    std::chrono::milliseconds playlist{30000}; // the set-top box's playlist
    std::chrono::milliseconds startUp{28000};  // all the requests of one start
};

// What the downloads of start-up share: where their messages go, the window's
// "handle pending messages once" step made before each download, the limits, and
// the end of the start-up's time for requests.
struct WebEnvironment {
    Host& host;
    std::function<void()> processPendingMessages;
    WebTimeouts timeouts;
    TransferRunner runTransfer{};
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();

    // A request of start-up: its own limit, cut to what is left before the deadline.
    RequestOptions Request(std::chrono::milliseconds limit, std::size_t maxBytes) const;
};

} // namespace kalore
