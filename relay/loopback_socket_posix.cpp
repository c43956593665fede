#include "relay/loopback_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kalore {

namespace {

// A request head is a line and a few headers; anything longer is not a player.
constexpr std::size_t kMaxHeadSize = 8192;

bool WaitReadable(int descriptor, int milliseconds) {
    pollfd entry{descriptor, POLLIN, 0};
    int ready;
    do
        ready = poll(&entry, 1, milliseconds);
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

} // namespace

ReaderConnection::~ReaderConnection() {
    close(descriptor_);
}

std::optional<std::string> ReaderConnection::ReadRequestHead(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos && head.find("\n\n") == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || head.size() > kMaxHeadSize ||
            !WaitReadable(descriptor_, static_cast<int>(left.count())))
            return std::nullopt;
        char buffer[1024];
        const ssize_t got = recv(descriptor_, buffer, sizeof buffer, 0);
        if (got <= 0)
            return std::nullopt;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

bool ReaderConnection::Send(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = send(descriptor_, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void ReaderConnection::Cut() {
    shutdown(descriptor_, SHUT_RDWR);
}

LoopbackListener::LoopbackListener() {
    descriptor_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor_ < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(descriptor_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(descriptor_, 16) != 0 ||
        getsockname(descriptor_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

std::unique_ptr<ReaderConnection> LoopbackListener::Accept(std::chrono::milliseconds limit) {
    if (port_ == 0 || !WaitReadable(descriptor_, static_cast<int>(limit.count())))
        return nullptr;
    const int connection = accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0)
        return nullptr;
    return std::make_unique<ReaderConnection>(connection);
}

} // namespace kalore
