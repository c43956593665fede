#include "loopback_servers.h"

#include <chrono>
#include <stdexcept>

#include <fcntl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

namespace kalore::testing {
namespace {

// A socket of the given type bound to a port the kernel picks on 127.0.0.1.
int BindOnLoopback(int type, int& port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot bind on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

int ListenOnLoopback(int& port) {
    const int fd = BindOnLoopback(SOCK_STREAM, port);
    if (::listen(fd, 16) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    return fd;
}

} // namespace

std::string LoopbackUrl(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

int FreeLoopbackPort(int type) {
    int port = 0;
    ::close(BindOnLoopback(type, port));
    return port;
}

HttpTestServer::HttpTestServer(const std::function<void(httplib::Server&)>& routes)
    : server_(std::make_unique<httplib::Server>()) {
    routes(*server_);
    // Without it a reused connection waits on delayed acknowledgements (~40 ms a request).
    server_->set_tcp_nodelay(true);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() is ignored until the loop runs, so the destructor must not come first.
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

HttpTestServer::~HttpTestServer() {
    server_->stop();
    thread_.join();
}

std::string HttpTestServer::Url() const {
    return LoopbackUrl(port_);
}

RawTestServer::RawTestServer(Handler serve) : serve_(std::move(serve)) {
    listener_ = ListenOnLoopback(port_);
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    thread_ = std::thread([this] {
        for (;;) {
            pollfd waits[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0 || (waits[1].revents & POLLIN) != 0) {
                return;
            }
            const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                serve_(connection, stopPipe_[0]);
                ::close(connection);
            }
        }
    });
}

RawTestServer::~RawTestServer() {
    const char stop = 's';
    (void)!::write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

std::string RawTestServer::Url() const {
    return LoopbackUrl(port_);
}

std::string ReadRequestHead(int connection) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

void WaitForHangUp(int connection, int stopSignal) {
    pollfd waits[2] = {{connection, POLLIN, 0}, {stopSignal, POLLIN, 0}};
    ::poll(waits, 2, -1);
}

void SendAll(int connection, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(connection, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string ClosedPortUrl() {
    return LoopbackUrl(FreeLoopbackPort(SOCK_STREAM));
}

} // namespace kalore::testing
