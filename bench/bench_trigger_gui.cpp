// Trigger accuracy: from the programmed start second to the recorder child
// started, over 10 programmed starts, through the schedule and the recording
// controller as the window wires them, with the window's own timers and event
// loop and the system clock. Each entry is added at another point of the second,
// as a user's click would be. The child is a stand-in that writes the time it
// started and then waits to be stopped; the figure includes its shell's start.
// Goal: 0 to 1.1 s late, never early.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include "gui/qt_main_thread.h"
#include "gui/qt_timer.h"
#include "recorder/recording_controller.h"
#include "recorder/recording_job.h"
#include "schedule/date_time_text.h"
#include "schedule/schedule.h"
#include "seams/clock.h"
#include "seams/host.h"

namespace {

constexpr int kStarts = 10;

class QuietHost : public kalore::Host {
public:
    void AppendLog(const std::string&) override {}
    void SetAppTitle(const std::string&) override {}
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void NotifyUser(const std::string&) override {}
};

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

kalore::LocalDateTime LocalOf(time_t seconds) {
    tm local{};
    localtime_r(&seconds, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

// Runs the event loop until `done` holds or `timeoutMs` passes; true if it held.
template <typename Done> bool RunUntil(Done done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

// The start time the stand-in child wrote, or NaN while it has written none.
double StampOf(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    if (!std::getline(in, text) || in.eof()) {
        return std::nan("");
    }
    return std::stod(text);
}

void BM_TriggerLateness(benchmark::State& state) {
    QTemporaryDir folder;
    const std::string programFolder = folder.path().toStdString() + "/";
    QDir(folder.path()).mkpath("B");
    QDir(folder.path()).mkpath("RECORDS");

    QuietHost host;
    kalore::SystemClock clock;
    kalore::QtMainThread mainThread;
    kalore::QtTimer timer1("Timer1");
    kalore::QtTimer timer2("Timer2");
    kalore::QtTimer clockWatch("ClockWatchTimer");
    kalore::QtTimer watchTimer("RecordingWatchTimer");
    kalore::RecorderSettings settings{
        [] { return std::string(KALORE_SOURCE_DIR "/bench/trigger-stamp-child"); },
        [] { return std::string("Kalore"); },
        programFolder,
        "https://maker.example",
        "https://maker.example/memoire",
        {}};
    std::vector<double> late;
    {
        std::unique_ptr<kalore::RecordingController> controller;
        kalore::Schedule schedule(programFolder, host, clock, timer1, timer2, clockWatch,
                                  [&](const kalore::PendingRecording& due, std::int64_t seconds) {
                                      controller->StartScheduledRecording(due, seconds);
                                  });
        settings.setEntryStatus = [&](std::uint64_t entry, const std::string& status) {
            schedule.SetEntryStatus(entry, status);
        };
        controller = std::make_unique<kalore::RecordingController>(settings, host, mainThread,
                                                                   clock, timer2, watchTimer);
        timer2.SetHandler([&] { controller->EndProgrammedRecording(); });

        int round = 0;
        for (auto _ : state) {
            // Entries are added at spread points of the second.
            const double phase = (round * 0.37) - std::floor(round * 0.37);
            const double second = std::floor(WallSeconds()) + 1;
            RunUntil([&] { return WallSeconds() >= second + phase; }, 2100);
            const time_t start = static_cast<time_t>(std::floor(WallSeconds())) + 2;
            const std::string stamp =
                folder.path().toStdString() + "/started-" + std::to_string(round++);
            kalore::ScheduleEntryRequest request;
            request.startDate = kalore::DateText(LocalOf(start));
            request.startTime = kalore::TimeText(LocalOf(start));
            request.endDate = kalore::DateText(LocalOf(start + 1));
            request.endTime = kalore::TimeText(LocalOf(start + 1));
            request.channel = "Mire";
            request.url = stamp;
            request.format = kalore::kFormatH264;
            if (!schedule.AddScheduledRecording(request)) {
                state.SkipWithError("the entry was refused");
                break;
            }
            if (!RunUntil([&] { return !std::isnan(StampOf(stamp)); }, 5000)) {
                state.SkipWithError("the recording did not start");
                break;
            }
            const double lateness = StampOf(stamp) - static_cast<double>(start);
            state.SetIterationTime(std::max(lateness, 0.0));
            late.push_back(lateness);
            std::printf("start %2zu: added at .%03d of its second, child started %+.3f s\n",
                        late.size(), static_cast<int>(phase * 1000), lateness);
            // The length timer ends it before the next entry is added.
            RunUntil([&] { return controller->ProgrammedThread()->Finished(); }, 5000);
        }
        mainThread.Shutdown();
        controller.reset();
    }
    if (late.empty()) {
        return;
    }
    std::sort(late.begin(), late.end());
    const double median = (late[(late.size() - 1) / 2] + late[late.size() / 2]) / 2;
    const auto early = std::count_if(late.begin(), late.end(), [](double s) { return s < 0; });
    state.counters["earliest_s"] = late.front();
    state.counters["median_s"] = median;
    state.counters["latest_s"] = late.back();
    state.counters["early"] = static_cast<double>(early);
    std::printf("start second to child started over %zu starts: earliest %+.3f s, median %+.3f s, "
                "latest %+.3f s, %td early (goal: 0 to 1.1 s late, never early)\n",
                late.size(), late.front(), median, late.back(), early);
}

BENCHMARK(BM_TriggerLateness)->Iterations(kStarts)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char* argv[]) {
    // The window's timers and the main-thread hand-off need an event loop.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
