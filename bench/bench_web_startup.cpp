// What the three start-up requests cost: version check, provider detection and the
// Free playlist, answered by a loopback server, against the same with the site and
// the box on a closed loopback port (every request refused at once).

#include <filesystem>
#include <string>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <benchmark/benchmark.h>

#include "support/loopback_servers.h"
#include "support/temp_folder.h"
#include "tests/unit/fakes/fakes.h"
#include "web/free_playlist.h"
#include "web/provider_detection.h"
#include "web/version_check.h"

namespace {

using namespace kalore;

// Answers each GET with one body per path, one request per connection.
class LoopbackSite {
public:
    std::string Url() const { return server_.Url(); }

private:
    static std::string Playlist() {
        std::string playlist = "#EXTM3U\n";
        for (int i = 1; i <= 300; ++i) {
            playlist +=
                "#EXTINF:0," + std::to_string(i) + " - Chaine " + std::to_string(i) +
                "\nrtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=" + std::to_string(i) +
                "\n";
        }
        return playlist;
    }
    void Answer(int c) {
        const std::string head = testing::ReadRequestHead(c);
        if (head.find("\r\n\r\n") == std::string::npos) {
            return;
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
        testing::SendAll(c, answer);
    }

    const std::string playlist_ = Playlist();
    testing::RawTestServer server_{[this](int connection, int) {
        Answer(connection);
    }};
};

void RunStartUpQueries(benchmark::State& state, const std::string& base) {
    const testing::TempFolder temp("kalore-bench-web");
    const std::filesystem::path& folder = temp.Path();
    std::filesystem::create_directory(folder / "B");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    testing::SilentHost host;
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
}

void BM_StartUpQueriesAnswered(benchmark::State& state) {
    LoopbackSite site;
    RunStartUpQueries(state, site.Url());
}

void BM_StartUpQueriesClosedPort(benchmark::State& state) {
    RunStartUpQueries(state, testing::ClosedPortUrl());
}

BENCHMARK(BM_StartUpQueriesAnswered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpQueriesClosedPort)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
