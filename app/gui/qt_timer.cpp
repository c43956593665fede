#include "app/gui/qt_timer.h"

#include <algorithm>
#include <limits>

namespace kalore {

QtTimer::QtTimer(const QString& name, QObject* parent) : timer_(parent) {
    timer_.setObjectName(name);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
}

void QtTimer::Start(std::uint32_t intervalMs) {
    interval_ = intervalMs;
    // QTimer holds an int; the trigger itself never asks for more than it can wait.
    const auto capped = std::min<std::uint32_t>(intervalMs, std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(capped));
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
