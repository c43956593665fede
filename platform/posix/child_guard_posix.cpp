#include "platform/posix/child_guard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

extern char** environ;

namespace kalore::posix {

const char kChildGuardMarker[] = "--kalore-child-guard";

namespace {

// What a terminal or the session's end sends: the guard must outlive the
// program, which ends its children itself when it closes normally.
constexpr int kIgnoredSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

[[noreturn]] void ExecChild(char** argv, int errorFd, pid_t guard) {
    // Should the guard itself be killed, the child goes with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != guard) {
        _exit(127);
    }
    // A group of its own, so that its end ends whatever it started too.
    setpgid(0, 0);
    for (int ignored : kIgnoredSignals) {
        signal(ignored, SIG_DFL);
    }
    execve(argv[0], argv, environ);
    int error = errno;
    [[maybe_unused]] ssize_t written = write(errorFd, &error, sizeof error);
    _exit(127);
}

GuardReport StartChild(char** argv) {
    int execError[2];
    if (pipe2(execError, O_CLOEXEC) != 0) {
        return {-1, errno};
    }
    const pid_t guard = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        ExecChild(argv, execError[1], guard);
    }
    close(execError[1]);
    GuardReport report{pid, pid < 0 ? errno : 0};
    int error = 0;
    ssize_t count;
    do {
        count = read(execError[0], &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    if (count == sizeof error) {
        report.error = error;
    }
    close(execError[0]);
    return report;
}

// Until the program closes its end of the pipe or dies.
void AwaitTheProgramsWord() {
    pollfd alive{kGuardAliveFd, POLLIN, 0};
    while (poll(&alive, 1, -1) < 0 && errno == EINTR) {
    }
}

// Kills the guard's children: its own, and the orphans that came to it. False
// when the kernel doesn't list them.
bool KillChildren() {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/children", static_cast<int>(getpid()));
    std::FILE* file = std::fopen(path, "re");
    if (!file) {
        return false;
    }
    long pid;
    while (std::fscanf(file, "%ld", &pid) == 1) {
        kill(static_cast<pid_t>(pid), SIGKILL);
    }
    std::fclose(file);
    return true;
}

void EndEveryDescendant(pid_t child) {
    if (child <= 0) {
        return;
    }
    // Its pid, not reaped yet, can't be anyone else's group.
    kill(-child, SIGKILL);
    // The orphans of each descendant killed come to the guard: kill and reap
    // until none is left.
    while (KillChildren()) {
        if (waitpid(-1, nullptr, 0) < 0 && errno == ECHILD) {
            return;
        }
    }
    waitpid(child, nullptr, 0);
}

[[noreturn]] void RunChildGuard(char** argv) {
    prctl(PR_SET_NAME, "kalore-garde");
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // Out of the program's group: killing that group leaves the guard to its work.
    setpgid(0, 0);
    // Ignored, children would be reaped by themselves and their pids reused.
    signal(SIGCHLD, SIG_DFL);
    for (int ignored : kIgnoredSignals) {
        signal(ignored, SIG_IGN);
    }
    fcntl(kGuardAliveFd, F_SETFD, FD_CLOEXEC);
    fcntl(kGuardReportFd, F_SETFD, FD_CLOEXEC);

    const GuardReport report = StartChild(argv);
    [[maybe_unused]] ssize_t written = write(kGuardReportFd, &report, sizeof report);
    close(kGuardReportFd);
    // The child's output pipe ends with the child alone.
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        close(fd);
    }
    if (report.error == 0) {
        AwaitTheProgramsWord();
    }
    EndEveryDescendant(report.pid);
    _exit(0);
}

// glibc gives the executable's constructors the program's arguments: the guard
// is taken aside before the program's main.
__attribute__((constructor)) void EnterChildGuardIfAsked(int argc, char** argv, char**) {
    if (argc >= 3 && std::strcmp(argv[1], kChildGuardMarker) == 0) {
        RunChildGuard(argv + 2);
    }
}

} // namespace
} // namespace kalore::posix
