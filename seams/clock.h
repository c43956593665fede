#pragma once

namespace kalore {

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
