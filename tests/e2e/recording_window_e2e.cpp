// Recording from the real main window with the real vlc as recorder and a live
// ffmpeg test stream on loopback as the channel: record now and its stop button,
// a programmed recording launched by the trigger, and a player path that doesn't
// lead to a program. The log, the buttons and the application title are checked
// here; the files the recorder writes, with ffprobe.
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "e2e_support.h"
#include "gui/message_box.h"
#include "gui/recordings_window.h"
#include "recorder/recording_controller.h"
#include "schedule/schedule.h"
#include "test_channel.h"
#include "window_fixture.h"

using kalore::MainWindowOptions;
using kalore::TForm1;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;
using namespace kalore::e2e;

namespace {

constexpr int kRecordMs = 3000;
const QString kPlusLine(67, '+');

QByteArray SettingsWithPlayer(const QString& playerPath) {
    return "[Visual]\r\nlastRecordPath=\r\nvlcpath=" + playerPath.toUtf8() +
           "\r\n[Connexion]\r\ninternetProvider=\r\n";
}

QList<qint64> OwnRecorders() {
    return RecordersStartedBy(::getpid());
}

} // namespace

class RecordingWindowE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void recordNowRecordsUntilTheStopButton_data();
    void recordNowRecordsUntilTheStopButton();
    void programmedRecordingLogsItsLinesAndShowsRecordingMeanwhile();
    void playerPathLeadingNowhereGivesTheProcessErrorAndTheClosingLines_data();
    void playerPathLeadingNowhereGivesTheProcessErrorAndTheClosingLines();
    void theListKeepsEveryRecordingWhateverBecomesOfItsStoreOrItsDisk();

private:
    // A program folder whose settings name this player and whose channel list holds
    // the test channel, made the current folder; false when that failed.
    bool MakeFolder(const QString& playerPath);
    // A window set up in that folder; `options` may change the player choices.
    std::unique_ptr<TForm1> MakeWindow(MainWindowOptions options = {});
    QStringList Log() const;
    QString Id(const kalore::MonThread* thread) const {
        return QString::number(thread->ThreadID());
    }
    std::string Caption() const { return window_->windowTitle().toStdString(); }
    QPushButton* Button(const char* name) const { return window_->findChild<QPushButton*>(name); }
    // "Mes enregistrements" opened from its button, and its first row.
    QTreeWidgetItem* OpenListsFirstRow();
    // Picks the test channel, the format and the output path, and clicks "Enregistrer
    // la TV"; true when the buttons swapped.
    bool StartRecordNow(const QString& format, const QString& output);

    LoopbackWeb web_;
    TestChannel channel_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
    std::unique_ptr<TForm1> window_;
};

void RecordingWindowE2E::initTestCase() {
    QVERIFY(channel_.Start());
}

void RecordingWindowE2E::init() {
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

void RecordingWindowE2E::cleanup() {
    // Closing the window ends any recorder still running.
    window_.reset();
    QCOMPARE(OwnRecorders(), QList<qint64>());
    QDir::setCurrent(QDir::tempPath());
    folder_.reset();
    QString shown;
    for (const std::string& text : messages_->texts()) {
        shown += QString::fromStdString(text) + "\n";
    }
    QVERIFY2(shown.isEmpty(), qPrintable(shown));
    messages_.reset();
}

bool RecordingWindowE2E::MakeFolder(const QString& playerPath) {
    folder_ = std::make_unique<ProgramFolder>(web_, SettingsWithPlayer(playerPath));
    folder_->Write("B/listeTVforKalore.txt", "1,Mire\r\n" + channel_.Address().toUtf8() + "\r\n");
    // Start-up leaves the address answer in the current folder, which must be writable.
    return QDir::setCurrent(QString::fromStdString(folder_->Path()));
}

std::unique_ptr<TForm1> RecordingWindowE2E::MakeWindow(MainWindowOptions options) {
    const MainWindowOptions defaults = folder_->Options();
    options.programFolder = defaults.programFolder;
    options.autostartFolder = defaults.autostartFolder;
    options.logFolder = defaults.logFolder;
    options.playerAvailable = defaults.playerAvailable;
    options.webDefaults = defaults.webDefaults;
    return std::make_unique<TForm1>(options);
}

QStringList RecordingWindowE2E::Log() const {
    return window_->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n');
}

bool RecordingWindowE2E::StartRecordNow(const QString& format, const QString& output) {
    if (window_->findChild<QComboBox*>("ComboBox2")->currentText() != "Mire") {
        return false;
    }
    window_->findChild<QComboBox*>("ComboBox1")->setCurrentText(format);
    window_->findChild<QLineEdit*>("Edit2")->setText(output);
    QTest::mouseClick(Button("Button4"), Qt::LeftButton);
    return !Button("Button4")->isEnabled() && Button("Button9")->isEnabled() &&
           window_->recorder().RecordNowThread() != nullptr;
}

void RecordingWindowE2E::recordNowRecordsUntilTheStopButton_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("H264") << QString(kFormatH264);
    QTest::newRow("haute qualité") << QString(kFormatHighQuality);
}

void RecordingWindowE2E::recordNowRecordsUntilTheStopButton() {
    QFETCH(QString, format);
    QVERIFY(MakeFolder("/usr/bin/vlc"));
    window_ = MakeWindow();
    const QString output = folder_->File("maintenant.avi");
    QElapsedTimer length;
    length.start();
    QVERIFY(StartRecordNow(format, output));
    const QString id = Id(window_->recorder().RecordNowThread());
    QTRY_COMPARE(window_->appTitle(), std::string("Recording.."));
    QTRY_COMPARE_WITH_TIMEOUT(OwnRecorders().size(), 1, 10000);
    const qint64 recorder = OwnRecorders().front();

    QTest::qWait(kRecordMs);
    QCOMPARE(window_->appTitle(), std::string("Recording.."));
    QVERIFY(ProcessExists(recorder));
    // The progress line, refreshed every second.
    const QString progress = window_->findChild<QLabel*>("RecordingStatus")->text();
    QVERIFY2(progress.startsWith("Enregistrement immédiat « " + output + " » : 00:00:0") &&
                 progress.contains(" Mo écrits"),
             qPrintable(progress));
    QTest::mouseClick(Button("Button9"), Qt::LeftButton);
    const double recorded = length.elapsed() / 1000.0;
    QVERIFY(Button("Button4")->isEnabled());
    QVERIFY(!Button("Button9")->isEnabled());

    const QString last = "fin thread affiché dans le thread!! id: " + id;
    QTRY_VERIFY_WITH_TIMEOUT(Log().contains(last), 10000);
    QVERIFY2(!ProcessExists(recorder), "the recorder child is left running");
    QCOMPARE(window_->appTitle(), Caption());

    QStringList expected = {
        "ID thread: " + id, "++++ début d'encodage ++++durée*-1** position: **-1",
        "Test de terminer le ID thread: " + id,
        "--TH2 a été arrété dans rundos depuis le thread id: " + id, "++++ TERIMINEEEEE ++++"};
    if (format == kFormatH264) {
        expected << kPlusLine << "Enregistrement normal de : " + channel_.Address() + " .."
                 << kPlusLine;
    }
    expected << "++++ fin encodage ++++" << last;
    const QString missing = MissingInOrder(Log(), expected);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY(!Log().contains(kPlusLine) || format == kFormatH264);

    const Probe probe = ProbeFile(output);
    if (format == kFormatH264) {
        QVERIFY2(probe.Has("format_name=mpegts"), qPrintable(probe.text));
        QVERIFY2(probe.text.contains("codec_name=h264\nwidth=320\nheight=240\n"),
                 qPrintable(probe.text));
        QVERIFY2(probe.Has("codec_name=mp3"), qPrintable(probe.text));
    } else {
        QVERIFY2(probe.Has("format_name=mpeg"), qPrintable(probe.text));
        QVERIFY2(probe.Has("codec_name=mpeg2video"), qPrintable(probe.text));
        QVERIFY2(probe.Has("codec_name=mp3"), qPrintable(probe.text));
    }
    QVERIFY2(qAbs(probe.Duration() - recorded) <= 1.0,
             qPrintable(QString::number(recorded) + " s recorded\n" + probe.text));
}

void RecordingWindowE2E::programmedRecordingLogsItsLinesAndShowsRecordingMeanwhile() {
    // Written before the window opens, as a schedule kept from the last run.
    const QDateTime start = WholeSecondsFromNow(3);
    const QList<ScheduleEntry> entries = {
        {"Mire", start, start.addSecs(3), "Programmé", kFormatH264, channel_.Address()}};
    QVERIFY(MakeFolder("/usr/bin/vlc"));
    folder_->Write("B/recordslist", RecordsListBytes(entries));
    folder_->Write("B/recordsurlist", RecordsUrlListBytes(entries));
    window_ = MakeWindow();
    QVERIFY(window_->schedule().Trigger().IsArmed());

    QTRY_VERIFY_WITH_TIMEOUT(window_->recorder().ProgrammedThread() != nullptr, 10000);
    const QString id = Id(window_->recorder().ProgrammedThread());
    QTRY_COMPARE(window_->appTitle(), std::string("Recording.."));
    QTRY_COMPARE_WITH_TIMEOUT(OwnRecorders().size(), 1, 10000);
    const qint64 recorder = OwnRecorders().front();
    QCOMPARE(StatusesOf(folder_->Read("B/recordslist")), QStringList{"Enregistrement.."});

    const QString last = "fin thread affiché dans le thread!! id: " + id;
    QTRY_VERIFY_WITH_TIMEOUT(Log().contains(last), 10000);
    QVERIFY2(!ProcessExists(recorder), "the recorder child is left running");
    QCOMPARE(window_->appTitle(), Caption());
    QCOMPARE(StatusesOf(folder_->Read("B/recordslist")), QStringList{"Terminé"});
    const QModelIndex status = window_->findChild<QTableView*>("StringGrid1")->model()->index(0, 5);
    QCOMPARE(status.data().toString(), QString("Terminé"));

    const QString address = channel_.Address();
    const QStringList expected = {
        QString(64, '*'),
        "L'enregistrement va commencer",
        "Chaine: Mire",
        "URL: " + address,
        "Position de l'enregistrement dans la liste: 1",
        "Durée: 3",
        "Date début/Heur début: " + start.toString("dd/MM/yyyy") + "/" + start.toString("HH:mm:ss"),
        "$$bug crev: chaine **Mire** url **" + address + "**",
        "ID thread: " + id,
        "++ Timer 2 est set à: 3",
        QString(64, '*'),
        "*** Aucun enregistrement ne sera programmé, timer désactivé!",
        "++++ début d'encodage ++++durée*3** position: **1",
        "++ Timer termine le thread.. Test de terminer le ID thread: " + id,
        "--TH2 a été arrété dans rundos depuis le thread id: " + id,
        "++++ TERIMINEEEEE ++++",
        kPlusLine,
        "Enregistrement terminé de : " + address + " ..",
        kPlusLine,
        "++++ fin encodage ++++",
        last};
    const QString missing = MissingInOrder(Log(), expected);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY(QFile::exists(folder_->File("RECORDS/" + ProgrammedFileName(start))));

    // "Mes enregistrements" kept it from its start to its outcome.
    QTest::mouseClick(Button("RecordingsButton"), Qt::LeftButton);
    const QTreeWidget& list = window_->recordingsWindow()->List();
    QCOMPARE(list.topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list.topLevelItem(0);
    QCOMPARE(row->text(0), QString("Mire"));
    QCOMPARE(row->text(6), QString("Terminé"));
    QCOMPARE(row->toolTip(1), folder_->File("RECORDS/" + ProgrammedFileName(start)));
}

void RecordingWindowE2E::playerPathLeadingNowhereGivesTheProcessErrorAndTheClosingLines_data() {
    QTest::addColumn<bool>("wrong");
    QTest::newRow("chemin faux") << true;
    QTest::newRow("chemin absent") << false;
}

void RecordingWindowE2E::playerPathLeadingNowhereGivesTheProcessErrorAndTheClosingLines() {
    QFETCH(bool, wrong);
    MainWindowOptions options;
    // Neither the stored path nor the usual location leads to a program.
    options.defaultPlayerLocation = "/nonexistent/kalore-e2e/vlc";
    options.showPlayerDialog = [](kalore::TForm4&) {
    };
    QVERIFY(MakeFolder(wrong ? "/nonexistent/kalore-e2e/bin/vlc" : ""));
    window_ = MakeWindow(options);
    QCOMPARE(window_->settings().playerPath,
             wrong ? std::string("/nonexistent/kalore-e2e/bin/vlc") : std::string());
    const QString output = folder_->File("maintenant.avi");
    QVERIFY(StartRecordNow(kFormatH264, output));
    const QString id = Id(window_->recorder().RecordNowThread());
    QTRY_VERIFY_WITH_TIMEOUT(Log().contains("++++ fin encodage ++++"), 10000);
    QCOMPARE(window_->appTitle(), Caption());
    QCOMPARE(OwnRecorders(), QList<qint64>());

    QTest::mouseClick(Button("Button9"), Qt::LeftButton);
    const QString last = "fin thread affiché dans le thread!! id: " + id;
    QTRY_VERIFY_WITH_TIMEOUT(Log().contains(last), 10000);
    const QString maker = QString::fromStdString(folder_->Options().webDefaults.makerAddress);
    const QStringList expected = {
        "ID thread: " + id,
        "++++ début d'encodage ++++durée*-1** position: **-1",
        "Erreur de processus, merci de signaler cette erreur avec votre configuration à " + maker,
        "++++ TERIMINEEEEE ++++",
        kPlusLine,
        "Enregistrement normal de : " + channel_.Address() + " ..",
        kPlusLine,
        "++++ fin encodage ++++",
        "Test de terminer le ID thread: " + id,
        last};
    const QString missing = MissingInOrder(Log(), expected);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    // No child ran, so no reader was started or ended.
    QVERIFY(!Log().contains("--TH2 a été arrété dans rundos depuis le thread id: " + id));
    QVERIFY(!QFile::exists(output));
    // The user is told, without a box that waits for an answer.
    QCOMPARE(messages_->notices().size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(messages_->notices()[0])
                 .contains("a échoué : le programme vlc est introuvable"),
             messages_->notices()[0].c_str());
    // It offers the list of recordings, where this one is told too.
    QVERIFY(messages_->noticeAction());
    messages_->noticeAction()();
    QTRY_VERIFY(window_->recordingsWindow() != nullptr && window_->recordingsWindow()->isVisible());
}

QTreeWidgetItem* RecordingWindowE2E::OpenListsFirstRow() {
    QTest::mouseClick(Button("RecordingsButton"), Qt::LeftButton);
    kalore::RecordingsWindow* list = window_->recordingsWindow();
    return list != nullptr && list->List().topLevelItemCount() > 0 ? list->List().topLevelItem(0)
                                                                   : nullptr;
}

// The store deleted while record now writes outside RECORDS/: the list made again
// shows it under way and keeps it from the trash, and its end reaches its row. The
// file out of reach at the next start (a disk not mounted yet), back at the one
// after: the row stays, then comes back whole. Last, to a trash that must be made.
void RecordingWindowE2E::theListKeepsEveryRecordingWhateverBecomesOfItsStoreOrItsDisk() {
    QVERIFY(MakeFolder("/usr/bin/vlc"));
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_DATA_HOME");
    window_ = MakeWindow();
    const QString output = folder_->File("maintenant.avi");
    QVERIFY(StartRecordNow(kFormatH264, output));
    QTRY_COMPARE_WITH_TIMEOUT(OwnRecorders().size(), 1, 10000);
    QTest::qWait(kRecordMs);
    QVERIFY(QFile::remove(folder_->File("B/recordings.db")));
    QTreeWidgetItem* row = OpenListsFirstRow();
    QVERIFY(row != nullptr);
    QCOMPARE(row->text(6), QString("Enregistrement.."));
    QCOMPARE(row->toolTip(1), output);
    window_->recordingsWindow()->List().setCurrentItem(row);
    QVERIFY(!window_->recordingsWindow()->findChild<QPushButton*>("RecordingsTrash")->isEnabled());

    QTest::mouseClick(Button("Button9"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(OpenListsFirstRow()->text(6), QString("Terminé"), 10000);
    QCOMPARE(window_->recordingsWindow()->List().topLevelItemCount(), 1);
    QCOMPARE(OpenListsFirstRow()->text(0), QString("Mire"));
    window_.reset();

    const QString away = folder_->File("RECORDS/../ailleurs.avi");
    QVERIFY(QFile::rename(output, away));
    window_ = MakeWindow();
    QCOMPARE(OpenListsFirstRow()->text(6), QString("Terminé, introuvable"));
    window_.reset();
    QVERIFY(QFile::rename(away, output));
    window_ = MakeWindow();
    row = OpenListsFirstRow();
    QCOMPARE(row->text(0), QString("Mire"));
    QCOMPARE(row->text(6), QString("Terminé"));
    QCOMPARE(row->toolTip(1), output);

    // No ~/.local/share yet: the trash is made there, private, never in the current folder.
    window_->recordingsWindow()->List().setCurrentItem(row);
    window_->recordingsWindow()->DeleteSelected();
    QCOMPARE(window_->recordingsWindow()->List().topLevelItemCount(), 0);
    QVERIFY(QFile::exists(home.path() + "/.local/share/Trash/files/maintenant.avi"));
    QVERIFY(!QFile::exists(output));
    QVERIFY(!QDir(folder_->File("files")).exists());
}

QTEST_MAIN(RecordingWindowE2E)
#include "recording_window_e2e.moc"
