#include "app/gui/qt_main_thread.h"

#include <memory>

#include <QCoreApplication>
#include <QMetaObject>

namespace kalore {

QtMainThread::QtMainThread() : mainId_(std::this_thread::get_id()) {}

void QtMainThread::Post(std::function<void()> task) {
    if (shutDown_) {
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, task = std::move(task)] {
            if (!shutDown_) {
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
    if (shutDown_) {
        return false;
    }
    auto done = std::make_shared<bool>(false);
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, task = std::move(task), done, ran] {
            if (!shutDown_) {
                task();
                *ran = true;
            }
            std::lock_guard lock(mutex_);
            *done = true;
            released_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] { return *done || shutDown_; });
    return *ran;
}

void QtMainThread::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    released_.notify_all();
}

} // namespace kalore
