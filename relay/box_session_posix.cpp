#include "relay/box_session.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include <gio/gio.h>
#include <gst/rtsp/rtsp.h>

#include "relay/box_description.h"
#include "relay/rtp_payload.h"
#include "relay/source_refusal.h"

namespace kalore {

// What the box answered to one request, as far as the session needs it.
struct BoxAnswer {
    int result = GST_RTSP_OK; // of the exchange itself
    int status = 0;
    std::string session;
    std::string location;
    std::string contentBase;
    std::string transport;
    std::string body;
};

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The box's descriptions are a few hundred bytes: anything past this is not one.
constexpr guint kMaxAnswerBody = 64 * 1024;
constexpr int kMaxRedirects = 3;
constexpr int kBatch = 32;
constexpr std::size_t kMaxRtpSize = 2048;
// A wait between two reads lets the packets gather, so that one read takes
// several: fewer wake-ups for at most this much delay.
constexpr auto kGather = 4ms;
constexpr auto kReceiverReportPeriod = 5s;
constexpr auto kStep = 100ms;

gint64 Microseconds(std::chrono::milliseconds duration) {
    return static_cast<gint64>(duration.count()) * 1000;
}

std::string Header(GstRTSPMessage& message, GstRTSPHeaderField field) {
    gchar* value = nullptr;
    return gst_rtsp_message_get_header(&message, field, &value, 0) == GST_RTSP_OK && value
               ? std::string(value)
               : std::string();
}

int ClampedPort(int port) {
    return port > 0 && port < 65536 ? port : 0;
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

// The bytes of the sender's address, to compare with the box's.
std::vector<std::uint8_t> AddressBytes(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
        return {v6.s6_addr, v6.s6_addr + 16};
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address).sin_addr;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v4.s_addr);
    return {bytes, bytes + 4};
}

void CloseQuietly(int& descriptor) {
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
}

BoxSession::End Refused(std::string reason) {
    return {BoxSession::End::Kind::Refused, std::move(reason)};
}

} // namespace

BoxSession::BoxSession(std::string address, Transport transport, Limits limits)
    : address_(std::move(address)), transport_(transport), limits_(limits),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::random_device random;
    ssrc_ = random();
}

BoxSession::~BoxSession() {
    Disconnect();
    CloseQuietly(rtp_);
    CloseQuietly(rtcp_);
    CloseQuietly(wake_);
}

void BoxSession::Interrupt() {
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    std::lock_guard lock(mutex_);
    if (connection_ && !tearingDown_)
        gst_rtsp_connection_flush(connection_, TRUE);
}

BoxSession::End BoxSession::Run(const Flowing& flowing, const Packets& packets) {
    std::string sessionControl;
    std::string streamControl;
    std::optional<End> failed = Describe(sessionControl, streamControl);
    if (!failed && !Stopping())
        failed = Setup(streamControl);
    if (!failed && !Stopping())
        failed = Play(sessionControl);
    End end = failed                         ? *failed
              : Stopping()                   ? End{End::Kind::Stopped, ""}
              : transport_ == Transport::Udp ? ReceiveUdp(flowing, packets)
                                             : ReceiveTcp(flowing, packets);
    if (!sessionId_.empty())
        Teardown(sessionControl,
                 end.kind == End::Kind::Stopped ? limits_.teardown : limits_.teardown / 4);
    Disconnect();
    return Stopping() ? End{End::Kind::Stopped, ""} : end;
}

std::optional<BoxSession::End> BoxSession::Describe(std::string& sessionControl,
                                                    std::string& streamControl) {
    std::string target = address_;
    for (int redirects = 0;; ++redirects) {
        std::string refusal;
        if (!Connect(target, refusal))
            return Refused(refusal);
        const BoxAnswer answer =
            Ask(GST_RTSP_DESCRIBE, target, {{GST_RTSP_HDR_ACCEPT, "application/sdp"}});
        if (answer.result != GST_RTSP_OK)
            return Refused(RefusalForExchange(answer.result));
        if (answer.status >= 300 && answer.status < 400) {
            if (redirects == kMaxRedirects)
                return Refused(kRefusalEndlessRedirects);
            if (answer.location.empty())
                return Refused(kRefusalGarbled);
            if (!SameBox(address_, answer.location))
                return Refused(RefusalForRedirect(answer.location));
            target = answer.location;
            Disconnect();
            continue;
        }
        if (answer.status != 200)
            return Refused(RefusalForStatus(answer.status));
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
    const BoxAnswer answer =
        Ask(GST_RTSP_SETUP, streamControl, {{GST_RTSP_HDR_TRANSPORT, transport}});
    if (answer.result != GST_RTSP_OK)
        return Refused(RefusalForExchange(answer.result));
    // 461: this transport is not offered.
    if (answer.status == 461 && transport_ == Transport::Udp)
        return End{End::Kind::UdpBlocked, kRefusalNoTransport};
    if (answer.status != 200)
        return Refused(answer.status == 461 ? kRefusalNoTransport
                                            : RefusalForStatus(answer.status));
    const std::string session = answer.session.substr(0, answer.session.find(';'));
    if (session.empty() || session.size() > 256)
        return Refused(kRefusalGarbled);
    sessionId_ = session;
    if (const auto timeout = answer.session.find("timeout="); timeout != std::string::npos) {
        const int seconds = std::atoi(answer.session.c_str() + timeout + 8);
        if (seconds >= 10 && seconds <= 3600)
            keepAlive_ = std::chrono::seconds(seconds / 2);
    }
    GstRTSPTransport* reply = nullptr;
    if (gst_rtsp_transport_new(&reply) == GST_RTSP_OK &&
        gst_rtsp_transport_parse(answer.transport.c_str(), reply) == GST_RTSP_OK) {
        boxRtcpPort_ = ClampedPort(reply->server_port.max);
        if (reply->interleaved.min >= 0 && reply->interleaved.min < 256)
            rtpChannel_ = reply->interleaved.min;
    }
    if (reply)
        gst_rtsp_transport_free(reply);
    return std::nullopt;
}

std::optional<BoxSession::End> BoxSession::Play(const std::string& sessionControl) {
    sessionControl_ = sessionControl;
    const BoxAnswer answer =
        Ask(GST_RTSP_PLAY, sessionControl, {{GST_RTSP_HDR_RANGE, "npt=0.000-"}});
    if (answer.result != GST_RTSP_OK)
        return Refused(RefusalForExchange(answer.result));
    if (answer.status != 200)
        return Refused(RefusalForStatus(answer.status));
    return std::nullopt;
}

BoxSession::End BoxSession::ReceiveUdp(const Flowing& flowing, const Packets& packets) {
    std::vector<mmsghdr> messages(kBatch);
    std::vector<iovec> vectors(kBatch);
    std::vector<sockaddr_storage> senders(kBatch);
    buffers_.resize(kBatch * kMaxRtpSize);
    GSocket* control = gst_rtsp_connection_get_read_socket(connection_);
    const int controlDescriptor = control ? g_socket_get_fd(control) : -1;
    const auto start = Clock::now();
    auto lastPacket = start;
    auto nextKeepAlive = start + keepAlive_;
    auto nextReport = start;
    bool flowed = false;
    while (!Stopping()) {
        const auto now = Clock::now();
        if (now >= nextKeepAlive) {
            SendKeepAlive(sessionControl_);
            nextKeepAlive = now + keepAlive_;
        }
        if (now >= nextReport) {
            SendReceiverReport();
            nextReport = now + kReceiverReportPeriod;
        }
        if (now - lastPacket > (flowed ? limits_.silence : limits_.firstPacket))
            return flowed ? End{End::Kind::Lost, kRefusalNothingSent}
                          : End{End::Kind::UdpBlocked, kRefusalNothingSent};
        pollfd watched[4] = {{rtp_, POLLIN, 0},
                             {rtcp_, POLLIN, 0},
                             {wake_, POLLIN, 0},
                             {controlDescriptor, POLLIN, 0}};
        if (poll(watched, controlDescriptor >= 0 ? 4 : 3, static_cast<int>(kStep.count())) < 0 &&
            errno != EINTR)
            return {End::Kind::Lost, std::strerror(errno)};
        if (watched[1].revents & POLLIN) {
            char ignored[2048];
            while (recv(rtcp_, ignored, sizeof ignored, MSG_DONTWAIT) > 0) {
            }
        }
        if (watched[3].revents & (POLLIN | POLLHUP | POLLERR)) {
            // The answers to the keep-alives; a box that hangs up has ended the session.
            GstRTSPMessage message = {};
            const GstRTSPResult result =
                gst_rtsp_connection_receive_usec(connection_, &message, Microseconds(kStep));
            gst_rtsp_message_unset(&message);
            if (result != GST_RTSP_OK && result != GST_RTSP_ETIMEOUT && !Stopping())
                return {End::Kind::Lost, RefusalForExchange(result)};
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
                AddressBytes(senders[i]) != boxAddress_)
                continue;
            const std::uint8_t* packet = buffers_.data() + i * kMaxRtpSize;
            if (const auto payload = MpegTsOfRtp(packet, messages[i].msg_len))
                chunk_.insert(chunk_.end(), packet + payload->offset,
                              packet + payload->offset + payload->size);
        }
        if (chunk_.empty())
            continue;
        if (!flowed) {
            flowed = true;
            flowing();
        }
        lastPacket = Clock::now();
        packets(chunk_.data(), chunk_.size());
        if (count < kBatch)
            std::this_thread::sleep_for(kGather);
    }
    return {End::Kind::Stopped, ""};
}

BoxSession::End BoxSession::ReceiveTcp(const Flowing& flowing, const Packets& packets) {
    const auto start = Clock::now();
    auto lastPacket = start;
    auto nextKeepAlive = start + keepAlive_;
    bool flowed = false;
    while (!Stopping()) {
        const auto now = Clock::now();
        if (now >= nextKeepAlive) {
            SendKeepAlive(sessionControl_);
            nextKeepAlive = now + keepAlive_;
        }
        if (now - lastPacket > (flowed ? limits_.silence : limits_.firstPacket))
            return flowed ? End{End::Kind::Lost, kRefusalNothingSent}
                          : Refused(kRefusalNothingSent);
        GstRTSPMessage message = {};
        const GstRTSPResult result =
            gst_rtsp_connection_receive_usec(connection_, &message, Microseconds(kStep));
        guint8 channel = 0;
        guint8* data = nullptr;
        guint size = 0;
        if (result == GST_RTSP_OK && message.type == GST_RTSP_MESSAGE_DATA &&
            gst_rtsp_message_parse_data(&message, &channel) == GST_RTSP_OK &&
            channel == rtpChannel_ &&
            gst_rtsp_message_get_body(&message, &data, &size) == GST_RTSP_OK) {
            if (const auto payload = MpegTsOfRtp(data, size)) {
                if (!flowed) {
                    flowed = true;
                    flowing();
                }
                lastPacket = Clock::now();
                chunk_.assign(data + payload->offset, data + payload->offset + payload->size);
                packets(chunk_.data(), chunk_.size());
            }
        }
        gst_rtsp_message_unset(&message);
        if (result != GST_RTSP_OK && result != GST_RTSP_ETIMEOUT && !Stopping())
            return flowed ? End{End::Kind::Lost, RefusalForExchange(result)}
                          : Refused(RefusalForExchange(result));
    }
    return {End::Kind::Stopped, ""};
}

void BoxSession::Teardown(const std::string& sessionControl, std::chrono::milliseconds limit) {
    {
        std::lock_guard lock(mutex_);
        if (!connection_)
            return;
        tearingDown_ = true;
        gst_rtsp_connection_flush(connection_, FALSE);
    }
    GstRTSPMessage request = {};
    gst_rtsp_message_init_request(&request, GST_RTSP_TEARDOWN,
                                  (sessionControl.empty() ? address_ : sessionControl).c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_CSEQ, std::to_string(++cseq_).c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_SESSION, sessionId_.c_str());
    const auto deadline = Clock::now() + limit;
    if (gst_rtsp_connection_send_usec(connection_, &request, Microseconds(limit)) == GST_RTSP_OK) {
        // Its answer, past any stream data still on the way: the box has freed the slot.
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= 0ms)
                break;
            GstRTSPMessage reply = {};
            const GstRTSPResult result =
                gst_rtsp_connection_receive_usec(connection_, &reply, Microseconds(left));
            const bool answered = result == GST_RTSP_OK && reply.type == GST_RTSP_MESSAGE_RESPONSE;
            gst_rtsp_message_unset(&reply);
            if (answered || result != GST_RTSP_OK)
                break;
        }
    }
    gst_rtsp_message_unset(&request);
    sessionId_.clear();
}

bool BoxSession::Connect(const std::string& address, std::string& refusal) {
    GstRTSPUrl* url = nullptr;
    if (gst_rtsp_url_parse(address.c_str(), &url) != GST_RTSP_OK || !url) {
        refusal = kRefusalGarbled;
        return false;
    }
    GstRTSPConnection* connection = nullptr;
    const GstRTSPResult created = gst_rtsp_connection_create(url, &connection);
    gst_rtsp_url_free(url);
    if (created != GST_RTSP_OK) {
        refusal = RefusalForExchange(created);
        return false;
    }
    gst_rtsp_connection_set_content_length_limit(connection, kMaxAnswerBody);
    {
        std::lock_guard lock(mutex_);
        connection_ = connection;
        if (stop_)
            gst_rtsp_connection_flush(connection_, TRUE);
    }
    const GstRTSPResult result =
        gst_rtsp_connection_connect_usec(connection, Microseconds(limits_.answer));
    if (result != GST_RTSP_OK) {
        refusal = RefusalForExchange(result == GST_RTSP_ETIMEOUT ? result : GST_RTSP_ERROR);
        return false;
    }
    // The box's address: the stream's packets must come from it.
    GSocket* socket = gst_rtsp_connection_get_read_socket(connection);
    if (GSocketAddress* remote = socket ? g_socket_get_remote_address(socket, nullptr) : nullptr) {
        sockaddr_storage native{};
        if (g_socket_address_to_native(remote, &native, sizeof native, nullptr)) {
            boxFamily_ = native.ss_family;
            boxAddress_ = AddressBytes(native);
        }
        g_object_unref(remote);
    }
    return true;
}

void BoxSession::Disconnect() {
    GstRTSPConnection* connection;
    {
        std::lock_guard lock(mutex_);
        connection = connection_;
        connection_ = nullptr;
        tearingDown_ = false;
    }
    if (connection) {
        gst_rtsp_connection_close(connection);
        gst_rtsp_connection_free(connection);
    }
}

BoxAnswer BoxSession::Ask(int method, const std::string& address,
                          const std::vector<std::pair<int, std::string>>& headers) {
    BoxAnswer answer;
    GstRTSPMessage request = {};
    gst_rtsp_message_init_request(&request, static_cast<GstRTSPMethod>(method), address.c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_CSEQ, std::to_string(++cseq_).c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_USER_AGENT, "Kalore");
    if (!sessionId_.empty())
        gst_rtsp_message_add_header(&request, GST_RTSP_HDR_SESSION, sessionId_.c_str());
    for (const auto& [field, value] : headers)
        gst_rtsp_message_add_header(&request, static_cast<GstRTSPHeaderField>(field),
                                    value.c_str());
    answer.result =
        gst_rtsp_connection_send_usec(connection_, &request, Microseconds(limits_.answer));
    gst_rtsp_message_unset(&request);
    const auto deadline = Clock::now() + limits_.answer;
    while (answer.result == GST_RTSP_OK) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        GstRTSPMessage reply = {};
        answer.result =
            left > 0ms ? gst_rtsp_connection_receive_usec(connection_, &reply, Microseconds(left))
                       : GST_RTSP_ETIMEOUT;
        if (answer.result == GST_RTSP_OK && reply.type == GST_RTSP_MESSAGE_RESPONSE) {
            GstRTSPStatusCode status = GST_RTSP_STS_INVALID;
            gst_rtsp_message_parse_response(&reply, &status, nullptr, nullptr);
            answer.status = status;
            answer.session = Header(reply, GST_RTSP_HDR_SESSION);
            answer.location = Header(reply, GST_RTSP_HDR_LOCATION);
            answer.contentBase = Header(reply, GST_RTSP_HDR_CONTENT_BASE);
            if (answer.contentBase.empty())
                answer.contentBase = Header(reply, GST_RTSP_HDR_CONTENT_LOCATION);
            answer.transport = Header(reply, GST_RTSP_HDR_TRANSPORT);
            guint8* body = nullptr;
            guint size = 0;
            if (gst_rtsp_message_get_body(&reply, &body, &size) == GST_RTSP_OK && body)
                answer.body.assign(reinterpret_cast<const char*>(body), size);
            gst_rtsp_message_unset(&reply);
            return answer;
        }
        // The box's own requests and stream data that came first are not answers.
        gst_rtsp_message_unset(&reply);
    }
    return answer;
}

void BoxSession::SendKeepAlive(const std::string& sessionControl) {
    GstRTSPMessage request = {};
    gst_rtsp_message_init_request(&request, GST_RTSP_OPTIONS, sessionControl.c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_CSEQ, std::to_string(++cseq_).c_str());
    gst_rtsp_message_add_header(&request, GST_RTSP_HDR_SESSION, sessionId_.c_str());
    gst_rtsp_connection_send_usec(connection_, &request, Microseconds(limits_.answer));
    gst_rtsp_message_unset(&request);
}

bool BoxSession::OpenUdpPorts() {
    // RTP on an even port, RTCP on the next one.
    for (int attempt = 0; attempt < 32; ++attempt) {
        rtp_ = UdpSocket(boxFamily_ == AF_INET6 ? AF_INET6 : AF_INET, 0);
        const int port = rtp_ >= 0 ? BoundPort(rtp_) : 0;
        if (port > 0 && port % 2 == 0 && port < 65535) {
            rtcp_ = UdpSocket(boxFamily_ == AF_INET6 ? AF_INET6 : AF_INET, port + 1);
            if (rtcp_ >= 0)
                return true;
        }
        CloseQuietly(rtp_);
    }
    return false;
}

void BoxSession::SendReceiverReport() {
    if (boxRtcpPort_ == 0 || boxAddress_.empty())
        return;
    // An empty receiver report and our name: what tells a box the reader is alive.
    std::uint8_t report[28] = {0x80, 201, 0, 1, 0,   0,   0,   0,   0x81, 202, 0, 4, 0, 0,
                               0,    0,   1, 6, 'k', 'a', 'l', 'o', 'r',  'e', 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        report[4 + i] = report[12 + i] = static_cast<std::uint8_t>(ssrc_ >> (24 - 8 * i));
    sockaddr_storage box{};
    socklen_t length;
    if (boxFamily_ == AF_INET6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(box);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<std::uint16_t>(boxRtcpPort_));
        std::memcpy(&v6.sin6_addr, boxAddress_.data(),
                    std::min<std::size_t>(16, boxAddress_.size()));
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(box);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<std::uint16_t>(boxRtcpPort_));
        std::memcpy(&v4.sin_addr, boxAddress_.data(), std::min<std::size_t>(4, boxAddress_.size()));
        length = sizeof v4;
    }
    sendto(rtcp_, report, sizeof report, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&box), length);
}

} // namespace kalore
