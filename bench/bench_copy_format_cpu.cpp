// CPU of the recorder child (vlc) for the copy format against the H.264 format:
// five programmed recordings of 10 s each of one loopback test channel (640x480
// MPEG-2 with MP2 sound), the child's user + system time as /proc last showed it.
// Prints the medians and their ratio.
// vlc refuses root: run it through scripts/run-unprivileged.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "support/loopback_servers.h"
#include "support/recording_harness.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kSeconds = 10;

// CPU seconds so far of each vlc child of this process, by pid, read from
// /proc: the child is reaped by its recorder, so it is looked at while it runs.
void LookAtRecorderChildren(std::map<int, double>& cpuByPid) {
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream children(task.path() / "children");
        for (int pid = 0; children >> pid;) {
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string line;
            std::getline(stat, line);
            const auto close = line.rfind(')');
            if (close == std::string::npos || line.find("(vlc)") == std::string::npos) {
                continue;
            }
            std::istringstream fields(line.substr(close + 2));
            std::string field;
            double user = 0;
            double system = 0;
            // After the name: state is field 3; utime and stime are fields 14 and 15.
            for (int number = 3; number <= 15 && fields >> field; ++number) {
                if (number == 14) {
                    user = std::stod(field);
                } else if (number == 15) {
                    system = std::stod(field);
                }
            }
            cpuByPid[pid] = (user + system) / ticks;
        }
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
}

std::map<std::string, double> medians;

void BM_RecorderCpu(benchmark::State& state) {
    const char* format = state.range(0) == 1 ? kalore::kFormatCopy : kalore::kFormatH264;
    const int port = kalore::testing::FreeLoopbackPort(SOCK_DGRAM);
    auto stream = kalore::testing::StartUdpStream(port);
    std::vector<double> cpu;
    for (auto _ : state) {
        const kalore::testing::TempFolder folder("kalore-cpu");
        fs::create_directory(folder.Slashed() + "RECORDS");
        kalore::testing::RecordingHarness harness(folder.Slashed());
        std::map<int, double> cpuByPid;
        harness.StartProgrammed("udp://@127.0.0.1:" + std::to_string(port), format, kSeconds);
        const bool ended = harness.RunUntil(
            [&] {
                LookAtRecorderChildren(cpuByPid);
                return harness.Controller().ProgrammedThread()->Finished();
            },
            60s);
        if (!ended || harness.statuses.empty() || harness.statuses[0].second != "Terminé") {
            state.SkipWithError("the recording did not end Terminé");
            break;
        }
        double seconds = 0;
        for (const auto& [pid, cpu] : cpuByPid) {
            seconds += cpu;
        }
        state.SetIterationTime(seconds);
        cpu.push_back(seconds);
        std::printf("%s: vlc %.2f s of CPU for %d s (%zu vlc processes)\n", format, seconds,
                    kSeconds, cpuByPid.size());
    }
    stream->Close();
    if (cpu.empty()) {
        return;
    }
    medians[format] = Median(cpu);
    std::printf("%s: median %.2f s of CPU for %d s recorded\n", format, medians[format], kSeconds);
    if (medians.size() == 2) {
        std::printf("copy format / H.264 format, CPU of vlc: %.2f\n",
                    medians[kalore::kFormatCopy] / medians[kalore::kFormatH264]);
    }
}

BENCHMARK(BM_RecorderCpu)
    ->ArgName("copy")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
