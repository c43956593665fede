// Hostile-path canary: record-now recordings of a loopback test stream into
// paths made of everything vlc's option chains and the old command line gave a
// meaning to (, } { : ' " \ = # ; blanks, accents, a leading -), many of them
// naming a "dst=" of their own. Counts the paths whose recording reached any
// file other than the intended one: the canary file beside them must never
// change and no other file may appear. Goal: 0 of at least 30.
// vlc refuses root: run it through scripts/run-unprivileged.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/recording_harness.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> HostileNames() {
    const std::vector<std::string> pieces = {",",
                                             "}",
                                             "{",
                                             ":",
                                             "'",
                                             "\"",
                                             "\\",
                                             "=",
                                             "#",
                                             ";",
                                             " ",
                                             "é à ç",
                                             "\\\"",
                                             ",dst=victim.txt",
                                             "}:std{dst=victim.txt}",
                                             "\",dst=victim.txt,x=\"",
                                             "',dst=victim.txt,'",
                                             "\\\\\",dst=victim.txt}",
                                             "%Y$t~",
                                             "{dst=victim.txt}",
                                             ":dst=victim.txt"};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        names.push_back("a" + pieces[i] + "b.avi");
        names.push_back((i % 2 ? "-" : " ") + pieces[i] + pieces[(i + 5) % pieces.size()] + ".ts");
    }
    return names;
}

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void BM_HostilePaths(benchmark::State& state) {
    for (auto _ : state) {
        const kalore::testing::TempFolder folder("kalore-canary");
        fs::create_directory(folder.Path() / "RECORDS");
        // The injected "dst=victim.txt" is relative: to vlc's folder, this one.
        fs::current_path(folder.Path());
        std::ofstream("victim.txt") << "canary";
        const int port = 20000 + static_cast<int>(getpid() % 20000);
        auto stream = kalore::testing::StartUdpStream(port);
        const std::vector<std::string> names = HostileNames();
        int strayed = 0;
        int empty = 0;
        kalore::testing::RecordingHarness harness(folder.Slashed());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::set<fs::path> before(fs::directory_iterator(folder.Path()), {});
            const std::string path = i % 2 ? names[i] : folder.Slashed() + names[i];
            harness.Controller().RecordNow("udp://@127.0.0.1:" + std::to_string(port),
                                           kalore::kFormatH264, path);
            harness.RunFor(1500ms);
            harness.Controller().StopRecordNow();
            harness.RunUntil([&] { return harness.Controller().RecordNowThread()->Finished(); },
                             10s);
            std::set<fs::path> after(fs::directory_iterator(folder.Path()), {});
            for (const fs::path& old : before) {
                after.erase(old);
            }
            const bool exact = after == std::set<fs::path>{folder.Path() / names[i]};
            strayed += !exact || Content("victim.txt") != "canary";
            empty += exact && fs::file_size(folder.Path() / names[i]) == 0;
            if (!exact) {
                std::printf("strayed: [%s]\n", names[i].c_str());
            }
        }
        stream->Close();
        state.counters["paths"] = static_cast<double>(names.size());
        state.counters["strayed"] = strayed;
        std::printf("hostile paths: %d of %zu reached a file other than the intended one "
                    "(goal 0); %d recordings empty\n",
                    strayed, names.size(), empty);
    }
}

BENCHMARK(BM_HostilePaths)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
