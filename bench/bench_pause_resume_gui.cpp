// Pausing a live channel (figures, not a test): the loopback test channel plays in the
// live view's player, is paused for two seconds with the same options as in the window,
// then resumed. Printed per sample: the player's clock at the pause and at its first
// move after resuming, the step between them, and how far behind live it then plays.
// libVLC 3 moves that clock about every 250 ms, so a step up to about 300 ms means no
// skip that this clock can see (a frame is 40 ms); a lag of about the pause means it
// resumed where it paused rather than at live.
// Usage: bench_pause_resume_gui [SAMPLES]
#include <cstdio>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <sys/socket.h>

#include "player/live_view.h"
#include "support/loopback_servers.h"
#include "support/test_stream.h"
#include "tests/unit/fakes/fakes.h"

namespace {

constexpr int kPauseMs = 2000;

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::msleep(2);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 5;
    const int port = kalore::testing::FreeLoopbackPort(SOCK_DGRAM);
    QStringList args;
    for (const std::string& arg : kalore::testing::TestStreamArguments(
             {"udp://127.0.0.1:" + std::to_string(port) + "?pkt_size=1316"})) {
        args << QString::fromStdString(arg);
    }
    QProcess ffmpeg;
    ffmpeg.start(args.takeFirst(), args);
    if (!ffmpeg.waitForStarted(5000)) {
        std::fprintf(stderr, "ffmpeg did not start\n");
        return 1;
    }
    QWidget panel;
    panel.resize(509, 388);
    kalore::testing::SilentHost host;
    kalore::LiveView live(
        panel, host, [] { return true; }, [] {},
        {"--no-xlib", "--quiet", "--vout=dummy", "--aout=dummy"});
    if (!live.Watch("udp://@127.0.0.1:" + std::to_string(port))) {
        return 1;
    }
    kalore::TVLCPlugin& player = *live.Control();
    if (!WaitFor([&] { return player.Time() > 2000; }, 20000)) {
        std::fprintf(stderr, "the channel did not play\n");
        return 1;
    }
    std::printf("clock at pause, first clock after resume, step (ms), behind live (ms)\n");
    QElapsedTimer wall;
    for (int i = 0; i < samples; ++i) {
        // Behind live: the wall clock run since here minus the player's clock run.
        wall.start();
        const long long reference = player.Time();
        player.SetPause(true);
        WaitFor([&] { return player.Paused(); }, 5000);
        const long long paused = player.Time();
        WaitFor([] { return false; }, kPauseMs);
        player.SetPause(false);
        WaitFor([&] { return player.Time() != paused; }, 5000);
        const long long resumed = player.Time();
        WaitFor([] { return false; }, 1000);
        const long long behind = wall.elapsed() - (player.Time() - reference);
        std::printf("%lld %lld %lld %lld\n", paused, resumed, resumed - paused, behind);
        std::fflush(stdout);
    }
    ffmpeg.kill();
    ffmpeg.waitForFinished(3000);
    return 0;
}
