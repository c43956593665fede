#include "gui/painted_wait.h"

#include <exception>
#include <thread>

#include <QEventLoop>

namespace kalore {

void RunWhileWindowsPaint(const std::function<void()>& work) {
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: delivered once the loop runs, even when the work ended first.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace kalore
