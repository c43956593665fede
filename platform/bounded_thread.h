#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace kalore {

// A worker thread its owner waits for only so long. Work held in a call that never
// returns (an open on a hung network mount, a name server that never answers) is
// left running behind rather than holding the close for ever: whatever the work
// touches must then outlive the owner, so give it shared state, never the owner's
// members.
class BoundedThread {
public:
    BoundedThread() = default;
    explicit BoundedThread(std::function<void()> work);
    ~BoundedThread();
    BoundedThread(BoundedThread&&) = default;
    BoundedThread& operator=(BoundedThread&& other);

    bool Running() const { return thread_.joinable(); }
    // Waits until the work ends; for work known to be ending.
    void Join();
    // Waits until `deadline` at most; true when the work ended, false when it was
    // left behind.
    bool JoinBefore(std::chrono::steady_clock::time_point deadline);

private:
    struct Done;
    std::shared_ptr<Done> done_;
    std::thread thread_;
};

} // namespace kalore
