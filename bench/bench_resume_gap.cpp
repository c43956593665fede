// Resume gap after a 10 s outage: a record-now recording of a loopback test
// stream whose ffmpeg source is stopped for 10 s and started again; the figure is
// the time from the source coming back to the recording's files growing again.
// HTTP (the source ends, vlc ends with it and is started again after the
// back-off) and UDP (vlc stays and hears the stream come back). Goal: median <= 5 s.
// vlc refuses root: run it through scripts/run-unprivileged.
#include <benchmark/benchmark.h>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
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

void BM_ResumeGap(benchmark::State& state) {
    const bool http = state.range(0) == 1;
    std::vector<double> gaps;
    for (auto _ : state) {
        const kalore::testing::TempFolder folder("kalore-resume");
        const int port = kalore::testing::FreeLoopbackPort(http ? SOCK_STREAM : SOCK_DGRAM);
        const auto start = [&] {
            return http ? kalore::testing::StartHttpStream(port)
                        : kalore::testing::StartUdpStream(port);
        };
        auto source = start();
        std::this_thread::sleep_for(500ms);
        kalore::testing::RecordingHarness harness(folder.Slashed());
        harness.Controller().RecordNow((http ? "http://127.0.0.1:" : "udp://@127.0.0.1:") +
                                           std::to_string(port),
                                       kalore::kFormatH264, folder.Slashed() + "maintenant.avi");
        kalore::Recording& recording = *harness.Controller().RecordNowRecording();
        harness.RunFor(6s);
        source->Close();
        harness.RunFor(10s);
        const std::uint64_t before = Written(recording);
        source = start();
        const auto back = steady_clock::now();
        const bool grew = harness.RunUntil([&] { return Written(recording) > before; }, 60s);
        const double gap = duration<double>(steady_clock::now() - back).count();
        harness.Controller().StopRecordNow();
        harness.RunUntil([&] { return harness.Controller().RecordNowThread()->Finished(); }, 10s);
        source->Close();
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
