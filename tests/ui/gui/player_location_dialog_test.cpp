#include <filesystem>
#include <fstream>

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "fakes/fakes.h"
#include "gui/player_location_dialog.h"

using kalore::TForm4;

namespace {

const char* const kRejected = "Le fichier que vous avez sélectionné n’existe pas ou ne correspond "
                              "pas à vlc.exe\rMerci de sélectionner le bon fichier vlc.exe";

// Receives the addresses the dialog hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

class PlayerLocationDialogTest : public QObject {
    Q_OBJECT

private:
    kalore::testing::FakeHost host;
    std::vector<std::string> chosen;
    std::unique_ptr<TForm4> form;
    QTemporaryDir dir;

    void touch(const QString& relative) {
        std::filesystem::create_directories(
            std::filesystem::path((dir.path() + "/" + relative).toStdString()).parent_path());
        std::ofstream((dir.path() + "/" + relative).toStdString()) << "#!";
    }
    bool accepts(const QString& path) {
        host.messages.clear();
        chosen.clear();
        form->show();
        form->Edit1->setText(path);
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        const bool accepted = !chosen.empty();
        if (accepted) {
            Q_ASSERT(chosen.back() == path.toStdString() && host.messages.empty() &&
                     !form->isVisible());
        } else {
            Q_ASSERT(host.messages.size() == 1 && host.messages[0] == kRejected &&
                     form->isVisible());
        }
        return accepted;
    }

private slots:
    void init() {
        host = {};
        chosen.clear();
        form = std::make_unique<TForm4>(host, "https://player.test", "https://maker.test",
                                        [this](const std::string& p) { chosen.push_back(p); });
    }

    void hasEveryControlInItsPlace() {
        QCOMPARE(
            form->windowTitle(),
            QString("Le logiciel VLC avec le plugin ActiveX nécessaire à Kalore est manquant"));
        QCOMPARE(form->size(), QSize(624, 864));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->font().pixelSize(), 13);

        struct Expected {
            const char* name;
            const char* parent;
            QRect place; // width 0: sized to its text
            QString text;
        };
        const Expected controls[] = {
            {"Label1",
             "Form4",
             {144, 2, 0, 0},
             "Le logiciel VLC nécessaire à Kalore est manquant !"},
            {"Label4",
             "Form4",
             {112, 20, 0, 0},
             "sans ce logiciel, Kalore risque de ne pas fonctionner correctement"},
            {"Label2",
             "Form4",
             {32, 42, 0, 0},
             "Choisissez l’endroit du fichier \"vlc.exe\" sur votre ordinateur, ou"},
            {"Label7",
             "Form4",
             {112, 69, 0, 0},
             "Installer le logiciel VLC avec le plugin ActiveX "},
            {"Panel1", "Form4", {8, 96, 609, 120}, ""},
            {"Label8", "Panel1", {16, 3, 0, 0}, "- Si vous avez déjà VLC avec le plugin ActiveX :"},
            {"Label3", "Panel1", {16, 30, 0, 0}, "Chemin vers \"vlc.exe\" sur votre ordinateur :"},
            {"Edit1", "Panel1", {16, 52, 361, 24}, ""},
            {"Button3", "Panel1", {383, 52, 209, 25}, "Sélectionner l'endroit de VLC"},
            {"Button2",
             "Panel1",
             {16, 83, 576, 25},
             "J'ai sélectionné l'endroit de VLC sur mon ordinateur"},
            {"Panel2", "Form4", {8, 231, 609, 626}, ""},
            {"Label9",
             "Panel2",
             {16, 3, 0, 0},
             "- Si vous n'avez pas VLC ou il est sans le plugin ActiveX :"},
            {"Button1",
             "Panel2",
             {16, 30, 576, 25},
             "Télécharger et (Re)Installer VLC depuis le site officiel"},
            {"Label5", "Panel2", {280, 61, 0, 0}, "OU"},
            {"Button4",
             "Panel2",
             {16, 83, 576, 25},
             "Télécharger et (Re)Installer VLC depuis notre site miroire"},
            {"Label6",
             "Panel2",
             {56, 114, 0, 0},
             "Très important : pendant l'installation, veuillez cocher la case Plugin ActiveX"},
            {"Image1", "Panel2", {16, 150, 576, 465}, ""},
        };
        for (const auto& expected : controls) {
            auto* widget = form->findChild<QWidget*>(expected.name);
            QVERIFY2(widget != nullptr, expected.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString(expected.parent));
            QCOMPARE(widget->pos(), expected.place.topLeft());
            if (expected.place.width() > 0) {
                QCOMPARE(widget->size(), expected.place.size());
            }
            QString text;
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                text = label->text();
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                text = button->text();
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                text = edit->text();
            }
            QCOMPARE(text, expected.text);
        }
        QCOMPARE(form->Label2->font().pixelSize(), 17);
        QVERIFY(form->Label2->font().bold());
        QCOMPARE(form->Label8->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(form->Label6->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(form->Panel2->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form->Image1->pixmap().size(), QSize(573, 461));
    }

    void acceptsAnExistingFileWhosePathHoldsThePlayerName() {
        const QString name = kalore::PlayerProgramName();
        touch(name);
        touch(name + "-portable/start");
        touch("other/" + name.toUpper());
        touch("other/player");
        QVERIFY(accepts(dir.path() + "/" + name));
        // The name may stand anywhere in the path.
        QVERIFY(accepts(dir.path() + "/" + name + "-portable/start"));
        // The test is case-sensitive, and the file must exist.
        QVERIFY(!accepts(dir.path() + "/other/" + name.toUpper()));
        QVERIFY(!accepts(dir.path() + "/other/player"));
        QVERIFY(!accepts(dir.path() + "/missing/" + name));
        QVERIFY(!accepts(""));
        // A folder is not a file.
        QVERIFY(!accepts(dir.path() + "/" + name + "-portable"));
    }

    void selectionKeepsTheLastNameOfTheOpenDialog() {
        form->Edit1->setText("typed");
        kalore::OpenFileDialog::SetNextAnswer(std::nullopt);
        form->Button3Click();
        QCOMPARE(form->Edit1->text(), QString("typed"));

        kalore::OpenFileDialog::SetNextAnswer(QString("/usr/bin/vlc"));
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        QCOMPARE(form->Edit1->text(), QString("/usr/bin/vlc"));

        // Cancelling after a choice puts that choice back.
        form->Edit1->setText("changed by hand");
        kalore::OpenFileDialog::SetNextAnswer(std::nullopt);
        form->Button3Click();
        QCOMPARE(form->Edit1->text(), QString("/usr/bin/vlc"));
    }

    void downloadButtonsOpenThePlayerPages() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QTest::mouseClick(form->Button4, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls[0], QUrl("https://player.test/vlc/"));
        QCOMPARE(catcher.urls[1],
                 QUrl("https://maker.test/vlc/vlc-1.2.0-pre1-20111119-0004-win32.exe"));
        QVERIFY(chosen.empty());
    }
};

QTEST_MAIN(PlayerLocationDialogTest)
#include "player_location_dialog_test.moc"
