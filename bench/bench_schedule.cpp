// Programming into a 10,000-entry schedule (the files are saved after each entry),
// and saving and loading 10,000 entries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "schedule/schedule.h"
#include "support/temp_folder.h"
#include "tests/unit/fakes/fakes.h"

namespace {

using kalore::testing::FakeClock;
using kalore::testing::FakeTimer;
using kalore::testing::SilentHost;
using kalore::testing::TempFolder;

struct Bench {
    Bench()
        : schedule((std::filesystem::create_directories(folder.Path() / "B"), folder.Slashed()),
                   host, clock, timer1, timer2, clockWatch, nullptr) {}

    // Entry i lasts ten minutes, one per quarter-hour from 08/12/2026 on.
    static kalore::ScheduleEntryRequest Entry(int i) {
        const int day = 8 + i / 96;
        const int minutes = (i % 96) * 15;
        char date[16];
        char start[16];
        char end[16];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", (day - 1) % 28 + 1,
                      1 + (day - 1) / 28 % 12, 2027 + (day - 1) / 336);
        std::snprintf(start, sizeof start, "%02d:%02d:00", minutes / 60, minutes % 60);
        std::snprintf(end, sizeof end, "%02d:%02d:00", minutes / 60, minutes % 60 + 10);
        return {date, start, date, end, "France 2", "rtp://@232.0.1.2:8200", "H264"};
    }
    bool Add(int i) { return schedule.AddScheduledRecording(Entry(i)); }
    // The table as adding the entries one by one leaves it, saved once.
    void Fill(int count) {
        std::vector<kalore::ScheduleRow> rows;
        std::vector<std::string> urls;
        for (int i = 0; i < count; ++i) {
            const kalore::ScheduleEntryRequest r = Entry(i);
            rows.push_back({r.channel, r.startDate, r.startTime, r.endDate, r.endTime,
                            kalore::kStatusProgrammed, r.format});
            urls.push_back(r.url);
        }
        rows.emplace_back();
        schedule.Table().Replace(std::move(rows), std::move(urls));
        schedule.StringGrid2File();
    }

    const TempFolder folder{"kalore-bench-schedule"};
    SilentHost host;
    FakeClock clock; // 07/12/2026 20:00:00
    FakeTimer timer1;
    FakeTimer timer2;
    FakeTimer clockWatch;
    kalore::Schedule schedule;
};

void BM_AddInto10000(benchmark::State& state) {
    Bench bench;
    bench.Fill(10000);
    int next = 10000;
    for (auto _ : state) {
        if (!bench.Add(next++)) {
            state.SkipWithError("entry refused");
        }
    }
}
BENCHMARK(BM_AddInto10000)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_Save10000(benchmark::State& state) {
    Bench bench;
    bench.Fill(10000);
    for (auto _ : state) {
        bench.schedule.StringGrid2File();
    }
}
BENCHMARK(BM_Save10000)->Unit(benchmark::kMillisecond);

void BM_Load10000(benchmark::State& state) {
    Bench bench;
    bench.Fill(10000);
    for (auto _ : state) {
        bench.schedule.File2StringGrid();
    }
}
BENCHMARK(BM_Load10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
