// Loading a 100,000-channel Free playlist, against `wc -l` on the same file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/host.h"
#include "channels/channel_file.h"
#include "channels/channel_list.h"

namespace {

class SilentHost : public kalore::Host {
public:
    void AppendLog(const std::string&) override {}
    void SetAppTitle(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
};

const std::string& ProgramFolder() {
    static const std::string folder = [] {
        const auto dir =
            std::filesystem::temp_directory_path() / ("kalore-bench-" + std::to_string(::getpid()));
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
        return dir.string() + "/";
    }();
    return folder;
}

void LoadFree() {
    SilentHost host;
    kalore::ChannelList list;
    kalore::LoadFreeChannelList(ProgramFolder(), list, host, "site");
    benchmark::DoNotOptimize(list.names.data());
}

void WcL() {
    const std::string command = "wc -l '" + ProgramFolder() + "B/listeTVFreeforKalore.txt'";
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
    }
    ::pclose(pipe);
}

template <typename F> double BestSeconds(F f) {
    double best = 1e9;
    for (int i = 0; i < 7; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void BM_LoadFree100000(benchmark::State& state) {
    for (auto _ : state) {
        LoadFree();
    }
}
BENCHMARK(BM_LoadFree100000)->Unit(benchmark::kMillisecond);

void BM_WcL(benchmark::State& state) {
    for (auto _ : state) {
        WcL();
    }
}
BENCHMARK(BM_WcL)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double load = BestSeconds(LoadFree);
    const double wc = BestSeconds(WcL);
    std::printf("100,000-channel Free list: load %.1f ms, wc -l %.1f ms, ratio %.2f (goal <= 3)\n",
                load * 1e3, wc * 1e3, load / wc);
    std::filesystem::remove_all(ProgramFolder());
    benchmark::Shutdown();
    return 0;
}
