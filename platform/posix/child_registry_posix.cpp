#include "platform/posix/child_registry.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace kalore::posix {
namespace {

bool Signal(int pidfd, int signal) {
    // ESRCH: it has ended already, which is what we wanted.
    return syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) == 0 || errno == ESRCH;
}

} // namespace

bool WaitGone(int pidfd, int milliseconds) {
    pollfd entry{pidfd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&entry, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

ChildRegistry& ChildRegistry::Instance() {
    static ChildRegistry registry;
    return registry;
}

void ChildRegistry::Add(int pid, int pidfd) {
    std::lock_guard lock(mutex_);
    pidfds_[pid] = pidfd;
}

void ChildRegistry::Remove(int pid) {
    std::lock_guard lock(mutex_);
    pidfds_.erase(pid);
}

int ChildRegistry::DuplicatePidfd(int pid) {
    std::lock_guard lock(mutex_);
    auto found = pidfds_.find(pid);
    return found == pidfds_.end() ? -1 : fcntl(found->second, F_DUPFD_CLOEXEC, 0);
}

bool TerminateByPidfd(int pidfd, int graceMilliseconds) {
    if (WaitGone(pidfd, 0)) {
        return true;
    }
    if (!Signal(pidfd, SIGTERM)) {
        return false;
    }
    if (WaitGone(pidfd, graceMilliseconds)) {
        return true;
    }
    return Signal(pidfd, SIGKILL) && WaitGone(pidfd, 2000);
}

} // namespace kalore::posix
