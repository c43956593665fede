#pragma once

// Test doubles for the seams of the core: the window's log and messages, the
// local clock, the timers and the main-thread hand-off.

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "seams/clock.h"
#include "seams/host.h"
#include "seams/main_thread.h"
#include "seams/timer.h"

namespace kalore::testing {

class FakeHost : public Host {
public:
    void AppendLog(const std::string& line) override { log.push_back(line); }
    void SetAppTitle(const std::string& text) override { titles.push_back(text); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void NotifyUser(const std::string& text) override { notices.push_back(text); }
    void TellInPassing(const std::string& title, const std::string& text) override {
        inPassing.push_back(title + " : " + text);
    }

    std::vector<std::string> log;
    std::vector<std::string> titles;
    std::vector<std::string> messages;
    std::vector<std::string> notices;
    std::vector<std::string> inPassing;
};

// Keeps nothing: for benchmarks, where a log growing in memory would weigh on the figures.
class SilentHost : public Host {
public:
    void AppendLog(const std::string&) override {}
    void SetAppTitle(const std::string&) override {}
    void ShowMessage(const std::string&) override {}
    void NotifyUser(const std::string&) override {}
};

// The French time zone for the life of a test, whatever the machine's: clock
// changes are tested where the program's users live.
class ParisTime {
public:
    ParisTime() {
        if (const char* zone = std::getenv("TZ")) {
            previous_ = zone;
        }
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
    ~ParisTime() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ParisTime(const ParisTime&) = delete;
    ParisTime& operator=(const ParisTime&) = delete;

private:
    std::optional<std::string> previous_;
};

// A clock that moves only when told, in the process's time zone (tests of clock
// changes set TZ).
class FakeClock : public Clock {
public:
    explicit FakeClock(LocalDateTime start = {2026, 12, 7, 20, 0, 0}) { Set(start); }
    std::int64_t RealNow() const override { return instant; }
    std::int64_t RealNowMilliseconds() const override { return instant * 1000 + milliseconds; }
    // The wall clock shows `local` (the first time, in an hour shown twice).
    void Set(const LocalDateTime& local) { instant = InstantOf(local, RepeatedHour::First); }
    void Advance(std::int64_t seconds) { instant += seconds; }
    std::int64_t instant = 0;
    // Into the second `instant`.
    std::int64_t milliseconds = 0;
};

class FakeTimer : public Timer {
public:
    void Start(std::uint32_t intervalMs) override {
        interval = intervalMs;
        active = true;
        ++starts;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    std::uint32_t Interval() const override { return interval; }
    // Fires as the window's timer would when its interval has run out.
    void FireNow() { Fire(); }

    std::uint32_t interval = 0;
    bool active = false;
    int starts = 0;
};

// Runs every hand-off at once on the calling thread.
class InlineMainThread : public MainThread {
public:
    void Post(std::function<void()> task) override { task(); }
    bool Synchronize(std::function<void()> task) override {
        task();
        return true;
    }
};

} // namespace kalore::testing
