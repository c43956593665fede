#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/wake_signal.h"

namespace kalore {

class BoxConnection;
struct RtspAnswer;

// One RTSP session with the box for one channel: DESCRIBE, SETUP and PLAY, then
// the MPEG-TS packets the box sends, unchanged, until the session ends, then
// TEARDOWN. Every answer is read within fixed limits, so whatever the box sends
// costs a bounded time and memory.
class BoxSession {
public:
    enum class Transport { Udp, Tcp };
    struct Limits {
        // For each answer of the box, and for its connection.
        std::chrono::milliseconds answer{3000};
        // Without a first packet for this long, UDP is taken for blocked (a firewall).
        std::chrono::milliseconds firstPacket{2000};
        // Without a packet for this long once flowing, the session is lost.
        std::chrono::milliseconds silence{3000};
        // How long TEARDOWN may take once the session is stopped.
        std::chrono::milliseconds teardown{1000};
    };
    struct End {
        enum class Kind {
            Stopped,    // Interrupt was called
            Refused,    // the box refused or answered nonsense before the stream flowed
            UdpBlocked, // nothing came over UDP, or the box refused UDP: try TCP
            Lost,       // the stream flowed, then stopped
        };
        Kind kind;
        std::string reason;
        // The status of the box's refusal, when it answered one.
        int status = 0;
    };
    // Whole MPEG-TS packets, which the callee may change in place.
    using Packets = std::function<void(std::uint8_t* data, std::size_t size)>;
    // The stream flows: its first packets are about to come.
    using Flowing = std::function<void()>;

    BoxSession(std::string address, Transport transport, Limits limits);
    ~BoxSession();
    BoxSession(const BoxSession&) = delete;
    BoxSession& operator=(const BoxSession&) = delete;

    // Runs the whole session on the calling thread.
    End Run(const Flowing& flowing, const Packets& packets);
    // From any thread: Run ends soon, after TEARDOWN.
    void Interrupt();

private:
    // Each step: how the session ended, or none when it went through.
    std::optional<End> Describe(std::string& sessionControl, std::string& streamControl);
    std::optional<End> Setup(const std::string& streamControl);
    std::optional<End> Play();
    struct Pace;
    // The keep-alive when due; how the session ended when the stream is silent.
    std::optional<End> Beat(Pace& pace);
    // Hands the packets of `chunk_` on.
    void Deliver(Pace& pace, const Flowing& flowing, const Packets& packets);
    End ReceiveUdp(const Flowing& flowing, const Packets& packets);
    End ReceiveTcp(const Flowing& flowing, const Packets& packets);
    void Teardown(std::chrono::milliseconds limit);

    // The box's answer to a request, or why there is none.
    struct Asked {
        std::optional<End> failed;
        std::unique_ptr<RtspAnswer> answer;
    };
    Asked Ask(const std::string& method, const std::string& address,
              const std::string& headers = "");
    bool SendRequest(const std::string& method, const std::string& address,
                     const std::string& headers);
    bool OpenUdpPorts();
    void SendReceiverReport();
    bool Stopping() const { return stop_; }

    const std::string address_;
    const Transport transport_;
    const Limits limits_;

    std::atomic<bool> stop_{false};
    WakeSignal wake_;
    std::unique_ptr<BoxConnection> connection_;

    int cseq_ = 0;
    std::string sessionId_;
    std::chrono::seconds keepAlive_{30};
    std::string sessionControl_;
    int rtp_ = -1;
    int rtcp_ = -1;
    int boxRtcpPort_ = 0;
    int rtpChannel_ = 0;
    std::uint32_t ssrc_ = 0;
    std::vector<std::uint8_t> buffers_;
    std::vector<std::uint8_t> chunk_;
};

} // namespace kalore
