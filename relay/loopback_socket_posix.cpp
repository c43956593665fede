#include "relay/loopback_socket.h"

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kalore {

namespace {

// A request head is a line and a few headers; anything longer is not a player.
constexpr std::size_t kMaxHeadSize = 8192;

} // namespace

ReaderConnection::~ReaderConnection() {
    close(descriptor_);
}

ReaderConnection::HeadRead ReaderConnection::ReadHead(std::string& head) {
    for (;;) {
        char buffer[1024];
        const ssize_t got = recv(descriptor_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return HeadRead::More;
        if (got <= 0)
            return HeadRead::Failed;
        head.append(buffer, static_cast<std::size_t>(got));
        if (head.find("\r\n\r\n") != std::string::npos || head.find("\n\n") != std::string::npos)
            return HeadRead::Whole;
        if (head.size() > kMaxHeadSize)
            return HeadRead::Failed;
    }
}

long ReaderConnection::SendSome(const char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t sent = send(descriptor_, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0)
            return static_cast<long>(sent);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

void ReaderConnection::Cut() {
    shutdown(descriptor_, SHUT_RDWR);
}

std::optional<unsigned> ReaderConnection::PeerOwner() const {
    // The kernel's socket table knows who owns the other end of a loopback
    // connection: ask it for that one socket (sock_diag), as ss(8) does.
    sockaddr_in local{};
    sockaddr_in peer{};
    socklen_t length = sizeof local;
    if (getsockname(descriptor_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return std::nullopt;
    length = sizeof peer;
    if (getpeername(descriptor_, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return std::nullopt;
    const int netlink = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (netlink < 0)
        return std::nullopt;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } question{};
    question.header.nlmsg_len = sizeof question;
    question.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    question.header.nlmsg_flags = NLM_F_REQUEST;
    question.request.sdiag_family = AF_INET;
    question.request.sdiag_protocol = IPPROTO_TCP;
    question.request.idiag_states = ~0u;
    // The other end's socket: from the peer's address to ours.
    question.request.id.idiag_sport = peer.sin_port;
    question.request.id.idiag_dport = local.sin_port;
    question.request.id.idiag_src[0] = peer.sin_addr.s_addr;
    question.request.id.idiag_dst[0] = local.sin_addr.s_addr;
    question.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    question.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    std::optional<unsigned> owner;
    alignas(nlmsghdr) char answer[8192];
    if (send(netlink, &question, sizeof question, 0) == static_cast<ssize_t>(sizeof question)) {
        const ssize_t got = recv(netlink, answer, sizeof answer, 0);
        const auto* header = reinterpret_cast<const nlmsghdr*>(answer);
        if (got >= static_cast<ssize_t>(NLMSG_LENGTH(sizeof(inet_diag_msg))) &&
            NLMSG_OK(header, static_cast<unsigned>(got)) &&
            header->nlmsg_type == SOCK_DIAG_BY_FAMILY) {
            const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
            if (found->id.idiag_sport == peer.sin_port && found->id.idiag_dport == local.sin_port)
                owner = found->idiag_uid;
        }
    }
    close(netlink);
    return owner;
}

LoopbackListener::LoopbackListener() {
    descriptor_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor_ < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(descriptor_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(descriptor_, 64) != 0 ||
        getsockname(descriptor_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

std::unique_ptr<ReaderConnection> LoopbackListener::Accept() {
    if (port_ == 0)
        return nullptr;
    for (;;) {
        const int connection = accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection >= 0)
            return std::make_unique<ReaderConnection>(connection);
        if (errno != EINTR && errno != ECONNABORTED)
            return nullptr;
    }
}

} // namespace kalore
