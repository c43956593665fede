#pragma once

#include <QTimer>

#include "app/timer.h"

namespace kalore {

// A window timer behind the core's Timer seam.
class QtTimer final : public Timer {
public:
    explicit QtTimer(const QString& name, QObject* parent = nullptr);
    void Start(std::uint32_t intervalMs) override;
    void Stop() override;
    bool IsActive() const override;
    std::uint32_t Interval() const override;
    QTimer* timer() { return &timer_; }

private:
    QTimer timer_;
    std::uint32_t interval_ = 0;
};

} // namespace kalore
