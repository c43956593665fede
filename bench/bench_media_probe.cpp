// The look inside a recording at its end: ProbeMediaFile on a 2 GB MPEG-TS file
// (a 20 s recording of a test channel repeated up to that size, as a long
// broadcast copy would be). Goal: <= 200 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/child_process.h"
#include "recorder/media_probe.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kSize = 2'000'000'000;

bool MakeLongRecording(const std::string& piece, const std::string& file) {
    auto started = kalore::ChildProcess::Start({"/usr/bin/ffmpeg",
                                                "-v",
                                                "error",
                                                "-y",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "testsrc2=size=1280x720:rate=25",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "sine",
                                                "-t",
                                                "20",
                                                "-c:v",
                                                "mpeg2video",
                                                "-b:v",
                                                "8M",
                                                "-c:a",
                                                "mp2",
                                                "-f",
                                                "mpegts",
                                                piece});
    if (!started.child) {
        return false;
    }
    started.child->WaitFor(120'000);
    started.child->Close();
    std::ifstream in(piece, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        return false;
    }
    std::ofstream out(file, std::ios::binary);
    for (std::uintmax_t written = 0; written < kSize; written += bytes.size()) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return static_cast<bool>(out);
}

void BM_ProbeAtTheEnd(benchmark::State& state) {
    const kalore::testing::TempFolder folder("kalore-probe");
    const std::string file = folder.Slashed() + "programme.ts";
    if (!MakeLongRecording(folder.Slashed() + "piece.ts", file)) {
        state.SkipWithError("ffmpeg could not make the recording");
        return;
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    for (auto _ : state) {
        const auto contents = kalore::ProbeMediaFile(file);
        if (!contents || !contents->video || !contents->audio || !contents->decodable) {
            state.SkipWithError("the probe did not see picture and sound");
            break;
        }
    }
}

BENCHMARK(BM_ProbeAtTheEnd)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
