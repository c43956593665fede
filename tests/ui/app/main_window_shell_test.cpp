// The application shell: the log and its Clear button, the program folder line,
// and the settings file as start-up and closing use it.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/gui/main_window.h"
#include "app/gui/message_box.h"

using kalore::TForm1;

class MainWindowShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void logKeepsLinesUntilClearAndClearOnEmptyIsHarmless();
    void programFolderLineEndsWithTheSeparator();
    void settingsAreLoadedAndWrittenBackAtClose();
    void missingSettingsFileLeavesNoFileBehind();
    void readOnlySettingsFileGivesTheWriteMessageAtEachSave();

private:
    std::unique_ptr<TForm1> MakeWindow();
    QString IniPath() const { return folder_->path() + "/B/kalore.ini"; }
    QByteArray ReadIni() const {
        QFile f(IniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void WriteIni(const QByteArray& bytes) const {
        QFile f(IniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
};

void MainWindowShellTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(folder_->path()).mkpath("B"));
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

std::unique_ptr<TForm1> MainWindowShellTest::MakeWindow() {
    kalore::MainWindowOptions options;
    options.programFolder = folder_->path().toStdString() + "/";
    return std::make_unique<TForm1>(options);
}

void MainWindowShellTest::logKeepsLinesUntilClearAndClearOnEmptyIsHarmless() {
    auto window = MakeWindow();
    auto* memo = window->findChild<QPlainTextEdit*>("Memo1");
    const int before = memo->document()->lineCount();
    window->AppendLog("une ligne");
    window->AppendLog("|||deux|||");
    QCOMPARE(memo->document()->lineCount(), before + 2);
    QVERIFY(memo->toPlainText().endsWith("une ligne\n|||deux|||"));
    QTest::mouseClick(window->findChild<QPushButton*>("Button3"), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
    QTest::mouseClick(window->findChild<QPushButton*>("Button3"), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
}

void MainWindowShellTest::programFolderLineEndsWithTheSeparator() {
    auto window = MakeWindow();
    const QString expected = "**" + folder_->path() + "/**";
    QVERIFY(
        window->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n').contains(expected));
}

void MainWindowShellTest::settingsAreLoadedAndWrittenBackAtClose() {
    WriteIni(
        "; garder ce commentaire\r\n[Web]\r\nsite=http://127.0.0.1:1\r\n[Visual]\r\n"
        "lastRecordPath=/tmp/film.avi\r\nvlcpath=\r\n[Connexion]\r\ninternetProvider=FREE\r\n");
    auto window = MakeWindow();
    auto* edit = window->findChild<QLineEdit*>("Edit2");
    QCOMPARE(edit->text(), QString("/tmp/film.avi"));
    edit->setText("/tmp/autre.avi");
    window->close();
    const QByteArray saved = ReadIni();
    QVERIFY(saved.contains("lastRecordPath=/tmp/autre.avi\r\n"));
    QVERIFY(saved.contains("; garder ce commentaire"));
    QVERIFY(saved.contains("site=http://127.0.0.1:1"));
    QVERIFY(messages_->texts().empty());
}

void MainWindowShellTest::missingSettingsFileLeavesNoFileBehind() {
    auto window = MakeWindow();
    QCOMPARE(window->findChild<QLineEdit*>("Edit2")->text(), folder_->path() + "/record.avi");
    window->close();
    QVERIFY(!QFile::exists(IniPath()));
}

void MainWindowShellTest::readOnlySettingsFileGivesTheWriteMessageAtEachSave() {
    WriteIni("[Visual]\r\nlastRecordPath=/tmp/x.avi\r\n");
    QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    auto window = MakeWindow();
    window->close();
    const std::string expected =
        "Erreur d'enregistrement dans INI : **" + IniPath().toStdString() + "**";
    QCOMPARE(std::count(messages_->texts().begin(), messages_->texts().end(), expected), 2);
    QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_MAIN(MainWindowShellTest)
#include "main_window_shell_test.moc"
