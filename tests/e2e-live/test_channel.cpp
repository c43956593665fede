#include "test_channel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int FreeUdpPort() {
    const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socket, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    close(socket);
    return ntohs(address.sin_port);
}

} // namespace

TestChannel::TestChannel() : port_(FreeUdpPort()) {}

TestChannel::~TestChannel() {
    ffmpeg_.kill();
    ffmpeg_.waitForFinished(5000);
}

bool TestChannel::Start() {
    ffmpeg_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg_.start("ffmpeg", {"-v",
                             "error",
                             "-re",
                             "-f",
                             "lavfi",
                             "-i",
                             "testsrc2=size=640x480:rate=25",
                             "-f",
                             "lavfi",
                             "-i",
                             "sine=frequency=440",
                             "-c:v",
                             "mpeg2video",
                             "-b:v",
                             "2M",
                             "-g",
                             "12",
                             "-c:a",
                             "mp2",
                             "-f",
                             "mpegts",
                             QString("udp://127.0.0.1:%1?pkt_size=1316").arg(port_)});
    return ffmpeg_.waitForStarted(5000);
}

QString TestChannel::Address() const {
    return QString("udp://@127.0.0.1:%1").arg(port_);
}
