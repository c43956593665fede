// Live viewing through the main window's own buttons: "Regarder la TV" plays the
// selected channel in a player 10 pixels inside the video panel, "Stop lecture"
// stops it, a second press replaces the player, and a press that can't play leaves
// "Stop lecture" disabled.
#include <sys/socket.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "gui/message_box.h"
#include "gui/watch_controls.h"
#include "player/live_view.h"
#include "support/loopback_servers.h"
#include "support/test_stream_file.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::TVLCPlugin;
using kalore::testing::FreeLoopbackPort;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;

namespace {

bool Covers(const QWidget& control, const QWidget& label) {
    return control.geometry().contains(label.geometry());
}

} // namespace

class LiveViewingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void playThenStopShowsTheLabelsAgain();
    void secondPressPlaysTheNewSelectionInANewControl();
    void stopBeforePlayingLeavesTheControlVisible();
    void missingControlShowsTheDialogInsteadOfPlaying();
    void refusedPlayLeavesStopDisabled();
    void aChannelChosenWhileWatchingPlaysInTheSamePlayer();

private:
    std::unique_ptr<TForm1> MakeWindow() {
        auto window = std::make_unique<TForm1>(options_);
        window->CreatePlayerDialog();
        window->show();
        // Activation runs the player checks that set the control-available flag.
        if (!QTest::qWaitForWindowActive(window.get())) {
            return nullptr;
        }
        return window;
    }
    template <typename T> T* Find(TForm1& window, const char* name) {
        return kalore::testing::FindControl<T>(window, name);
    }
    void Click(TForm1& window, const char* button) {
        QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
    }

    QTemporaryDir streams_;
    QString playingAddress_;
    QString silentAddress_;  // nobody sends there
    QString refusedAddress_; // never reaches playing
    LoopbackWeb web_;
    std::unique_ptr<ProgramFolder> folder_;
    kalore::MainWindowOptions options_;
    int dialogShown_ = 0;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
};

void LiveViewingTest::initTestCase() {
    // The embedded player decodes for real but shows and plays nothing.
    qputenv("KALORE_LIBVLC_ARGS", "--vout=dummy --aout=dummy");
    const QString file = streams_.path() + "/channel.ts";
    QVERIFY(kalore::testing::MakeTestStreamFile(file));
    playingAddress_ = "file://" + file;
    silentAddress_ = QString("udp://@127.0.0.1:%1").arg(FreeLoopbackPort(SOCK_DGRAM));
    refusedAddress_ = QString("http://127.0.0.1:%1/channel.ts").arg(FreeLoopbackPort(SOCK_STREAM));
}

void LiveViewingTest::init() {
    folder_ = std::make_unique<ProgramFolder>(web_);
    folder_->Write("B/listeTVforKalore.txt", "1,Fichier\r\n" + playingAddress_.toUtf8() +
                                                 "\r\n2,Silence\r\n" + silentAddress_.toUtf8() +
                                                 "\r\n");
    options_ = folder_->Options();
    dialogShown_ = 0;
    options_.showPlayerDialog = [this](kalore::TForm4&) {
        ++dialogShown_;
    };
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

void LiveViewingTest::cleanup() {
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
}

void LiveViewingTest::playThenStopShowsTheLabelsAgain() {
    auto window = MakeWindow();
    QVERIFY(window != nullptr);
    QVERIFY(window->controlAvailable());
    auto* panel = Find<QWidget>(*window, "Panel1");
    auto* button8 = Find<QPushButton>(*window, "Button8");
    QVERIFY(!button8->isEnabled());
    QVERIFY(window->liveView().Control() == nullptr);

    Click(*window, "Button1");
    TVLCPlugin* control = window->liveView().Control();
    QVERIFY(control != nullptr);
    QCOMPARE(window->liveView().LiveStreamAddress(), playingAddress_.toStdString());
    QVERIFY(button8->isEnabled());
    QCOMPARE(control->parentWidget(), panel);
    QCOMPARE(control->geometry(), QRect(10, 10, 489, 368));
    QVERIFY(control->isVisible());
    for (const char* label : {"Label3", "Label6"}) {
        QVERIFY(Covers(*control, *Find<QLabel>(*window, label)));
    }
    QCOMPARE(panel->children().last(), control); // above the labels
    QTRY_VERIFY_WITH_TIMEOUT(control->Playing(), 10000);

    Click(*window, "Button8");
    QVERIFY(!button8->isEnabled());
    QCOMPARE(window->liveView().Control(), control);
    QVERIFY(control->isHidden());
    QVERIFY(Find<QLabel>(*window, "Label3")->isVisible());
    QVERIFY(Find<QLabel>(*window, "Label6")->isVisible());
    QVERIFY(Find<QPushButton>(*window, "Button1")->isEnabled());
}

void LiveViewingTest::secondPressPlaysTheNewSelectionInANewControl() {
    auto window = MakeWindow();
    Click(*window, "Button1");
    QPointer<TVLCPlugin> first = window->liveView().Control();
    QVERIFY(!first.isNull());

    auto* channels = Find<QComboBox>(*window, "ComboBox2");
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down); // the user picks the second channel
    QCOMPARE(window->channels().selectedIndex, 1);
    Click(*window, "Button1");
    QVERIFY(first.isNull());
    QCOMPARE(Find<QWidget>(*window, "Panel1")->findChildren<TVLCPlugin*>().size(), 1);
    QCOMPARE(window->liveView().LiveStreamAddress(), silentAddress_.toStdString());
    QVERIFY(Find<QPushButton>(*window, "Button8")->isEnabled());
}

void LiveViewingTest::stopBeforePlayingLeavesTheControlVisible() {
    folder_->Write("B/listeTVforKalore.txt", "1,Refus\r\n" + refusedAddress_.toUtf8() + "\r\n");
    auto window = MakeWindow();
    Click(*window, "Button1");
    TVLCPlugin* control = window->liveView().Control();
    QTest::qWait(300);
    QVERIFY(!control->Playing());
    Click(*window, "Button8");
    QVERIFY(!Find<QPushButton>(*window, "Button8")->isEnabled());
    QVERIFY(control->isVisible());
}

void LiveViewingTest::missingControlShowsTheDialogInsteadOfPlaying() {
    options_.playerAvailable = [] {
        return false;
    };
    auto window = MakeWindow();
    QVERIFY(window != nullptr);
    const int atActivation = dialogShown_;
    QCOMPARE(atActivation, 1);
    QVERIFY(!window->controlAvailable());
    Click(*window, "Button1");
    Click(*window, "Button1");
    QCOMPARE(dialogShown_, atActivation + 2);
    QVERIFY(window->liveView().Control() == nullptr);
    auto* button8 = Find<QPushButton>(*window, "Button8");
    QVERIFY(button8->isEnabled());
    Click(*window, "Button8");
    QVERIFY(!button8->isEnabled());
}

void LiveViewingTest::refusedPlayLeavesStopDisabled() {
    auto window = MakeWindow();
    QVERIFY(window != nullptr);
    // Typing into the channel box leaves no channel selected: there is nothing to play.
    QTest::keyClicks(Find<QComboBox>(*window, "ComboBox2")->lineEdit(), "x");
    Click(*window, "Button1");
    QCOMPARE(messages_->texts().size(), size_t(1));
    QVERIFY(!Find<QPushButton>(*window, "Button8")->isEnabled());
    messages_->clear();
}

void LiveViewingTest::aChannelChosenWhileWatchingPlaysInTheSamePlayer() {
    auto window = MakeWindow();
    auto* channels = Find<QComboBox>(*window, "ComboBox2");
    const auto watched = [&] {
        return window->liveView().LiveStreamAddress();
    };
    // Not watching: choosing a channel plays nothing.
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down);
    QVERIFY(window->liveView().Control() == nullptr);
    QTest::keyClick(channels, Qt::Key_Up);

    Click(*window, "Button1");
    QPointer<TVLCPlugin> player = window->liveView().Control();
    QCOMPARE(watched(), playingAddress_.toStdString());
    QTRY_VERIFY(window->watchControls().Banner().isVisible());
    QCOMPARE(window->watchControls().Banner().ChannelText(), QString("Fichier"));

    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down);
    QCOMPARE(watched(), silentAddress_.toStdString());
    QCOMPARE(window->liveView().Control(), player.data()); // no new player
    QCOMPARE(window->watchControls().Banner().ChannelText(), QString("Silence"));

    // Page Down goes round the list, wherever the focus is in the window.
    QTest::keyClick(Find<QWidget>(*window, "StringGrid1"), Qt::Key_PageDown);
    QCOMPARE(watched(), playingAddress_.toStdString());
    QCOMPARE(channels->currentText(), QString("Fichier"));
    // On the picture: a channel's number, once the typing pauses; Backspace goes back.
    player->setFocus();
    QTest::keyClick(player, Qt::Key_2);
    QCOMPARE(window->watchControls().Banner().ChannelText(), QString("Chaîne 2_"));
    QTRY_COMPARE(watched(), silentAddress_.toStdString());
    QTest::keyClick(player, Qt::Key_Backspace);
    QCOMPARE(watched(), playingAddress_.toStdString());
    QTest::keyClick(player, Qt::Key_7);
    QTest::keyClick(player, Qt::Key_Return);
    QCOMPARE(window->watchControls().Banner().ChannelText(), QString("Aucune chaîne n° 7"));
    QCOMPARE(watched(), playingAddress_.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(player->Playing(), 10000);

    // Stopped: the keys are the window's again.
    Click(*window, "Button8");
    QTest::keyClick(Find<QWidget>(*window, "StringGrid1"), Qt::Key_PageDown);
    QCOMPARE(watched(), playingAddress_.toStdString());
}

QTEST_MAIN(LiveViewingTest)
#include "live_viewing_test.moc"
