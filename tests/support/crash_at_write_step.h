#pragma once

// For the GoogleTest programs only: the rest of this library does without it.

#include <cstddef>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"

namespace kalore::testing {

namespace crash_detail {
// Set in the child only, before the hook can run.
inline AtomicWriteStep step;
inline std::size_t index;

inline void EndProcessAtStep(AtomicWriteStep reached, std::size_t fileIndex) {
    if (reached == step && fileIndex == index) {
        ::_exit(0);
    }
}
} // namespace crash_detail

// Runs `write` in a child process that ends at the given step of an atomic write,
// as a crash or a kill would end the program there; fails the test if the child
// never reached that step.
inline void WriteInChildEndingAt(AtomicWriteStep step, std::size_t fileIndex,
                                 const std::function<void()>& write) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        crash_detail::step = step;
        crash_detail::index = fileIndex;
        SetAtomicWriteStepHook(crash_detail::EndProcessAtStep);
        write();
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "never reached the step";
}

} // namespace kalore::testing
