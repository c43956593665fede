// The application shell: the log and its Clear button, the program folder line,
// and the settings file as start-up and closing use it.
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <QLabel>

#include "gui/log_window.h"
#include "gui/message_box.h"
#include "gui/recordings_window.h"
#include "gui/watch_controls.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;

class MainWindowShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void logKeepsLinesUntilClearAndClearOnEmptyIsHarmless();
    void journalShowsTheLogKeptInItsFileAndItsNewLines();
    void programFolderLineEndsWithTheSeparator();
    void settingsAreLoadedAndWrittenBackAtClose();
    void missingSettingsFileLeavesNoFileBehind();
    void readOnlySettingsFileGivesTheWriteMessageAtEachSave();
    void aSettingsFileThatBlocksHoldsNeitherTheStartNorTheClose();
    void recordingsButtonOpensTheListRebuiltFromADamagedStore();

private:
    std::unique_ptr<TForm1> MakeWindow() { return std::make_unique<TForm1>(folder_->Options()); }

    kalore::testing::WorkingDirectory cwd_; // where the address answer file goes
    LoopbackWeb web_;
    std::unique_ptr<ProgramFolder> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
};

void MainWindowShellTest::init() {
    folder_ = std::make_unique<ProgramFolder>(web_);
    folder_->Write("B/listeTVforKalore.txt", "1,TF1\r\nrtp://@232.0.1.1:8200\r\n");
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

void MainWindowShellTest::logKeepsLinesUntilClearAndClearOnEmptyIsHarmless() {
    auto window = MakeWindow();
    auto* memo = window->findChild<QPlainTextEdit*>("Memo1");
    const int before = memo->document()->lineCount();
    window->AppendLog("une ligne");
    window->AppendLog("|||deux|||");
    QCOMPARE(memo->document()->lineCount(), before + 2);
    QVERIFY(memo->toPlainText().endsWith("une ligne\n|||deux|||"));
    // A block of the recorder's output: its CR LF breaks the entry into two lines.
    window->AppendLog("|||abc\r\ndef|||");
    QVERIFY(memo->toPlainText().endsWith("|||deux|||\n|||abc\ndef|||"));
    QTest::mouseClick(window->findChild<QPushButton*>("Button3"), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
    QTest::mouseClick(window->findChild<QPushButton*>("Button3"), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
    window->AppendLog("après");
    QCOMPARE(memo->toPlainText(), QString("après"));
}

void MainWindowShellTest::journalShowsTheLogKeptInItsFileAndItsNewLines() {
    const QString logFile = folder_->File("state/kalore/kalore.log");
    auto window = MakeWindow();
    QTest::mouseClick(window->findChild<QPushButton*>("JournalButton"), Qt::LeftButton);
    kalore::LogWindow* journal = window->logWindow();
    QVERIFY(journal != nullptr && journal->isVisible());
    QVERIFY(journal->findChild<QLabel*>("LogFileLabel")->text().endsWith(logFile));
    // Each line with its date and time, from the run's first.
    const QString folderLine = "  **" + QString::fromStdString(folder_->Path()) + "**";
    QVERIFY(journal->Text().toPlainText().contains("  ---- Kalore démarre ----\n"));
    QVERIFY(journal->Text().toPlainText().contains(folderLine));
    window->AppendLog("une ligne de plus");
    QVERIFY(journal->Text().toPlainText().endsWith("  une ligne de plus"));
    QVERIFY(QString::fromUtf8(folder_->Read("state/kalore/kalore.log"))
                .endsWith("  une ligne de plus\n"));
    window.reset();

    // The next run's journal begins with the lines of this one.
    window = MakeWindow();
    window->JournalButtonClick();
    QVERIFY(window->logWindow()->Text().toPlainText().contains("une ligne de plus"));
    window.reset();

    // A state folder that can't be had: the window's own lines, and why no file.
    folder_->Write("state-blocked", "");
    kalore::MainWindowOptions options = folder_->Options();
    options.logFolder = folder_->File("state-blocked/kalore").toStdString();
    window = std::make_unique<TForm1>(options);
    window->JournalButtonClick();
    QVERIFY(window->logWindow()
                ->findChild<QLabel*>("LogFileLabel")
                ->text()
                .startsWith("Ce journal n'est gardé dans aucun fichier : "));
    QVERIFY(window->logWindow()->Text().toPlainText().contains("Journal : pas de fichier ("));
    QVERIFY(window->logWindow()->Text().toPlainText().contains(folderLine.mid(2)));
}

void MainWindowShellTest::programFolderLineEndsWithTheSeparator() {
    auto window = MakeWindow();
    const QString expected = "**" + QString::fromStdString(folder_->Path()) + "**";
    QVERIFY(expected.endsWith("/**"));
    QVERIFY(
        window->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n').contains(expected));
}

void MainWindowShellTest::settingsAreLoadedAndWrittenBackAtClose() {
    const QByteArray settings = folder_->Read("B/kalore.ini");
    folder_->Write("B/kalore.ini",
                   "; garder ce commentaire\r\n" +
                       QByteArray(settings).replace("lastRecordPath=\r\n",
                                                    "lastRecordPath=/tmp/film.avi\r\n"));
    auto window = MakeWindow();
    auto* edit = window->findChild<QLineEdit*>("Edit2");
    QCOMPARE(edit->text(), QString("/tmp/film.avi"));
    edit->setText("/tmp/autre.avi");
    window->close();
    const QByteArray saved = folder_->Read("B/kalore.ini");
    QVERIFY(saved.contains("lastRecordPath=/tmp/autre.avi\r\n"));
    QVERIFY(saved.contains("; garder ce commentaire"));
    QVERIFY(saved.contains("site=" + QByteArray::fromStdString(web_.Url())));
    QVERIFY(saved.contains("internetProvider=ORANGE\r\n")); // detected afresh
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
}

void MainWindowShellTest::missingSettingsFileLeavesNoFileBehind() {
    QFile::remove(folder_->File("B/kalore.ini"));
    auto window = MakeWindow();
    QCOMPARE(window->findChild<QLineEdit*>("Edit2")->text(),
             QString::fromStdString(folder_->Path()) + "RECORDS/");
    window->close();
    QVERIFY(!QFile::exists(folder_->File("B/kalore.ini")));
}

void MainWindowShellTest::readOnlySettingsFileGivesTheWriteMessageAtEachSave() {
    QFile::setPermissions(folder_->File("B/kalore.ini"),
                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    auto window = MakeWindow();
    // The sound changed less than a second before the close: its save comes as the window
    // is destroyed, fails, and is told into a log that is still there.
    window->watchControls().ChangeVolume(-1);
    window->close();
    const std::string expected =
        "Erreur d'enregistrement dans INI : **" + folder_->Path() + "B/kalore.ini**";
    QCOMPARE(std::count(messages_->texts().begin(), messages_->texts().end(), expected), 2);
    // Every box's text is in the log as it appears.
    auto* memo = window->findChild<QPlainTextEdit*>("Memo1");
    QCOMPARE(memo->toPlainText().count(QString::fromStdString(expected)), 2);
    window.reset();
    QCOMPARE(std::count(messages_->texts().begin(), messages_->texts().end(), expected), 2);
    QFile::setPermissions(folder_->File("B/kalore.ini"), QFile::ReadOwner | QFile::WriteOwner);
}

// A FIFO where the settings file should be, nobody writing to it: it is a file that
// can't be read, told as such, and neither the start nor the close waits on it.
void MainWindowShellTest::aSettingsFileThatBlocksHoldsNeitherTheStartNorTheClose() {
    const QString settings = folder_->File("B/kalore.ini");
    QVERIFY(QFile::remove(settings));
    QCOMPARE(::mkfifo(settings.toLocal8Bit().constData(), 0600), 0);
    QElapsedTimer took;
    took.start();
    auto window = MakeWindow();
    const qint64 started = took.restart();
    window->close();
    window.reset();
    const qint64 closed = took.elapsed();
    qInfo("started in %lld ms, closed in %lld ms", started, closed);
    QVERIFY(started < 10000);
    QVERIFY(closed < 5000);
    QCOMPARE(messages_->texts().front(), std::string("Fichier d'initialisation introuvable! "));
}

void MainWindowShellTest::recordingsButtonOpensTheListRebuiltFromADamagedStore() {
    folder_->Write("B/recordings.db", "pas une base");
    folder_->Write("RECORDS/programme-07-12-2026_20-30-00.avi", "a");
    folder_->Write("RECORDS/programme-07-12-2026_20-30-00-2.avi", "b");
    auto window = MakeWindow();
    QVERIFY(window->findChild<QPlainTextEdit*>("Memo1")->toPlainText().contains(
        "-- La liste des enregistrements était endommagée, elle est gardée dans"));
    QCOMPARE(QDir(folder_->File("B")).entryList({"recordings.db.damaged-*"}).size(), 1);
    auto* button = window->findChild<QPushButton*>("RecordingsButton");
    QCOMPARE(button->text(), QString("Mes enregistrements"));
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    kalore::RecordingsWindow* list = window->recordingsWindow();
    QVERIFY(list != nullptr && list->isVisible());
    QCOMPARE(list->windowTitle(), QString("Mes enregistrements"));
    QCOMPARE(list->List().topLevelItemCount(), 1);
    QCOMPARE(list->List().topLevelItem(0)->childCount(), 2);
}

QTEST_MAIN(MainWindowShellTest)
#include "main_window_shell_test.moc"
