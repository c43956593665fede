#include "relay/box_connection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "relay/box_description.h"

namespace kalore {

namespace {

using Clock = std::chrono::steady_clock;

// Interleaved frames are RTP packets: 64 KiB at most by their length field.
constexpr std::size_t kMaxBuffered = 256 * 1024;

std::vector<std::uint8_t> AddressBytes(const sockaddr* address) {
    if (address->sa_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        return {v6.s6_addr, v6.s6_addr + 16};
    }
    const auto* v4 = reinterpret_cast<const std::uint8_t*>(
        &reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
    return {v4, v4 + 4};
}

} // namespace

BoxConnection::~BoxConnection() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

bool BoxConnection::Wait(short events, Clock::time_point deadline, bool& woken) const {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched[2] = {{descriptor_, events, 0}, {wake_, POLLIN, 0}};
        const int ready = poll(watched, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (watched[1].revents & POLLIN) {
            woken = true;
            return false;
        }
        return ready > 0;
    }
}

std::optional<BoxFault> BoxConnection::Connect(const BoxHost& box,
                                               std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    // The box's name is resolved by the system, within its own time limits.
    if (getaddrinfo(box.host.c_str(), std::to_string(box.port).c_str(), &hints, &found) != 0)
        return BoxFault::Unreachable;
    std::optional<BoxFault> fault = BoxFault::Unreachable;
    for (const addrinfo* each = found; each && fault; each = each->ai_next) {
        descriptor_ = socket(each->ai_family, each->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                             each->ai_protocol);
        if (descriptor_ < 0)
            continue;
        bool woken = false;
        int error = 0;
        socklen_t length = sizeof error;
        if (connect(descriptor_, each->ai_addr, each->ai_addrlen) == 0) {
            fault.reset();
        } else if (errno == EINPROGRESS && Wait(POLLOUT, deadline, woken) &&
                   getsockopt(descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                   error == 0) {
            fault.reset();
        } else if (!woken && Clock::now() >= deadline) {
            fault = BoxFault::Silent;
        }
        if (fault) {
            close(descriptor_);
            descriptor_ = -1;
            if (woken || *fault == BoxFault::Silent)
                break;
        } else {
            family_ = each->ai_family;
            address_ = AddressBytes(each->ai_addr);
            const int on = 1;
            setsockopt(descriptor_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
    }
    freeaddrinfo(found);
    return fault;
}

std::optional<BoxFault> BoxConnection::Send(std::string_view request,
                                            std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!request.empty()) {
        const ssize_t sent = send(descriptor_, request.data(), request.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            request.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        bool woken = false;
        if (sent < 0 && (errno == EAGAIN || errno == EINTR) && Wait(POLLOUT, deadline, woken))
            continue;
        return sent < 0 && errno != EAGAIN ? BoxFault::Closed : BoxFault::Silent;
    }
    return std::nullopt;
}

BoxConnection::Received BoxConnection::Receive(std::chrono::milliseconds limit) {
    buffer_.erase(0, consumed_);
    consumed_ = 0;
    const auto deadline = Clock::now() + limit;
    Received received;
    for (;;) {
        if (!buffer_.empty() && buffer_[0] == '$') {
            // "$", the channel, the length on two bytes, then the packet.
            if (buffer_.size() >= 4) {
                const std::size_t length = (static_cast<unsigned char>(buffer_[2]) << 8) |
                                           static_cast<unsigned char>(buffer_[3]);
                if (buffer_.size() >= 4 + length) {
                    received.frame = true;
                    received.channel = static_cast<unsigned char>(buffer_[1]);
                    received.data = std::string_view(buffer_).substr(4, length);
                    consumed_ = 4 + length;
                    return received;
                }
            }
        } else if (!buffer_.empty()) {
            std::size_t used = 0;
            switch (ReadRtspAnswer(buffer_, received.answer, used)) {
            case AnswerRead::Whole:
                consumed_ = used;
                return received;
            case AnswerRead::TooLong:
                received.fault = BoxFault::TooLong;
                return received;
            case AnswerRead::Garbled:
                received.fault = BoxFault::Garbled;
                return received;
            case AnswerRead::More:
                break;
            }
        }
        if (buffer_.size() > kMaxBuffered) {
            received.fault = BoxFault::TooLong;
            return received;
        }
        char chunk[16 * 1024];
        const ssize_t got = recv(descriptor_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            received.fault = BoxFault::Closed;
            return received;
        }
        if (!Wait(POLLIN, deadline, received.woken)) {
            if (!received.woken)
                received.fault = BoxFault::Silent;
            return received;
        }
    }
}

} // namespace kalore
