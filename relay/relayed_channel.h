#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "relay/reader_fanout.h"
#include "relay/relay_options.h"
#include "relay/rtsp_source.h"

namespace kalore {

class Boxes;
class ReaderConnection;

// One channel the relay serves: its box session while anyone reads it, and its
// readers. The session opens with the first reader, whose answer waits for it;
// it closes once the last reader has been gone for the linger.
class RelayedChannel {
public:
    using Clock = std::chrono::steady_clock;
    using Options = RelayOptions;

    // `crowded`: the box refused this channel for want of a stream; true when
    // another channel gave its session up (see GiveWayToRecording).
    RelayedChannel(std::string address, Options options, std::shared_ptr<Boxes> boxes,
                   std::function<bool()> crowded);
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
    // The last refusal, until the channel flows again, was for want of a stream on
    // the box (kept across the tries that readers make meanwhile).
    bool RefusedCrowded() const;
    bool SessionOpen() const;
    // The session is open for a recording (one asked for it with AwaitSession).
    bool Recorded() const;
    const std::string& Address() const { return address_; }

    // The live view left this channel for another: unless a recording needs the
    // session, it ends now rather than after the linger, so that the box's stream
    // is free for the next channel.
    void ViewerLeft();
    // Another channel of the box was refused for want of a stream: this session
    // ends unless a recording needs it; true when it did.
    bool GiveWayToRecording();
    // Ends the session and waits for its TEARDOWN.
    void Close();

private:
    // Starts the session unless one is under way; with the mutex held.
    void EnsureSession();
    void StartSession();
    void OnOpened(int generation);
    void OnRefused(int generation, const std::string& reason, bool crowded);
    // Ends the session without waiting; with the mutex held.
    void RetireSession();

    const std::string address_;
    const Options options_;
    const std::shared_ptr<Boxes> boxes_;
    const std::function<bool()> crowded_;
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
    bool refusedCrowded_ = false;
    bool recorderWanted_ = false;
    std::atomic<Clock::rep> lastPackets_{0};
    Clock::time_point lastReader_;
};

} // namespace kalore
