#pragma once

#include <map>
#include <mutex>

namespace kalore::posix {

// The children this program started and has not reaped yet, by pid, each with a
// pidfd so that signals can never reach a recycled pid.
class ChildRegistry {
public:
    static ChildRegistry& Instance();
    void Add(int pid, int pidfd);
    void Remove(int pid);
    // A duplicate of the child's pidfd that the caller closes, or -1.
    int DuplicatePidfd(int pid);

private:
    std::mutex mutex_;
    std::map<int, int> pidfds_;
};

// True once the process has gone, within the wait.
bool WaitGone(int pidfd, int milliseconds);

// Sends SIGTERM, then SIGKILL after the grace; true once the process has gone.
bool TerminateByPidfd(int pidfd, int graceMilliseconds);

} // namespace kalore::posix
