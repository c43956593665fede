#include "support/raw_http_get.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kalore::testing {

namespace {

struct Target {
    int port = 0;
    std::string path;
};

Target Split(const std::string& url) {
    const std::string rest = url.substr(url.find("127.0.0.1:") + 10);
    const auto slash = rest.find('/');
    return {std::stoi(rest.substr(0, slash)),
            slash == std::string::npos ? std::string("/") : rest.substr(slash)};
}

int Connect(int port) {
    const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// Reads what comes until `deadline` or the end; returns the bytes read.
std::string ReadUntil(int descriptor, std::chrono::steady_clock::time_point deadline,
                      std::size_t enough) {
    std::string got;
    while (got.size() < enough) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{descriptor, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[65536];
        const ssize_t n = recv(descriptor, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string Exchange(int port, const std::string& bytes) {
    const int descriptor = Connect(port);
    if (descriptor < 0)
        return "";
    send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    const std::string answer =
        ReadUntil(descriptor, std::chrono::steady_clock::now() + std::chrono::seconds(20), 12);
    close(descriptor);
    return answer.size() >= 12 ? answer.substr(9, 3) : "";
}

} // namespace

std::string RawHttpGet(const std::string& url, const std::string& method) {
    const Target target = Split(url);
    return Exchange(target.port,
                    method + " " + target.path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

std::string RawSend(const std::string& root, const std::string& bytes) {
    return Exchange(Split(root).port, bytes);
}

std::string BodyWithin(const std::string& url, std::chrono::milliseconds duration) {
    const Target target = Split(url);
    const int descriptor = Connect(target.port);
    if (descriptor < 0)
        return {};
    const std::string request = "GET " + target.path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    send(descriptor, request.data(), request.size(), MSG_NOSIGNAL);
    const std::string got =
        ReadUntil(descriptor, std::chrono::steady_clock::now() + duration, std::string::npos);
    close(descriptor);
    const auto body = got.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : got.substr(body + 4);
}

} // namespace kalore::testing
