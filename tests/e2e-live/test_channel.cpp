#include "test_channel.h"

#include <sys/socket.h>

#include "support/loopback_servers.h"

TestChannel::TestChannel(QString picture)
    : picture_(std::move(picture)), port_(kalore::testing::FreeLoopbackPort(SOCK_DGRAM)),
      probePort_(kalore::testing::FreeLoopbackPort(SOCK_DGRAM)) {}

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
                             picture_,
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
                             "-map",
                             "0:v",
                             "-map",
                             "1:a",
                             "-f",
                             "tee",
                             QString("[f=mpegts]udp://127.0.0.1:%1?pkt_size=1316|"
                                     "[f=mpegts]udp://127.0.0.1:%2?pkt_size=1316")
                                 .arg(port_)
                                 .arg(probePort_)});
    return ffmpeg_.waitForStarted(5000);
}

QString TestChannel::Address() const {
    return QString("udp://@127.0.0.1:%1").arg(port_);
}

QString TestChannel::ProbeAddress() const {
    return QString("udp://127.0.0.1:%1").arg(probePort_);
}
