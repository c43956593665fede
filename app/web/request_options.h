#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

namespace kalore {

class Host;

// The program always waits 100000 ms for a connection and 100000 ms for each next
// piece of an answer; only tests shorten them.
struct WebTimeouts {
    std::chrono::milliseconds connect{100000};
    std::chrono::milliseconds read{100000};
};

// Caps on what a server may send, so a hostile or broken one can't fill memory or
// disk; a longer answer is a failed transfer.
inline constexpr std::size_t kAnswerCapBytes = 64 * 1024;
inline constexpr std::size_t kPlaylistCapBytes = 16 * 1024 * 1024;

struct RequestOptions {
    WebTimeouts timeouts;
    std::size_t maxBodyBytes = kAnswerCapBytes;
    // For long transfers made off the main thread: hears the bytes received so far,
    // now and then; answering false ends the transfer as failed.
    std::function<bool(std::size_t received)> onProgress = nullptr;
};

// What the downloads of start-up share: where their messages go, and the window's
// "handle pending messages once" step made before each download.
struct WebEnvironment {
    Host& host;
    std::function<void()> processPendingMessages;
    WebTimeouts timeouts;
};

} // namespace kalore
