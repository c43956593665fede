// Plays the loopback test channel in a real window and checks, from screenshots,
// that the player's area shows a moving picture. With --first-picture=player or
// --first-picture=vlc it only prints how long the first picture took, for the
// benchmark script.

#include <cstdio>
#include <functional>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QThread>

#include "app/host.h"
#include "player/live_view.h"
#include "test_channel.h"

namespace {

class PrintingHost final : public kalore::Host {
public:
    void AppendLog(const std::string& line) override {
        std::fprintf(stderr, "log: %s\n", line.c_str());
    }
    void SetAppTitle(const std::string&) override {}
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++messages;
    }
    int messages = 0;
};

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return true;
}

// What the screen shows in a rectangle of global coordinates, child windows included.
QImage Screen(const QRect& area) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int NonBlackPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            count += std::max({qRed(line[x]), qGreen(line[x]), qBlue(line[x])}) > 40;
        }
    }
    return count;
}

double DifferentShare(const QImage& a, const QImage& b) {
    int different = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            different += a.pixel(x, y) != b.pixel(x, y);
        }
    }
    return double(different) / (a.width() * a.height());
}

// Half of the player's area, or of the test picture in the player program's window.
constexpr int kPictureShown = 489 * 368 / 2;

struct MainWindowStandIn {
    QWidget window;
    QWidget* panel;
    QPushButton* button8;

    MainWindowStandIn() {
        window.setWindowTitle("Kalore");
        window.setFixedSize(742, 742);
        panel = new QWidget(&window);
        panel->setGeometry(226, 37, 509, 388);
        panel->setAutoFillBackground(true);
        panel->setPalette(QPalette(Qt::black));
        auto* label3 = new QLabel("Kalore !!", panel);
        label3->setStyleSheet("color: red; font: bold 20px");
        label3->move(216, 180);
        auto* label6 = new QLabel("regarder en direct.. enregistrer.. programmer !!", panel);
        label6->setStyleSheet("color: red; font: 15px");
        label6->move(84, 212);
        auto* button1 = new QPushButton("Regarder la TV", &window);
        button1->setGeometry(225, 431, 119, 25);
        button8 = new QPushButton("Stop lecture", &window);
        button8->setGeometry(350, 431, 123, 25);
        button8->setEnabled(false);
        window.move(0, 0);
        window.show();
    }
};

QRect GlobalArea(const QWidget& widget) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

int PlayerFirstPicture(const QString& address) {
    MainWindowStandIn main;
    PrintingHost host;
    kalore::LiveView live(
        *main.panel, *main.button8, host, [] { return true; }, [] {});
    WaitFor([&] { return main.window.isVisible(); }, 5000);
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    live.Button1Click(address.toStdString());
    const QRect area = GlobalArea(*main.panel).adjusted(10, 10, -10, -10);
    if (!WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 20000)) {
        return -1;
    }
    return int(clock.elapsed());
}

int VlcProgramFirstPicture(const QString& address) {
    QProcess vlc;
    vlc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    // vlc refuses to run as root; the wrapper drops to an unprivileged user then.
    vlc.start(KALORE_SOURCE_DIR "/scripts/run-unprivileged",
              {"vlc", "--intf=dummy", "--no-xlib", "--quiet", "--aout=dummy",
               "--no-video-title-show", "--video-filter=deinterlace", "--deinterlace-mode=blend",
               address});
    const QRect whole = QGuiApplication::primaryScreen()->geometry();
    const bool shown =
        WaitFor([&] { return NonBlackPixels(Screen(whole)) > kPictureShown; }, 20000);
    const int elapsed = int(clock.elapsed());
    vlc.terminate();
    if (!vlc.waitForFinished(3000)) {
        vlc.kill();
        vlc.waitForFinished(3000);
    }
    return shown ? elapsed : -1;
}

int CheckMovingPicture(const QString& address, const QString& outputFolder) {
    MainWindowStandIn main;
    PrintingHost host;
    kalore::LiveView live(
        *main.panel, *main.button8, host, [] { return true; }, [] {});
    WaitFor([&] { return main.window.isVisible(); }, 5000);
    live.Button1Click(address.toStdString());
    if (host.messages != 0 || live.Control() == nullptr || !main.button8->isEnabled()) {
        std::fprintf(stderr, "FAIL: live viewing did not start\n");
        return 1;
    }
    const QRect area = GlobalArea(*live.Control());
    if (area != GlobalArea(*main.panel).adjusted(10, 10, -10, -10)) {
        std::fprintf(stderr, "FAIL: the player is not 10 pixels inside the panel\n");
        return 1;
    }
    if (!WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 20000)) {
        std::fprintf(stderr, "FAIL: no picture within 20 s\n");
        return 1;
    }
    WaitFor([] { return false; }, 1000);
    const QImage first = Screen(area);
    WaitFor([] { return false; }, 1000);
    const QImage second = Screen(area);
    const QImage window = Screen(QRect(main.window.mapToGlobal(QPoint(0, 0)), main.window.size()));
    if (!outputFolder.isEmpty()) {
        QDir().mkpath(outputFolder);
        first.save(outputFolder + "/player-1.png");
        second.save(outputFolder + "/player-2.png");
        window.save(outputFolder + "/live.png");
    }
    const double changed = DifferentShare(first, second);
    std::printf("non-black pixels: %d and %d of %d; changed: %.1f %%\n", NonBlackPixels(first),
                NonBlackPixels(second), area.width() * area.height(), changed * 100);
    if (NonBlackPixels(first) <= kPictureShown || NonBlackPixels(second) <= kPictureShown) {
        std::fprintf(stderr, "FAIL: a screenshot is black\n");
        return 1;
    }
    if (changed < 0.01) {
        std::fprintf(stderr, "FAIL: the picture does not move\n");
        return 1;
    }
    live.Button8Click();
    if (!live.Control()->isHidden() || main.button8->isEnabled()) {
        std::fprintf(stderr, "FAIL: stopping a playing stream did not hide the player\n");
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    TestChannel channel;
    if (!channel.Start()) {
        std::fprintf(stderr, "FAIL: ffmpeg did not start\n");
        return 1;
    }
    if (!args.isEmpty() && args[0].startsWith("--first-picture=")) {
        const bool vlcProgram = args[0].endsWith("=vlc");
        const int ms = vlcProgram ? VlcProgramFirstPicture(channel.Address())
                                  : PlayerFirstPicture(channel.Address());
        std::printf("%d\n", ms);
        return ms < 0 ? 1 : 0;
    }
    return CheckMovingPicture(channel.Address(), args.value(0));
}
