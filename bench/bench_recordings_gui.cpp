// "Mes enregistrements" over 10,000 recordings, every tenth continued in a second
// part, all their files in the recordings folder: opening the window (goal: 100 ms
// or less), the look for new files made at each start, the store's
// list alone, and a search as the user types it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <QApplication>
#include <QLineEdit>

#include "gui/recordings_window.h"
#include "recordings/recording_store.h"
#include "seams/clock.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecordings = 10'000;

struct Store {
    kalore::testing::TempFolder folder{"bench-recordings"};
    kalore::SystemClock clock;
    std::unique_ptr<kalore::RecordingStore> store;

    Store() {
        const fs::path records = folder.Path() / "RECORDS";
        fs::create_directory(records);
        store = std::make_unique<kalore::RecordingStore>((folder.Path() / "recordings.db").string(),
                                                         records.string(), clock);
        const char* channels[] = {"France 2", "TF1", "Arte", "France 5", "M6"};
        for (int n = 0; n < kRecordings; ++n) {
            const std::string first =
                (records / ("programme-" + std::to_string(n) + ".ts")).string();
            std::vector<std::string> files{first};
            if (n % 10 == 0) {
                files.push_back((records / ("programme-" + std::to_string(n) + "-2.ts")).string());
            }
            for (const auto& file : files) {
                std::ofstream(file) << 'x';
            }
            const std::string channel = channels[n % 5];
            const std::int64_t id = store->Begin({0,
                                                  channel,
                                                  "Émission n° " + std::to_string(n),
                                                  1'700'000'000 + n * 3600LL,
                                                  0,
                                                  0,
                                                  "Format AVI",
                                                  "",
                                                  "",
                                                  true,
                                                  true,
                                                  {first}});
            store->Finish(id, files, 3600, 900'000'000, n % 7 == 0 ? "Incomplet" : "Terminé",
                          n % 7 == 0 ? "flux perdu à 20:41:03 pendant 62 s" : "");
        }
    }
};

Store& TheStore() {
    static Store store;
    return store;
}

// From the button's click to the window shown with every row.
void BM_OpenRecordingsWindow(benchmark::State& state) {
    Store& store = TheStore();
    for (auto _ : state) {
        kalore::RecordingsWindow window(*store.store, {}, nullptr);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_OpenRecordingsWindow)->Unit(benchmark::kMillisecond);

// The look for new and vanished files, once at each start of Kalore.
void BM_RebuildFromFolder(benchmark::State& state) {
    Store& store = TheStore();
    for (auto _ : state) {
        store.store->Rebuild();
    }
}
BENCHMARK(BM_RebuildFromFolder)->Unit(benchmark::kMillisecond);

void BM_ListAll(benchmark::State& state) {
    Store& store = TheStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.store->List().size());
    }
}
BENCHMARK(BM_ListAll)->Unit(benchmark::kMillisecond);

// One key more in the search field: the list read again and redrawn.
void BM_SearchInWindow(benchmark::State& state) {
    Store& store = TheStore();
    kalore::RecordingsWindow window(*store.store, {}, nullptr);
    window.show();
    auto* search = window.findChild<QLineEdit*>("RecordingsSearch");
    int key = 0;
    for (auto _ : state) {
        search->setText(++key % 2 == 0 ? "emission n° 12" : "ARTE");
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SearchInWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
