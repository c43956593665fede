#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace kalore {

// A repeating main-thread timer, as the window's timer components behave: once
// started it fires every interval until stopped. Starting again restarts the
// countdown. The window supplies QTimer-backed ones; tests fire fakes by hand.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start(std::uint32_t intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    virtual std::uint32_t Interval() const = 0;

    void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }

protected:
    void Fire() {
        if (handler_) {
            handler_();
        }
    }

private:
    std::function<void()> handler_;
};

} // namespace kalore
