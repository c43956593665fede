#pragma once

// Servers on 127.0.0.1 for tests and benchmarks: a real HTTP server for
// well-behaved answers, and a raw socket server for the misbehaving ones.

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace kalore::testing {

class HttpTestServer {
public:
    // `routes` adds the handlers before the server starts listening.
    explicit HttpTestServer(const std::function<void(httplib::Server&)>& routes);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string Url() const;

private:
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
};

// Accepts connections and hands each to `serve` (given the socket and a socket that
// becomes readable when the server stops); the connection is closed afterwards.
class RawTestServer {
public:
    using Handler = std::function<void(int connection, int stopSignal)>;
    explicit RawTestServer(Handler serve);
    ~RawTestServer();
    RawTestServer(const RawTestServer&) = delete;
    RawTestServer& operator=(const RawTestServer&) = delete;

    std::string Url() const;

private:
    Handler serve_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
};

// Reads the request head, up to the blank line; what came when the client stops short.
std::string ReadRequestHead(int connection);
// Waits until the client hangs up or the server is told to stop.
void WaitForHangUp(int connection, int stopSignal);
void SendAll(int connection, const std::string& bytes);

// "http://127.0.0.1:<port>"
std::string LoopbackUrl(int port);
// A loopback port free at the time of the call, of the given socket type
// (SOCK_STREAM or SOCK_DGRAM).
int FreeLoopbackPort(int type);
// A URL on a loopback port where nothing listens.
std::string ClosedPortUrl();

} // namespace kalore::testing
