#include <sys/socket.h>

#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "fakes/fakes.h"
#include "player/live_view.h"
#include "player/player_check.h"
#include "player/player_registration.h"
#include "relay/relay.h"
#include "support/loopback_servers.h"
#include "support/recording_harness.h"
#include "support/rtsp_test_box.h"
#include "support/temp_folder.h"
#include "support/test_stream_file.h"

using kalore::LiveView;
using kalore::TVLCPlugin;
using kalore::testing::FreeLoopbackPort;

namespace {

// No picture or sound leaves the test: libVLC's outputs are the dummy ones.
const std::vector<std::string> kQuietPlayer{"--no-xlib", "--quiet", "--vout=dummy", "--aout=dummy"};

// A multicast-style address nobody sends to: the player waits there for ever.
QString SilentUdpAddress() {
    return QString("udp://@127.0.0.1:%1").arg(FreeLoopbackPort(SOCK_DGRAM));
}

// A server that refuses the connection: the stream never reaches playing.
QString RefusedHttpAddress() {
    return QString("http://127.0.0.1:%1/channel.ts").arg(FreeLoopbackPort(SOCK_STREAM));
}

} // namespace

class LiveViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString streamFile;
    kalore::testing::FakeHost host;
    bool available = true;
    int dialogShown = 0;
    std::unique_ptr<QWidget> window;
    QWidget* panel = nullptr;
    QLabel* label3 = nullptr;
    std::unique_ptr<LiveView> live;

    void makeLive(std::vector<std::string> args = kQuietPlayer) {
        live = std::make_unique<LiveView>(
            *panel, host, [this] { return available; }, [this] { ++dialogShown; }, std::move(args));
    }
    std::string fileAddress() const { return "file://" + streamFile.toStdString(); }

private slots:
    void initTestCase() {
        // A short real stream, so that the player really reaches "playing".
        streamFile = dir.path() + "/channel.ts";
        QVERIFY(kalore::testing::MakeTestStreamFile(streamFile));
    }

    void init() {
        host = {};
        available = true;
        dialogShown = 0;
        window = std::make_unique<QWidget>();
        window->resize(742, 742);
        panel = new QWidget(window.get());
        panel->setGeometry(226, 37, 509, 388);
        label3 = new QLabel("Kalore !!", panel);
        label3->move(216, 180);
        window->show();
        makeLive();
    }

    void cleanup() {
        live.reset();
        window.reset();
    }

    void playingThenStoppedHidesTheControl() {
        QVERIFY(live->Control() == nullptr);
        QVERIFY(live->Watch(fileAddress()));
        QVERIFY(host.messages.empty());
        TVLCPlugin* control = live->Control();
        QVERIFY(control != nullptr);
        QCOMPARE(control->parentWidget(), panel);
        QCOMPARE(control->geometry(), QRect(10, 10, 489, 368));
        QVERIFY(control->isVisible());
        QCOMPARE(control->ItemCount(), 1);
        QCOMPARE(live->LiveStreamAddress(), fileAddress());
        QTRY_VERIFY_WITH_TIMEOUT(control->Playing(), 10000);

        live->StopWatching();
        QVERIFY(live->Control() == control);
        QVERIFY(control->isHidden());
        QVERIFY(!control->Playing());
        QVERIFY(label3->isVisible());
    }

    void stopBeforePlayingLeavesTheStoppedControlVisible() {
        QVERIFY(live->Watch(RefusedHttpAddress().toStdString()));
        TVLCPlugin* control = live->Control();
        QVERIFY(control != nullptr);
        QTest::qWait(300);
        QVERIFY(!control->Playing());
        live->StopWatching();
        QVERIFY(control->isVisible());
        QVERIFY(host.messages.empty());
    }

    void secondPressReplacesTheControl() {
        live->Watch(SilentUdpAddress().toStdString());
        QPointer<TVLCPlugin> first = live->Control();
        live->Watch(fileAddress());
        QVERIFY(first.isNull());
        QVERIFY(live->Control() != nullptr);
        QCOMPARE(panel->findChildren<TVLCPlugin*>().size(), 1);
        QCOMPARE(live->LiveStreamAddress(), fileAddress());
        QTRY_VERIFY_WITH_TIMEOUT(live->Control()->Playing(), 10000);
    }

    void controlIsAlways20PixelsSmallerThanThePanel() {
        for (const QSize size : {QSize(509, 388), QSize(300, 200), QSize(21, 21)}) {
            panel->resize(size);
            live->Watch(SilentUdpAddress().toStdString());
            QCOMPARE(live->Control()->geometry(),
                     QRect(10, 10, size.width() - 20, size.height() - 20));
        }
    }

    void unavailableControlShowsTheDialogInstead() {
        available = false;
        // Not a failure: "Stop lecture" follows, as after a start.
        QVERIFY(live->Watch(fileAddress()));
        QVERIFY(live->Watch(fileAddress()));
        QCOMPARE(dialogShown, 2);
        QVERIFY(live->Control() == nullptr);
        QVERIFY(host.messages.empty());
        live->StopWatching();
        QVERIFY(host.messages.empty());
    }

    void noChannelSelectedIsRefusedWithAMessage() {
        QVERIFY(!live->Watch(""));
        QCOMPARE(host.messages.size(), size_t(1));
        QVERIFY(live->Control() != nullptr);
        QCOMPARE(live->LiveStreamAddress(), std::string());
    }

    void playerThatCannotBeCreatedLeavesNoControl() {
        makeLive({"--no-such-option-for-kalore"});
        QVERIFY(!live->Watch(fileAddress()));
        QCOMPARE(host.messages.size(), size_t(1));
        QVERIFY(live->Control() == nullptr);
    }

    // A box that can't be reached: the log names the box's address beside the local
    // one, the user is told why once, and the player stops instead of trying again
    // and again.
    void refusedRelayedChannelIsToldOnceAndStops() {
        const std::string box =
            "rtsp://127.0.0.1:" + std::to_string(FreeLoopbackPort(SOCK_STREAM)) +
            "/fbxtv_pub/stream?namespace=1&service=201";
        kalore::Relay::Options options;
        options.refused = [this](const std::string& source, const std::string& reason) {
            QMetaObject::invokeMethod(
                window.get(), [this, source, reason] { live->SourceRefused(source, reason); });
        };
        kalore::Relay relay(options);
        live->UseRelay(relay);
        QVERIFY(live->Watch(box));
        QCOMPARE(host.log.at(0).rfind(
                     "Relais RTSP : " + box + " est regardé depuis http://127.0.0.1:", 0),
                 0u);
        QTRY_COMPARE(host.messages.size(), std::size_t(1));
        QCOMPARE(host.messages[0],
                 std::string("Impossible de regarder cette chaîne : la Freebox est "
                             "injoignable (pas de route vers elle)"));
        QTest::qWait(3000);
        QCOMPARE(host.messages.size(), std::size_t(1));
        QVERIFY(!live->Control()->Playing());
        QCOMPARE(live->LiveStreamAddress(), box);
    }

    // The box gives one stream, as a Free box does. Changing channel (zapping) ends
    // the old session before the new one opens: the picture comes, and nobody is told
    // anything. With a recording of the first channel running, the recording keeps
    // the stream and the user learns which one does.
    void channelChangeOnAOneStreamBox() {
        kalore::testing::RtspTestBox box;
        QVERIFY(box.Start());
        const std::string first = box.Address(201);
        const std::string second = box.Address(202);
        kalore::Relay::Options options;
        options.linger = std::chrono::seconds(3);
        std::mutex logMutex;
        std::string logged;
        options.log = [&](const std::string& line) {
            std::lock_guard lock(logMutex);
            logged += line + "\n";
        };
        std::unique_ptr<kalore::Relay> relay;
        options.refused = [&](const std::string& source, const std::string& reason) {
            QMetaObject::invokeMethod(window.get(), [&, source, reason] {
                const std::string recorded = relay->RecordingHolding(source);
                live->SourceRefused(source, reason,
                                    recorded == first ? "201 - France 2" : recorded);
            });
        };
        relay = std::make_unique<kalore::Relay>(options);
        live->UseRelay(*relay);
        QVERIFY(live->Watch(first));
        QTRY_VERIFY_WITH_TIMEOUT(live->Control()->ReadBytes() > 50'000, 20000);
        QVERIFY(live->Zap(second));
        QTRY_VERIFY_WITH_TIMEOUT(live->Control()->ReadBytes() > 50'000, 20000);
        QVERIFY2(host.messages.empty(), host.messages.empty() ? "" : host.messages[0].c_str());
        QCOMPARE(box.Events(), std::string("STS"));

        // Back to the first channel, then its programmed recording; live view moves on.
        QVERIFY(live->Watch(first));
        QTRY_VERIFY_WITH_TIMEOUT(live->Control()->ReadBytes() > 50'000, 20000);
        const kalore::testing::TempFolder folder("kalore-live-relay");
        QDir().mkpath(QString::fromStdString(folder.Slashed() + "RECORDS"));
        kalore::testing::RecordingHarness harness(folder.Slashed(), "/usr/bin/vlc", relay.get());
        harness.StartProgrammed(first, kalore::kFormatH264, 8);
        harness.RunFor(std::chrono::seconds(2));
        QVERIFY(live->Zap(second));
        QVERIFY(harness.RunUntil(
            [&] {
                QCoreApplication::processEvents();
                return !harness.statuses.empty();
            },
            std::chrono::seconds(40)));
        QCOMPARE(harness.statuses[0].second, std::string("Terminé"));
        std::string told;
        for (const std::string& message : host.messages)
            told += message + "\n";
        told += logged;
        QVERIFY2(host.messages.size() == 1, told.c_str());
        QVERIFY2(host.messages[0] == "La Freebox n'accepte qu'un flux à la fois : "
                                     "« 201 - France 2 » est en cours d'enregistrement.",
                 told.c_str());
    }

    void registrationCheckSetsTheFlagOrShowsTheDialog() {
        QDialog dialog;
        int shown = 0;
        connect(&dialog, &QDialog::finished, [&shown] { ++shown; });
        bool flag = true;
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        kalore::CheckPlayerRegistration(flag, dialog, [] { return false; });
        QVERIFY(!flag);
        QCOMPARE(shown, 1);
        kalore::CheckPlayerRegistration(flag, dialog, [] { return true; });
        QVERIFY(flag);
        QCOMPARE(shown, 1);
        // The installed libVLC passes the real check, each time it is made.
        kalore::CheckPlayerRegistration(flag, dialog);
        QVERIFY(flag);
        QVERIFY(kalore::PlayerControlAvailable());
    }
};

QTEST_MAIN(LiveViewTest)
#include "live_view_test.moc"
