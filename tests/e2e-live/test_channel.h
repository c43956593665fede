#pragma once

#include <QProcess>
#include <QString>

// A live test channel on loopback: ffmpeg sends a moving test picture with sound
// as MPEG-TS over UDP to 127.0.0.1, in real time, until it is destroyed.
class TestChannel final {
public:
    TestChannel();
    ~TestChannel();
    bool Start();
    // The address a player listens on, "udp://@127.0.0.1:<port>".
    QString Address() const;

private:
    QProcess ffmpeg_;
    int port_ = 0;
};
