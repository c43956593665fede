#include "platform/bounded_thread.h"

#include <condition_variable>
#include <mutex>

namespace kalore {

struct BoundedThread::Done {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
};

BoundedThread::BoundedThread(std::function<void()> work) : done_(std::make_shared<Done>()) {
    thread_ = std::thread([done = done_, work = std::move(work)] {
        work();
        const std::lock_guard lock(done->mutex);
        done->done = true;
        done->changed.notify_all();
    });
}

BoundedThread::~BoundedThread() {
    // Never block a destructor: an owner that didn't wait leaves the work behind.
    if (thread_.joinable()) {
        thread_.detach();
    }
}

BoundedThread& BoundedThread::operator=(BoundedThread&& other) {
    if (thread_.joinable()) {
        thread_.detach();
    }
    done_ = std::move(other.done_);
    thread_ = std::move(other.thread_);
    return *this;
}

void BoundedThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool BoundedThread::JoinBefore(std::chrono::steady_clock::time_point deadline) {
    if (!thread_.joinable()) {
        return true;
    }
    std::unique_lock lock(done_->mutex);
    if (!done_->changed.wait_until(lock, deadline, [this] { return done_->done; })) {
        thread_.detach();
        return false;
    }
    lock.unlock();
    thread_.join();
    return true;
}

} // namespace kalore
