#include "gui/qt_main_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <QCoreApplication>
#include <QMetaObject>

namespace kalore {

struct QtMainThread::State {
    std::atomic<bool> shutDown{false};
    std::mutex mutex;
    std::condition_variable released;
};

QtMainThread::QtMainThread()
    : state_(std::make_shared<State>()), mainId_(std::this_thread::get_id()) {}

QtMainThread::~QtMainThread() {
    Shutdown();
}

void QtMainThread::Post(std::function<void()> task) {
    if (state_->shutDown) {
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [state = state_, task = std::move(task)] {
            if (!state->shutDown) {
                task();
            }
        },
        Qt::QueuedConnection);
}

bool QtMainThread::Synchronize(std::function<void()> task) {
    if (std::this_thread::get_id() == mainId_) {
        task();
        return true;
    }
    if (state_->shutDown) {
        return false;
    }
    struct Call {
        bool done = false;
        bool ran = false;
    };
    auto call = std::make_shared<Call>();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [state = state_, task = std::move(task), call] {
            const bool run = !state->shutDown;
            if (run) {
                task();
            }
            std::lock_guard lock(state->mutex);
            call->ran = run;
            call->done = true;
            state->released.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(state_->mutex);
    state_->released.wait(lock, [&] { return call->done || state_->shutDown; });
    return call->ran;
}

void QtMainThread::Shutdown() {
    {
        std::lock_guard lock(state_->mutex);
        state_->shutDown = true;
    }
    state_->released.notify_all();
}

} // namespace kalore
