#include "test_channel.h"

#include <sys/socket.h>

#include "support/loopback_servers.h"
#include "support/test_stream.h"

TestChannel::TestChannel(QString picture)
    : picture_(std::move(picture)), port_(kalore::testing::FreeLoopbackPort(SOCK_DGRAM)),
      probePort_(kalore::testing::FreeLoopbackPort(SOCK_DGRAM)) {}

TestChannel::~TestChannel() {
    ffmpeg_.kill();
    ffmpeg_.waitForFinished(5000);
}

bool TestChannel::Start() {
    ffmpeg_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args;
    for (const std::string& arg : kalore::testing::TestStreamArguments(
             {"udp://127.0.0.1:" + std::to_string(port_) + "?pkt_size=1316",
              "udp://127.0.0.1:" + std::to_string(probePort_) + "?pkt_size=1316"},
             picture_.toStdString())) {
        args << QString::fromStdString(arg);
    }
    ffmpeg_.start(args.takeFirst(), args);
    return ffmpeg_.waitForStarted(5000);
}

QString TestChannel::Address() const {
    return QString("udp://@127.0.0.1:%1").arg(port_);
}

QString TestChannel::ProbeAddress() const {
    return QString("udp://127.0.0.1:%1").arg(probePort_);
}
