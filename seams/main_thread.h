#pragma once

#include <functional>

namespace kalore {

// Hands work from a worker thread to the main thread.
class MainThread {
public:
    virtual ~MainThread() = default;
    // Queues the task for the main thread and returns at once.
    virtual void Post(std::function<void()> task) = 0;
    // Runs the task on the main thread and waits until it has run; runs it inline
    // when called on the main thread. Returns false, without running the task, once
    // the main thread has shut down, so a worker can never wait on a dead loop.
    virtual bool Synchronize(std::function<void()> task) = 0;
};

} // namespace kalore
