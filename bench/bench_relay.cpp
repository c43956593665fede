// The relay serving a box channel from GStreamer's RTSP server on loopback: its own
// processor time while two readers (as live view and a recording) take the stream,
// and the box sessions used once a third reader (a second recording) joins.
// The readers are ffmpeg processes, so this process's time is the relay's alone.
// Usage: build/bench/bench_relay

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
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
    std::sort(shares.begin(), shares.end());
    const double median = (shares[(shares.size() - 1) / 2] + shares[shares.size() / 2]) / 2;
    state.counters["median_percent"] = median;
    std::printf("relay CPU: median %.2f %% of a core over %zu runs (goal: < 1 %%)\n", median,
                shares.size());
}

BENCHMARK(BM_RelayCpu)->Iterations(5)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
