// A recorder child that writes 50 MB of numbered CR LF lines as fast as it can,
// recorded through the controller while a window-like main loop runs here.
// Prints how late the loop's 5 ms tick ran at worst (goal < 50 ms), and checks
// that the log entries, "|||" marks removed, give back exactly what the child
// wrote: the reader keeps CR LF as it is and only trims the line ends that fall
// at the edges of a read.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "recorder/recording_controller.h"
#include "seams/host.h"
#include "tests/unit/fakes/fakes.h"
#include "tests/unit/fakes/queue_main_thread.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kLines = 3084048; // 17 bytes each: just over 50 MiB
constexpr auto kTick = 5ms;
const std::string kCaption = "Kalore flood";

std::string ChildText() {
    std::string text;
    text.reserve(static_cast<std::size_t>(kLines) * 17);
    char line[32];
    for (int i = 1; i <= kLines; ++i) {
        std::snprintf(line, sizeof line, "ligne %09d\r\n", i);
        text += line;
    }
    return text;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The window's event loop as far as the recorder can tell: tasks posted from
// other threads run in batches (those queued when the batch starts), and the
// timer gets its turn only between batches.
class WindowLoop : public kalore::testing::QueueMainThread {
public:
    // Runs the loop with a tick every kTick until `until` holds or the timeout
    // passes; records how late each tick ran.
    bool RunUntil(const std::function<bool()>& until, Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        auto due = Clock::now() + kTick;
        while (!until()) {
            std::deque<std::function<void()>> batch = TakeQueued(std::min(due, deadline));
            longestQueue = std::max(longestQueue, batch.size());
            for (auto& task : batch) {
                task();
            }
            const auto now = Clock::now();
            if (now >= due) {
                lateness.push_back(Milliseconds(now - due));
                while (due <= now) {
                    due += kTick;
                }
            }
            if (now >= deadline) {
                return until();
            }
        }
        return true;
    }

    std::vector<double> lateness;
    std::size_t longestQueue = 0;
};

// Matches each output entry against the child's text as it arrives.
class CheckingHost : public kalore::Host {
public:
    explicit CheckingHost(const std::string& expected) : expected_(expected) {}

    void AppendLog(const std::string& line) override {
        if (line.size() < 6 || line.compare(0, 3, "|||") != 0 ||
            line.compare(line.size() - 3, 3, "|||") != 0) {
            last = line;
            return;
        }
        ++entries;
        const std::string_view text(line.data() + 3, line.size() - 6);
        SkipTrimmed();
        if (firstMismatch < 0 && (cursor_ + text.size() > expected_.size() ||
                                  expected_.compare(cursor_, text.size(), text) != 0)) {
            firstMismatch = static_cast<long>(cursor_);
        }
        cursor_ += text.size();
    }
    void SetAppTitle(const std::string& text) override { captionsShown += text == kCaption; }
    void ShowMessage(const std::string&) override {}
    void NotifyUser(const std::string&) override {}

    bool Complete() {
        SkipTrimmed();
        return firstMismatch < 0 && cursor_ == expected_.size();
    }
    std::size_t Matched() const { return std::min(cursor_, expected_.size()); }

    long entries = 0;
    long firstMismatch = -1;
    int captionsShown = 0;
    std::string last;

private:
    void SkipTrimmed() {
        while (cursor_ < expected_.size() && static_cast<unsigned char>(expected_[cursor_]) <= 32) {
            ++cursor_;
        }
    }

    const std::string& expected_;
    std::size_t cursor_ = 0;
};

void BM_OutputFlood(benchmark::State& state) {
    const std::string expected = ChildText();
    for (auto _ : state) {
        CheckingHost host(expected);
        WindowLoop loop;
        kalore::testing::FakeTimer timer2; // never fires
        kalore::testing::FakeTimer watch;  // never fires: the child is not retried
        kalore::SystemClock clock;
        kalore::RecorderSettings settings{
            [] { return std::string(KALORE_SOURCE_DIR "/bench/recorder-flood-child"); },
            [] { return kCaption; },
            "/tmp/",
            "https://maker.example",
            "https://maker.example/memoire",
            {}};
        const auto started = Clock::now();
        bool ended = false;
        {
            kalore::RecordingController controller(settings, host, loop, clock, timer2, watch);
            controller.RecordNow("flood" + std::to_string(kLines), kalore::kFormatH264,
                                 "/tmp/kalore-bench-flood.ts");
            // The reader's closing step puts the caption back once the output has ended.
            ended = loop.RunUntil([&] { return host.captionsShown == 1; }, 120s);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
            const std::string last = "fin thread affiché dans le thread!! id: " +
                                     std::to_string(controller.RecordNowThread()->ThreadID());
            controller.StopRecordNow();
            loop.RunUntil([&] { return host.last == last; }, 10s);
            loop.Shutdown();
        }
        std::vector<double> late = loop.lateness;
        std::sort(late.begin(), late.end());
        const double worst = late.empty() ? 0 : late.back();
        const double median = late.empty() ? 0 : late[late.size() / 2];
        const bool complete = host.Complete();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

        state.counters["worst_tick_late_ms"] = worst;
        state.counters["entries"] = static_cast<double>(host.entries);
        state.counters["intact"] = complete ? 1 : 0;
        std::printf("flood of %zu bytes: %s in %.2f s, %ld log entries, longest queue %zu tasks\n",
                    expected.size(), ended ? "read to its end" : "NOT read to its end", seconds,
                    host.entries, loop.longestQueue);
        std::printf("main loop: %zu ticks, late by median %.2f ms, worst %.2f ms (goal < 50 ms)\n",
                    late.size(), median, worst);
        if (complete) {
            std::printf("output intact: every byte in order, only edge CR/LF trimmed\n");
        } else {
            std::printf("output NOT intact: %zu of %zu bytes matched, first mismatch at %ld\n",
                        host.Matched(), expected.size(), host.firstMismatch);
        }
    }
}

BENCHMARK(BM_OutputFlood)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
