// What the three start-up requests cost: version check, provider detection and the
// Free playlist, answered by a loopback server, against the same with the site and
// the box on a closed loopback port (every request refused at once).

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "app/host.h"
#include "app/web/free_playlist.h"
#include "app/web/provider_detection.h"
#include "app/web/version_check.h"

namespace {

using namespace kalore;

class QuietHost : public Host {
public:
    void AppendLog(const std::string&) override {}
    void SetAppTitle(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
};

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(fd, 16);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Answers each GET with one body per path, one request per connection.
class LoopbackSite {
public:
    LoopbackSite() {
        playlist_ = "#EXTM3U\n";
        for (int i = 1; i <= 300; ++i) {
            playlist_ +=
                "#EXTINF:0," + std::to_string(i) + " - Chaine " + std::to_string(i) +
                "\nrtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=" + std::to_string(i) +
                "\n";
        }
        listener_ = ListenOnLoopback(port_);
        (void)!::pipe(stop_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackSite() {
        (void)!::write(stop_[1], "s", 1);
        thread_.join();
        ::close(listener_);
        ::close(stop_[0]);
        ::close(stop_[1]);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        for (;;) {
            pollfd waits[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0 || (waits[1].revents & POLLIN) != 0) {
                return;
            }
            const int c = ::accept(listener_, nullptr, nullptr);
            if (c >= 0) {
                Answer(c);
                ::close(c);
            }
        }
    }
    void Answer(int c) {
        std::string head;
        char buffer[2048];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return;
            }
            head.append(buffer, static_cast<std::size_t>(n));
        }
        std::string body = "not found";
        if (head.starts_with("GET /lastVersionForSoft ")) {
            body = "11\r\n";
        } else if (head.starts_with("GET /kaloregip.php ")) {
            body = "mtl93-1-82-231-10-40.fbx.proxad.net\r\n";
        } else if (head.starts_with("GET /freeboxtv/playlist.m3u ")) {
            body = playlist_;
        }
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        const int one = 1;
        ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        (void)!::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
    }

    std::string playlist_;
    int listener_ = -1;
    int port_ = 0;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

std::string ClosedPortUrl() {
    int port = 0;
    ::close(ListenOnLoopback(port));
    return "http://127.0.0.1:" + std::to_string(port);
}

void RunStartUpQueries(benchmark::State& state, const std::string& base) {
    std::string pattern = std::filesystem::temp_directory_path() / "kalore-bench-web-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    std::filesystem::create_directory(folder / "B");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    QuietHost host;
    WebEnvironment web{host, [] {}, {}};
    WebConfig config;
    config.site = base;
    config.box = base;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CheckVersion(web, config, 11));
        benchmark::DoNotOptimize(DetectProvider(web, config));
        benchmark::DoNotOptimize(DownloadFreePlaylist(web, config, folder.string() + "/"));
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

void BM_StartUpQueriesAnswered(benchmark::State& state) {
    LoopbackSite site;
    RunStartUpQueries(state, site.Url());
}

void BM_StartUpQueriesClosedPort(benchmark::State& state) {
    RunStartUpQueries(state, ClosedPortUrl());
}

BENCHMARK(BM_StartUpQueriesAnswered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpQueriesClosedPort)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
