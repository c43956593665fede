#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "relay/reader_fanout.h"
#include "relay/rtsp_source.h"

namespace kalore {

class ReaderConnection;

// One channel the relay serves: its RTSP session while anyone reads it, and its
// readers. The session opens with the first reader, whose answer waits for it;
// it closes once the last reader has been gone for the linger.
class RelayedChannel {
public:
    using Clock = std::chrono::steady_clock;
    struct Options {
        std::chrono::milliseconds linger{3000};
        // A reader that got nothing for this long is cut, so that a recorder sees
        // the outage and carries on in a new file. Shorter than the recorder's own
        // stall limit: the stream's times carry on across a reconnection, so an
        // outage the recorder doesn't see would leave no trace in its file.
        std::chrono::milliseconds stallLimit{5000};
        RtspSource::Timing timing;
        std::function<void(const std::string&)> log = [](const std::string&) {
        };
        // The box refused a channel: its address and the reason, from the relay's
        // own thread.
        std::function<void(const std::string& source, const std::string& reason)> refused;
    };

    RelayedChannel(std::string address, Options options);
    ~RelayedChannel();

    void AddReader(std::unique_ptr<ReaderConnection> connection);
    // Opens the session unless it is open, and waits at most `limit` for it to
    // flow; the reason of a refusal, empty when it flows. The session stays for the
    // linger, time for a reader to come.
    std::string AwaitSession(std::chrono::milliseconds limit);
    // Cuts stalled readers and ends an unread or refused session; called often.
    void Tidy(Clock::time_point now);
    // Why the box refused the last opening; empty when it didn't.
    std::string Refusal() const;
    bool SessionOpen() const;
    void Close();

private:
    // Starts the session unless one is under way; with the mutex held.
    void EnsureSession(std::unique_lock<std::mutex>& lock);
    void StartSession();
    void OnOpened();
    void OnRefused(const std::string& reason);
    void OnBytes(const char* bytes, std::size_t size);

    const std::string address_;
    const Options options_;
    ReaderFanout fanout_;

    mutable std::mutex mutex_;
    std::condition_variable settled_;
    std::unique_ptr<RtspSource> source_;
    bool flowing_ = false;
    std::vector<std::unique_ptr<ReaderConnection>> waiting_;
    std::string refusal_;
    Clock::time_point lastChunk_;
    Clock::time_point lastReader_;
};

} // namespace kalore
