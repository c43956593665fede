// The relay serving a box channel from GStreamer's RTSP server on loopback: its own
// processor time while two readers (as live view and a recording) take the stream,
// the box sessions used once a third reader (a second recording) joins, and how
// much later each picture reaches a reader through the relay than one reading the
// box directly. The readers are ffmpeg processes, so this process's time is the
// relay's alone.
// Usage: build/bench/bench_relay

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/child_process.h"
#include "relay/relay.h"
#include "support/rtsp_test_box.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

double ProcessSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
}

std::unique_ptr<kalore::ChildProcess> Reader(const std::string& address) {
    return kalore::ChildProcess::Start(
               {"/usr/bin/ffmpeg", "-v", "error", "-i", address, "-c", "copy", "-f", "null", "-"})
        .child;
}

void BM_RelayCpu(benchmark::State& state) {
    kalore::testing::RtspTestBox box;
    if (!box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> shares;
    for (auto _ : state) {
        const int sessionsBefore = box.Sessions();
        kalore::Relay relay({});
        const std::string local = relay.LocalAddress(box.Address(201));
        auto view = Reader(local);
        auto recording = Reader(local);
        std::this_thread::sleep_for(4s);
        const double cpuStart = ProcessSeconds();
        const auto start = steady_clock::now();
        std::this_thread::sleep_for(10s);
        const double share = (ProcessSeconds() - cpuStart) /
                             duration<double>(steady_clock::now() - start).count() * 100;
        auto second = Reader(local);
        std::this_thread::sleep_for(3s);
        state.SetIterationTime(share);
        shares.push_back(share);
        std::printf("relay: %.2f %% of a core for two readers; box sessions for three readers: "
                    "%d (open now: %d)\n",
                    share, box.Sessions() - sessionsBefore, relay.OpenSessions());
        for (auto* reader : {&view, &recording, &second}) {
            if (*reader)
                (*reader)->Close();
        }
    }
    const double median = Median(shares);
    state.counters["median_percent"] = median;
    std::printf("relay CPU: median %.2f %% of a core over %zu runs (goal: < 1 %%)\n", median,
                shares.size());
}

BENCHMARK(BM_RelayCpu)->Iterations(5)->UseManualTime()->Unit(benchmark::kSecond);

// When each picture (known by the MD5 of its decoded image, the same whichever way
// it came: the packets are not, the muxer adds delimiters) reached an ffmpeg reader
// of `address`.
class PacketArrivals {
public:
    explicit PacketArrivals(const std::string& address)
        : reader_(
              kalore::ChildProcess::Start({"/usr/bin/ffmpeg", "-v", "error", "-i", address, "-map",
                                           "0:v", "-flush_packets", "1", "-f", "framemd5", "-"})
                  .child) {
        thread_ = std::thread([this, pipe = reader_->TakeOutput()] {
            std::string pending;
            char buffer[4096];
            for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
                const auto now = steady_clock::now();
                pending.append(buffer, static_cast<std::size_t>(n));
                for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                    const std::string line = pending.substr(0, end);
                    pending.erase(0, end + 1);
                    if (!line.empty() && line[0] != '#') {
                        std::lock_guard lock(mutex_);
                        arrivals_.emplace(line.substr(line.rfind(',') + 1), now);
                    }
                }
            }
        });
    }
    ~PacketArrivals() {
        reader_->Close();
        thread_.join();
    }
    std::map<std::string, steady_clock::time_point> Arrivals() {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }

private:
    std::unique_ptr<kalore::ChildProcess> reader_;
    std::mutex mutex_;
    std::map<std::string, steady_clock::time_point> arrivals_;
    std::thread thread_;
};

void BM_RelayAddedDelay(benchmark::State& state) {
    kalore::testing::RtspTestBox box(2);
    if (!box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> medians;
    for (auto _ : state) {
        kalore::Relay relay({});
        PacketArrivals direct(box.Address(201));
        PacketArrivals relayed(relay.LocalAddress(box.Address(201)));
        std::this_thread::sleep_for(12s);
        const auto first = direct.Arrivals();
        std::vector<double> delays;
        for (const auto& [md5, when] : relayed.Arrivals()) {
            if (const auto same = first.find(md5); same != first.end()) {
                delays.push_back(duration<double, std::milli>(when - same->second).count());
            }
        }
        if (delays.empty()) {
            state.SkipWithError("no picture reached both readers");
            return;
        }
        medians.push_back(Median(delays));
        state.SetIterationTime(medians.back() / 1000);
        std::printf("relay: pictures %.0f ms later than read directly (median of %zu)\n",
                    medians.back(), delays.size());
    }
    std::printf("relay added delay: median %.0f ms over %zu runs (goal: <= 100 ms)\n",
                Median(medians), medians.size());
}

BENCHMARK(BM_RelayAddedDelay)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
