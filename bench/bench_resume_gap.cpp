// Resume gap after a 10 s outage: a record-now recording of a loopback test
// channel whose source is stopped for 10 s and started again; the figure is the
// time from the source coming back to the recording's files growing again.
// UDP (ffmpeg sending; vlc stays and hears the stream come back) and HTTP (the
// real vlc serving the channel to any number of clients, as a set-top box does;
// the recorder ends with the stream and is tried again as soon as a look at the
// port finds it accepting connections). Goal: median <= 5 s.
// vlc refuses root: run it through scripts/run-unprivileged.
#include <benchmark/benchmark.h>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "support/loopback_servers.h"
#include "support/recording_harness.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::uint64_t Written(kalore::Recording& recording) {
    std::uint64_t total = 0;
    for (const std::string& file : recording.Files()) {
        std::error_code error;
        const auto size = fs::file_size(file, error);
        total += error ? 0 : size;
    }
    return total;
}

// A test channel that can be dropped and brought back: ffmpeg sending over UDP,
// or the real vlc serving it over HTTP.
class Source {
public:
    explicit Source(bool http) {
        if (http) {
            channel_.emplace();
        }
    }
    std::string Url() const {
        return channel_ ? channel_->Url() : "udp://@127.0.0.1:" + std::to_string(port_);
    }
    // Returns once the source sends again, or once its server accepts connections.
    bool Start() {
        if (channel_) {
            return channel_->StartServer();
        }
        udp_ = kalore::testing::StartUdpStream(port_);
        return udp_ != nullptr;
    }
    void Stop() { channel_ ? channel_->StopServer() : udp_.reset(); }

private:
    const int port_ = kalore::testing::FreeLoopbackPort(SOCK_DGRAM);
    std::optional<kalore::testing::HttpTestChannel> channel_;
    std::unique_ptr<kalore::ChildProcess> udp_;
};

void BM_ResumeGap(benchmark::State& state) {
    const bool http = state.range(0) == 1;
    std::vector<double> gaps;
    for (auto _ : state) {
        const kalore::testing::TempFolder folder("kalore-resume");
        Source source(http);
        if (!source.Start()) {
            state.SkipWithError("the source did not start");
            break;
        }
        kalore::testing::RecordingHarness harness(folder.Slashed());
        harness.Controller().RecordNow(source.Url(), kalore::kFormatH264,
                                       folder.Slashed() + "maintenant.avi");
        kalore::Recording& recording = *harness.Controller().RecordNowRecording();
        harness.RunFor(6s);
        source.Stop();
        harness.RunFor(10s);
        const std::uint64_t before = Written(recording);
        if (!source.Start()) {
            state.SkipWithError("the source did not come back");
            break;
        }
        const auto back = steady_clock::now();
        const bool grew = harness.RunUntil([&] { return Written(recording) > before; }, 60s);
        const double gap = duration<double>(steady_clock::now() - back).count();
        harness.Controller().StopRecordNow();
        harness.RunUntil([&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s);
        source.Stop();
        if (!grew) {
            state.SkipWithError("the recording never grew again");
            break;
        }
        state.SetIterationTime(gap);
        gaps.push_back(gap);
        std::printf("%s: growing again %.1f s after the source came back (%zu files)\n",
                    http ? "http" : "udp", gap, recording.Files().size());
    }
    if (gaps.empty()) {
        return;
    }
    std::sort(gaps.begin(), gaps.end());
    const double median = (gaps[(gaps.size() - 1) / 2] + gaps[gaps.size() / 2]) / 2;
    state.counters["median_s"] = median;
    std::printf("%s source: resume gap median %.1f s, worst %.1f s over %zu outages of 10 s "
                "(goal: median <= 5 s)\n",
                http ? "http" : "udp", median, gaps.back(), gaps.size());
}

BENCHMARK(BM_ResumeGap)
    ->ArgName("http")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
