// The captions the desktop really shows, read from the X server: the main window, a
// message box and the player location dialog bear exactly their own text, and the
// application title is the task-bar name. Then the way out of the player dialog
// that keeps coming back: "Quitter Kalore" closes the program, its close sequence run.
// And where the windows open on a laptop's screen (run at 1366x768 and 1366x700): the
// main window, the guide and the list of recordings inside it, the guide beside the
// picture; a larger main window gives the picture the room.
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QDateTime>
#include <QScreen>

#include "gui/guide_window.h"
#include "gui/player_location_dialog.h"
#include "gui/recordings_window.h"
#include "guide/guide.h"
#include "support/xmltv_sample.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;

namespace {

// An X property of a window as the desktop reads it.
QString XProperty(const QWidget& window, const char* name) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), name});
    xprop.waitForFinished(10000);
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const int quote = line.indexOf('"');
    return quote < 0 ? line : line.mid(quote + 1).chopped(1);
}

// Runs `inspect` on the first modal window once it is up, while the caller is inside
// its modal call.
void WhenModalShows(const std::function<void(QWidget&)>& inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible() && modal->windowHandle()->isExposed()) {
            poll->stop();
            poll->deleteLater();
            inspect(*modal);
        }
    });
    poll->start(50);
}

} // namespace

class WindowCaptionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        folder_ = std::make_unique<ProgramFolder>(web_);
        folder_->Write("B/listeTVforKalore.txt", "1,TF1\r\nrtp://@232.0.1.1:8200\r\n");
        options_ = folder_->Options();
    }

    void everyWindowBearsExactlyItsCaption() {
        TForm1 window(options_);
        window.CreatePlayerDialog();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString caption = window.windowTitle();
        QVERIFY(caption.startsWith("Kalore v 1.1 - ") && caption.endsWith(" [Votre ISP : Orange]"));
        QCOMPARE(XProperty(window, "_NET_WM_NAME"), caption);
        QCOMPARE(XProperty(window, "_NET_WM_ICON_NAME"), QString("Kalore"));

        window.SetAppTitle("Recording..");
        QTRY_COMPARE(XProperty(window, "_NET_WM_ICON_NAME"), QString("Recording.."));
        QCOMPARE(XProperty(window, "_NET_WM_NAME"), caption);
        QString boxCaption;
        WhenModalShows([&boxCaption](QWidget& box) {
            boxCaption = XProperty(box, "_NET_WM_NAME");
            box.close();
        });
        window.ShowMessage("Un message");
        QCOMPARE(boxCaption, QString("Recording.."));
        window.SetAppTitle("Kalore");
    }

    void quittingFromThePlayerDialogRunsTheCloseSequence() {
        // No player at all: the dialog comes back at each activation.
        options_.playerAvailable = [] {
            return false;
        };
        options_.defaultPlayerLocation = folder_->File("absent/vlc").toStdString();
        TForm1 window(options_);
        window.CreatePlayerDialog();
        window.findChild<QLineEdit*>("Edit2")->setText("/tmp/dernier.avi");
        QString dialogCaption;
        WhenModalShows([&dialogCaption](QWidget& dialog) {
            dialogCaption = XProperty(dialog, "_NET_WM_NAME");
            QTest::mouseClick(dialog.findChild<QPushButton*>("Button5"), Qt::LeftButton);
        });
        window.show();
        window.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!dialogCaption.isEmpty(), 20000);
        QCOMPARE(
            dialogCaption,
            QString("Le logiciel VLC avec le plugin ActiveX nécessaire à Kalore est manquant"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
        QVERIFY(!window.playerDialog()->isVisible());
        QVERIFY(folder_->Read("B/kalore.ini").contains("lastRecordPath=/tmp/dernier.avi\r\n"));
        // Nothing brings the dialog back once the user asked to quit.
        window.activateWindow();
        QTest::qWait(300);
        QVERIFY(!window.playerDialog()->isVisible());
    }

    void windowsOpenInsideTheScreenAndThePictureGrows() {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        folder_->Write("B/guide.xml",
                       QByteArray::fromStdString(kalore::testing::SampleGuide(
                           kalore::testing::Consecutive("TF1.fr", now - 600, 3, 60, "Journal"))));
        QFile ini(folder_->File("B/kalore.ini"));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("[Guide]\r\nsource=B/guide.xml\r\n");
        ini.close();
        TForm1 window(options_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = window.screen()->availableGeometry();
        // Once it is placed (the set-up's boxes may come first).
        QTRY_VERIFY(area.contains(window.frameGeometry()));
        const int room =
            std::min(742, area.height() - (window.frameGeometry().height() - window.height()));
        QCOMPARE(window.height(), std::max(room, 742 - TForm1::kGridGive));
        QCOMPARE(window.width(), 742);

        QTRY_VERIFY_WITH_TIMEOUT(window.guide()->HasGuide(), 30000);
        window.GuideButtonClick();
        kalore::GuideWindow* guide = window.guideWindow();
        QVERIFY(QTest::qWaitForWindowExposed(guide));
        QTRY_VERIFY(area.contains(guide->frameGeometry()));
        // Beside the picture, where the screen leaves room for it.
        const QWidget* panel = window.findChild<QWidget*>("Panel1");
        const QRect picture(panel->mapToGlobal(QPoint(0, 0)), panel->size());
        QVERIFY2(!guide->frameGeometry().intersects(picture),
                 qPrintable(QString("guide %1,%2 %3x%4")
                                .arg(guide->x())
                                .arg(guide->y())
                                .arg(guide->width())
                                .arg(guide->height())));
        window.RecordingsButtonClick();
        QVERIFY(QTest::qWaitForWindowExposed(window.recordingsWindow()));
        QTRY_VERIFY(area.contains(window.recordingsWindow()->frameGeometry()));

        // Larger: the picture takes the room, the rest stays below it.
        window.resize(1042, std::min(area.height(), 842));
        QTRY_COMPARE(panel->width(), 809);
        QCOMPARE(panel->height(), 388 + std::max(0, window.height() - 742));
        const QWidget* button1 = window.findChild<QWidget*>("Button1");
        QCOMPARE(button1->y(), panel->geometry().bottom() + 7);
        QVERIFY(window.rect().contains(window.findChild<QWidget*>("CheckBox1")->geometry()));
        QVERIFY(!window.rect().intersects(window.findChild<QWidget*>("Memo1")->geometry()));
    }

private:
    LoopbackWeb web_;
    std::unique_ptr<ProgramFolder> folder_;
    kalore::MainWindowOptions options_;
};

QTEST_MAIN(WindowCaptionsTest)
#include "window_captions_e2e.moc"
