#include "platform/child_process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "platform/child_environment.h"
#include "platform/posix/child_guard.h"
#include "platform/posix/child_registry.h"
#include "platform/wake_signal.h"

namespace kalore {
namespace {

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

class PosixOutputPipe final : public OutputPipe {
public:
    explicit PosixOutputPipe(int readFd) : readFd_(readFd) {}
    ~PosixOutputPipe() override { CloseIfOpen(readFd_); }
    PosixOutputPipe(const PosixOutputPipe&) = delete;
    PosixOutputPipe& operator=(const PosixOutputPipe&) = delete;

    long Read(char* buffer, std::size_t size) override {
        pollfd entries[2] = {{readFd_, POLLIN, 0}, {wake_.Descriptor(), POLLIN, 0}};
        while (true) {
            int ready = poll(entries, 2, -1);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                return -1;
            }
            if (entries[1].revents != 0) {
                return 0;
            }
            ssize_t count = read(readFd_, buffer, size);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            return count;
        }
    }

    void Interrupt() override { wake_.Raise(); }
    bool Interruptible() const { return wake_.Descriptor() >= 0; }

private:
    int readFd_;
    WakeSignal wake_;
};

// Normally a few milliseconds: the guard kills and reaps.
constexpr int kGuardEndMilliseconds = 5000;

// Tells the guard to end what is left of the child, and waits for it a bounded
// time: a descendant stuck in the kernel must not hang the program (the guard
// then ends by itself, left unreaped).
bool EndGuard(int guardPid, int& aliveFd) {
    CloseIfOpen(aliveFd);
    int guardFd = static_cast<int>(syscall(SYS_pidfd_open, guardPid, 0));
    const bool ended = guardFd >= 0 && posix::WaitGone(guardFd, kGuardEndMilliseconds);
    CloseIfOpen(guardFd);
    return ended && waitpid(guardPid, nullptr, 0) == guardPid;
}

class PosixChildProcess final : public ChildProcess {
public:
    PosixChildProcess(int pid, int pidfd, int guardPid, int guardAliveFd,
                      std::unique_ptr<OutputPipe> output)
        : pid_(pid), pidfd_(pidfd), guardPid_(guardPid), guardAliveFd_(guardAliveFd),
          output_(std::move(output)) {
        posix::ChildRegistry::Instance().Add(pid_, pidfd_);
    }
    ~PosixChildProcess() override { Close(); }
    PosixChildProcess(const PosixChildProcess&) = delete;
    PosixChildProcess& operator=(const PosixChildProcess&) = delete;

    int Pid() const override { return pid_; }
    std::unique_ptr<OutputPipe> TakeOutput() override { return std::move(output_); }

    WaitResult WaitFor(int milliseconds) override {
        if (pidfd_ < 0) {
            return WaitResult::Failed;
        }
        pollfd entry{pidfd_, POLLIN, 0};
        int ready = poll(&entry, 1, milliseconds);
        if (ready < 0) {
            return errno == EINTR ? WaitResult::TimedOut : WaitResult::Failed;
        }
        return ready == 0 ? WaitResult::TimedOut : WaitResult::Exited;
    }

    bool Terminate(int graceMilliseconds) override {
        return pidfd_ >= 0 && posix::TerminateByPidfd(pidfd_, graceMilliseconds);
    }

    bool Close() override {
        if (pidfd_ < 0) {
            return true;
        }
        bool ok = Terminate(1000);
        posix::ChildRegistry::Instance().Remove(pid_);
        CloseIfOpen(pidfd_);
        return EndGuard(guardPid_, guardAliveFd_) && ok;
    }

private:
    int pid_;
    int pidfd_;
    int guardPid_;
    int guardAliveFd_;
    std::unique_ptr<OutputPipe> output_;
};

// The forked child's failure to start the guard, in the guard's own words.
[[noreturn]] void ReportFailure(int reportFd, int error) {
    const posix::GuardReport failed{-1, error};
    [[maybe_unused]] ssize_t written = write(reportFd, &failed, sizeof failed);
    _exit(127);
}

// Runs in the forked child: only async-signal-safe calls until exec. Gives the
// guard its descriptors, in the places it expects them (see posix/child_guard.h).
[[noreturn]] void ExecGuard(char* const* argv, char* const* envp, const int (&fds)[5]) {
    // Each moved above the places first, so that none is written over before it is moved.
    int moved[5];
    for (int place = 0; place < 5; ++place) {
        moved[place] = fcntl(fds[place], F_DUPFD, 5);
        if (moved[place] < 0) {
            ReportFailure(fds[4], errno);
        }
    }
    for (int place = 0; place < 5; ++place) {
        if (dup2(moved[place], place) < 0) {
            ReportFailure(moved[4], errno);
        }
    }
    // Descriptors that other libraries opened without close-on-exec stay ours.
    syscall(SYS_close_range, 5U, ~0U, CLOSE_RANGE_CLOEXEC);
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve("/proc/self/exe", argv, envp);
    ReportFailure(posix::kGuardReportFd, errno);
}

// The guard's report; an error when it ended without one.
posix::GuardReport ReadGuardReport(int reportFd) {
    posix::GuardReport report;
    ssize_t count;
    do {
        count = read(reportFd, &report, sizeof report);
    } while (count < 0 && errno == EINTR);
    if (count != sizeof report) {
        return {-1, ECHILD};
    }
    return report;
}

// Pointers into the strings, ending in null, as exec takes them.
std::vector<char*> PointersTo(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::StartResult ChildProcess::Start(const std::vector<std::string>& argv,
                                              const std::vector<std::string>& environmentChanges) {
    if (argv.empty() || argv[0].empty()) {
        return {nullptr, StartError::Spawn};
    }
    int output[2] = {-1, -1};
    int alive[2] = {-1, -1};
    int report[2] = {-1, -1};
    int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const bool made = pipe2(output, O_CLOEXEC) == 0 && pipe2(alive, O_CLOEXEC) == 0 &&
                      pipe2(report, O_CLOEXEC) == 0 && nullFd >= 0;
    // Owns the output's read end from here on.
    auto pipe = std::make_unique<PosixOutputPipe>(output[0]);
    if (!made || !pipe->Interruptible()) {
        for (int fd : {output[1], alive[0], alive[1], report[0], report[1], nullFd}) {
            CloseIfOpen(fd);
        }
        return {nullptr, StartError::Pipe};
    }
    std::vector<std::string> guardArguments = {"kalore-garde", posix::kChildGuardMarker};
    guardArguments.insert(guardArguments.end(), argv.begin(), argv.end());
    std::vector<char*> args = PointersTo(guardArguments);
    // Built before the fork: the child may only make async-signal-safe calls.
    const std::vector<std::string> environment = ChildEnvironment(environmentChanges);
    std::vector<char*> envp = PointersTo(environment);

    const pid_t guard = fork();
    if (guard == 0) {
        ExecGuard(args.data(), envp.data(), {nullFd, output[1], output[1], alive[0], report[1]});
    }
    // Only the guard keeps these: the output pipe then ends with the child, and
    // the guard's pipe with this program.
    for (int fd : {output[1], nullFd, alive[0], report[1]}) {
        CloseIfOpen(fd);
    }
    const posix::GuardReport started =
        guard < 0 ? posix::GuardReport{-1, errno} : ReadGuardReport(report[0]);
    CloseIfOpen(report[0]);
    // Until the guard is told, the child's pid stays its own: no pid reuse to fear.
    int pidfd = started.error == 0 ? static_cast<int>(syscall(SYS_pidfd_open, started.pid, 0)) : -1;
    if (pidfd < 0) {
        if (guard > 0) {
            EndGuard(guard, alive[1]);
        }
        CloseIfOpen(alive[1]);
        return {nullptr, StartError::Spawn};
    }
    fcntl(pidfd, F_SETFD, FD_CLOEXEC);
    return {
        std::make_unique<PosixChildProcess>(started.pid, pidfd, guard, alive[1], std::move(pipe)),
        StartError::None};
}

} // namespace kalore
