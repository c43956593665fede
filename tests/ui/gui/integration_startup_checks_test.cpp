// What the main window asks of the system at start, at each activation and at
// close: the autostart entry and the choices kept in the settings file, Qt's own
// texts in French, and the player checks that bring up the player location dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "gui/message_box.h"
#include "gui/player_location_dialog.h"
#include "gui/qt_translations.h"
#include "window_fixture.h"

using kalore::TForm1;
using kalore::TForm4;
using kalore::testing::LoopbackWeb;
using kalore::testing::ProgramFolder;

class IntegrationStartupChecksTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void autostartEntryFollowsTheBoxAcrossStarts();
    void formatAndChannelAreKeptAndOddValuesFallBack();
    void qtOwnTextsAreFrench();
    void unwritableAutostartFolderIsLeftAloneSilently();
    void missingControlBringsTheDialogAtEachActivation();
    void missingPlayerPathBringsTheDialogUntilOneIsChosen();
    void playerAtTheDefaultLocationNeedsNoDialog();

private:
    std::unique_ptr<TForm1> ShowWindow() {
        auto window = std::make_unique<TForm1>(options_);
        window->CreatePlayerDialog();
        window->show();
        return window;
    }
    QString Entry() const { return folder_->File("autostart/kalore.desktop"); }
    // Another window takes the focus, then the main window gets it back.
    static bool Reactivate(TForm1& window) {
        QWidget other;
        other.show();
        other.activateWindow();
        if (!QTest::qWaitForWindowActive(&other)) {
            return false;
        }
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }

    LoopbackWeb web_;
    std::unique_ptr<ProgramFolder> folder_;
    kalore::MainWindowOptions options_;
    std::vector<std::string> dialogPaths_; // Edit1's text at each showing
    std::function<void(TForm4&)> answer_;
    std::unique_ptr<kalore::MessageBoxCapture> messages_;
};

void IntegrationStartupChecksTest::init() {
    folder_ = std::make_unique<ProgramFolder>(web_);
    folder_->Write("B/listeTVforKalore.txt", "1,TF1\r\nrtp://@232.0.1.1:8200\r\n");
    options_ = folder_->Options();
    options_.defaultPlayerLocation = folder_->File("absent/vlc").toStdString();
    folder_->Write(
        "B/kalore.ini",
        folder_->Read("B/kalore.ini").replace("vlcpath=\r\n", "vlcpath=/opt/lecteur/vlc\r\n"));
    dialogPaths_.clear();
    answer_ = nullptr;
    options_.showPlayerDialog = [this](TForm4& dialog) {
        dialogPaths_.push_back(dialog.Edit1->text().toStdString());
        if (answer_) {
            answer_(dialog);
        }
    };
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
}

void IntegrationStartupChecksTest::cleanup() {
    QCOMPARE(messages_->texts(), std::vector<std::string>{});
}

void IntegrationStartupChecksTest::autostartEntryFollowsTheBoxAcrossStarts() {
    auto window = ShowWindow();
    QFile entry(Entry());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    entry.close();
    QVERIFY(text.contains("\nExec=\"" + QByteArray::fromStdString(folder_->Path()) + "kalore\"\n"));
    QVERIFY(window->findChild<QCheckBox*>("CheckBox1")->isChecked());

    QFile::remove(Entry());
    window->close(); // checked: written again
    QVERIFY(QFile::exists(Entry()));

    window = ShowWindow();
    window->findChild<QCheckBox*>("CheckBox1")->setChecked(false);
    window->close();
    QVERIFY(!QFile::exists(Entry()));

    // The user's choice lasts: unchecked at the next start, and nothing written.
    window = ShowWindow();
    QVERIFY(!window->findChild<QCheckBox*>("CheckBox1")->isChecked());
    QVERIFY(!QFile::exists(Entry()));
    window->findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    window->close();
    window = ShowWindow();
    QVERIFY(window->findChild<QCheckBox*>("CheckBox1")->isChecked());
    QVERIFY(QFile::exists(Entry()));
}

void IntegrationStartupChecksTest::formatAndChannelAreKeptAndOddValuesFallBack() {
    folder_->Write("B/listeTVforKalore.txt",
                   "1,TF1\r\nrtp://@232.0.1.1:8200\r\n2,France 2\r\nrtp://@232.0.1.2:8200\r\n");
    auto window = ShowWindow();
    window->close();
    // Choices left at their defaults add no line to a file from before them.
    QVERIFY(!folder_->Read("B/kalore.ini").contains("autostart"));
    QVERIFY(!folder_->Read("B/kalore.ini").contains("recordFormat"));

    window = ShowWindow();
    auto* channels = window->findChild<QComboBox*>("ComboBox2");
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down);
    window->findChild<QComboBox*>("ComboBox1")->setCurrentIndex(1);
    window->close();
    const QByteArray kept = folder_->Read("B/kalore.ini");
    QVERIFY(kept.contains("\r\nrecordFormat=Format Haute Qualit\xe9\r\n"));
    QVERIFY(kept.contains("\r\nlastChannel=France 2\r\n"));

    window = ShowWindow();
    QCOMPARE(window->findChild<QComboBox*>("ComboBox2")->currentText(), QString("France 2"));
    QCOMPARE(window->channels().SelectedAddress(), "rtp://@232.0.1.2:8200");
    QCOMPARE(window->findChild<QComboBox*>("ComboBox1")->currentIndex(), 1);
    window->close();

    // A format no longer known, a channel no longer in the list: the first of each.
    folder_->Write("B/kalore.ini", QByteArray(kept)
                                       .replace("Format Haute Qualit\xe9", "Format 8K")
                                       .replace("France 2", "Canal disparu"));
    window = ShowWindow();
    QCOMPARE(window->findChild<QComboBox*>("ComboBox1")->currentIndex(), 0);
    QCOMPARE(window->channels().selectedIndex, 0);
    QVERIFY(window->findChild<QPlainTextEdit*>("Memo1")->toPlainText().contains(
        "Réglages : le format d'enregistrement « Format 8K » est inconnu"));
}

void IntegrationStartupChecksTest::qtOwnTextsAreFrench() {
    QVERIFY2(kalore::LoadQtFrenchTranslations().find("qtbase_fr.qm") != std::string::npos,
             "qt6-translations-l10n is missing");
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text().section('\t', 0, 0);
    }
    QVERIFY2(texts.contains("Co&uper") && texts.contains("Tout s\u00e9lectionner"),
             qPrintable(texts.join('|')));
}

void IntegrationStartupChecksTest::unwritableAutostartFolderIsLeftAloneSilently() {
    // Root writes anywhere, so the folder is a path through a regular file.
    folder_->Write("blocker", "");
    options_.autostartFolder = folder_->File("blocker/autostart").toStdString();
    auto window = ShowWindow();
    window->close();
    window = ShowWindow();
    window->findChild<QCheckBox*>("CheckBox1")->setChecked(false);
    window->close();
    QCOMPARE(QFileInfo(folder_->File("blocker")).size(), 0);
    QVERIFY(!QFile::exists(Entry()));
}

void IntegrationStartupChecksTest::missingControlBringsTheDialogAtEachActivation() {
    options_.playerAvailable = [] {
        return false;
    };
    auto window = ShowWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(dialogPaths_.size(), size_t(1));
    QVERIFY(!window->controlAvailable());
    QVERIFY(Reactivate(*window));
    QCOMPARE(dialogPaths_.size(), size_t(2));

    // Choosing a player in the dialog doesn't make the control available.
    QFile::copy(QCoreApplication::applicationFilePath(), folder_->File("vlc"));
    answer_ = [this](TForm4& dialog) {
        dialog.Edit1->setText(folder_->File("vlc"));
        dialog.Button2Click();
    };
    QVERIFY(Reactivate(*window));
    QCOMPARE(dialogPaths_.size(), size_t(3));
    QVERIFY(!window->controlAvailable());
    QCOMPARE(window->settings().playerPath, folder_->File("vlc").toStdString());
}

void IntegrationStartupChecksTest::missingPlayerPathBringsTheDialogUntilOneIsChosen() {
    folder_->Write(
        "B/kalore.ini",
        folder_->Read("B/kalore.ini").replace("vlcpath=/opt/lecteur/vlc\r\n", "vlcpath=\r\n"));
    auto window = ShowWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(dialogPaths_.size(), size_t(1));
    QVERIFY(window->controlAvailable());
    QVERIFY(Reactivate(*window));
    QCOMPARE(dialogPaths_.size(), size_t(2));

    // A file that isn't the player is refused: the dialog says so and comes back.
    folder_->Write("lecteur", "");
    answer_ = [this](TForm4& dialog) {
        dialog.Edit1->setText(folder_->File("lecteur"));
        dialog.Button2Click();
    };
    QVERIFY(Reactivate(*window));
    QCOMPARE(messages_->texts().size(), size_t(1));
    messages_ = std::make_unique<kalore::MessageBoxCapture>();
    QVERIFY(folder_->Read("B/kalore.ini").contains("vlcpath=\r\n"));

    QDir(folder_->File("")).mkpath("bin");
    folder_->Write("bin/vlc", "");
    answer_ = [this](TForm4& dialog) {
        dialog.Edit1->setText(folder_->File("bin/vlc"));
        dialog.Button2Click();
    };
    QVERIFY(Reactivate(*window));
    QCOMPARE(dialogPaths_.size(), size_t(4));
    QCOMPARE(dialogPaths_.back(), folder_->File("lecteur").toStdString()); // Edit1 kept
    // Saved at once, not only at close.
    QVERIFY(folder_->Read("B/kalore.ini").contains("vlcpath=" + folder_->File("bin/vlc").toUtf8()));
    QVERIFY(Reactivate(*window));
    QCOMPARE(dialogPaths_.size(), size_t(4));
}

void IntegrationStartupChecksTest::playerAtTheDefaultLocationNeedsNoDialog() {
    folder_->Write(
        "B/kalore.ini",
        folder_->Read("B/kalore.ini").replace("vlcpath=/opt/lecteur/vlc\r\n", "vlcpath=\r\n"));
    folder_->Write("vlc", "");
    options_.defaultPlayerLocation = folder_->File("vlc").toStdString();
    auto window = ShowWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(dialogPaths_.size(), size_t(0));
    QVERIFY(window->controlAvailable());
    QCOMPARE(window->settings().playerPath, folder_->File("vlc").toStdString());
}

QTEST_MAIN(IntegrationStartupChecksTest)
#include "integration_startup_checks_test.moc"
