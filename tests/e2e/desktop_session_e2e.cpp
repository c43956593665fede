// The real program in a desktop session without a tray (Xvfb with no tray, as GNOME
// has none), with the session's D-Bus services standing in on private buses
// (tests/support/desktop_services.py): a programmed recording is told through the
// notification service at its start and end, holds logind's lock on sleep while it
// runs and lets it go after; a click on a notice opens "Mes enregistrements"; a
// wake-up re-checks the schedule; the log is kept in the user's state folder.
#include <sys/prctl.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "e2e_support.h"
#include "test_channel.h"

using namespace kalore::e2e;

namespace {

constexpr int kLeadSeconds = 8;
constexpr int kLengthSeconds = 4;

void BindToTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ReadFile(const QString& path) {
    return QString::fromUtf8(ReadBytes(path));
}

} // namespace

class DesktopSessionE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void aRecordingIsToldKeepsTheMachineAwakeAndAWakeUpIsNoticed();

private:
    QString Program(const QString& relative) const { return dir_.path() + "/Kalore/" + relative; }
    // A bus of the test's own; its address, or empty.
    QString StartBus(QProcess& bus, const QString& name);
    // The stand-in's lines that begin with `word`, the word left out.
    QStringList Said(const QString& word) const;
    // The fields of the first NOTIFY line titled `summary`: id, then the JSON array.
    QJsonArray Notice(const QString& summary, QString* id = nullptr) const;

    QTemporaryDir dir_;
    QProcess sessionBus_;
    QProcess systemBus_;
    QProcess services_;
    QProcess web_;
    QProcess kalore_;
    QStringList said_;
    TestChannel channel_;
};

QString DesktopSessionE2E::StartBus(QProcess& bus, const QString& name) {
    BindToTest(bus);
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                              "--address=unix:path=" + dir_.filePath(name)});
    if (!bus.waitForReadyRead(5000)) {
        return {};
    }
    return QString::fromUtf8(bus.readLine()).trimmed();
}

QStringList DesktopSessionE2E::Said(const QString& word) const {
    QStringList lines;
    for (const QString& line : said_) {
        if (line.startsWith(word + " ")) {
            lines << line.mid(word.size() + 1);
        }
    }
    return lines;
}

QJsonArray DesktopSessionE2E::Notice(const QString& summary, QString* id) const {
    for (const QString& line : Said("NOTIFY")) {
        const QJsonArray fields = QJsonDocument::fromJson(line.section(' ', 1).toUtf8()).array();
        if (fields.at(0).toString() == summary) {
            if (id != nullptr) {
                *id = line.section(' ', 0, 0);
            }
            return fields;
        }
    }
    return {};
}

void DesktopSessionE2E::initTestCase() {
    QVERIFY(dir_.isValid());
    const QString session = StartBus(sessionBus_, "session-bus");
    const QString system = StartBus(systemBus_, "system-bus");
    QVERIFY2(!session.isEmpty() && !system.isEmpty(), "dbus-daemon did not start");
    BindToTest(services_);
    connect(&services_, &QProcess::readyReadStandardOutput, this, [this] {
        while (services_.canReadLine()) {
            said_ << QString::fromUtf8(services_.readLine()).trimmed();
        }
    });
    services_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    services_.start(KALORE_SOURCE_DIR "/tests/support/desktop_services.py", {session, system});
    QTRY_VERIFY_WITH_TIMEOUT(said_.contains("READY"), 10000);

    const QString copyError = CopyProgramFolder(KALORE_PROGRAM_FOLDER, Program(""));
    QVERIFY2(copyError.isEmpty(), qPrintable(copyError));
    BindToTest(web_);
    web_.start(FAKE_WEB_SERVER, {});
    QVERIFY(web_.waitForReadyRead(5000));
    const QByteArray site = "http://127.0.0.1:" + web_.readLine().trimmed();
    QVERIFY(WriteFile(Program("B/kalore.ini"),
                      "[Visual]\r\nlastRecordPath=\r\nvlcpath=/usr/bin/vlc\r\n[Connexion]\r\n"
                      "internetProvider=\r\n[Web]\r\nsite=" +
                          site + "\r\nbox=" + site + "\r\n"));
    QVERIFY(channel_.Start());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", session);
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", system);
    environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    environment.insert("XDG_STATE_HOME", dir_.filePath("state"));
    kalore_.setProcessEnvironment(environment);
    kalore_.setWorkingDirectory(Program(""));
    kalore_.setProcessChannelMode(QProcess::ForwardedChannels);
    BindToTest(kalore_);
}

void DesktopSessionE2E::cleanupTestCase() {
    for (QProcess* process : {&kalore_, &services_, &web_, &sessionBus_, &systemBus_}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }
}

void DesktopSessionE2E::aRecordingIsToldKeepsTheMachineAwakeAndAWakeUpIsNoticed() {
    const QDateTime start = WholeSecondsFromNow(kLeadSeconds);
    const QDateTime end = start.addSecs(kLengthSeconds);
    const QList<ScheduleEntry> entries = {
        {"Mire", start, end, "Programmé", kFormatH264, channel_.Address()}};
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));
    kalore_.start(Program("kalore"), {});
    QVERIFY(kalore_.waitForStarted(5000));

    QTRY_VERIFY_WITH_TIMEOUT(!Notice("Enregistrement commencé").isEmpty(), 30000);
    const QJsonArray started = Notice("Enregistrement commencé");
    QCOMPARE(started.at(1).toString(),
             "« Mire » est enregistré jusqu'à " + end.toString("HH:mm:ss") + ".");
    QCOMPARE(started.at(2).toArray().at(0).toString(), QString("default"));
    QCOMPARE(started.at(3).toString(), QString("fr.kalore_logiciels.kalore"));
    QTRY_VERIFY_WITH_TIMEOUT(!Said("INHIBIT").isEmpty(), 5000);
    QCOMPARE(QJsonDocument::fromJson(Said("INHIBIT").first().toUtf8()).array(),
             (QJsonArray{"sleep:idle", "Kalore",
                         "Kalore enregistre « Mire » jusqu'à " + end.toString("HH:mm"), "block"}));
    QVERIFY(Said("RELEASED").isEmpty());

    QString endId;
    QTRY_VERIFY_WITH_TIMEOUT(!Notice("Enregistrement terminé", &endId).isEmpty(),
                             1000 * (kLengthSeconds + 20));
    QTRY_VERIFY_WITH_TIMEOUT(said_.contains("RELEASED"), 5000);
    QCOMPARE(Said("INHIBIT").size(), 1);
    QCOMPARE(StatusesOf(ReadBytes(Program("B/recordslist"))), QStringList{"Terminé"});

    // A click on the notice opens the list of recordings, as the tray's did.
    services_.write(("CLICK " + endId + "\n").toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(
        [] {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--name", "^Mes enregistrements$"});
            search.waitForFinished(5000);
            return !search.readAllStandardOutput().trimmed().isEmpty();
        }(),
        10000);

    // The machine woke up: the schedule is looked at again at once.
    const QString log = dir_.filePath("state/kalore/kalore.log");
    const int before = ReadFile(log).count("  $$$$* Acun enregistrement ne sera programmé");
    services_.write("WAKE\n");
    QTRY_VERIFY_WITH_TIMEOUT(ReadFile(log).contains("  Sortie de veille\n"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(log).count("  $$$$* Acun enregistrement ne sera programmé"),
                              before + 1, 5000);
    QVERIFY(ReadFile(log).contains("  Mise en veille empêchée : Kalore enregistre « Mire »"));
    QCOMPARE(kalore_.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(DesktopSessionE2E)
#include "desktop_session_e2e.moc"
