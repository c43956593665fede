#include "platform/tcp_probe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace kalore {
namespace {

constexpr int kConnectTimeoutMs = 3000;

bool Connects(const addrinfo& address) {
    const int socket = ::socket(
        address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (socket < 0) {
        return false;
    }
    bool connected = ::connect(socket, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd writable{socket, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::poll(&writable, 1, kConnectTimeoutMs) == 1 &&
                    ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::close(socket);
    return connected;
}

bool AcceptsConnections(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return false;
    }
    bool accepted = false;
    for (const addrinfo* address = found; address != nullptr && !accepted;
         address = address->ai_next) {
        accepted = Connects(*address);
    }
    ::freeaddrinfo(found);
    return accepted;
}

} // namespace

void ProbeTcpListener(const std::string& host, std::uint16_t port,
                      std::function<void(bool accepted)> answered) {
    try {
        // Detached: a look held by a silent name server must not hold whoever drops it.
        std::thread([host, port, answered] { answered(AcceptsConnections(host, port)); }).detach();
    } catch (const std::system_error&) {
        answered(false);
    }
}

} // namespace kalore
