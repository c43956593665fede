// A recorder child must not outlive a program that was killed or crashed: it
// would go on recording for ever with nobody to stop it. Nor may what it started
// outlive its end.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <sys/syscall.h>

#include <gtest/gtest.h>

#include "platform/child_process.h"

namespace kalore {
namespace {

// A child that ignores SIGTERM, as a stuck recorder may, and starts one more that
// ignores it too and leaves the child's process group and session; that one
// prints its pid once it has left.
const std::vector<std::string> kDeafChildAndEscapee = {
    "/bin/sh", "-c",
    "trap '' TERM; setsid /bin/sh -c 'echo $$; exec /bin/sleep 30' & exec /bin/sleep 30"};

// Stands in for the program: starts the child, reports its pid and its
// escapee's, then waits to be killed.
[[noreturn]] void RunProgramStartingAChild(int reportFd) {
    auto started = ChildProcess::Start(kDeafChildAndEscapee);
    int pids[2] = {-1, -1};
    char text[32] = {};
    if (started.child && started.child->TakeOutput()->Read(text, sizeof text - 1) > 0) {
        pids[0] = started.child->Pid();
        pids[1] = std::atoi(text);
    }
    [[maybe_unused]] ssize_t written = write(reportFd, pids, sizeof pids);
    for (;;) {
        pause();
    }
}

int PidfdOf(int pid) {
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

bool GoneWithin(int pidfd, int milliseconds) {
    pollfd gone{pidfd, POLLIN, 0};
    return poll(&gone, 1, milliseconds) == 1;
}

TEST(ChildProcess, DiesWithWhatItStartedWhenTheProgramIsKilled) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        close(report[0]);
        RunProgramStartingAChild(report[1]);
    }
    close(report[1]);
    int pids[2] = {-1, -1};
    ASSERT_EQ(read(report[0], pids, sizeof pids), static_cast<ssize_t>(sizeof pids));
    close(report[0]);
    ASSERT_GT(pids[0], 0);
    ASSERT_GT(pids[1], 0);
    const int child = PidfdOf(pids[0]);
    const int escapee = PidfdOf(pids[1]);
    ASSERT_GE(child, 0);
    ASSERT_GE(escapee, 0);
    EXPECT_NE(getsid(pids[1]), getsid(pids[0])) << "the escapee did not leave";

    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);

    EXPECT_TRUE(GoneWithin(child, 3000)) << "the child kept running after the program was killed";
    EXPECT_TRUE(GoneWithin(escapee, 3000)) << "what the child started outlived the program";
    for (int pidfd : {child, escapee}) {
        syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
        close(pidfd);
    }
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
    const int grandchildFd = PidfdOf(grandchild);
    ASSERT_GE(grandchildFd, 0);
    EXPECT_EQ(getpgid(grandchild), started.child->Pid());
    EXPECT_NE(getpgid(0), started.child->Pid());

    EXPECT_TRUE(started.child->Close());
    EXPECT_TRUE(GoneWithin(grandchildFd, 3000)) << "the child's own child outlived it";
    close(grandchildFd);
}

} // namespace
} // namespace kalore
