#pragma once

#include <cstdint>

#include <QTimer>

#include "seams/timer.h"

namespace kalore {

// A window timer behind the core's Timer seam. QTimer waits at most INT_MAX ms, so a
// longer interval is waited in parts and fires once, at its end.
class QtTimer final : public Timer {
public:
    explicit QtTimer(const QString& name, QObject* parent = nullptr);
    void Start(std::uint32_t intervalMs) override;
    void Stop() override;
    bool IsActive() const override;
    std::uint32_t Interval() const override;
    QTimer* timer() { return &timer_; }

private:
    void WaitNextPart();

    QTimer timer_;
    std::uint32_t interval_ = 0;
    std::uint32_t remaining_ = 0; // of the current interval, after the part now waited
};

} // namespace kalore
