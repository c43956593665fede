#include "platform/process_list.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/child_process.h"

extern char** environ;

namespace kalore {
namespace {

// A process of the user that this program did not start through ChildProcess.
pid_t StartForeignSleep() {
    pid_t pid = 0;
    char program[] = "/bin/sleep";
    char seconds[] = "30";
    char* argv[] = {program, seconds, nullptr};
    posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
    return pid;
}

TEST(KillProcessesByName, EndsOnlyOwnChildrenMatchedWithoutCase) {
    pid_t foreign = StartForeignSleep();
    ASSERT_GT(foreign, 0);
    auto own = ChildProcess::Start({"/bin/sleep", "30"});
    ASSERT_TRUE(own.child);

    EXPECT_FALSE(KillProcessesByName("vlc"));
    EXPECT_TRUE(KillProcessesByName("SLEEP"));
    EXPECT_EQ(own.child->WaitFor(1000), ChildProcess::WaitResult::Exited);
    EXPECT_EQ(kill(foreign, 0), 0) << "a process we did not start was ended";
    EXPECT_TRUE(own.child->Close());
    EXPECT_FALSE(KillProcessesByName("sleep")) << "a closed child is no longer ours";

    kill(foreign, SIGKILL);
    waitpid(foreign, nullptr, 0);
}

TEST(ChildProcess, ReportsAMissingProgramAndPipesBothOutputs) {
    EXPECT_EQ(ChildProcess::Start({"/nonexistent/vlc"}).error, ChildProcess::StartError::Spawn);

    auto started = ChildProcess::Start({"/bin/sh", "-c", "echo out; echo err >&2; read x"});
    ASSERT_TRUE(started.child);
    auto pipe = started.child->TakeOutput();
    std::string text;
    char buffer[64];
    for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    // stdin is the null device, so read returns at once and the output ends with the child.
    EXPECT_EQ(text, "out\nerr\n");
    EXPECT_TRUE(started.child->Close());
}

TEST(ChildProcess, InterruptReleasesABlockedReader) {
    auto started = ChildProcess::Start({"/bin/sleep", "30"});
    ASSERT_TRUE(started.child);
    auto pipe = started.child->TakeOutput();
    pipe->Interrupt();
    char buffer[8];
    EXPECT_EQ(pipe->Read(buffer, sizeof buffer), 0);
    EXPECT_TRUE(started.child->Terminate(1000));
    EXPECT_TRUE(started.child->Close());
}

} // namespace
} // namespace kalore
