// Plays the loopback test channel in the real program: a sandboxed program folder
// whose Orange list holds the channel first, "Regarder la TV" clicked with xdotool
// on a private X display, and screenshots of the player's area that must show a
// moving picture. With --first-pictures=kalore:N or --first-pictures=vlc:N it only
// prints how long the first picture took after each of N orders to play, in a running
// Kalore or in a running idle vlc program, for the benchmark script.
//
// With --deinterlace it plays an interlaced channel whose fields are white and black,
// which must show grey. With --full-screen it checks F11, the volume keys and Escape;
// With --pause, Space on the picture must hold it still, and a second Space make it
// move again. --full-screen-toggles=N prints how long each of N F11 presses took to show the
// picture over the whole screen, for the benchmark script.
//
// With --zap it watches the first of two channels, a moving one and a blue one, and
// Page Down, Page Up and the channel box must switch the picture between them;
// --zap-pictures=N prints how long a channel change and a fresh start took, for the
// benchmark script.
//
// With --free-box it starts as a Free subscriber's Kalore does: the loopback box's
// playlist holds rtsp:// channels of a real RTSP server on loopback, played through
// the relay, while a programmed recording of the same channel is made, which must
// hold video and sound and end "Terminé"; the picture must come back by itself after
// the box stops for 10 s; the box must see one session at a time, and a TEARDOWN
// once Kalore has closed.
//
// With --wayland (under run-under-weston) it plays the channel in a Wayland session,
// where the picture must move inside Kalore's own window.
//
// Usage: live_view_e2e BUILD_DIR [SCREENSHOT_FOLDER | --deinterlace | --free-box | --wayland |
//                                 --first-pictures=kalore|vlc|kalore-rtsp:N |
//                                 --full-screen | --full-screen-toggles=N | --pause |
//                                 --zap | --zap-pictures=N]

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string_view>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <sys/stat.h>

#include "e2e_support.h"
#include "support/rtsp_test_box.h"
#include "test_channel.h"

namespace {

// The main window's client-area geometry that the checks rely on.
const QPoint kButton1Centre(225 + 119 / 2, 431 + 25 / 2);
const QPoint kButton8Centre(350 + 123 / 2, 431 + 25 / 2);
const QRect kControlArea(226 + 10, 37 + 10, 509 - 20, 388 - 20);
const QSize kMainWindow(742, 742);
// Half of the player's area, or of the test picture in the player program's window.
constexpr int kPictureShown = 489 * 368 / 2;

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

// What the screen shows in a rectangle of global coordinates, other programs' windows
// included (Xvfb composes nothing: the root window holds what is seen).
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

QString Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString Xdotool(const QStringList& args) {
    return Run("xdotool", args);
}

// The real program in a sandboxed program folder of its own, as an unprivileged user
// when run as root (its recorder, the vlc program, refuses root).
// With `sandboxOptions` (the web stand-in's), the channels come from its answers
// instead of being put first in the Orange list.
class RealProgram {
public:
    // `prepare` is given the program folder before the program starts; `environment`
    // is the program's.
    RealProgram(const QString& buildDir, const QString& channelAddress,
                const QStringList& sandboxOptions = {},
                const std::function<void(const QString&)>& prepare = {},
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        folder_ = Run(KALORE_SOURCE_DIR "/scripts/sandbox-program-folder",
                      QStringList{buildDir} + sandboxOptions);
        if (sandboxOptions.isEmpty()) {
            PutChannelFirst(channelAddress);
        }
        if (prepare) {
            prepare(folder_ + "/Kalore/");
        }
        kalore_.setProcessChannelMode(QProcess::ForwardedChannels);
        kalore_.setProcessEnvironment(environment);
        // The address query's answer file goes to the working folder, as beside a
        // program started from its own folder.
        kalore_.setWorkingDirectory(folder_ + "/Kalore");
        kalore_.start(KALORE_SOURCE_DIR "/scripts/run-unprivileged", {folder_ + "/Kalore/kalore"});
    }
    void PutChannelFirst(const QString& channelAddress) {
        const QString list = folder_ + "/Kalore/B/listeTVforKalore.txt";
        QFile file(list);
        file.open(QIODevice::ReadOnly);
        const QByteArray shipped = file.readAll();
        file.close();
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("1,Chaine de test\r\n" + channelAddress.toUtf8() + "\r\n" + shipped);
        file.close();
    }
    ~RealProgram() {
        Stop();
        QFile pid(folder_ + "/web-server.pid");
        if (pid.open(QIODevice::ReadOnly)) {
            ::kill(pid.readAll().trimmed().toInt(), SIGTERM);
        }
        if (folder_.startsWith("/tmp/kalore-sandbox.")) {
            QDir(folder_).removeRecursively();
        }
    }
    // Waits for the main window and gives it the focus, as a window manager would
    // (there is none on the private display). Returns its top-left corner.
    bool WaitForMainWindow(QPoint& origin, bool focus = true) {
        const bool found = WaitFor(
            [this] {
                window_ = Xdotool({"search", "--onlyvisible", "--name", "^Kalore v 1\\.1"})
                              .section('\n', 0, 0);
                return !window_.isEmpty() || kalore_.state() == QProcess::NotRunning;
            },
            30000);
        if (!found || window_.isEmpty()) {
            return false;
        }
        if (focus) {
            Xdotool({"windowfocus", "--sync", window_});
        }
        const QStringList geometry = Xdotool({"getwindowgeometry", "--shell", window_}).split('\n');
        origin = QPoint(geometry.filter("X=").value(0).mid(2).toInt(),
                        geometry.filter("Y=").value(0).mid(2).toInt());
        // Let the activation's player checks run before anything is clicked.
        WaitFor([] { return false; }, 300);
        return true;
    }
    QString IniFile() const { return folder_ + "/Kalore/B/kalore.ini"; }
    void Key(const QString& key) { Xdotool({"key", key}); }
    // A key sent to the window itself, where no input device exists to type it.
    void KeyToWindow(const QString& key) { Xdotool({"key", "--window", window_, key}); }
    // Whether the player's native window in the main window (the panel's size less
    // its margins) holds a window of libVLC's.
    bool PlayerHasVideoWindow() const {
        const QString size = QString("%1x%2+10+10").arg(489).arg(368);
        for (const QString& line : Run("xwininfo", {"-id", window_, "-tree"}).split('\n')) {
            if (line.contains(size)) {
                const QString player = line.trimmed().section(' ', 0, 0);
                return !Run("xwininfo", {"-id", player, "-children"}).contains(" 0 children");
            }
        }
        return false;
    }
    bool Running() const { return kalore_.state() != QProcess::NotRunning; }
    void Click(const QPoint& inWindow) {
        Xdotool({"mousemove", "--window", window_, QString::number(inWindow.x()),
                 QString::number(inWindow.y()), "click", "1"});
    }
    // Ends it as the session would; its close sequence runs. Returns its exit code.
    int Stop() {
        if (kalore_.state() == QProcess::NotRunning) {
            return kalore_.exitCode();
        }
        kalore_.terminate();
        if (!kalore_.waitForFinished(10000)) {
            kalore_.kill();
            kalore_.waitForFinished(3000);
            return -1;
        }
        return kalore_.exitStatus() == QProcess::NormalExit ? kalore_.exitCode() : -1;
    }

private:
    QString folder_;
    QString window_;
    QProcess kalore_;
};

// When the channel's key frames reach a decoder reading the stream: no player can
// show a picture before the next one, so they are the floor of every figure.
class KeyFrameWatch {
public:
    KeyFrameWatch(const QString& address, const QElapsedTimer& clock) : clock_(clock) {
        QObject::connect(&ffmpeg_, &QProcess::readyReadStandardError, [this] {
            while (ffmpeg_.canReadLine() || ffmpeg_.bytesAvailable() > 0) {
                const QByteArray line = ffmpeg_.readLine();
                if (line.isEmpty()) {
                    break;
                }
                if (line.contains("iskey:1")) {
                    keys_.append(clock_.elapsed());
                }
            }
        });
        ffmpeg_.setReadChannel(QProcess::StandardError);
        ffmpeg_.start("ffmpeg", {"-v", "info", "-i", address, "-map", "0:v", "-vf", "showinfo",
                                 "-f", "null", "-"});
    }
    ~KeyFrameWatch() {
        ffmpeg_.kill();
        ffmpeg_.waitForFinished(3000);
    }
    // True once the probe reads the stream (two key frames seen).
    bool WaitUntilReading() {
        return WaitFor([this] { return keys_.size() >= 2; }, 20000);
    }
    // Milliseconds from `since` to the first key frame after it; -1 when none came.
    int NextAfter(qint64 since) {
        int wait = -1;
        WaitFor(
            [&] {
                for (const qint64 key : keys_) {
                    if (key >= since) {
                        wait = int(key - since);
                        return true;
                    }
                }
                return false;
            },
            5000);
        return wait;
    }

private:
    const QElapsedTimer& clock_;
    QProcess ffmpeg_;
    QList<qint64> keys_;
};

// The vlc program, started once and left idle, told what to play through its
// remote-control interface on a local socket.
class IdleVlc {
public:
    IdleVlc() {
        QDir().mkpath(dir_.path());
        ::chmod(dir_.path().toLocal8Bit().constData(), 0777);
        vlc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // vlc refuses to run as root; the wrapper drops to an unprivileged user then.
        // The same deinterlacing as Kalore's live view, so both do the same work.
        // Without a terminal the interface gives up unless told to go on.
        vlc_.start(KALORE_SOURCE_DIR "/scripts/run-unprivileged",
                   {"vlc", "--intf=oldrc", "--rc-fake-tty", "--rc-unix=" + Socket(), "--no-xlib",
                    "--quiet", "--aout=dummy", "--no-video-title-show", "--deinterlace=1",
                    "--deinterlace-mode=blend"});
    }
    ~IdleVlc() {
        vlc_.terminate();
        if (!vlc_.waitForFinished(3000)) {
            vlc_.kill();
            vlc_.waitForFinished(3000);
        }
    }
    bool WaitUntilIdle() {
        return WaitFor(
            [this] {
                socket_.connectToServer(Socket());
                return socket_.waitForConnected(100);
            },
            20000);
    }
    void Command(const QString& line) {
        socket_.write((line + "\n").toUtf8());
        socket_.flush();
    }

private:
    QString Socket() const { return dir_.path() + "/rc"; }

    QTemporaryDir dir_;
    QProcess vlc_;
    QLocalSocket socket_;
};

// Each sample: the player shows nothing, then the clock starts as it is told to play
// (a click on "Regarder la TV", or vlc's "add"), and stops at the first picture.
// Prints "<milliseconds> <milliseconds to the next key frame>" per sample.
// With `freeStart` (the web stand-in's options), Kalore plays the box's first
// channel, and rests long enough between samples for the relay to close the box
// session: each click opens a new one.
int PrintFirstPictures(const QString& who, int samples, const QString& buildDir,
                       const QString& address, const QString& probeAddress,
                       const QStringList& freeStart = {}) {
    QElapsedTimer clock;
    clock.start();
    KeyFrameWatch keys(probeAddress, clock);
    if (!keys.WaitUntilReading()) {
        return 1;
    }
    std::unique_ptr<RealProgram> kalore;
    std::unique_ptr<IdleVlc> vlc;
    QRect area = QGuiApplication::primaryScreen()->geometry();
    std::function<void()> stop;
    std::function<void()> play;
    if (who == "kalore") {
        kalore = std::make_unique<RealProgram>(buildDir, address, freeStart);
        QPoint origin;
        if (!kalore->WaitForMainWindow(origin)) {
            return 1;
        }
        area = kControlArea.translated(origin);
        stop = [&] {
            kalore->Click(kButton8Centre);
        };
        play = [&] {
            kalore->Click(kButton1Centre);
        };
    } else {
        vlc = std::make_unique<IdleVlc>();
        if (!vlc->WaitUntilIdle()) {
            return 1;
        }
        stop = [&] {
            vlc->Command("stop");
        };
        play = [&] {
            vlc->Command("add " + address);
        };
    }
    for (int i = 0; i < samples; ++i) {
        stop();
        if (!WaitFor([&] { return NonBlackPixels(Screen(area)) < kPictureShown / 4; }, 10000)) {
            return 1;
        }
        WaitFor([] { return false; }, freeStart.isEmpty() ? 1000 : 5000); // idle again
        const qint64 start = clock.elapsed();
        play();
        if (!WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 20000)) {
            return 1;
        }
        const qint64 shown = clock.elapsed();
        std::printf("%lld %d\n", static_cast<long long>(shown - start), keys.NextAfter(start));
        std::fflush(stdout);
    }
    return 0;
}

bool PictureMoves(const QRect& area) {
    const QImage first = Screen(area);
    WaitFor([] { return false; }, 1000);
    const QImage second = Screen(area);
    return NonBlackPixels(second) > kPictureShown && DifferentShare(first, second) >= 0.01;
}

// `whilePlaying`, when given, runs once the moving picture is checked, before Kalore
// is stopped; false fails the check.
int CheckMovingPicture(RealProgram& kalore, const QString& outputFolder,
                       const std::function<bool(const QRect&)>& whilePlaying = {}) {
    QPoint origin;
    if (!kalore.WaitForMainWindow(origin)) {
        std::fprintf(stderr, "FAIL: no main window within 30 s\n");
        return 1;
    }
    const QRect area = kControlArea.translated(origin);
    const int before = NonBlackPixels(Screen(area));
    kalore.Click(kButton1Centre);
    if (!WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 20000)) {
        std::fprintf(stderr, "FAIL: no picture within 20 s (non-black before: %d)\n", before);
        Screen(QRect(origin, kMainWindow)).save(outputFolder + "/failed.png");
        return 1;
    }
    WaitFor([] { return false; }, 1000);
    const QImage first = Screen(area);
    WaitFor([] { return false; }, 1000);
    const QImage second = Screen(area);
    const QImage window = Screen(QRect(origin, kMainWindow));
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
    if (whilePlaying && !whilePlaying(area)) {
        return 1;
    }
    if (const int code = kalore.Stop(); code != 0) {
        std::fprintf(stderr, "FAIL: Kalore did not end cleanly while playing (%d)\n", code);
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

// What the Wayland session shows, from the compositor itself (weston-screenshooter,
// which run-under-weston's weston allows): XWayland's own screen holds no picture.
QImage SessionScreenshot() {
    QTemporaryDir folder;
    QProcess shooter;
    shooter.setWorkingDirectory(folder.path());
    shooter.start("weston-screenshooter", {});
    shooter.waitForFinished(10000);
    const QStringList shots = QDir(folder.path()).entryList({"*.png"});
    return shots.isEmpty()
               ? QImage()
               : QImage(folder.filePath(shots.first())).convertToFormat(QImage::Format_RGB32);
}

// The pixels that differ between two screenshots, below weston's panel and its clock.
QRect ChangedArea(const QImage& a, const QImage& b) {
    QRect changed;
    for (int y = 40; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                changed |= QRect(x, y, 1, 1);
            }
        }
    }
    return changed;
}

// In a Wayland session (run-under-weston), Kalore goes through XWayland by itself: its
// main window is an X client of the session's XWayland, libVLC's video window is a
// child of its player, and the compositor shows a moving picture of the player's
// size. Without XWayland it starts all the same and says what to install. The
// headless session has no input device: keys are sent to the window itself.
int CheckWaylandSession(const QString& buildDir, const QString& channelAddress) {
    QTemporaryDir state;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM"); // set for the test's own windows only
    environment.insert("XDG_STATE_HOME", state.path());
    {
        RealProgram kalore(buildDir, channelAddress, {}, {}, environment);
        QPoint origin;
        if (!kalore.WaitForMainWindow(origin, false)) {
            std::fprintf(stderr, "FAIL: no main window of Kalore on XWayland within 30 s\n");
            return 1;
        }
        kalore.KeyToWindow("ctrl+t");
        if (!WaitFor([&] { return kalore.PlayerHasVideoWindow(); }, 20000)) {
            std::fprintf(stderr, "FAIL: libVLC drew into no window inside Kalore's player\n");
            return 1;
        }
        // Once the window has settled (its buttons follow the play), only the picture
        // changes from one screenshot to the next.
        const QSize player = kControlArea.size();
        QRect changed;
        QImage second = SessionScreenshot();
        const bool moving = WaitFor(
            [&] {
                const QImage first = second;
                WaitFor([] { return false; }, 500);
                second = SessionScreenshot();
                changed = ChangedArea(first, second);
                return changed.width() * changed.height() > kPictureShown &&
                       changed.width() <= player.width() + 2 &&
                       changed.height() <= player.height() + 2 &&
                       NonBlackPixels(second.copy(changed)) > kPictureShown;
            },
            20000);
        second.save(QDir::tempPath() + "/kalore-wayland-session.png");
        std::printf("the session's screen changed in %dx%d at %d,%d\n", changed.width(),
                    changed.height(), changed.x(), changed.y());
        if (!moving) {
            std::fprintf(stderr, "FAIL: no moving picture of the player's size on the "
                                 "session's screen (kalore-wayland-session.png)\n");
            return 1;
        }
    }
    environment.remove("DISPLAY");
    RealProgram kalore(buildDir, channelAddress, {}, {}, environment);
    const QString log = state.path() + "/kalore/kalore.log";
    if (!WaitFor(
            [&] {
                QFile file(log);
                return file.open(QIODevice::ReadOnly) &&
                       QString::fromUtf8(file.readAll())
                           .contains("Votre session Wayland n'a pas XWayland");
            },
            30000)) {
        std::fprintf(stderr, "FAIL: without XWayland, no word of what to install in %s\n",
                     qPrintable(log));
        return 1;
    }
    if (!kalore.Running()) {
        std::fprintf(stderr, "FAIL: without XWayland, Kalore did not stay open\n");
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

// The web stand-in's options for a start on a Free line whose box's playlist holds
// two channels of `box`; the playlist is written in `work`.
QStringList FreeStart(const QTemporaryDir& work, const kalore::testing::RtspTestBox& box) {
    QFile playlist(work.filePath("playlist.m3u"));
    playlist.open(QIODevice::WriteOnly);
    playlist.write("#EXTM3U\n#EXTINF:0,2 - France 2 (standard)\n" +
                   QByteArray::fromStdString(box.Address(201)) +
                   "\n#EXTINF:0,3 - France 3 (standard)\n" +
                   QByteArray::fromStdString(box.Address(202)) + "\n");
    return {"--address", "78-1-2-3.fbx.proxad.net", "--playlist", playlist.fileName()};
}

// Long enough for the window to show and play first.
constexpr int kRecordingLeadSeconds = 20;
constexpr int kRecordingSeconds = 10;

int CheckFreeBoxChannel(const QString& buildDir, const QString& outputFolder) {
    kalore::testing::RtspTestBox box;
    if (!box.Start()) {
        std::fprintf(stderr, "FAIL: the RTSP test box did not start\n");
        return 1;
    }
    QTemporaryDir work;
    // A programmed recording of the channel watched, during live view and before
    // the outage; Kalore keeps the box's address in its schedule.
    namespace e2e = kalore::e2e;
    const QDateTime start = e2e::WholeSecondsFromNow(kRecordingLeadSeconds);
    const QList<e2e::ScheduleEntry> entries = {{"2 - France 2 (standard)", start,
                                                start.addSecs(kRecordingSeconds), "Programmé",
                                                "H264 (320x240) idéal pour minimiser le stockage",
                                                QString::fromStdString(box.Address(201))}};
    QString folder;
    const auto writeSchedule = [&](const QString& programFolder) {
        folder = programFolder;
        for (const auto& [name, bytes] :
             {std::pair{QString("B/recordslist"), e2e::RecordsListBytes(entries)},
              std::pair{QString("B/recordsurlist"), e2e::RecordsUrlListBytes(entries)}}) {
            QFile file(folder + name);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            file.setPermissions(file.permissions() | QFile::WriteOther | QFile::ReadOther);
        }
    };
    RealProgram kalore(buildDir, {}, FreeStart(work, box), writeSchedule);
    const auto status = [&] {
        QFile file(folder + "B/recordslist");
        file.open(QIODevice::ReadOnly);
        return e2e::StatusesOf(file.readAll()).value(0);
    };
    // The box away for 10 s: the picture comes back by itself.
    const auto outage = [&](const QRect& area) {
        WaitFor([&] { return status() != "Programmé" && status() != "Enregistrement.."; },
                (kRecordingLeadSeconds + kRecordingSeconds + 20) * 1000);
        const e2e::Probe probe =
            e2e::ProbeFile(folder + "RECORDS/" + e2e::ProgrammedFileName(start));
        std::printf("programmed recording: %s, %.1f s\n", qPrintable(status()), probe.Duration());
        if (status() != "Terminé" || !probe.Has("codec_name=h264") ||
            !probe.Has("codec_name=mp3")) {
            std::fprintf(stderr, "FAIL: the recording made during live view: %s\n%s\n",
                         qPrintable(status()), qPrintable(probe.text));
            return false;
        }
        box.Stop();
        WaitFor([] { return false; }, 10000);
        if (!box.Start()) {
            std::fprintf(stderr, "FAIL: the RTSP test box did not start again\n");
            return false;
        }
        QElapsedTimer back;
        back.start();
        if (!WaitFor([&] { return PictureMoves(area); }, 30000)) {
            std::fprintf(stderr, "FAIL: the picture did not come back after the outage\n");
            return false;
        }
        std::printf("picture moving again %lld ms after the box came back\n",
                    static_cast<long long>(back.elapsed()));
        return true;
    };
    if (CheckMovingPicture(kalore, outputFolder, outage) != 0) {
        return 1;
    }
    // The close sends TEARDOWN at once; the box may take a moment to say so.
    WaitFor([&] { return box.Teardowns() > 0; }, 5000);
    std::printf("box sessions: %d, teardowns: %d\n", box.Sessions(), box.Teardowns());
    // One before the outage, one after.
    if (box.Sessions() != 2 || box.Teardowns() != 1) {
        std::fprintf(stderr, "FAIL: the box wants one session at a time, closed with TEARDOWN\n");
        return 1;
    }
    return 0;
}

// How combed the picture is: the mean difference of brightness between neighbouring
// lines, 0 for a picture whose fields agree, above 200 for white and black lines.
double Combing(const QImage& image) {
    double sum = 0;
    for (int y = 0; y + 1 < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x, y + 1)));
        }
    }
    return sum / (double(image.width()) * (image.height() - 1));
}

// A channel whose two fields are white and black must reach the screen blended grey.
int CheckDeinterlacing(const QString& buildDir, const QString& address) {
    RealProgram kalore(buildDir, address);
    QPoint origin;
    if (!kalore.WaitForMainWindow(origin)) {
        std::fprintf(stderr, "FAIL: no main window within 30 s\n");
        return 1;
    }
    // The middle of the picture: its edges may be scaled by a pixel.
    const QRect middle = QRect(kControlArea.center() - QPoint(100, 100), QSize(200, 200));
    kalore.Click(kButton1Centre);
    // A quarter lit: raw, half the lines are black.
    if (!WaitFor([&] { return NonBlackPixels(Screen(middle.translated(origin))) > 10000; },
                 20000)) {
        std::fprintf(stderr, "FAIL: no picture within 20 s\n");
        return 1;
    }
    WaitFor([] { return false; }, 1000);
    const double combing = Combing(Screen(middle.translated(origin)));
    std::printf("combing of a white-and-black interlaced picture: %.1f (none: 0, raw: ~200)\n",
                combing);
    if (combing > 20) {
        std::fprintf(stderr, "FAIL: the picture is not deinterlaced\n");
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

// The screen's right-hand strip, beside the main window (at the top left on a display
// without a window manager): lit only when the picture fills the screen.
QRect BesideTheWindow() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return QRect(screen.right() - 200, screen.top() + 100, 180, screen.height() - 200);
}

bool FillsTheScreen() {
    const QRect strip = BesideTheWindow();
    return NonBlackPixels(Screen(strip)) > strip.width() * strip.height() / 2;
}

QString IniText(const RealProgram& kalore) {
    QFile file(kalore.IniFile());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The end of a check that passed so far: Kalore must end cleanly for it to pass.
int EndedCleanly(RealProgram& kalore) {
    if (const int code = kalore.Stop(); code != 0) {
        std::fprintf(stderr, "FAIL: Kalore did not end cleanly (%d)\n", code);
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

// Presses "Regarder la TV" once the main window shows; the picture's area on the
// screen, or an empty one when the window or the picture didn't come (said why).
QRect WatchFirstChannel(RealProgram& kalore) {
    QPoint origin;
    if (!kalore.WaitForMainWindow(origin)) {
        std::fprintf(stderr, "FAIL: no main window within 30 s\n");
        return {};
    }
    const QRect area = kControlArea.translated(origin);
    kalore.Click(kButton1Centre);
    if (!WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 20000)) {
        std::fprintf(stderr, "FAIL: no picture within 20 s\n");
        return {};
    }
    return area;
}

// F11 shows the moving picture over the whole screen; Down lowers the sound and the
// settings file keeps it; Escape puts the picture back in the window.
// With toggles > 0, prints the milliseconds from each F11 to the full-screen picture.
int CheckFullScreen(const QString& buildDir, const QString& address, int toggles) {
    RealProgram kalore(buildDir, address);
    const QRect area = WatchFirstChannel(kalore);
    if (area.isEmpty()) {
        return 1;
    }
    for (int i = 0; i < toggles; ++i) {
        QElapsedTimer clock;
        clock.start();
        kalore.Key("F11");
        if (!WaitFor(FillsTheScreen, 5000)) {
            std::fprintf(stderr, "FAIL: F11 did not fill the screen\n");
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(clock.elapsed()));
        std::fflush(stdout);
        kalore.Key("Escape");
        if (!WaitFor([] { return !FillsTheScreen(); }, 5000)) {
            std::fprintf(stderr, "FAIL: Escape did not leave full screen\n");
            return 1;
        }
        WaitFor([] { return false; }, 500);
    }
    if (toggles > 0) {
        return 0;
    }
    kalore.Key("F11");
    if (!WaitFor(FillsTheScreen, 5000)) {
        std::fprintf(stderr, "FAIL: F11 did not fill the screen\n");
        Screen(QGuiApplication::primaryScreen()->geometry()).save("/tmp/kalore-fullscreen.png");
        return 1;
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QImage first = Screen(screen);
    WaitFor([] { return false; }, 1000);
    const QImage second = Screen(screen);
    std::printf("full screen: non-black %d of %d; changed %.1f %%\n", NonBlackPixels(second),
                screen.width() * screen.height(), DifferentShare(first, second) * 100);
    if (NonBlackPixels(second) < screen.width() * screen.height() / 2 ||
        DifferentShare(first, second) < 0.01) {
        std::fprintf(stderr, "FAIL: no moving picture over the screen\n");
        return 1;
    }
    // From the full level: three steps down, kept once the keys are over.
    for (int i = 0; i < 3; ++i) {
        kalore.Key("Down");
    }
    if (!WaitFor([&] { return IniText(kalore).contains("volume=85"); }, 5000)) {
        std::fprintf(stderr, "FAIL: the volume was not saved:\n%s\n", qPrintable(IniText(kalore)));
        return 1;
    }
    kalore.Key("Escape");
    if (!WaitFor([] { return !FillsTheScreen(); }, 5000) ||
        !WaitFor([&] { return NonBlackPixels(Screen(area)) > kPictureShown; }, 5000)) {
        std::fprintf(stderr, "FAIL: Escape did not bring the picture back to the window\n");
        return 1;
    }
    const QImage back = Screen(area);
    WaitFor([] { return false; }, 1000);
    if (DifferentShare(back, Screen(area)) < 0.01) {
        std::fprintf(stderr, "FAIL: the picture back in the window does not move\n");
        return 1;
    }
    return EndedCleanly(kalore);
}

// A click gives the picture the keys; Space holds it, Space again plays on.
int CheckPause(const QString& buildDir, const QString& address) {
    RealProgram kalore(buildDir, address);
    const QRect area = WatchFirstChannel(kalore);
    if (area.isEmpty()) {
        return 1;
    }
    kalore.Click(kControlArea.center());
    kalore.Key("space");
    // Once the "Pause" news over the picture is gone.
    WaitFor([] { return false; }, 1500);
    const QImage held = Screen(area);
    if (NonBlackPixels(held) <= kPictureShown) {
        std::fprintf(stderr, "FAIL: the picture went away\n");
        return 1;
    }
    WaitFor([] { return false; }, 1500);
    const double whilePaused = DifferentShare(held, Screen(area));
    kalore.Key("space");
    WaitFor([] { return false; }, 1500);
    const double afterResume = DifferentShare(held, Screen(area));
    std::printf("changed while paused: %.2f %%; after resuming: %.1f %%\n", whilePaused * 100,
                afterResume * 100);
    if (whilePaused > 0.001) {
        std::fprintf(stderr, "FAIL: Space did not hold the picture\n");
        return 1;
    }
    if (afterResume < 0.01) {
        std::fprintf(stderr, "FAIL: a second Space did not play on\n");
        return 1;
    }
    return EndedCleanly(kalore);
}

// The second channel of the zapping checks: a flat blue picture, told apart from
// the moving test picture at a glance.
constexpr const char* kBluePicture = "color=c=0x1030E0:size=640x480:rate=25";

// The middle third of the picture: the channel's banner lies over its foot.
QRect MiddleOf(const QRect& picture) {
    return QRect(picture.x(), picture.y() + picture.height() / 3, picture.width(),
                 picture.height() / 3);
}

double BlueShare(const QImage& image) {
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            blue += qBlue(line[x]) > 150 && qRed(line[x]) < 90 && qGreen(line[x]) < 120;
        }
    }
    return double(blue) / (image.width() * image.height());
}

// The moving channel first, the blue one second, in the Orange list.
std::function<void(const QString&)> TwoChannels(const TestChannel& moving,
                                                const TestChannel& blue) {
    return [&](const QString& programFolder) {
        QFile list(programFolder + "B/listeTVforKalore.txt");
        list.open(QIODevice::WriteOnly | QIODevice::Truncate);
        list.write("1,Mire\r\n" + moving.Address().toUtf8() + "\r\n2,Bleu\r\n" +
                   blue.Address().toUtf8() + "\r\n");
    };
}

// Watching the moving channel, Page Down shows the blue one in the same place, Page Up
// the moving one again, and the blue one chosen in the channel box plays at once.
int CheckZapping(const QString& buildDir, const TestChannel& moving, const TestChannel& blue) {
    RealProgram kalore(buildDir, moving.Address(), {}, TwoChannels(moving, blue));
    const QRect area = MiddleOf(WatchFirstChannel(kalore));
    if (area.isEmpty()) {
        return 1;
    }
    const auto showsBlue = [&] {
        return BlueShare(Screen(area)) > 0.9;
    };
    const auto showsMoving = [&] {
        const QImage shown = Screen(area);
        return NonBlackPixels(shown) > kPictureShown / 3 && BlueShare(shown) < 0.5;
    };
    const std::pair<const char*, std::function<bool()>> steps[] = {{"Next", showsBlue},
                                                                   {"Prior", showsMoving}};
    for (const auto& [key, shows] : steps) {
        kalore.Key(key);
        if (!WaitFor(shows, 10000)) {
            std::fprintf(stderr, "FAIL: %s did not change the picture\n", key);
            return 1;
        }
    }
    // The channel box: a click in it, Down for the next channel.
    kalore.Click(QPoint(86 + 300, 7 + 10));
    kalore.Key("Down");
    if (!WaitFor(showsBlue, 10000)) {
        std::fprintf(stderr, "FAIL: the channel chosen in the box did not play\n");
        return 1;
    }
    std::printf("Page Down, Page Up and the channel box switched the picture\n");
    return EndedCleanly(kalore);
}

// For the benchmark: per sample, "<ms from Page Down to the blue channel's picture>
// <ms from a click on Regarder la TV to the moving channel's picture> <ms to the blue
// channel's next key frame> <ms to the moving one's>".
int PrintZapTimes(const QString& buildDir, const TestChannel& moving, const TestChannel& blue,
                  int samples) {
    QElapsedTimer clock;
    clock.start();
    KeyFrameWatch movingKeys(moving.ProbeAddress(), clock);
    KeyFrameWatch blueKeys(blue.ProbeAddress(), clock);
    if (!movingKeys.WaitUntilReading() || !blueKeys.WaitUntilReading()) {
        return 1;
    }
    RealProgram kalore(buildDir, moving.Address(), {}, TwoChannels(moving, blue));
    const QRect area = MiddleOf(WatchFirstChannel(kalore));
    if (area.isEmpty()) {
        return 1;
    }
    const auto showsMoving = [&] {
        const QImage shown = Screen(area);
        return NonBlackPixels(shown) > kPictureShown / 3 && BlueShare(shown) < 0.5;
    };
    // Orders at random moments of the channels' key-frame period, so the floors vary.
    const auto restAWhile = [] {
        WaitFor([] { return false; }, 1000 + int(QRandomGenerator::global()->bounded(480)));
    };
    for (int i = 0; i < samples; ++i) {
        restAWhile();
        const qint64 zapped = clock.elapsed();
        kalore.Key("Next");
        if (!WaitFor([&] { return BlueShare(Screen(area)) > 0.9; }, 10000)) {
            return 1;
        }
        const qint64 zapMs = clock.elapsed() - zapped;
        const qint64 back = clock.elapsed();
        kalore.Key("Prior");
        if (!WaitFor(showsMoving, 10000)) {
            return 1;
        }
        std::fprintf(stderr, "back %lld\n", (long long)(clock.elapsed() - back));
        kalore.Click(kButton8Centre);
        if (!WaitFor([&] { return NonBlackPixels(Screen(area)) < kPictureShown / 12; }, 10000)) {
            return 1;
        }
        restAWhile();
        const qint64 started = clock.elapsed();
        kalore.Click(kButton1Centre);
        if (!WaitFor(showsMoving, 20000)) {
            return 1;
        }
        const qint64 freshMs = clock.elapsed() - started;
        std::printf("%lld %lld %d %d\n", static_cast<long long>(zapMs),
                    static_cast<long long>(freshMs), blueKeys.NextAfter(zapped),
                    movingKeys.NextAfter(started));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // In the Wayland session the test reads Kalore's window through XWayland.
    if (std::find(argv, argv + argc, std::string_view("--wayland")) != argv + argc) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: live_view_e2e BUILD_DIR [FOLDER | --first-pictures=WHO:N | "
                             "--deinterlace]\n");
        return 2;
    }
    if (Run("sh", {"-c", "command -v xdotool"}).isEmpty()) {
        std::fprintf(stderr, "FAIL: xdotool is missing (scripts/install-deps installs it)\n");
        return 1;
    }
    const QString option = args.value(1);
    if (option == "--free-box") {
        return CheckFreeBoxChannel(args[0], {});
    }
    if (option.startsWith("--first-pictures=kalore-rtsp:")) {
        // A second session for the key-frame watch, which reads the box directly.
        kalore::testing::RtspTestBox box(2);
        QTemporaryDir work;
        if (!box.Start()) {
            return 1;
        }
        const QString address = QString::fromStdString(box.Address(201));
        return PrintFirstPictures("kalore", option.section(':', 1).toInt(), args[0], address,
                                  address, FreeStart(work, box));
    }
    if (option == "--zap" || option.startsWith("--zap-pictures=")) {
        TestChannel moving;
        TestChannel blue(kBluePicture);
        if (!moving.Start() || !blue.Start()) {
            std::fprintf(stderr, "FAIL: ffmpeg did not start\n");
            return 1;
        }
        return option == "--zap"
                   ? CheckZapping(args[0], moving, blue)
                   : PrintZapTimes(args[0], moving, blue, option.section('=', 1).toInt());
    }
    TestChannel channel(option == "--deinterlace" ? TestChannel::kCombedPicture
                                                  : TestChannel::kMovingPicture);
    if (!channel.Start()) {
        std::fprintf(stderr, "FAIL: ffmpeg did not start\n");
        return 1;
    }
    if (option == "--deinterlace") {
        return CheckDeinterlacing(args[0], channel.Address());
    }
    if (option == "--pause") {
        return CheckPause(args[0], channel.Address());
    }
    if (option == "--wayland") {
        return CheckWaylandSession(args[0], channel.Address());
    }
    if (option == "--full-screen") {
        return CheckFullScreen(args[0], channel.Address(), 0);
    }
    if (option.startsWith("--full-screen-toggles=")) {
        return CheckFullScreen(args[0], channel.Address(), option.section('=', 1).toInt());
    }
    if (option.startsWith("--first-pictures=")) {
        const QStringList whoAndCount = option.section('=', 1).split(':');
        return PrintFirstPictures(whoAndCount.value(0), whoAndCount.value(1).toInt(), args[0],
                                  channel.Address(), channel.ProbeAddress());
    }
    RealProgram kalore(args[0], channel.Address());
    return CheckMovingPicture(kalore, option);
}
