// A name server that never answers must not hold a request past its limit. The test
// gives a child process a network and a resolver configuration of its own (Linux
// namespaces), with a silent name server on its loopback; where namespaces are not
// allowed, it is skipped.
#include <chrono>
#include <cstdio>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/web/http_get.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

enum ChildExit { kWithinLimit = 0, kTooLong = 1, kNoNamespace = 77 };

bool BringLoopbackUp() {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0 &&
                    (ifr.ifr_flags |= IFF_UP, ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0);
    ::close(s);
    return up;
}

// Listens on 127.0.0.1:53 and reads nothing: every query waits for its time-out.
bool StartSilentNameServer() {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool UseSilentNameServer() {
    char conf[] = "/tmp/kalore-resolv-XXXXXX";
    const int fd = ::mkstemp(conf);
    const char text[] = "nameserver 127.0.0.1\noptions timeout:30 attempts:3\n";
    const bool written = fd >= 0 && ::write(fd, text, sizeof text - 1) == sizeof text - 1;
    ::close(fd);
    const bool mounted = written &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount(conf, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    ::unlink(conf);
    return mounted;
}

[[noreturn]] void RunChild() {
    const int user = ::geteuid() == 0 ? 0 : CLONE_NEWUSER;
    if (::unshare(user | CLONE_NEWNS | CLONE_NEWNET) != 0 || !BringLoopbackUp() ||
        !StartSilentNameServer() || !UseSilentNameServer()) {
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
