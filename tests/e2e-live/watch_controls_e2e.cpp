// Watching the picture, on a real X display where a native window changes parent as
// it does for the user: a double-click moves the playing player itself over the whole
// screen and back, the wheel and the keys set libVLC's sound level, which the settings
// file keeps, a player that goes away during full screen takes the window with it, and
// a live channel paused resumes where it paused, behind live, until D goes back to live.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "fakes/fakes.h"
#include "gui/watch_controls.h"
#include "player/live_view.h"
#include "settings/settings_file.h"
#include "support/test_stream_file.h"
#include "test_channel.h"

using kalore::FullScreenPlayer;
using kalore::LiveView;
using kalore::SettingsFile;
using kalore::TVLCPlugin;
using kalore::WatchControls;

class WatchControlsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString address_;
    kalore::testing::FakeHost host_;
    kalore::testing::FakeClock clock_;
    std::unique_ptr<QWidget> window_;
    QWidget* panel_ = nullptr;
    std::unique_ptr<SettingsFile> settings_;
    std::unique_ptr<LiveView> live_;
    std::unique_ptr<WatchControls> watch_;

    QString IniPath() const { return dir_.path() + "/B/kalore.ini"; }
    QByteArray Ini() const {
        QFile file(IniPath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    void Wheel(QWidget& target, int delta) {
        QWheelEvent event(QPointF(20, 20), target.mapToGlobal(QPointF(20, 20)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&target, &event);
    }

private slots:
    void initTestCase() {
        QVERIFY(kalore::testing::MakeTestStreamFile(dir_.path() + "/channel.ts"));
        address_ = "file://" + dir_.path() + "/channel.ts";
        QDir(dir_.path()).mkpath("B");
    }

    void init() {
        QFile ini(IniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Visual]\r\nlastRecordPath=\r\nvolume=30\r\n");
        ini.close();
        window_ = std::make_unique<QWidget>();
        window_->resize(742, 742);
        panel_ = new QWidget(window_.get());
        panel_->setGeometry(226, 37, 509, 388);
        settings_ = std::make_unique<SettingsFile>(dir_.path().toStdString() + "/", host_, clock_);
        live_ = std::make_unique<LiveView>(
            *panel_, host_, [] { return true; }, [] {},
            // The dummy audio output has no level to read back; ALSA's keeps it in
            // libVLC even with no sound card (it complains, and plays nothing).
            std::vector<std::string>{"--no-xlib", "--quiet", "--vout=dummy", "--aout=alsa"});
        watch_ = std::make_unique<WatchControls>(*window_, *live_, *settings_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QVERIFY(live_->Watch(address_.toStdString()));
        QTRY_VERIFY_WITH_TIMEOUT(live_->Control()->Playing(), 10000);
    }

    void cleanup() {
        watch_.reset();
        live_.reset();
        settings_.reset();
        window_.reset();
        QVERIFY(host_.messages.empty());
    }

    void theStoredLevelIsSetAndTheWheelAndKeysChangeIt() {
        TVLCPlugin& player = *live_->Control();
        QCOMPARE(player.Volume(), 30);
        Wheel(player, 240);
        QCOMPARE(watch_->Volume(), 40);
        QCOMPARE(player.Volume(), 40);
        QVERIFY(watch_->Overlay().isVisible());
        QCOMPARE(watch_->Overlay().text(), QStringLiteral("Volume : 40 %"));
        // Written once the burst is over, on its own line.
        QCOMPARE(Ini(), QByteArray("[Visual]\r\nlastRecordPath=\r\nvolume=30\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(!watch_->Overlay().isVisible(), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Ini(), QByteArray("[Visual]\r\nlastRecordPath=\r\nvolume=40\r\n"),
                                  3000);

        QTest::keyClick(&player, Qt::Key_M);
        QVERIFY(watch_->Muted());
        QVERIFY(player.Muted());
        QCOMPARE(watch_->Overlay().text(), QStringLiteral("Son coupé"));
        // In the window, Up and Down are the focus's, not the sound's.
        QTest::keyClick(&player, Qt::Key_Down);
        QCOMPARE(watch_->Volume(), 40);
        QTest::keyClick(&player, Qt::Key_M);
        QVERIFY(!player.Muted());

        // A new player of the live view gets the level.
        QVERIFY(live_->Watch(address_.toStdString()));
        QCOMPARE(live_->Control()->Volume(), 40);
    }

    void doubleClickGoesFullScreenAndEscapeComesBack() {
        TVLCPlugin* player = live_->Control();
        const QRect inPanel = player->geometry();
        const WId native = player->winId();
        QTest::mouseDClick(player, Qt::LeftButton);
        FullScreenPlayer& full = watch_->FullScreenWindow();
        QVERIFY(watch_->FullScreen());
        QCOMPARE(player->parentWidget(), &full);
        QCOMPARE(player->geometry(), full.rect());
        QCOMPARE(full.geometry(), full.screen()->geometry());
        // The same native window: libVLC draws on without a restart.
        QCOMPARE(player->winId(), native);
        QVERIFY(player->Playing());

        // Up and Down set the sound here; the pointer hides when still.
        QTest::keyClick(&full, Qt::Key_Down);
        QCOMPARE(player->Volume(), 25);
        QTRY_COMPARE_WITH_TIMEOUT(full.cursor().shape(), Qt::BlankCursor, 5000);

        QTest::keyClick(&full, Qt::Key_Escape);
        QVERIFY(!watch_->FullScreen());
        QVERIFY(full.isHidden());
        QCOMPARE(player->parentWidget(), panel_);
        QCOMPARE(player->geometry(), inPanel);
        QCOMPARE(player->winId(), native);

        // F11 both ways, from the window and from full screen.
        watch_->ToggleFullScreen();
        QVERIFY(watch_->FullScreen());
        QTest::keyClick(&full, Qt::Key_F11);
        QVERIFY(!watch_->FullScreen());
        QCOMPARE(player->parentWidget(), panel_);
    }

    void aPlayerThatGoesAwayInFullScreenClosesIt() {
        watch_->ToggleFullScreen();
        QVERIFY(watch_->FullScreen());
        live_->DestroyControl();
        QVERIFY(!watch_->FullScreen());
        QVERIFY(watch_->FullScreenWindow().isHidden());
        // Nothing to show: F11 does nothing.
        watch_->ToggleFullScreen();
        QVERIFY(!watch_->FullScreen());
    }

    void spacePausesLiveAndResumesWhereItPausedBehindLive() {
        TestChannel channel;
        QVERIFY(channel.Start());
        QVERIFY(live_->Watch(channel.Address().toStdString()));
        TVLCPlugin* player = live_->Control();
        QTRY_VERIFY_WITH_TIMEOUT(player->Playing() && player->Time() > 1000, 20000);

        QTest::keyClick(player, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(player->Paused(), 5000);
        QCOMPARE(watch_->Overlay().text(), QStringLiteral("Pause"));
        const long long paused = player->Time();
        QTest::qWait(2000);
        QVERIFY(player->Paused());
        QVERIFY2(player->Time() - paused < 100, qPrintable(QString::number(player->Time())));
        // A lasting sign, with how far behind live the picture has fallen.
        QTRY_VERIFY(watch_->PauseSign().text().startsWith(QStringLiteral("❚❚ Pause   −00:0")));
        QVERIFY(watch_->BehindLive() >= 2000);
        QVERIFY(watch_->PauseSign().isVisible());

        QTest::keyClick(player, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!player->Paused() && player->Time() > paused + 200, 5000);
        QTest::qWait(1000);
        // Where it paused, plus the time played since: two seconds behind live.
        const long long resumed = player->Time();
        QVERIFY2(resumed > paused + 500 && resumed < paused + 1900,
                 qPrintable(QStringLiteral("%1 -> %2").arg(paused).arg(resumed)));
        // Playing behind live, the sign says by how much, and stays.
        QTRY_COMPARE(watch_->PauseSign().text(), WatchControls::BehindText(watch_->BehindLive()));
        QVERIFY(watch_->PauseSign().text().startsWith(QStringLiteral("−00:0")));

        // D: what the channel shows now, in a fresh player.
        QPointer<TVLCPlugin> old = player;
        QTest::keyClick(player, Qt::Key_D);
        QVERIFY(old.isNull());
        QVERIFY(live_->Control() != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(live_->Control()->Playing(), 20000);
        QVERIFY(!live_->Control()->Paused());
        QCOMPARE(watch_->Overlay().text(), QStringLiteral("Direct"));
        QVERIFY(!watch_->PauseSign().isVisible());
        QCOMPARE(watch_->BehindLive(), 0);
    }
};

QTEST_MAIN(WatchControlsTest)
#include "watch_controls_e2e.moc"
