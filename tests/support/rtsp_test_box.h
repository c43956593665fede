#pragma once

// The set-top box of the tests: GStreamer's RTSP server on loopback
// (tests/support/rtsp_test_box.py), H.264 and MPEG audio in MPEG-TS over RTP,
// one session at most, as the box allows.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/child_process.h"

namespace kalore::testing {

class RtspTestBox {
public:
    // More than one session only for benchmarks that read the box directly too;
    // `file`: an MPEG-TS file served at its own pace instead of the test picture.
    explicit RtspTestBox(int maxSessions = 1, std::string file = "");
    ~RtspTestBox();
    RtspTestBox(const RtspTestBox&) = delete;
    RtspTestBox& operator=(const RtspTestBox&) = delete;

    // Starts the server (again, on the same port); false when it didn't come up.
    bool Start();
    void Stop();
    // The box's address of a channel, with its query string.
    std::string Address(int service) const;
    // Sessions opened and TEARDOWNs received since the first start.
    int Sessions() const { return sessions_; }
    int Teardowns() const { return teardowns_; }
    // What the box saw, in order: "S" for each session opened, "T" for each TEARDOWN.
    std::string Events() const;

private:
    void Read(std::unique_ptr<OutputPipe> pipe);

    const int port_;
    const int maxSessions_;
    const std::string file_;
    std::unique_ptr<ChildProcess> server_;
    std::thread reader_;
    std::atomic<bool> ready_{false};
    std::atomic<int> sessions_{0};
    std::atomic<int> teardowns_{0};
    mutable std::mutex mutex_;
    std::string events_;
};

} // namespace kalore::testing
