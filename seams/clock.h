#pragma once

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

// The local clock the schedule asks for "now"; tests move a fake one by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
};

} // namespace kalore
