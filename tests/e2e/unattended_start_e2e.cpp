// Kalore started at login and left alone: the real program, the real vlc and a live
// ffmpeg stream on loopback, the maker's site unreachable (nothing listens on its
// port) so that start-up has boxes to show, and nobody to click them. What it
// leaves behind is checked: the saved schedule, the recordings, its children, and
// how soon it ends when the session asks it to.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "e2e_support.h"
#include "test_channel.h"

using namespace kalore::e2e;

namespace {

// The recording is due this long after the start, as a login's first minutes.
constexpr int kLeadSeconds = 15;
constexpr int kLengthSeconds = 4;
// Nothing listens there: every query of start-up fails at once.
constexpr const char* kUnreachableSite = "http://127.0.0.1:9";

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A child of the test that dies with it, should the test itself be killed.
void BindToTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Reaps whatever was orphaned to this test (it is their subreaper).
void ReapOrphans() {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

} // namespace

class UnattendedStartE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void recordsOnTimeWhileBoxesWaitAndTellsAMissedSlot();
    void recordsOnTimeWhileTheSiteIsSilentOnTheFreePath();
    void aReadOnlyScheduleFolderNeitherHoldsNorRepeatsALaunchNorTheClose();
    void aRecorderDeafToSigtermDiesWithAKilledKalore();

private:
    QString Program(const QString& relative) const { return dir_.path() + "/Kalore/" + relative; }
    bool WriteSettings(const QString& player, const QString& site = kUnreachableSite);
    void WriteSchedule(const QList<ScheduleEntry>& entries);
    // With a stand-in: seen by Kalore as /usr/bin/vlc (bound there in a mount
    // namespace of its own), as Kalore takes that player whatever its settings say.
    void StartKalore(const QString& standIn = {});
    // Waits until the saved statuses are `expected`, collecting the recorders seen.
    bool WaitForStatuses(const QStringList& expected, int seconds, QSet<qint64>& recorders);
    // Asks Kalore to end as the session does; the seconds it took, or -1.
    double TerminateKalore();

    QTemporaryDir dir_;
    QProcess kalore_;
    TestChannel channel_;
    QDateTime firstRecorderAt_;
};

void UnattendedStartE2E::initTestCase() {
    QVERIFY(dir_.isValid());
    const QString copyError = CopyProgramFolder(KALORE_PROGRAM_FOLDER, Program(""));
    QVERIFY2(copyError.isEmpty(), qPrintable(copyError));
    QVERIFY(channel_.Start());
    QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
}

void UnattendedStartE2E::cleanup() {
    QFile::setPermissions(Program("B"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (kalore_.state() != QProcess::NotRunning) {
        kalore_.kill();
        kalore_.waitForFinished(5000);
    }
    ReapOrphans();
}

bool UnattendedStartE2E::WriteSettings(const QString& player, const QString& site) {
    return WriteFile(Program("B/kalore.ini"),
                     "[Visual]\r\nlastRecordPath=\r\nvlcpath=" + player.toUtf8() +
                         "\r\n[Connexion]\r\ninternetProvider=\r\n[Web]\r\nsite=" + site.toUtf8() +
                         "\r\nbox=" + site.toUtf8() + "\r\n");
}

void UnattendedStartE2E::WriteSchedule(const QList<ScheduleEntry>& entries) {
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));
    for (const QString& name : QDir(Program("RECORDS")).entryList(QDir::Files)) {
        QFile::remove(Program("RECORDS/" + name));
    }
}

void UnattendedStartE2E::StartKalore(const QString& standIn) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
    environment.insert("XDG_STATE_HOME", dir_.path() + "/state");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    kalore_.setProcessEnvironment(environment);
    kalore_.setWorkingDirectory(Program(""));
    kalore_.setProcessChannelMode(QProcess::ForwardedChannels);
    BindToTest(kalore_);
    if (standIn.isEmpty()) {
        kalore_.start(Program("kalore"), {});
    } else {
        // unshare and sh both exec: the process started is Kalore itself.
        kalore_.start("unshare",
                      {"-rm", "sh", "-c", "mount --bind \"$0\" /usr/bin/vlc && exec \"$1\"",
                       standIn, Program("kalore")});
    }
    QVERIFY(kalore_.waitForStarted(5000));
}

bool UnattendedStartE2E::WaitForStatuses(const QStringList& expected, int seconds,
                                         QSet<qint64>& recorders) {
    QElapsedTimer waited;
    waited.start();
    while (StatusesOf(ReadFile(Program("B/recordslist"))) != expected) {
        const QList<qint64> children = RecordersStartedBy(kalore_.processId());
        if (recorders.isEmpty() && !children.isEmpty()) {
            firstRecorderAt_ = QDateTime::currentDateTime();
        }
        recorders.unite(QSet<qint64>(children.begin(), children.end()));
        if (kalore_.state() != QProcess::Running || waited.elapsed() > seconds * 1000LL) {
            qWarning("statuses: %s",
                     qPrintable(StatusesOf(ReadFile(Program("B/recordslist"))).join('|')));
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

double UnattendedStartE2E::TerminateKalore() {
    QElapsedTimer took;
    took.start();
    kalore_.terminate();
    if (!kalore_.waitForFinished(15000)) {
        return -1;
    }
    return took.elapsed() / 1000.0;
}

// Nobody answers the boxes of a failed start-up: the recording due 15 s after the
// start still runs on time and ends "Terminé", a slot that ended before the start
// reads "Manqué", and the session's end still closes Kalore at once.
void UnattendedStartE2E::recordsOnTimeWhileBoxesWaitAndTellsAMissedSlot() {
    QVERIFY(WriteSettings("/usr/bin/vlc"));
    const QDateTime start = WholeSecondsFromNow(kLeadSeconds);
    // Ended two days ago: missed whatever the clock at login (an hour ago would wait
    // until the clock is trusted).
    const QDateTime gone = WholeSecondsFromNow(-2 * 86400);
    WriteSchedule(
        {{"Mire", start, start.addSecs(kLengthSeconds), "Programmé", kFormatH264,
          channel_.Address()},
         {"Passé", gone, gone.addSecs(600), "Programmé", kFormatH264, channel_.Address()}});
    StartKalore();

    QSet<qint64> recorders;
    QVERIFY(WaitForStatuses({"Programmé", "Manqué"}, kLeadSeconds - 3, recorders));
    QVERIFY(WaitForStatuses({"Terminé", "Manqué"}, kLeadSeconds + kLengthSeconds + 15, recorders));
    QCOMPARE(recorders.size(), 1);
    const qint64 late = start.msecsTo(firstRecorderAt_);
    qInfo("the recorder started %lld ms after the entry's start", late);
    QVERIFY(late < 2000);
    const Probe probe = ProbeFile(Program("RECORDS/" + ProgrammedFileName(start)));
    QVERIFY2(probe.Has("codec_name=h264"), qPrintable(probe.text));
    QVERIFY2(qAbs(probe.Duration() - kLengthSeconds) <= 1.0, qPrintable(probe.text));

    const double seconds = TerminateKalore();
    qInfo("ended %.1f s after the session's request", seconds);
    QVERIFY(seconds >= 0 && seconds < 10);
}

// The site accepts and never answers (the address query excepted: a Free line), so
// start-up waits on the network for its whole time: the schedule was armed before any
// request, and the recording due 5 s after the start runs on time and ends "Terminé".
void UnattendedStartE2E::recordsOnTimeWhileTheSiteIsSilentOnTheFreePath() {
    // The address query names a Free line; the version check and the box's playlist
    // are accepted and never answered, so they wait out the start-up's time.
    QProcess site;
    BindToTest(site);
    site.start(FAKE_WEB_SERVER, {"--address", "78-1-2-3.fbx.proxad.net", "--silent",
                                 "/lastVersionForSoft", "--silent", "/freeboxtv/playlist.m3u"});
    QVERIFY(site.waitForReadyRead(5000));
    QVERIFY(WriteSettings("/usr/bin/vlc", "http://127.0.0.1:" + site.readLine().trimmed()));
    const QDateTime start = WholeSecondsFromNow(5);
    const int length = 20; // long enough that the allowed 5 % is a whole second
    WriteSchedule(
        {{"Mire", start, start.addSecs(length), "Programmé", kFormatH264, channel_.Address()}});
    StartKalore();

    QSet<qint64> recorders;
    QVERIFY(WaitForStatuses({"Terminé"}, 5 + length + 15, recorders));
    QCOMPARE(recorders.size(), 1);
    const qint64 late = start.msecsTo(firstRecorderAt_);
    qInfo("the recorder started %lld ms after the entry's start, the site silent", late);
    QVERIFY(late < 2000);
    TerminateKalore();
    site.kill();
    site.waitForFinished(5000);
}

// The schedule folder turns read-only before the launch: the save of
// "Enregistrement.." fails, the recording runs all the same, once, and the close,
// whose saves fail too, doesn't wait for anyone.
void UnattendedStartE2E::aReadOnlyScheduleFolderNeitherHoldsNorRepeatsALaunchNorTheClose() {
    QVERIFY(WriteSettings("/usr/bin/vlc"));
    const QDateTime start = WholeSecondsFromNow(8);
    WriteSchedule({{"Mire", start, start.addSecs(kLengthSeconds), "Programmé", kFormatH264,
                    channel_.Address()}});
    StartKalore();
    QTest::qWait(4000);
    QVERIFY(QFile::setPermissions(Program("B"), QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray saved = ReadFile(Program("B/recordslist"));

    QSet<qint64> recorders;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < (8 + kLengthSeconds + 4) * 1000) {
        const QList<qint64> children = RecordersStartedBy(kalore_.processId());
        recorders.unite(QSet<qint64>(children.begin(), children.end()));
        QVERIFY2(kalore_.state() == QProcess::Running, "the program ended by itself");
        QTest::qWait(50);
    }
    QCOMPARE(recorders.size(), 1);
    const Probe probe = ProbeFile(Program("RECORDS/" + ProgrammedFileName(start)));
    QVERIFY2(probe.Has("codec_name=h264"), qPrintable(probe.text));

    const double seconds = TerminateKalore();
    qInfo("ended %.1f s after the session's request, its saves failing", seconds);
    QVERIFY(seconds >= 0 && seconds < 10);
    QCOMPARE(ReadFile(Program("B/recordslist")), saved);
}

// A recorder that ignores SIGTERM and starts one more that leaves its group and
// session, and Kalore killed outright: nothing is left running 5 s later.
void UnattendedStartE2E::aRecorderDeafToSigtermDiesWithAKilledKalore() {
    if (QProcess::execute("unshare", {"-rm", "true"}) != 0) {
        QSKIP("no user and mount namespaces here to put the stand-in in vlc's place");
    }
    const QString standIn = dir_.path() + "/deaf/vlc";
    QVERIFY(QDir().mkpath(dir_.path() + "/deaf"));
    const QString escapeeFile = dir_.path() + "/deaf/escapee";
    QVERIFY(WriteFile(standIn, "#!/bin/sh\ntrap '' TERM\nsetsid sh -c 'echo $$ > \"$0\"; exec "
                               "sleep 120' '" +
                                   escapeeFile.toUtf8() + "' &\nwhile :; do sleep 1; done\n"));
    QVERIFY(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(WriteSettings("/usr/bin/vlc"));
    const QDateTime start = WholeSecondsFromNow(6);
    WriteSchedule(
        {{"Sourde", start, start.addSecs(120), "Programmé", kFormatH264, channel_.Address()}});
    StartKalore(standIn);

    QList<qint64> recorders;
    QElapsedTimer waited;
    waited.start();
    while ((recorders = RecordersStartedBy(kalore_.processId())).isEmpty()) {
        QVERIFY2(waited.elapsed() < 20000, "the stand-in was never started");
        QTest::qWait(50);
    }
    QTRY_VERIFY_WITH_TIMEOUT(ReadFile(escapeeFile).trimmed().toLongLong() > 0, 5000);
    const qint64 escapee = ReadFile(escapeeFile).trimmed().toLongLong();
    // The recorder started is the stand-in: SIGTERM (bit 15) among its ignored signals.
    QFile status(QString("/proc/%1/status").arg(recorders[0]));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("SigIgn:");
    const QByteArray ignored = text.mid(at, text.indexOf('\n', at) - at);
    QVERIFY2(ignored.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1)),
             ignored.constData());
    kalore_.kill();
    QVERIFY(kalore_.waitForFinished(5000));
    QTest::qWait(5000);
    ReapOrphans();
    for (const qint64 recorder : recorders) {
        QVERIFY2(!ProcessExists(recorder), "the recorder outlived the killed program");
    }
    QVERIFY2(!ProcessExists(escapee), "what the recorder started outlived the killed program");
}

QTEST_GUILESS_MAIN(UnattendedStartE2E)
#include "unattended_start_e2e.moc"
