#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace kalore {

class ReaderConnection;

// The readers of one channel. The stream is written to them from the thread that
// receives it, a batch every few milliseconds, without waiting for any of them:
// what a slow reader can't take yet waits in its own backlog. A new reader starts
// on the last key frame kept in memory, so that its first picture comes at once.
class ReaderFanout {
public:
    using Clock = std::chrono::steady_clock;

    ReaderFanout() = default;
    ~ReaderFanout();
    ReaderFanout(const ReaderFanout&) = delete;
    ReaderFanout& operator=(const ReaderFanout&) = delete;

    // `head` (the answer's head) goes out at once, then the stream.
    void Add(std::unique_ptr<ReaderConnection> connection, const std::string& head,
             Clock::time_point now);
    // The programme's tables, which a reader gets before its first key frame.
    void SetTables(const std::string& tables);
    // MPEG-TS packets as they come; `keyFrame`: the first one starts a key frame.
    void Push(const std::uint8_t* data, std::size_t size, bool keyFrame, Clock::time_point now);
    // Sends a batch that waited long enough, for a stream that slowed down.
    void FlushDue(Clock::time_point now);
    // Forgets the readers that have gone and cuts those that received nothing for
    // `stallLimit` since they came or since the last packets; returns how many are left.
    std::size_t Tidy(Clock::time_point now, Clock::duration stallLimit,
                     Clock::time_point lastPackets);
    // How many readers a tidy would cut now, to log it first.
    std::size_t CountStalled(Clock::time_point now, Clock::duration stallLimit,
                             Clock::time_point lastPackets) const;
    // Cuts every reader and forgets the stream: the next session is another one.
    void CutAll();

private:
    struct Reader {
        std::unique_ptr<ReaderConnection> connection;
        // What the socket couldn't take yet, from `sent` on.
        std::string backlog;
        std::size_t sent = 0;
        bool gone = false;
        bool awaitingKeyFrame = false;
        Clock::time_point joined;
    };
    void Send(Reader& reader, const char* bytes, std::size_t size);
    void Drain(Reader& reader);
    void Flush();
    void StartAtKeyFrame(Reader& reader);
    bool KeyFramesUnknown(Clock::time_point now) const;
    static bool Stalled(const Reader& reader, Clock::time_point now, Clock::duration stallLimit,
                        Clock::time_point lastPackets);

    mutable std::mutex mutex_;
    std::list<Reader> readers_;
    std::string batch_;
    Clock::time_point batchStart_;
    Clock::time_point lastPush_;
    // From the last key frame on, while it fits.
    std::string sinceKeyFrame_;
    bool keyFrameKept_ = false;
    bool keyFrameSeen_ = false;
    Clock::time_point firstPush_;
    std::string tables_;
};

} // namespace kalore
