// A name server that never answers must not hold a request past its limit. The test
// runs the request in a child process isolated with a silent name server; where
// namespaces are not allowed, it is skipped.
#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/silent_name_server.h"
#include "web/http_get.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

enum ChildExit { kWithinLimit = 0, kTooLong = 1, kNoNamespace = 77 };

[[noreturn]] void RunChild() {
    if (!testing::IsolateWithSilentNameServer()) {
        ::_exit(kNoNamespace);
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string answer = HttpGetText("http://kalore-site.test/lastVersionForSoft",
                                           {.connect = 100000ms, .total = 1500ms});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "answer %s after %lld ms\n", answer.c_str(),
                 static_cast<long long>(
                     std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    ::_exit(answer == kErreur && elapsed < 10s ? kWithinLimit : kTooLong);
}

TEST(DeadNameServer, DoesNotHoldARequestPastItsLimit) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RunChild();
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoNamespace) {
        GTEST_SKIP() << "no network namespace allowed here";
    }
    EXPECT_EQ(WEXITSTATUS(status), kWithinLimit);
}

} // namespace
} // namespace kalore
