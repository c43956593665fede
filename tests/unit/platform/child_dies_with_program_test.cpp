// A recorder child must not outlive a program that was killed or crashed: it
// would go on recording for ever with nobody to stop it. Nor may what it started
// outlive its end.
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <sys/syscall.h>

#include <gtest/gtest.h>

#include "platform/child_process.h"

namespace kalore {
namespace {

// A child that ignores SIGTERM, as a stuck recorder may.
const std::vector<std::string> kDeafChild = {"/bin/sh", "-c", "trap '' TERM; exec /bin/sleep 30"};

// Stands in for the program: starts a child, reports its pid, then waits to be killed.
[[noreturn]] void RunProgramStartingAChild(int reportFd) {
    auto started = ChildProcess::Start(kDeafChild);
    const int pid = started.child ? started.child->Pid() : -1;
    [[maybe_unused]] ssize_t written = write(reportFd, &pid, sizeof pid);
    for (;;) {
        pause();
    }
}

// The status of `pid` once it has ended, or nullopt if it still runs after the wait.
std::optional<int> ReapWithin(pid_t pid, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        usleep(20000);
    }
    return std::nullopt;
}

TEST(ChildProcess, DiesWhenTheProgramIsKilledEvenIgnoringSigterm) {
    // The orphaned child comes to this test process, which can then reap it.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        close(report[0]);
        RunProgramStartingAChild(report[1]);
    }
    close(report[1]);
    int child = -1;
    ASSERT_EQ(read(report[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
    close(report[0]);
    ASSERT_GT(child, 0);

    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);

    const std::optional<int> status = ReapWithin(child, 3000);
    if (!status) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    ASSERT_TRUE(status) << "the child kept running after the program was killed";
    EXPECT_TRUE(WIFSIGNALED(*status));
}

// The recorder's own children (a stand-in that starts one and ignores SIGTERM)
// end with it.
TEST(ChildProcess, ClosingEndsTheChildsWholeGroup) {
    auto started = ChildProcess::Start(
        {"/bin/sh", "-c", "trap '' TERM; /bin/sleep 30 & echo $!; exec /bin/sleep 30"});
    ASSERT_TRUE(started.child);
    std::unique_ptr<OutputPipe> output = started.child->TakeOutput();
    char text[32] = {};
    ASSERT_GT(output->Read(text, sizeof text - 1), 0);
    const int grandchild = std::stoi(text);
    const int grandchildFd = static_cast<int>(syscall(SYS_pidfd_open, grandchild, 0));
    ASSERT_GE(grandchildFd, 0);
    EXPECT_EQ(getpgid(grandchild), started.child->Pid());
    EXPECT_NE(getpgid(0), started.child->Pid());

    EXPECT_TRUE(started.child->Close());
    pollfd gone{grandchildFd, POLLIN, 0};
    EXPECT_EQ(poll(&gone, 1, 3000), 1) << "the child's own child outlived it";
    close(grandchildFd);
}

} // namespace
} // namespace kalore
