#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "relay/rtsp_answer.h"
#include "relay/source_refusal.h"

namespace kalore {

struct BoxHost;

// The RTSP connection with the box. Every wait is bounded and ends at once when
// the `wake` descriptor is signalled; every answer is read within fixed limits,
// whatever the box sends.
class BoxConnection {
public:
    explicit BoxConnection(int wake) : wake_(wake) {}
    ~BoxConnection();
    BoxConnection(const BoxConnection&) = delete;
    BoxConnection& operator=(const BoxConnection&) = delete;

    // None when connected.
    std::optional<BoxFault> Connect(const BoxHost& box, std::chrono::milliseconds limit);
    std::optional<BoxFault> Send(std::string_view request, std::chrono::milliseconds limit);

    // What came next: an answer, or a frame of stream data interleaved (over TCP).
    struct Received {
        std::optional<BoxFault> fault;
        bool woken = false;
        bool frame = false;
        RtspAnswer answer;
        int channel = -1;
        // The frame's bytes, valid until the next Receive.
        std::string_view data;
    };
    Received Receive(std::chrono::milliseconds limit);

    // From now on the wake is ignored: the last exchange (TEARDOWN) must be
    // waited for even while stopping.
    void IgnoreWake() { wake_ = -1; }

    int Descriptor() const { return descriptor_; }
    // The box's address family and bytes: the stream must come from there.
    int Family() const { return family_; }
    const std::vector<std::uint8_t>& Address() const { return address_; }

private:
    // False when the wait ended by the deadline or the wake.
    bool Wait(short events, std::chrono::steady_clock::time_point deadline, bool& woken) const;

    int wake_;
    int descriptor_ = -1;
    int family_ = 0;
    std::vector<std::uint8_t> address_;
    std::string buffer_;
    std::size_t consumed_ = 0;
};

} // namespace kalore
