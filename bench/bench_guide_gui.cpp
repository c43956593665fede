// The TV guide over a full store: 300 channels of the channel box, 14 days of
// programmes (as the 1 GB guide of bench/bench-guide leaves it), each channel with a
// logo. Opening the guide
// window on a channel (goal: 100 ms or less) and searching every channel and day,
// ignoring case and accents (goal: 50 ms or less). The grid: opening it, and each
// change of its view by a day or by two hours, painted (goal: median 100 ms or less). The store is
// made once, from a guide that make-xmltv-guide writes into a temporary folder.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <httplib.h>

#include "bench/guide_bench_data.h"
#include <QPushButton>

#include "gui/guide_grid_view.h"
#include "gui/guide_window.h"
#include "guide/guide.h"
#include "guide/guide_import.h"
#include "support/loopback_servers.h"
#include "support/temp_folder.h"
#include "tests/unit/fakes/fakes.h"
#include "tests/unit/fakes/queue_main_thread.h"

namespace {

constexpr int kChannels = 300;

QByteArray LogoPng() {
    QImage logo(220, 132, QImage::Format_ARGB32);
    logo.fill(QColor(30, 90, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    logo.save(&buffer, "PNG");
    return bytes;
}

struct Store {
    kalore::testing::TempFolder folder{"bench-guide"};
    kalore::testing::SilentHost host;
    kalore::testing::QueueMainThread mainThread;
    // Every channel's logo, served on loopback for Kalore to fetch.
    kalore::testing::HttpTestServer logos{[](httplib::Server& routes) {
        routes.Get(R"(/c/\d+\.png)",
                   [png = LogoPng().toStdString()](const httplib::Request&, httplib::Response& r) {
                       r.set_content(png, "image/png");
                   });
    }};
    kalore::testing::FakeTimer timer;
    std::vector<kalore::KaloreChannel> channels;
    std::unique_ptr<kalore::Guide> guide;

    Store() {
        std::filesystem::create_directory(folder.Path() / "B");
        const std::string xml = (folder.Path() / "guide.xml").string();
        const std::string make = std::string(KALORE_BINARY_DIR) + "/bench/make-xmltv-guide " + xml +
                                 " " + std::to_string(kChannels) + " 14 " + logos.Url() +
                                 " > /dev/null";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "make-xmltv-guide failed\n");
            std::exit(1);
        }
        for (int n = 0; n < kChannels; ++n) {
            channels.push_back({kalore::bench::BenchPlaylistName(n), {}, {}});
        }
        const std::atomic<bool> stop{false};
        const auto imported =
            kalore::ImportGuide(xml, kalore::ChannelMatcher(channels, {}), xml, std::time(nullptr),
                                kalore::GuideFileName(folder.Slashed()), nullptr, stop);
        if (!imported.ok()) {
            std::fprintf(stderr, "import failed: %s\n", imported.error.c_str());
            std::exit(1);
        }
        std::filesystem::remove(xml);
        kalore::GuideSettings settings;
        settings.source = xml; // as stored: nothing is due, nothing is fetched
        guide = std::make_unique<kalore::Guide>(
            folder.Slashed(), settings,
            kalore::GuideSeams{mainThread,
                               timer,
                               host,
                               [] { return static_cast<kalore::UtcSeconds>(std::time(nullptr)); },
                               {}});
        // The store is new, so its logos are fetched at start, as after an update.
        const int generation = guide->Generation();
        const auto fetching = std::chrono::steady_clock::now();
        guide->Start(channels);
        if (!mainThread.PumpUntil([&] { return guide->Generation() > generation + 1; },
                                  std::chrono::minutes(2))) {
            std::fprintf(stderr, "the logos were not fetched\n");
            std::exit(1);
        }
        std::printf("%d logos fetched from loopback in %lld ms\n", kChannels,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - fetching)
                                               .count()));
    }
};

Store& TheStore() {
    static Store store;
    return store;
}

// The store opened and matched against the channel box, as at each start.
void BM_GuideStart(benchmark::State& state) {
    Store& store = TheStore();
    for (auto _ : state) {
        store.guide->Start(store.channels);
    }
}
BENCHMARK(BM_GuideStart)->Unit(benchmark::kMillisecond);

// From the button's click to the window shown with the channel's day.
void BM_OpenGuideWindow(benchmark::State& state) {
    Store& store = TheStore();
    const std::string channel = kalore::bench::BenchPlaylistName(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        kalore::GuideWindow window(*store.guide, {});
        window.ShowChannel(channel);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_OpenGuideWindow)->Arg(1)->Arg(250)->Unit(benchmark::kMillisecond);

// From the "Grille" button's click to the grid painted, around now.
void BM_OpenGrid(benchmark::State& state) {
    Store& store = TheStore();
    kalore::GuideWindow window(*store.guide, {});
    window.show();
    QApplication::processEvents();
    auto* button = window.findChild<QPushButton*>("GuideGridButton");
    auto* grid = window.findChild<kalore::GuideGridView*>("GuideGrid");
    for (auto _ : state) {
        button->setChecked(true);
        grid->ShowNow();
        grid->viewport()->repaint();
        state.PauseTiming();
        button->setChecked(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenGrid)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// One view change, painted: a day on (or back, every other time), or two hours on.
void BM_GridViewChange(benchmark::State& state) {
    Store& store = TheStore();
    kalore::GuideWindow window(*store.guide, {});
    window.findChild<QPushButton*>("GuideGridButton")->setChecked(true);
    window.show();
    QApplication::processEvents();
    auto* grid = window.findChild<kalore::GuideGridView*>("GuideGrid");
    int step = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            grid->ScrollDays(step++ % 4 < 2 ? 1 : -1);
        } else {
            grid->ScrollTime(step++ % 4 < 2 ? 7200 : -7200);
        }
        grid->viewport()->repaint();
    }
}
BENCHMARK(BM_GridViewChange)
    ->ArgName("by_two_hours")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Searches from the narrow to the very broad: half the generated programmes are
// one of 33 series, the other half draw two words of forty for their title. Words
// under three letters can't use the trigram index: "qz", found nowhere, reads every row.
void BM_Search(benchmark::State& state, const char* text) {
    Store& store = TheStore();
    std::size_t found = 0;
    for (auto _ : state) {
        found = store.guide->Search(text).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_Search, two_words, "rêve musée")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, series, "ENQUETES de julie")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, broad, "chateau")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, short_words_only, "de la")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, short_word_nowhere, "qz")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, nothing, "zzz")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The offscreen platform warns at each window shown; the figures matter here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg && type != QtDebugMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        }
    });
    benchmark::Initialize(&argc, argv);
    TheStore();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
