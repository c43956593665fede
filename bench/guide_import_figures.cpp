// Imports a guide file as Kalore does, for a channel list of the set-top box's
// names, and prints the time, the throughput, or why the guide was refused, and the
// process's peak memory (VmHWM) against its figure before the import.
// Usage: guide-import-figures GUIDE.xml[.gz] STORE.sqlite [CHANNELS=300]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>

#include "bench/guide_bench_data.h"
#include "guide/guide_import.h"

namespace {

// The process's peak resident memory so far, in MB.
double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s GUIDE STORE [CHANNELS]\n", argv[0]);
        return 2;
    }
    const int count = argc > 3 ? std::atoi(argv[3]) : 300;
    std::vector<kalore::KaloreChannel> channels;
    for (int n = 0; n < count; ++n) {
        channels.push_back({kalore::bench::BenchPlaylistName(n), {}, {}});
    }
    const kalore::ChannelMatcher matcher(std::move(channels), {});
    const std::atomic<bool> stop{false};
    const double idle = PeakMegabytes();

    const auto begin = std::chrono::steady_clock::now();
    const kalore::GuideImportResult result =
        kalore::ImportGuide(argv[1], matcher, argv[1], std::time(nullptr), argv[2], nullptr, stop);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double peak = PeakMegabytes();
    if (!result.ok()) {
        std::printf("import refused after %.2f s: %s; peak memory %.1f MB, %.1f MB above the "
                    "%.1f MB before it\n",
                    seconds, result.error.c_str(), peak, peak - idle, idle);
        return 0;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
    const auto cpu = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    // On a loaded machine the processor time tells what the wall clock can't.
    std::printf("import: %.0f MB in %.2f s = %.0f MB/s (processor %.2f s user + %.2f s system); "
                "%llu programmes read, %llu kept; %zu of %d channels with a guide; "
                "peak memory %.1f MB, %.1f MB above the %.1f MB before it; store %.0f MB\n",
                megabytes, seconds, megabytes / seconds, cpu(usage.ru_utime), cpu(usage.ru_stime),
                static_cast<unsigned long long>(result.programmesRead),
                static_cast<unsigned long long>(result.programmesKept), result.channelsWithGuide,
                count, peak, peak - idle, idle,
                static_cast<double>(std::filesystem::file_size(argv[2])) / 1e6);
    return 0;
}
