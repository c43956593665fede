#include "platform/child_process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/child_environment.h"
#include "platform/posix/child_registry.h"

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
    PosixOutputPipe(int readFd, int wakeFd) : readFd_(readFd), wakeFd_(wakeFd) {}
    ~PosixOutputPipe() override {
        CloseIfOpen(readFd_);
        CloseIfOpen(wakeFd_);
    }
    PosixOutputPipe(const PosixOutputPipe&) = delete;
    PosixOutputPipe& operator=(const PosixOutputPipe&) = delete;

    long Read(char* buffer, std::size_t size) override {
        pollfd entries[2] = {{readFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
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

    void Interrupt() override {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
    }

private:
    int readFd_;
    int wakeFd_;
};

class PosixChildProcess final : public ChildProcess {
public:
    PosixChildProcess(int pid, int pidfd, std::unique_ptr<OutputPipe> output)
        : pid_(pid), pidfd_(pidfd), output_(std::move(output)) {
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
        // Its leftovers: until it is reaped, its pid (the group's id) can't be
        // anyone else's.
        kill(-pid_, SIGKILL);
        posix::ChildRegistry::Instance().Remove(pid_);
        int status = 0;
        if (ok) {
            ok = waitpid(pid_, &status, 0) == pid_;
        }
        CloseIfOpen(pidfd_);
        return ok;
    }

private:
    int pid_;
    int pidfd_;
    std::unique_ptr<OutputPipe> output_;
};

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void ExecChild(char* const* argv, char* const* envp, int nullFd, int outFd,
                            int errorFd, pid_t parent) {
    // The parent thread's death ends the child, so nothing records for ever
    // after a crash of the program. SIGKILL, as a child may ignore SIGTERM and
    // nobody is left to force it; the normal ends ask first and wait a grace.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
    // A group of its own, so that its end ends whatever it started too.
    setpgid(0, 0);
    dup2(nullFd, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(outFd, STDERR_FILENO);
    // Descriptors that other libraries opened without close-on-exec stay ours.
    syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(argv[0], argv, envp);
    int error = errno;
    [[maybe_unused]] ssize_t written = write(errorFd, &error, sizeof error);
    _exit(127);
}

// The exec result: 0 when the program started, else its errno.
int ReadExecError(int errorFd) {
    int error = 0;
    ssize_t count;
    do {
        count = read(errorFd, &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    return count == sizeof error ? error : 0;
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
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        return {nullptr, StartError::Pipe};
    }
    int wakeFd = eventfd(0, EFD_CLOEXEC);
    int execError[2] = {-1, -1};
    int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (wakeFd < 0 || nullFd < 0 || pipe2(execError, O_CLOEXEC) != 0) {
        for (int fd : {output[0], output[1], wakeFd, nullFd, execError[0], execError[1]}) {
            CloseIfOpen(fd);
        }
        return {nullptr, StartError::Pipe};
    }
    std::vector<char*> args = PointersTo(argv);
    // Built before the fork: the child may only make async-signal-safe calls.
    const std::vector<std::string> environment = ChildEnvironment(environmentChanges);
    std::vector<char*> envp = PointersTo(environment);

    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        ExecChild(args.data(), envp.data(), nullFd, output[1], execError[1], parent);
    }
    // Only the child keeps the write ends: the pipe then ends with the child.
    CloseIfOpen(output[1]);
    CloseIfOpen(execError[1]);
    CloseIfOpen(nullFd);
    int error = pid < 0 ? errno : ReadExecError(execError[0]);
    CloseIfOpen(execError[0]);
    int pidfd = pid > 0 && error == 0 ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pid > 0 && (error != 0 || pidfd < 0)) {
        if (error == 0) {
            kill(pid, SIGKILL);
        }
        waitpid(pid, nullptr, 0);
    }
    if (pidfd < 0) {
        CloseIfOpen(output[0]);
        CloseIfOpen(wakeFd);
        return {nullptr, StartError::Spawn};
    }
    fcntl(pidfd, F_SETFD, FD_CLOEXEC);
    auto pipe = std::make_unique<PosixOutputPipe>(output[0], wakeFd);
    return {std::make_unique<PosixChildProcess>(pid, pidfd, std::move(pipe)), StartError::None};
}

} // namespace kalore
