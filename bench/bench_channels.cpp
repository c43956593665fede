// Loading a 100,000-channel Free playlist: in a fresh process, as at the program's
// start, and warm, side by side (goal: fresh at most 3 times warm), and against
// `wc -l` on the same file. The fresh loads are this program started again with
// --fresh-load FOLDER, which loads once and prints the milliseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "channels/channel_file.h"
#include "channels/channel_list.h"
#include "support/temp_folder.h"
#include "tests/unit/fakes/fakes.h"

namespace {

using kalore::testing::SilentHost;

const std::string& ProgramFolder() {
    static const kalore::testing::TempFolder temp("kalore-bench-channels");
    static const std::string folder = [] {
        const std::filesystem::path& dir = temp.Path();
        std::filesystem::create_directories(dir / "B");
        std::ofstream out(dir / "B/listeTVFreeforKalore.txt", std::ios::binary);
        out << "#EXTM3U\n";
        for (int i = 0; i < 100000; ++i) {
            out << "#EXTINF:0," << i << " - Cha\xC3\xAEne " << i << " (HD)\n";
            if (i % 10 == 0) {
                out << "#EXTVLCOPT:network-caching=1000\n";
            }
            out << "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=" << i
                << "&flavour=hd\n";
        }
        return temp.Slashed();
    }();
    return folder;
}

// Seconds to load the list; the list is freed after the clock stops, as loading
// is what the goal is about (the program keeps its list to the end).
double TimedLoadFree() {
    SilentHost host;
    kalore::ChannelList list;
    const auto start = std::chrono::steady_clock::now();
    kalore::LoadFreeChannelList(ProgramFolder(), list, host, "site");
    const auto stop = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(list.names.size());
    return std::chrono::duration<double>(stop - start).count();
}

double TimedWcL() {
    const std::string command = "wc -l '" + ProgramFolder() + "B/listeTVFreeforKalore.txt'";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
    }
    ::pclose(pipe);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_LoadFree100000(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(TimedLoadFree());
    }
}
BENCHMARK(BM_LoadFree100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WcL(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(TimedWcL());
    }
}
BENCHMARK(BM_WcL)->UseManualTime()->Unit(benchmark::kMillisecond);

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of one load in a new process of this program.
double FreshProcessLoad(const char* self) {
    const std::string command =
        std::string("'") + self + "' --fresh-load '" + ProgramFolder() + "'";
    FILE* child = ::popen(command.c_str(), "r");
    double ms = -1;
    if (child != nullptr && std::fscanf(child, "%lf", &ms) != 1) {
        ms = -1;
    }
    if (child != nullptr) {
        ::pclose(child);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--fresh-load") {
        SilentHost host;
        kalore::ChannelList list;
        const auto start = std::chrono::steady_clock::now();
        kalore::LoadFreeChannelList(argv[2], list, host, "site");
        const auto stop = std::chrono::steady_clock::now();
        std::printf("%.3f\n", std::chrono::duration<double, std::milli>(stop - start).count());
        return list.names.size() == 100000 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    ProgramFolder(); // writes the file
    benchmark::RunSpecifiedBenchmarks();
    // Interleaved, so both see the same machine load; the file is in the page cache
    // for both (written just before, read by every run).
    std::vector<double> fresh;
    std::vector<double> loads;
    std::vector<double> counts;
    for (int i = 0; i < 15; ++i) {
        fresh.push_back(FreshProcessLoad(argv[0]) / 1e3);
        loads.push_back(TimedLoadFree());
        counts.push_back(TimedWcL());
    }
    std::printf("100,000-channel Free list, medians of 15: fresh process %.1f ms, warm %.1f ms, "
                "fresh/warm %.2f (goal <= 3); wc -l %.1f ms, warm/wc %.2f\n",
                Median(fresh) * 1e3, Median(loads) * 1e3, Median(fresh) / Median(loads),
                Median(counts) * 1e3, Median(loads) / Median(counts));
    std::filesystem::remove_all(ProgramFolder());
    benchmark::Shutdown();
    return 0;
}
