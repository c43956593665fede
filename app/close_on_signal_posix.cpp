#include "app/close_on_signal.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

namespace kalore {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop does the rest.
void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void CloseOnTerminationRequest(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window,
                     [target = QPointer<QWidget>(&window)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
                         if (target) {
                             target->close();
                         }
                     });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace kalore
