#pragma once

#include <QProcess>
#include <QString>

#include "support/test_stream.h"

// A live test channel on loopback: ffmpeg sends a moving test picture with sound
// as MPEG-TS over UDP to 127.0.0.1, in real time, until it is destroyed.
class TestChannel final {
public:
    // The picture as an ffmpeg filter source.
    static constexpr const char* kMovingPicture = kalore::testing::kTestPicture;
    // Each field a flat colour of its own, white and black: what an interlaced
    // picture shows, at its worst, when nothing deinterlaces it. The size is the
    // player's area, so the lines reach the screen one to one.
    static constexpr const char* kCombedPicture =
        "nullsrc=size=488x366:rate=25,geq=lum='if(mod(Y\\,2)\\,235\\,16)':cb=128:cr=128";

    explicit TestChannel(QString picture = kMovingPicture);
    ~TestChannel();
    bool Start();
    // The address a player listens on, "udp://@127.0.0.1:<port>".
    QString Address() const;
    // The same stream sent to a second port, for an ffmpeg probe beside the player
    // (in ffmpeg's form of the address).
    QString ProbeAddress() const;

private:
    QString picture_;
    QProcess ffmpeg_;
    int port_ = 0;
    int probePort_ = 0;
};
