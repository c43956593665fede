#include "support/silent_name_server.h"

#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kalore::testing {
namespace {

bool BringLoopbackUp() {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags |= IFF_UP;
    up = up && ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
    ::close(s);
    return up;
}

// Bound for the life of the process, never read.
bool StartSilentNameServer() {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool UseSilentNameServer() {
    char conf[] = "/tmp/kalore-resolv-XXXXXX";
    const int fd = ::mkstemp(conf);
    // Three tries of 30 s each: far longer than any request may wait.
    const char text[] = "nameserver 127.0.0.1\noptions timeout:30 attempts:3\n";
    const bool written =
        fd >= 0 && ::write(fd, text, sizeof text - 1) == static_cast<ssize_t>(sizeof text - 1);
    if (fd >= 0) {
        ::close(fd);
    }
    const bool mounted = written &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount(conf, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    ::unlink(conf);
    return mounted;
}

} // namespace

bool IsolateWithSilentNameServer() {
    const int user = ::geteuid() == 0 ? 0 : CLONE_NEWUSER;
    return ::unshare(user | CLONE_NEWNS | CLONE_NEWNET) == 0 && BringLoopbackUp() &&
           StartSilentNameServer() && UseSilentNameServer();
}

} // namespace kalore::testing
