#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/main_thread.h"

namespace kalore {

// Hands worker-thread work to the Qt event loop of the main thread.
class QtMainThread final : public MainThread {
public:
    QtMainThread();
    void Post(std::function<void()> task) override;
    bool Synchronize(std::function<void()> task) override;
    // From now on nothing more runs on the main thread for the workers, and any
    // worker waiting in Synchronize is released.
    void Shutdown();

private:
    struct Waiter;
    std::thread::id mainId_;
    std::atomic<bool> shutDown_{false};
    std::mutex mutex_;
    std::condition_variable released_;
};

} // namespace kalore
