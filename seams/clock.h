#pragma once

#include <cstdint>
#include <ctime>

namespace kalore {

// Seconds since the epoch from the precise clock. time() reads the kernel's coarse clock,
// which can still show the previous second a few milliseconds after Qt and the timers
// have moved on, so a start set to "this second" would pass as still to come.
std::time_t SystemTimeNow();

// A local wall-clock date and time, whole seconds.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Seconds of a local date and time on the calendar, from a fixed origin: to subtract
// one from another as the wall clock reads them, clock changes ignored.
std::int64_t SecondsOf(const LocalDateTime& when);

// When the clock goes back (autumn) it shows an hour twice: which of the two moments
// a local time in that hour names.
enum class RepeatedHour { First, Second };

// The local date and time in the user's time zone (the process's) at a real instant,
// in seconds since the epoch.
LocalDateTime LocalTimeAt(std::int64_t instant);
// The real instant a local date and time names in the user's time zone. In the hour
// shown twice, `which` picks one; a time the clock skips (spring) names the moment of
// the skip, when the clock goes from just before it to just after it.
std::int64_t InstantOf(const LocalDateTime& when, RepeatedHour which);

// The clock the schedule and the recorders ask for "now"; tests move a fake one by hand.
// Lengths and waits are counted in real seconds, so a clock change neither shortens
// nor stretches them.
class Clock {
public:
    virtual ~Clock() = default;
    // Real time, seconds since the epoch.
    virtual std::int64_t RealNow() const = 0;
    // The same in milliseconds, for a wait that must end on a second, not up to a
    // second after it.
    virtual std::int64_t RealNowMilliseconds() const { return RealNow() * 1000; }
    // The local wall clock.
    LocalDateTime Now() const { return LocalTimeAt(RealNow()); }
};

class SystemClock final : public Clock {
public:
    std::int64_t RealNow() const override { return SystemTimeNow(); }
    std::int64_t RealNowMilliseconds() const override;
};

} // namespace kalore
