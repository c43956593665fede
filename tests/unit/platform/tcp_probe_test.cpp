#include "platform/tcp_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
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
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

    EXPECT_TRUE(Probe("127.0.0.1", ntohs(address.sin_port)));
    const int connection = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    char byte = 0;
    EXPECT_EQ(::read(connection, &byte, 1), 0) << "the look left its connection open";
    ::close(connection);
    ::close(listener);

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
