#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kalore {

class ReaderConnection;

// The readers of one channel, each fed by its own thread from its own queue, so
// that a slow reader delays no other and never the source.
class ReaderFanout {
public:
    using Chunk = std::shared_ptr<const std::string>;
    using Clock = std::chrono::steady_clock;

    ReaderFanout() = default;
    ~ReaderFanout();
    ReaderFanout(const ReaderFanout&) = delete;
    ReaderFanout& operator=(const ReaderFanout&) = delete;

    // `first` goes out before any chunk (the answer's head).
    void Add(std::unique_ptr<ReaderConnection> connection, std::string first);
    void Broadcast(const Chunk& chunk);
    // Forgets the readers that have gone and cuts those that received nothing for
    // `stallLimit` since they came or since the last chunk; returns how many are left.
    std::size_t Tidy(Clock::time_point now, Clock::duration stallLimit,
                     Clock::time_point lastChunk);
    // How many readers a tidy would cut now, to log it first.
    std::size_t CountStalled(Clock::time_point now, Clock::duration stallLimit,
                             Clock::time_point lastChunk) const;
    void CutAll();

private:
    struct Reader {
        std::unique_ptr<ReaderConnection> connection;
        std::deque<Chunk> queue;
        std::size_t queued = 0;
        bool gone = false;
        Clock::time_point joined;
        std::thread sender;
    };
    void Feed(Reader& reader);
    static bool Stalled(const Reader& reader, Clock::time_point now, Clock::duration stallLimit,
                        Clock::time_point lastChunk);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::list<Reader> readers_;
};

} // namespace kalore
