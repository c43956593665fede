#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVPacket;

namespace kalore {

// One RTSP session with the box, on its own thread: the elementary streams it
// carries are muxed again into MPEG-TS, unchanged (stream copy), with the PIDs the
// box gave them. A session lost once open is opened again with a growing pause,
// its timestamps carried on from where the last one stopped; the first opening
// failing ends the source with the reason. Ending the source sends TEARDOWN.
class RtspSource {
public:
    struct Events {
        // The stream flows for the first time.
        std::function<void()> opened;
        // The first opening failed; the source has ended.
        std::function<void(const std::string& reason)> refused;
        // A piece of the MPEG-TS, whole 188-byte packets.
        std::function<void(const char* bytes, std::size_t size)> bytes;
        std::function<void(const std::string& line)> log;
    };
    struct Timing {
        // Without a packet for this long, UDP gives way to TCP, and later a
        // session is taken for lost.
        std::chrono::milliseconds silence{3000};
        // The box is on the home network: trying it every 2 s costs it nothing and
        // brings the picture back soon after it returns.
        std::chrono::milliseconds firstRetry{500};
        std::chrono::milliseconds longestRetry{2000};
    };

    RtspSource(std::string address, Timing timing, Events events);
    ~RtspSource();
    RtspSource(const RtspSource&) = delete;
    RtspSource& operator=(const RtspSource&) = delete;

    // The first opening failed, or the source was stopped.
    bool Ended() const { return ended_; }

private:
    void Run();
    int Open(AVFormatContext** input);
    int StartOutput(const AVFormatContext& input);
    int Pump(AVFormatContext& input);
    bool Shift(AVPacket& packet, int output);
    void Close(AVFormatContext** input);
    static int Interrupt(void* self);
    static int WriteBytes(void* self, std::uint8_t* bytes, int size);

    const std::string address_;
    const Timing timing_;
    const Events events_;

    AVFormatContext* output_ = nullptr;
    // Input stream id (its PID) -> output stream index.
    std::map<int, int> outputOfId_;
    std::vector<std::int64_t> lastDts_;
    std::int64_t latestDts_;
    std::int64_t offset_ = 0;
    bool rebase_ = false;

    std::atomic<bool> abortIo_{false};
    std::atomic<bool> ended_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace kalore
