#include "gui/qt_timer.h"

#include <algorithm>
#include <limits>

namespace kalore {

QtTimer::QtTimer(const QString& name, QObject* parent) : timer_(parent) {
    timer_.setObjectName(name);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (remaining_ > 0) {
            WaitNextPart();
            return;
        }
        // Repeating, as the window's timers are: the next interval starts now.
        remaining_ = interval_;
        WaitNextPart();
        Fire();
    });
}

void QtTimer::Start(std::uint32_t intervalMs) {
    interval_ = intervalMs;
    remaining_ = intervalMs;
    WaitNextPart();
}

void QtTimer::WaitNextPart() {
    constexpr auto kLongest = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    const std::uint32_t part = std::min(remaining_, kLongest);
    remaining_ -= part;
    timer_.start(static_cast<int>(part));
}

void QtTimer::Stop() {
    timer_.stop();
}

bool QtTimer::IsActive() const {
    return timer_.isActive();
}

std::uint32_t QtTimer::Interval() const {
    return interval_;
}

} // namespace kalore
