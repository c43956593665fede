#pragma once

#include <memory>
#include <thread>

#include "seams/main_thread.h"

namespace kalore {

// Hands worker-thread work to the Qt event loop of the main thread.
class QtMainThread final : public MainThread {
public:
    QtMainThread();
    ~QtMainThread() override;
    void Post(std::function<void()> task) override;
    bool Synchronize(std::function<void()> task) override;
    // From now on nothing more runs on the main thread for the workers, and any
    // worker waiting in Synchronize is released.
    void Shutdown();

private:
    // Shared with the queued calls, which may outlive this object in the event queue.
    struct State;
    std::shared_ptr<State> state_;
    std::thread::id mainId_;
};

} // namespace kalore
