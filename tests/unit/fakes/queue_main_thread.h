#pragma once

// A main thread made of a task queue that the test thread pumps, as the
// window's event loop would: worker threads never touch the host themselves.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

#include "seams/main_thread.h"

namespace kalore::testing {

class QueueMainThread : public MainThread {
public:
    void Post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        if (!shutDown_) {
            tasks_.push_back(std::move(task));
            changed_.notify_all();
        }
    }

    bool Synchronize(std::function<void()> task) override {
        auto done = std::make_shared<std::promise<bool>>();
        std::future<bool> ran = done->get_future();
        {
            std::lock_guard lock(mutex_);
            if (shutDown_) {
                return false;
            }
            tasks_.push_back([task = std::move(task), done] {
                task();
                done->set_value(true);
            });
            waiting_.push_back(done);
            changed_.notify_all();
        }
        return ran.get();
    }

    // Runs queued tasks until `until` holds or the timeout passes; true if it held.
    bool PumpUntil(const std::function<bool()>& until,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!until()) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                if (!changed_.wait_until(lock, deadline, [this] { return !tasks_.empty(); })) {
                    return until();
                }
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
        return true;
    }

    void PumpFor(std::chrono::milliseconds duration) {
        auto end = std::chrono::steady_clock::now() + duration;
        PumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, duration);
    }

    // As at exit: later hand-offs are refused, waiting ones released.
    void Shutdown() {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        tasks_.clear();
        for (auto& waiting : waiting_) {
            try {
                waiting->set_value(false);
            } catch (const std::future_error&) {
                // Already ran.
            }
        }
        waiting_.clear();
    }

protected:
    // Waits until a task is queued or `deadline` passes, then takes every queued
    // task: for loops that run them in batches, as a window's event loop does.
    std::deque<std::function<void()>> TakeQueued(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        changed_.wait_until(lock, deadline, [this] { return !tasks_.empty(); });
        std::deque<std::function<void()>> batch;
        batch.swap(tasks_);
        return batch;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    std::deque<std::shared_ptr<std::promise<bool>>> waiting_;
    bool shutDown_ = false;
};

} // namespace kalore::testing
