#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "relay/box_session.h"
#include "relay/ts_packets.h"

namespace kalore {

class Boxes;

// The box's stream of one channel, on a thread of its own, for as long as it is
// wanted: a session lost once flowing is opened again and again until the box
// answers, its times carried on from where the last one stopped; the first
// opening failing ends the source with the reason.
class RtspSource {
public:
    struct Events {
        // The stream flows for the first time.
        std::function<void()> opened;
        // The first opening failed; the source has ended. `crowded`: all the box's
        // streams were taken.
        std::function<void(const std::string& reason, bool crowded)> refused;
        // All the box's streams are taken: true when one that Kalore held for no
        // recording was given up (then the source tries once more).
        std::function<bool()> crowded;
        // Whole MPEG-TS packets as the box sent them; `keyFrame`: the first one
        // starts a key frame, where a reader can begin.
        std::function<void(const std::uint8_t* data, std::size_t size, bool keyFrame)> packets;
        // The programme's tables (PAT and PMT packets) changed.
        std::function<void(const std::string& tables)> tables;
        std::function<void(const std::string& line)> log;
    };
    struct Timing {
        BoxSession::Limits limits;
        // Between two tries while the box is away: it is on the home network, so
        // trying it often costs nothing and brings the picture back soon after it.
        std::chrono::milliseconds retry{300};
    };

    RtspSource(std::string address, Timing timing, std::shared_ptr<Boxes> boxes, Events events);
    // Stops and waits for the TEARDOWN.
    ~RtspSource();
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    // Asks the source to end without waiting; its thread sends TEARDOWN.
    void RequestStop();
    // Refused, or asked to stop.
    bool Ended() const { return ended_; }
    // The thread is over: the box has had its TEARDOWN.
    bool Finished() const { return finished_; }

private:
    void Run();
    void Deliver(std::uint8_t* data, std::size_t size);

    const std::string address_;
    const Timing timing_;
    const std::shared_ptr<Boxes> boxes_;
    const Events events_;

    TsProgram program_;
    TsTimeline timeline_;
    int tablesVersion_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
    BoxSession* session_ = nullptr;
    std::atomic<bool> ended_{false};
    std::atomic<bool> finished_{false};
    bool ending_ = false;
    std::thread thread_;
};

} // namespace kalore
