#include "relay/box_session.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <thread>

#include "relay/box_connection.h"
#include "relay/box_description.h"
#include "relay/rtp_payload.h"
#include "relay/rtsp_answer.h"
#include "relay/source_refusal.h"

namespace kalore {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kMaxRedirects = 3;
constexpr int kBatch = 32;
constexpr std::size_t kMaxRtpSize = 2048;
// A wait between two reads lets the packets gather, so that one read takes
// several: fewer wake-ups for at most this much delay.
constexpr auto kGather = 4ms;
constexpr auto kReceiverReportPeriod = 5s;
constexpr auto kStep = 100ms;

BoxSession::End Refused(std::string reason) {
    return {BoxSession::End::Kind::Refused, std::move(reason)};
}

BoxSession::End RefusedWith(int status) {
    return {BoxSession::End::Kind::Refused, RefusalForStatus(status), status};
}

int UdpSocket(int family, int port) {
    const int descriptor = socket(family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_storage address{};
    socklen_t length;
    if (family == AF_INET6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof v4;
    }
    if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(descriptor);
        return -1;
    }
    // An HD picture arrives as a burst of packets: room for a few of them.
    const int size = 4 * 1024 * 1024;
    setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return descriptor;
}

int BoundPort(int descriptor) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return address.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port)
                                         : ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
}

bool SameAddress(const sockaddr_storage& sender, const std::vector<std::uint8_t>& box) {
    if (sender.ss_family == AF_INET6)
        return box.size() == 16 &&
               std::memcmp(reinterpret_cast<const sockaddr_in6&>(sender).sin6_addr.s6_addr,
                           box.data(), 16) == 0;
    return box.size() == 4 &&
           std::memcmp(&reinterpret_cast<const sockaddr_in&>(sender).sin_addr.s_addr, box.data(),
                       4) == 0;
}

// The first number after `key` in a Transport header ("server_port=6970-6971").
int TransportNumber(const std::string& transport, const std::string& key) {
    const auto at = transport.find(key);
    if (at == std::string::npos)
        return -1;
    const char* digits = transport.c_str() + at + key.size();
    if (*digits < '0' || *digits > '9')
        return -1;
    const long number = std::strtol(digits, nullptr, 10);
    return number >= 0 && number < 65536 ? static_cast<int>(number) : -1;
}

// "server_port=6970-6971": where the box's RTCP listens, the second port (or the
// first plus one); 0 when the box didn't say.
int BoxRtcpPort(const std::string& transport) {
    const int rtp = TransportNumber(transport, "server_port=");
    if (rtp <= 0)
        return 0;
    auto after = transport.find("server_port=") + 12;
    while (after < transport.size() && transport[after] >= '0' && transport[after] <= '9')
        ++after;
    const int rtcp = after < transport.size() && transport[after] == '-'
                         ? TransportNumber(transport.substr(after), "-")
                         : -1;
    return rtcp > 0 ? rtcp : std::min(rtp + 1, 65535);
}

void CloseQuietly(int& descriptor) {
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
}

} // namespace

BoxSession::BoxSession(std::string address, Transport transport, Limits limits)
    : address_(std::move(address)), transport_(transport), limits_(limits) {
    std::random_device random;
    ssrc_ = random();
}

BoxSession::~BoxSession() {
    connection_.reset();
    CloseQuietly(rtp_);
    CloseQuietly(rtcp_);
}

void BoxSession::Interrupt() {
    stop_ = true;
    wake_.Raise();
}

BoxSession::End BoxSession::Run(const Flowing& flowing, const Packets& packets) {
    std::string streamControl;
    std::optional<End> failed = Describe(sessionControl_, streamControl);
    if (!failed && !Stopping())
        failed = Setup(streamControl);
    if (!failed && !Stopping())
        failed = Play();
    End end = failed                         ? *failed
              : Stopping()                   ? End{End::Kind::Stopped, ""}
              : transport_ == Transport::Udp ? ReceiveUdp(flowing, packets)
                                             : ReceiveTcp(flowing, packets);
    if (!sessionId_.empty())
        Teardown(Stopping() ? limits_.teardown : limits_.teardown / 4);
    connection_.reset();
    return Stopping() ? End{End::Kind::Stopped, ""} : end;
}

std::optional<BoxSession::End> BoxSession::Describe(std::string& sessionControl,
                                                    std::string& streamControl) {
    std::string target = address_;
    for (int redirects = 0;; ++redirects) {
        const std::optional<BoxHost> box = BoxHostOf(target);
        if (!box || !IsRequestToken(target))
            return Refused("l'adresse de la chaîne n'est pas une adresse rtsp:// valide");
        connection_ = std::make_unique<BoxConnection>(wake_.Descriptor());
        if (const auto fault = connection_->Connect(*box, limits_.answer))
            return Refused(RefusalForFault(*fault));
        const Asked asked = Ask("DESCRIBE", target, "Accept: application/sdp\r\n");
        if (asked.failed)
            return asked.failed;
        const RtspAnswer& answer = *asked.answer;
        if (answer.status >= 300 && answer.status < 400) {
            if (redirects == kMaxRedirects)
                return Refused(kRefusalEndlessRedirects);
            if (!IsRequestToken(answer.location))
                return Refused(kRefusalGarbled);
            if (!SameBox(address_, answer.location))
                return Refused(RefusalForRedirect(answer.location));
            target = answer.location;
            continue;
        }
        if (answer.status != 200)
            return RefusedWith(answer.status);
        const BoxDescription description = ReadBoxDescription(
            answer.body, address_, answer.contentBase.empty() ? target : answer.contentBase);
        if (!description.refusal.empty())
            return Refused(description.refusal);
        sessionControl = description.sessionControl;
        streamControl = description.streamControl;
        return std::nullopt;
    }
}

std::optional<BoxSession::End> BoxSession::Setup(const std::string& streamControl) {
    std::string transport;
    if (transport_ == Transport::Udp) {
        if (!OpenUdpPorts())
            return Refused("impossible d'ouvrir des ports UDP pour recevoir le flux");
        const int port = BoundPort(rtp_);
        transport =
            "RTP/AVP;unicast;client_port=" + std::to_string(port) + "-" + std::to_string(port + 1);
    } else {
        transport = "RTP/AVP/TCP;unicast;interleaved=0-1";
    }
    const Asked asked = Ask("SETUP", streamControl, "Transport: " + transport + "\r\n");
    if (asked.failed)
        return asked.failed;
    const RtspAnswer& answer = *asked.answer;
    // 461: this transport is not offered.
    if (answer.status == 461 && transport_ == Transport::Udp)
        return End{End::Kind::UdpBlocked, kRefusalNoTransport};
    if (answer.status == 461)
        return Refused(kRefusalNoTransport);
    if (answer.status != 200)
        return RefusedWith(answer.status);
    // "Session: <id>[;timeout=<seconds>]"; the id goes into every request that follows.
    const std::string session = answer.session.substr(0, answer.session.find(';'));
    if (!IsRequestToken(session) || session.size() > 256)
        return Refused(kRefusalGarbled);
    sessionId_ = session;
    if (const int seconds = TransportNumber(answer.session, "timeout="); seconds >= 10)
        keepAlive_ = std::chrono::seconds(std::min(seconds, 3600) / 2);
    boxRtcpPort_ = BoxRtcpPort(answer.transport);
    rtpChannel_ = std::max(0, TransportNumber(answer.transport, "interleaved="));
    return std::nullopt;
}

std::optional<BoxSession::End> BoxSession::Play() {
    const Asked asked = Ask("PLAY", sessionControl_, "Range: npt=0.000-\r\n");
    if (asked.failed)
        return asked.failed;
    if (asked.answer->status != 200)
        return RefusedWith(asked.answer->status);
    return std::nullopt;
}

// What both ways of receiving keep: the keep-alive's time, and the stream's silence.
struct BoxSession::Pace {
    Clock::time_point lastPacket = Clock::now();
    Clock::time_point nextKeepAlive;
    bool flowed = false;
};

std::optional<BoxSession::End> BoxSession::Beat(Pace& pace) {
    const auto now = Clock::now();
    if (now >= pace.nextKeepAlive) {
        SendRequest("OPTIONS", sessionControl_, "");
        pace.nextKeepAlive = now + keepAlive_;
    }
    if (now - pace.lastPacket <= (pace.flowed ? limits_.silence : limits_.firstPacket))
        return std::nullopt;
    if (pace.flowed)
        return End{End::Kind::Lost, kRefusalNothingSent};
    // Nothing at all over UDP is what a firewall that drops it looks like.
    return transport_ == Transport::Udp ? End{End::Kind::UdpBlocked, kRefusalNothingSent}
                                        : Refused(kRefusalNothingSent);
}

void BoxSession::Deliver(Pace& pace, const Flowing& flowing, const Packets& packets) {
    if (!pace.flowed) {
        pace.flowed = true;
        flowing();
    }
    pace.lastPacket = Clock::now();
    packets(chunk_.data(), chunk_.size());
}

BoxSession::End BoxSession::ReceiveUdp(const Flowing& flowing, const Packets& packets) {
    std::vector<mmsghdr> messages(kBatch);
    std::vector<iovec> vectors(kBatch);
    std::vector<sockaddr_storage> senders(kBatch);
    buffers_.resize(kBatch * kMaxRtpSize);
    Pace pace{.nextKeepAlive = Clock::now() + keepAlive_};
    auto nextReport = Clock::now();
    while (!Stopping()) {
        if (const std::optional<End> end = Beat(pace))
            return *end;
        if (Clock::now() >= nextReport) {
            SendReceiverReport();
            nextReport = Clock::now() + kReceiverReportPeriod;
        }
        pollfd watched[4] = {{rtp_, POLLIN, 0},
                             {rtcp_, POLLIN, 0},
                             {wake_.Descriptor(), POLLIN, 0},
                             {connection_->Descriptor(), POLLIN, 0}};
        if (poll(watched, 4, static_cast<int>(kStep.count())) < 0 && errno != EINTR)
            return {End::Kind::Lost, std::strerror(errno)};
        if (watched[1].revents & POLLIN) {
            char ignored[2048];
            while (recv(rtcp_, ignored, sizeof ignored, MSG_DONTWAIT) > 0) {
            }
        }
        if (watched[3].revents & (POLLIN | POLLHUP | POLLERR)) {
            // The answers to the keep-alives; a box that hangs up has ended the session.
            const BoxConnection::Received received = connection_->Receive(kStep);
            if (received.fault && *received.fault != BoxFault::Silent && !Stopping())
                return {End::Kind::Lost, RefusalForFault(*received.fault)};
        }
        if (!(watched[0].revents & POLLIN))
            continue;
        for (int i = 0; i < kBatch; ++i) {
            vectors[i] = {buffers_.data() + i * kMaxRtpSize, kMaxRtpSize};
            messages[i].msg_hdr = {};
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_namelen = sizeof senders[i];
        }
        const int count = recvmmsg(rtp_, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
        if (count <= 0)
            continue;
        chunk_.clear();
        for (int i = 0; i < count; ++i) {
            // Only the box may feed the stream: another machine's packets are dropped.
            if ((messages[i].msg_hdr.msg_flags & MSG_TRUNC) ||
                !SameAddress(senders[i], connection_->Address()))
                continue;
            const std::uint8_t* packet = buffers_.data() + i * kMaxRtpSize;
            if (const auto payload = MpegTsOfRtp(packet, messages[i].msg_len))
                chunk_.insert(chunk_.end(), packet + payload->offset,
                              packet + payload->offset + payload->size);
        }
        if (chunk_.empty())
            continue;
        Deliver(pace, flowing, packets);
        if (count < kBatch)
            std::this_thread::sleep_for(kGather);
    }
    return {End::Kind::Stopped, ""};
}

BoxSession::End BoxSession::ReceiveTcp(const Flowing& flowing, const Packets& packets) {
    Pace pace{.nextKeepAlive = Clock::now() + keepAlive_};
    while (!Stopping()) {
        if (const std::optional<End> end = Beat(pace))
            return *end;
        const BoxConnection::Received received = connection_->Receive(kStep);
        if (received.woken)
            break;
        if (received.fault && *received.fault != BoxFault::Silent)
            return pace.flowed ? End{End::Kind::Lost, RefusalForFault(*received.fault)}
                               : Refused(RefusalForFault(*received.fault));
        if (!received.frame || received.channel != rtpChannel_)
            continue;
        const auto* data = reinterpret_cast<const std::uint8_t*>(received.data.data());
        if (const auto payload = MpegTsOfRtp(data, received.data.size())) {
            chunk_.assign(data + payload->offset, data + payload->offset + payload->size);
            Deliver(pace, flowing, packets);
        }
    }
    return {End::Kind::Stopped, ""};
}

void BoxSession::Teardown(std::chrono::milliseconds limit) {
    // Its answer, past any stream data still on the way, says the box freed the slot.
    connection_->IgnoreWake();
    if (SendRequest("TEARDOWN", sessionControl_, "")) {
        const auto deadline = Clock::now() + limit;
        for (auto left = limit; left > 0ms;
             left =
                 std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())) {
            const BoxConnection::Received received = connection_->Receive(left);
            if (received.fault || !received.frame)
                break;
        }
    }
    sessionId_.clear();
}

BoxSession::Asked BoxSession::Ask(const std::string& method, const std::string& address,
                                  const std::string& headers) {
    Asked asked;
    if (!SendRequest(method, address, headers)) {
        asked.failed = Refused(RefusalForFault(BoxFault::Closed));
        return asked;
    }
    const auto deadline = Clock::now() + limits_.answer;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        BoxConnection::Received received;
        if (left > 0ms)
            received = connection_->Receive(left);
        else
            received.fault = BoxFault::Silent;
        if (received.woken) {
            asked.failed = End{End::Kind::Stopped, ""};
            return asked;
        }
        if (received.fault) {
            asked.failed = Refused(RefusalForFault(*received.fault));
            return asked;
        }
        // Stream data still on the way is not the answer.
        if (!received.frame) {
            asked.answer = std::make_unique<RtspAnswer>(std::move(received.answer));
            return asked;
        }
    }
}

bool BoxSession::SendRequest(const std::string& method, const std::string& address,
                             const std::string& headers) {
    std::string request = method + " " + address + " RTSP/1.0\r\nCSeq: " + std::to_string(++cseq_) +
                          "\r\nUser-Agent: Kalore\r\n";
    if (!sessionId_.empty())
        request += "Session: " + sessionId_ + "\r\n";
    request += headers + "\r\n";
    return !connection_->Send(request, limits_.answer);
}

bool BoxSession::OpenUdpPorts() {
    const int family = connection_->Family() == AF_INET6 ? AF_INET6 : AF_INET;
    // RTP on an even port, RTCP on the next one.
    for (int attempt = 0; attempt < 32; ++attempt) {
        rtp_ = UdpSocket(family, 0);
        const int port = rtp_ >= 0 ? BoundPort(rtp_) : 0;
        if (port > 0 && port % 2 == 0 && port < 65535) {
            rtcp_ = UdpSocket(family, port + 1);
            if (rtcp_ >= 0)
                return true;
        }
        CloseQuietly(rtp_);
    }
    return false;
}

void BoxSession::SendReceiverReport() {
    const std::vector<std::uint8_t>& box = connection_->Address();
    if (boxRtcpPort_ == 0 || box.empty())
        return;
    // An empty receiver report and our name: what tells a box the reader is alive.
    std::uint8_t report[28] = {0x80, 201, 0, 1, 0,   0,   0,   0,   0x81, 202, 0, 4, 0, 0,
                               0,    0,   1, 6, 'k', 'a', 'l', 'o', 'r',  'e', 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        report[4 + i] = report[12 + i] = static_cast<std::uint8_t>(ssrc_ >> (24 - 8 * i));
    sockaddr_storage address{};
    socklen_t length;
    if (connection_->Family() == AF_INET6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(boxRtcpPort_));
        std::memcpy(&v6.sin6_addr, box.data(), std::min<std::size_t>(16, box.size()));
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(boxRtcpPort_));
        std::memcpy(&v4.sin_addr, box.data(), std::min<std::size_t>(4, box.size()));
        length = sizeof v4;
    }
    sendto(rtcp_, report, sizeof report, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&address),
           length);
}

} // namespace kalore
