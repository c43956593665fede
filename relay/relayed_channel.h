#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "relay/reader_fanout.h"
#include "relay/relay_options.h"
#include "relay/rtsp_source.h"

namespace kalore {

class BoxTransports;
class ReaderConnection;

// One channel the relay serves: its box session while anyone reads it, and its
// readers. The session opens with the first reader, whose answer waits for it;
// it closes once the last reader has been gone for the linger.
class RelayedChannel {
public:
    using Clock = std::chrono::steady_clock;
    using Options = RelayOptions;

    RelayedChannel(std::string address, Options options, std::shared_ptr<BoxTransports> transports);
    ~RelayedChannel();

    // Never blocks: called from the relay's loop.
    void AddReader(std::unique_ptr<ReaderConnection> connection);
    // Opens the session unless it is open, and waits at most `limit` for it to
    // flow; the reason of a refusal, empty when it flows. The session stays for the
    // linger, time for a reader to come.
    std::string AwaitSession(std::chrono::milliseconds limit);
    // Sends what waited; cuts stalled readers; ends an unread or refused session
    // without waiting for its TEARDOWN. Called often, never blocks for long.
    void Tidy(Clock::time_point now);
    void FlushDue(Clock::time_point now) { fanout_.FlushDue(now); }
    // Why the box refused the last opening; empty when it didn't.
    std::string Refusal() const;
    bool SessionOpen() const;
    // Ends the session and waits for its TEARDOWN.
    void Close();

private:
    // Starts the session unless one is under way; with the mutex held.
    void EnsureSession();
    void StartSession();
    void OnOpened(int generation);
    void OnRefused(int generation, const std::string& reason);
    // Ends the session without waiting; with the mutex held.
    void RetireSession();

    const std::string address_;
    const Options options_;
    const std::shared_ptr<BoxTransports> transports_;
    ReaderFanout fanout_;

    mutable std::mutex mutex_;
    std::condition_variable settled_;
    std::unique_ptr<RtspSource> source_;
    // Sessions ended that may still be sending their TEARDOWN.
    std::vector<std::unique_ptr<RtspSource>> retired_;
    // Which session the events come from: an ended one's late events are ignored.
    std::atomic<int> generation_{0};
    bool flowing_ = false;
    std::vector<std::unique_ptr<ReaderConnection>> waiting_;
    std::string refusal_;
    std::atomic<Clock::rep> lastPackets_{0};
    Clock::time_point lastReader_;
};

} // namespace kalore
