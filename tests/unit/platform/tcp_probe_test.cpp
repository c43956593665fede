#include "platform/tcp_probe.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

#include <gtest/gtest.h>

#include "support/loopback_servers.h"
#include "support/silent_name_server.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

bool Probe(const std::string& host, std::uint16_t port) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> accepted = answer->get_future();
    ProbeTcpListener(host, port, [answer](bool yes) { answer->set_value(yes); });
    return accepted.get();
}

TEST(ProbeTcpListener, TellsWhetherConnectionsAreAcceptedAndClosesItsOwnAtOnce) {
    std::promise<bool> hungUp;
    std::future<bool> closed = hungUp.get_future();
    const testing::RawTestServer server([&](int connection, int) {
        char byte = 0;
        hungUp.set_value(::recv(connection, &byte, 1, 0) == 0);
    });
    const std::string url = server.Url();
    EXPECT_TRUE(
        Probe("127.0.0.1", static_cast<std::uint16_t>(std::stoi(url.substr(url.rfind(':') + 1)))));
    ASSERT_EQ(closed.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(closed.get()) << "the look sent something before closing";

    EXPECT_FALSE(
        Probe("127.0.0.1", static_cast<std::uint16_t>(testing::FreeLoopbackPort(SOCK_STREAM))));
}

// A name server that never answers holds the look's own thread, never the caller.
TEST(ProbeTcpListener, NeverHoldsTheCallerWhileTheNameServerIsSilent) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!testing::IsolateWithSilentNameServer()) {
            ::_exit(77);
        }
        const auto start = std::chrono::steady_clock::now();
        ProbeTcpListener("mafreebox.freebox.fr", 554, [](bool) {});
        ::_exit(std::chrono::steady_clock::now() - start < 1s ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no network namespace allowed here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace kalore
