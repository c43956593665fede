// "Mes enregistrements" as the user drives it, on a real store and real files:
// two recordings, one continued after an outage, shown newest first with its parts
// grouped; played in Kalore's player; moved to the trash of a home without
// ~/.local/share; the list made again from the folder once its store is deleted,
// the recording still running listed as under way.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "gui/message_box.h"
#include "gui/recording_player_window.h"
#include "gui/recordings_window.h"
#include "gui/watch_controls.h"
#include "player/vlc_plugin.h"
#include "recordings/recording_store.h"
#include "seams/clock.h"
#include "support/test_stream_file.h"

using kalore::MessageBoxCapture;
using kalore::RecordingEntry;
using kalore::RecordingPlayerWindow;
using kalore::RecordingStore;
using kalore::RecordingsWindow;
using kalore::RecordingsWindowActions;

class RecordingsWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    kalore::SystemClock clock;

    QString Records() const { return dir.filePath("B/RECORDS"); }
    std::string File(const QString& name) const { return (Records() + "/" + name).toStdString(); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir().mkpath(Records()));
        QVERIFY(QDir().mkpath(dir.filePath("home")));
        QVERIFY(QDir().mkpath(dir.filePath("current")));
        QVERIFY(QDir::setCurrent(dir.filePath("current")));
        // The trash is looked for in the home's own volume: both in the test's folder.
        // A home without ~/.local/share yet, and a value that isn't a path.
        qputenv("HOME", dir.filePath("home").toUtf8());
        qputenv("XDG_DATA_HOME", "relatif");
        for (const QString name : {"programme-07-12-2026_20-30-00.ts",
                                   "programme-07-12-2026_20-30-00-2.ts", "direct.ts"}) {
            QVERIFY(kalore::testing::MakeTestStreamFile(Records() + "/" + name));
        }
    }

    void listsPlaysTrashesAndRebuilds() {
        const std::string storePath = dir.filePath("B/recordings.db").toStdString();
        RecordingStore store(storePath, Records().toStdString(), clock);
        QCOMPARE(store.List().size(), 2u); // the files found at the first open, parts grouped
        for (const auto& entry : store.List()) {
            store.Forget(entry.id);
        }

        // As the main window writes them: a programmed recording continued once, then
        // record now, still running.
        const std::string first = File("programme-07-12-2026_20-30-00.ts");
        const std::int64_t programmed = store.Begin({0,
                                                     "France 2",
                                                     "Les Feux de l'Été",
                                                     1000,
                                                     0,
                                                     0,
                                                     "Qualité d'origine",
                                                     "",
                                                     "",
                                                     true,
                                                     true,
                                                     {first}});
        store.Finish(programmed, {first, File("programme-07-12-2026_20-30-00-2.ts")}, 40, 2000,
                     "Incomplet", "flux perdu à 20:41:03 pendant 62 s");
        const std::int64_t now = store.Begin(
            {0, "TF1", "TF1", 2000, 0, 0, "Format AVI", "", "", false, true, {File("direct.ts")}});

        std::vector<std::int64_t> stopped;
        RecordingsWindowActions actions;
        actions.stop = [&](std::int64_t id) {
            stopped.push_back(id);
            return true;
        };
        actions.libvlcArgs = [] {
            return std::vector<std::string>{"--no-xlib", "--quiet", "--vout=dummy", "--aout=dummy"};
        };
        RecordingsWindow window(store, actions, nullptr);
        window.show();
        QTreeWidget& list = window.List();
        QCOMPARE(list.topLevelItemCount(), 2);
        QCOMPARE(list.topLevelItem(0)->text(0), QString("TF1"));
        QCOMPARE(list.topLevelItem(0)->text(6), QString("Enregistrement.."));
        QTreeWidgetItem* grouped = list.topLevelItem(1);
        QCOMPARE(grouped->text(1), QString("Les Feux de l'Été"));
        const std::string started = grouped->text(2).toStdString();
        QCOMPARE(grouped->text(6), QString("Incomplet"));
        QCOMPARE(grouped->text(7), QString("flux perdu à 20:41:03 pendant 62 s"));
        QCOMPARE(grouped->childCount(), 2);
        QCOMPARE(grouped->child(1)->text(1), QString("programme-07-12-2026_20-30-00-2.ts"));
        // Every column as wide as what it shows: the start keeps its time.
        for (int column : {0, 1, 2, 5}) {
            QVERIFY(list.columnWidth(column) >=
                    list.fontMetrics().horizontalAdvance(grouped->text(column)));
        }

        // Searched without regard to case or accents.
        window.findChild<QLineEdit*>("RecordingsSearch")->setText("feux de l'ete");
        QCOMPARE(list.topLevelItemCount(), 1);
        window.findChild<QLineEdit*>("RecordingsSearch")->clear();

        // The running one is stopped, never trashed.
        list.setCurrentItem(list.topLevelItem(0));
        window.StopSelected();
        QCOMPARE(stopped, std::vector<std::int64_t>{now});
        MessageBoxCapture boxes;
        window.DeleteSelected();
        QVERIFY(boxes.questions().empty());

        // Played in Kalore's player, which can move within the file.
        list.setCurrentItem(list.topLevelItem(1));
        window.PlaySelected();
        auto* player = qobject_cast<RecordingPlayerWindow*>(window.LastPlayer());
        QVERIFY(player != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(player->Player().Playing(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(player->Position().maximum() > 0, 10000);
        // The live view's keys: Space pauses and plays on, M mutes, F11 full screen and back.
        QTest::keyClick(&player->Player(), Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(player->Player().Paused(), 5000);
        QVERIFY(player->Controls().PauseSign().text().startsWith(QStringLiteral("❚❚ Pause")));
        QTest::keyClick(&player->Player(), Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!player->Player().Paused(), 5000);
        QTest::keyClick(&player->Player(), Qt::Key_M);
        QVERIFY(player->Controls().Muted());
        QTest::keyClick(player, Qt::Key_F11);
        QVERIFY(player->Controls().FullScreen());
        QTest::keyClick(&player->Controls().FullScreenWindow(), Qt::Key_F11);
        QVERIFY(!player->Controls().FullScreen());
        QCOMPARE(player->Player().parentWidget()->parentWidget(), player);
        player->close();

        // To the trash, both parts, with what the desktop needs to restore them.
        list.setCurrentItem(list.topLevelItem(1));
        window.DeleteSelected();
        QCOMPARE(boxes.questions().size(), 1u);
        QCOMPARE(boxes.questions()[0], "Mettre « Les Feux de l'Été » (France 2, " + started +
                                           ") à la corbeille ?\r" + first + "\r" +
                                           File("programme-07-12-2026_20-30-00-2.ts"));
        QVERIFY(boxes.texts().empty());
        const QString trash = dir.filePath("home/.local/share/Trash");
        QVERIFY(QFile::exists(trash + "/files/programme-07-12-2026_20-30-00-2.ts"));
        QVERIFY(QFile::exists(trash + "/info/programme-07-12-2026_20-30-00.ts.trashinfo"));
        QCOMPARE(QFile::permissions(trash), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadUser | QFile::WriteUser |
                                                QFile::ExeUser);
        QVERIFY(QDir(dir.filePath("current")).isEmpty());
        QVERIFY(!QFile::exists(QString::fromStdString(first)));
        QCOMPARE(list.topLevelItemCount(), 1);

        // The store deleted: made again at the next look, the recording still running
        // under way, never a finished file to trash.
        QVERIFY(QFile::remove(QString::fromStdString(storePath)));
        window.Reload();
        QVERIFY(QFile::exists(QString::fromStdString(storePath)));
        QCOMPARE(list.topLevelItemCount(), 1);
        QCOMPARE(list.topLevelItem(0)->text(0), QString("TF1"));
        QCOMPARE(list.topLevelItem(0)->text(6), QString("Enregistrement.."));
        list.setCurrentItem(list.topLevelItem(0));
        window.DeleteSelected();
        QVERIFY(boxes.questions().size() == 1u && QFile::exists(Records() + "/direct.ts"));

        // Its file out of reach: the row stays, greyed, and can't be played.
        store.Finish(now, {File("direct.ts")}, 60, 10, "Terminé", "");
        QVERIFY(QFile::rename(Records() + "/direct.ts", dir.filePath("direct.ts")));
        window.Reload();
        QCOMPARE(list.topLevelItem(0)->text(6), QString("Terminé, introuvable"));
        list.setCurrentItem(list.topLevelItem(0));
        QVERIFY(!window.findChild<QPushButton*>("RecordingsPlay")->isEnabled());
        QVERIFY(QFile::rename(dir.filePath("direct.ts"), Records() + "/direct.ts"));
        window.Reload();
        QCOMPARE(list.topLevelItem(0)->text(6), QString("Terminé"));
    }
};

QTEST_MAIN(RecordingsWindowTest)
#include "recordings_window_test.moc"
