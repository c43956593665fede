// The tray icon on a real X display with a real tray (trayer): without a tray nothing
// breaks, and a tray started later takes the icon; hovering it shows the next
// programmed recording; a programmed recording's start and failure come as
// notifications beside it; and closing the main window still ends the program.
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolTip>

#include "gui/message_box.h"
#include "gui/tray_icon.h"
#include "recorder/recording_news.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::FindControl;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;

namespace {

// Puts the interval into the window's fields and presses "Programmer l'enregistrement".
void Program(TForm1& window, const QDateTime& start, const QDateTime& end) {
    FindControl<QCalendarWidget>(window, "MonthCalendar1")->setSelectedDate(start.date());
    FindControl<QTimeEdit>(window, "DateTimePicker1")->setTime(start.time());
    FindControl<QCalendarWidget>(window, "MonthCalendar2")->setSelectedDate(end.date());
    FindControl<QTimeEdit>(window, "DateTimePicker2")->setTime(end.time());
    QTest::mouseClick(FindControl<QPushButton>(window, "Button10"), Qt::LeftButton);
}

// The texts of the notification on screen titled `title`, joined; empty when none is.
QString NotificationTitled(const QString& title) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const QList<QLabel*> labels = top->findChildren<QLabel*>();
        const bool titled = std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
            return label->text() == title;
        });
        if (top->isVisible() && titled) {
            QStringList texts;
            for (const QLabel* label : labels) {
                texts << label->text();
            }
            return texts.join('\n');
        }
    }
    return {};
}

// The pointer on the icon, as a user would hover it. Tried again from afar: the tray
// may still move the icon while it settles in.
bool HoverShowsAToolTip(const QSystemTrayIcon& icon) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        QProcess::execute("xdotool", {"mousemove", "0", "0"});
        const QPoint centre = icon.geometry().center();
        QProcess::execute("xdotool",
                          {"mousemove", QString::number(centre.x()), QString::number(centre.y())});
        if (QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000)) {
            return true;
        }
    }
    return false;
}

QString Slot(const QDateTime& start, const QDateTime& end) {
    return "le " + start.toString("dd/MM/yyyy") + " de " + start.toString("HH:mm:ss") + " à " +
           end.toString("HH:mm:ss");
}

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        // The recorder is a script that writes nothing: every programmed recording fails.
        folder_ = std::make_unique<ProgramFolder>(
            web_, "[Visual]\r\nlastRecordPath=\r\nvlcpath=" KALORE_TEST_DATA_DIR
                  "/recorder/fake-recorder.sh\r\n[Connexion]\r\ninternetProvider=\r\n");
        folder_->Write("B/listeTVforKalore.txt", "1,TF1\r\nsleep\r\n");
        options_ = folder_->Options();
        options_.defaultPlayerLocation = folder_->File("absent/vlc").toStdString();
    }
    void cleanup() {
        if (tray_) {
            tray_->terminate();
            tray_->waitForFinished(10000);
            tray_.reset();
        }
    }

    void withoutATrayNothingBreaksAndALaterTrayTakesTheIcon() {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        TForm1 window(options_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSystemTrayIcon& icon = window.trayIcon()->Icon();
        QVERIFY(icon.geometry().isEmpty());
        window.trayIcon()->Tell({"Enregistrement commencé", "sans tray", {}});
        QTest::qWait(300);
        QVERIFY(NotificationTitled("Enregistrement commencé").isEmpty());

        // Tomorrow evening: a slot begun near midnight would end the next day and
        // be told with both dates.
        const QDateTime start(QDate::currentDate().addDays(1), QTime(20, 30));
        const QDateTime end = start.addSecs(3600);
        Program(window, start, end);
        StartTray();
        QTRY_VERIFY_WITH_TIMEOUT(!icon.geometry().isEmpty(), 20000);

        QVERIFY(HoverShowsAToolTip(icon));
        QCOMPARE(QToolTip::text(),
                 "Kalore\nProchain enregistrement : « TF1 », " + Slot(start, end));
    }

    void aProgrammedRecordingIsToldAndClosingEndsTheProgram() {
        kalore::MessageBoxCapture boxes;
        StartTray();
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
        TForm1 window(options_);
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(!window.trayIcon()->Icon().geometry().isEmpty(), 20000);

        const QDateTime start = QDateTime::currentDateTime().addSecs(5);
        const QDateTime end = start.addSecs(3);
        Program(window, start, end);
        QTRY_VERIFY_WITH_TIMEOUT(!NotificationTitled("Enregistrement commencé").isEmpty(), 20000);
        QVERIFY(NotificationTitled("Enregistrement commencé")
                    .contains("« TF1 » est enregistré jusqu'à " + end.toString("HH:mm:ss") + "."));
        QTRY_VERIFY(window.trayIcon()->Icon().toolTip().contains("Enregistrement de « TF1 » : "));
        QTRY_VERIFY_WITH_TIMEOUT(!NotificationTitled("Échec de l'enregistrement").isEmpty(), 30000);
        QVERIFY(NotificationTitled("Échec de l'enregistrement")
                    .contains("« TF1 », " + Slot(start, end) + " : "));
        // The box of the failure is still told: it stays until the user has read it.
        QCOMPARE(boxes.notices().size(), size_t{1});

        // The close box's way: the close sequence, then the message loop ends.
        FindControl<QLineEdit>(window, "Edit2")->setText("/tmp/dernier.avi");
        QTimer::singleShot(0, &window, &QWidget::close);
        QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(folder_->Read("B/kalore.ini").contains("lastRecordPath=/tmp/dernier.avi\r\n"));
    }

private:
    void StartTray() {
        tray_ = std::make_unique<QProcess>();
        tray_->start("trayer", {});
        QVERIFY(tray_->waitForStarted(10000));
    }

    kalore::testing::WorkingDirectory cwd_; // where "ipGlobal" is written
    LoopbackWeb web_;
    std::unique_ptr<ProgramFolder> folder_;
    kalore::MainWindowOptions options_;
    std::unique_ptr<QProcess> tray_;
};

QTEST_MAIN(TrayIconTest)
#include "tray_icon_e2e.moc"
