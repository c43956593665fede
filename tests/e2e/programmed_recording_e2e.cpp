// The real program records programmed broadcasts by itself. It runs in a program
// folder of its own whose schedule files hold an H264 entry and a high-quality
// entry starting a few seconds after it, with the real vlc as its recorder, a live
// ffmpeg test stream on loopback as the channel and the web services answered on
// loopback; then once more under a fake clock (faketime) that puts its start in
// the middle of an entry's slot; last, with a guide whose channels' logos take
// seconds each to decode and whose source blocks any open. Only what the program
// leaves behind is checked: the recordings, the saved schedule and its children,
// and how soon it ends.
#include <sys/prctl.h>
#include <sys/stat.h>

#include <csignal>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "e2e_support.h"
#include "guide/channel_logos.h"
#include "test_channel.h"

using namespace kalore::e2e;

namespace {

// Start-up (web queries, the 2 s splash pause) must be over well before the first
// start, or the trigger would find that entry already begun and never launch it.
constexpr int kLeadSeconds = 6;
constexpr int kLengthSeconds = 3;
// Time for the first recorder to let go of the stream before the second opens it.
constexpr int kGapSeconds = 2;

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A child of the test that dies with it, should the test itself be killed.
void BindToTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// The thread-safe libfaketime of this machine's architecture, or "".
QString LibFaketime() {
    for (const QString& arch : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString library = "/usr/lib/" + arch + "/faketime/libfaketimeMT.so.1";
        if (QFile::exists(library)) {
            return library;
        }
    }
    return {};
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The end of a JPEG segment or scan that starts at `at`: a scan's coded data runs
// to the next marker that isn't a stuffed byte or a restart.
qsizetype SegmentEnd(const QByteArray& jpeg, qsizetype at) {
    const auto byte = [&jpeg](qsizetype i) {
        return static_cast<uchar>(jpeg[i]);
    };
    qsizetype end = at + 2 + (byte(at + 2) << 8 | byte(at + 3));
    if (byte(at + 1) == 0xDA) {
        while (end + 1 < jpeg.size() && (byte(end) != 0xFF || byte(end + 1) == 0 ||
                                         (byte(end + 1) >= 0xD0 && byte(end + 1) <= 0xD7))) {
            ++end;
        }
    }
    return end;
}

// A whole 2048 x 2048 progressive JPEG under the logos' 256 KB whose cheapest scan
// is repeated some 15,000 times: libjpeg decodes it, scan after scan, for seconds.
QByteArray SlowJpeg() {
    QImage image(2048, 2048, QImage::Format_Grayscale8);
    image.fill(128);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    QByteArray cheapest;
    qsizetype after = 0;
    for (qsizetype at = 2; at + 4 <= jpeg.size() && static_cast<uchar>(jpeg[at + 1]) != 0xD9;) {
        const qsizetype end = SegmentEnd(jpeg, at);
        if (static_cast<uchar>(jpeg[at + 1]) == 0xDA &&
            (cheapest.isEmpty() || end - at < cheapest.size())) {
            cheapest = jpeg.mid(at, end - at);
            after = end;
        }
        at = end;
    }
    QByteArray slow = jpeg.left(after);
    while (slow.size() + cheapest.size() + jpeg.size() - after <= 256 * 1024) {
        slow += cheapest;
    }
    return slow + jpeg.mid(after);
}

// "20261207203000 +0000"
QByteArray XmltvTime(const QDateTime& at) {
    return at.toUTC().toString("yyyyMMddHHmmss").toLatin1() + " +0000";
}

} // namespace

class ProgrammedRecordingE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void programmedRecordingsAreMadeNamedAndMarkedFinished();
    void aSlotUnderWayAtStartIsRecordedForItsRestUnderAFakeClock();
    void slowLogosAndAGuideThatBlocksHoldNeitherARecordingNorTheClose();
    void aSlotMissedUnderAWrongClockIsRecordedOnceTheClockIsRight();

private:
    QString Program(const QString& relative) const { return dir_.path() + "/Kalore/" + relative; }
    // Starts the program, with these variables added to its environment.
    void StartKalore(const QProcessEnvironment& extra = {});

    // The settings file, with a [Guide] section when `guide` is given.
    bool WriteSettings(const QByteArray& guide = {});

    QTemporaryDir dir_;
    QByteArray site_;
    QProcess web_;
    QProcess kalore_;
    TestChannel channel_;
};

void ProgrammedRecordingE2E::initTestCase() {
    QVERIFY(dir_.isValid());
    const QString copyError = CopyProgramFolder(KALORE_PROGRAM_FOLDER, Program(""));
    QVERIFY2(copyError.isEmpty(), qPrintable(copyError));
    QVERIFY(QDir(Program("RECORDS")).entryList(QDir::Files).isEmpty());

    BindToTest(web_);
    web_.start(FAKE_WEB_SERVER, {});
    QVERIFY(web_.waitForReadyRead(5000));
    const QByteArray port = web_.readLine().trimmed();
    QVERIFY(port.toInt() > 0);
    site_ = "http://127.0.0.1:" + port;
    QVERIFY(WriteSettings());
    QVERIFY(channel_.Start());
}

bool ProgrammedRecordingE2E::WriteSettings(const QByteArray& guide) {
    return WriteFile(Program("B/kalore.ini"),
                     "[Visual]\r\nlastRecordPath=\r\nvlcpath=/usr/bin/vlc\r\n"
                     "[Connexion]\r\ninternetProvider=\r\n[Web]\r\nsite=" +
                         site_ + "\r\nbox=" + site_ + "\r\n" +
                         (guide.isEmpty() ? QByteArray() : "[Guide]\r\nsource=" + guide + "\r\n"));
}

void ProgrammedRecordingE2E::cleanupTestCase() {
    if (kalore_.state() != QProcess::NotRunning) {
        kalore_.terminate();
        kalore_.waitForFinished(5000);
    }
    web_.kill();
    web_.waitForFinished(5000);
}

void ProgrammedRecordingE2E::programmedRecordingsAreMadeNamedAndMarkedFinished() {
    const QDateTime h264Start = WholeSecondsFromNow(kLeadSeconds);
    const QDateTime hqStart = h264Start.addSecs(kLengthSeconds + kGapSeconds);
    const QList<ScheduleEntry> entries = {{"Mire H264", h264Start,
                                           h264Start.addSecs(kLengthSeconds), "Programmé",
                                           kFormatH264, channel_.Address()},
                                          {"Mire HQ", hqStart, hqStart.addSecs(kLengthSeconds),
                                           "Programmé", kFormatHighQuality, channel_.Address()}};
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));

    StartKalore();
    const qint64 pid = kalore_.processId();

    // The schedule is saved at every change of status, so the disk follows the
    // recordings as they happen.
    const QStringList finished = {"Terminé", "Terminé"};
    const QStringList recordingFirst = {"Enregistrement..", "Programmé"};
    const QStringList recordingSecond = {"Terminé", "Enregistrement.."};
    QSet<qint64> recorders;
    QSet<QString> seenWhileRecording;
    QStringList statuses;
    QElapsedTimer waited;
    waited.start();
    const qint64 deadline = 1000LL * (kLeadSeconds + 2 * kLengthSeconds + kGapSeconds + 20);
    while ((statuses = StatusesOf(ReadFile(Program("B/recordslist")))) != finished) {
        const QList<qint64> children = RecordersStartedBy(pid);
        if (!children.isEmpty()) {
            recorders.unite(QSet<qint64>(children.begin(), children.end()));
            seenWhileRecording.insert(StatusesOf(ReadFile(Program("B/recordslist"))).join('|'));
        }
        QVERIFY2(kalore_.state() == QProcess::Running, "the program ended by itself");
        QVERIFY2(waited.elapsed() < deadline, qPrintable("statuses: " + statuses.join('|')));
        QTest::qWait(50);
    }

    QCOMPARE(recorders.size(), 2);
    QVERIFY(seenWhileRecording.contains(recordingFirst.join('|')));
    QVERIFY(seenWhileRecording.contains(recordingSecond.join('|')));
    // Each recorder is ended and reaped before its row is marked.
    QCOMPARE(RecordersStartedBy(pid), QList<qint64>());
    for (const qint64 recorder : recorders) {
        QVERIFY2(!ProcessExists(recorder), "a recorder child is left running");
    }

    QStringList names = {ProgrammedFileName(h264Start), ProgrammedFileName(hqStart)};
    names.sort();
    QCOMPARE(QDir(Program("RECORDS")).entryList(QDir::Files, QDir::Name), names);

    const Probe h264 = ProbeFile(Program("RECORDS/" + ProgrammedFileName(h264Start)));
    QVERIFY2(h264.Has("format_name=mpegts"), qPrintable(h264.text));
    QVERIFY2(h264.text.contains("codec_name=h264\nwidth=320\nheight=240\n"), qPrintable(h264.text));
    QVERIFY2(h264.Has("codec_name=mp3"), qPrintable(h264.text));
    QVERIFY2(qAbs(h264.Duration() - kLengthSeconds) <= 1.0, qPrintable(h264.text));

    const Probe hq = ProbeFile(Program("RECORDS/" + ProgrammedFileName(hqStart)));
    QVERIFY2(hq.Has("format_name=mpeg"), qPrintable(hq.text));
    QVERIFY2(hq.Has("codec_name=mpeg2video"), qPrintable(hq.text));
    QVERIFY2(hq.Has("codec_name=mp3"), qPrintable(hq.text));
    QVERIFY2(qAbs(hq.Duration() - kLengthSeconds) <= 1.0, qPrintable(hq.text));

    QCOMPARE(kalore_.state(), QProcess::Running);
}

void ProgrammedRecordingE2E::StartKalore(const QProcessEnvironment& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    // Start-up registers autostart and keeps a log: both out of the user's own.
    environment.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
    environment.insert("XDG_STATE_HOME", dir_.path() + "/state");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    kalore_.setProcessEnvironment(environment);
    // Start-up leaves the address answer in the current folder, which must be writable.
    kalore_.setWorkingDirectory(Program(""));
    kalore_.setProcessChannelMode(QProcess::ForwardedChannels);
    BindToTest(kalore_);
    kalore_.start(Program("kalore"), {});
    QVERIFY(kalore_.waitForStarted(5000));
}

// The computer restarted during a film: the program starts 8 s into a 24 s slot,
// three days ahead of the real clock. It records the rest, nothing before the
// program started nor after the slot's end, and the entry ends "Incomplet".
void ProgrammedRecordingE2E::aSlotUnderWayAtStartIsRecordedForItsRestUnderAFakeClock() {
    kalore_.terminate();
    QVERIFY(kalore_.waitForFinished(10000));
    const int ahead = 3 * 86400;
    const QDateTime start = WholeSecondsFromNow(ahead - 8);
    const QDateTime end = start.addSecs(24);
    const QList<ScheduleEntry> entries = {
        {"Mire en cours", start, end, "Programmé", kFormatH264, channel_.Address()}};
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));

    const QString faketime = LibFaketime();
    QVERIFY2(!faketime.isEmpty(), "libfaketime is missing (package faketime)");
    QProcessEnvironment fake;
    // Preloaded here rather than through the faketime command, which would make
    // the program a grandchild of the test.
    fake.insert("LD_PRELOAD", faketime);
    fake.insert("FAKETIME", "+" + QString::number(ahead));
    // Only the wall clock is faked: timers and the recorder keep real time.
    fake.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
    StartKalore(fake);
    const qint64 pid = kalore_.processId();
    QElapsedTimer waited;
    waited.start();
    QSet<qint64> recorders;
    QStringList statuses;
    while ((statuses = StatusesOf(ReadFile(Program("B/recordslist")))) !=
           QStringList{"Incomplet"}) {
        const QList<qint64> children = RecordersStartedBy(pid);
        recorders.unite(QSet<qint64>(children.begin(), children.end()));
        QVERIFY2(kalore_.state() == QProcess::Running, "the program ended by itself");
        QVERIFY2(waited.elapsed() < 60000, qPrintable("statuses: " + statuses.join('|')));
        QTest::qWait(50);
    }
    const double length = waited.elapsed() / 1000.0;
    QCOMPARE(recorders.size(), 1);
    QCOMPARE(RecordersStartedBy(pid), QList<qint64>());

    const Probe probe = ProbeFile(Program("RECORDS/" + ProgrammedFileName(start)));
    QVERIFY2(probe.text.contains("codec_name=h264"), qPrintable(probe.text));
    qInfo("%.1f s recorded of the 16 s left of the slot when the program started",
          probe.Duration());
    // The rest of the slot after start-up: never its first 8 s, never past its end.
    QVERIFY2(probe.Duration() > 4 && probe.Duration() <= 16 + 1.0,
             qPrintable(QString::number(length) + " s waited\n" + probe.text));
    QCOMPARE(kalore_.state(), QProcess::Running);
}

// The channel box's 20 first channels have a guide; each logo kept from before is a
// JPEG of some 15,000 scans, about 8 to 16 s of decoding, and the guide's source is
// a FIFO nobody writes to. A recording due soon after the start still starts on
// time, and the session's end request closes Kalore within 5 s.
void ProgrammedRecordingE2E::slowLogosAndAGuideThatBlocksHoldNeitherARecordingNorTheClose() {
    if (kalore_.state() != QProcess::NotRunning) {
        kalore_.terminate();
        QVERIFY(kalore_.waitForFinished(10000));
    }
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes({})));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes({})));
    const QStringList names = {"TF1",   "France 2", "France 3", "Canal+",   "France 5",
                               "M6",    "Arte",     "C8",       "W9",       "TMC",
                               "TFX",   "NRJ 12",   "LCP",      "France 4", "BFM TV",
                               "CNews", "CStar",    "Gulli",    "6ter",     "LCI"};
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tv>";
    for (int n = 0; n < names.size(); ++n) {
        xml += "<channel id=\"C" + QByteArray::number(n) + ".fr\"><display-name>" +
               names[n].toUtf8() +
               "</display-name><icon src=\"http://127.0.0.1:9/logo.jpg\"/></channel>";
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (int n = 0; n < names.size(); ++n) {
        xml += "<programme start=\"" + XmltvTime(now.addSecs(-3600)) + "\" stop=\"" +
               XmltvTime(now.addSecs(7200)) + "\" channel=\"C" + QByteArray::number(n) +
               ".fr\"><title>Le Film</title></programme>";
    }
    QVERIFY(WriteFile(Program("B/guide.xml"), xml + "</tv>"));
    QVERIFY(WriteSettings("B/guide.xml"));
    StartKalore();
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(Program("B/guide.sqlite"))) {
        QVERIFY2(waited.elapsed() < 30000, "the guide was never imported");
        QTest::qWait(100);
    }
    kalore_.terminate();
    QVERIFY(kalore_.waitForFinished(10000));

    const QByteArray slow = SlowJpeg();
    QVERIFY(slow.size() <= static_cast<qsizetype>(kalore::kLogoCapBytes));
    const std::string logos = kalore::LogoFolder(Program("").toStdString());
    for (int n = 0; n < names.size(); ++n) {
        const std::string file = kalore::LogoFileName(logos, "C" + std::to_string(n) + ".fr");
        QVERIFY(WriteFile(QString::fromStdString(file), slow));
    }
    QCOMPARE(::mkfifo(Program("B/guide.fifo").toLocal8Bit().constData(), 0600), 0);
    QVERIFY(WriteSettings("B/guide.fifo"));
    const QDateTime start = WholeSecondsFromNow(kLeadSeconds + 2);
    const QList<ScheduleEntry> entries = {
        {"Mire", start, start.addSecs(30), "Programmé", kFormatH264, channel_.Address()}};
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));
    StartKalore();

    QDateTime recorderAt;
    waited.restart();
    while (RecordersStartedBy(kalore_.processId()).isEmpty()) {
        QVERIFY2(kalore_.state() == QProcess::Running, "the program ended by itself");
        QVERIFY2(waited.elapsed() < 1000LL * (kLeadSeconds + 20), "the recording never started");
        QTest::qWait(20);
    }
    const qint64 late = start.msecsTo(QDateTime::currentDateTime());
    qInfo("the recorder started %lld ms after the entry's start", late);
    QVERIFY(late < 2000);

    QTest::qWait(1000);
    QElapsedTimer closing;
    closing.start();
    kalore_.terminate();
    QVERIFY2(kalore_.waitForFinished(10000), "still running 10 s after the end request");
    qInfo("ended %lld ms after the session's request", closing.elapsed());
    QVERIFY(closing.elapsed() < 5000);
}

// Started with the clock 2 h ahead (a hardware clock in local time, before network
// time), Kalore doesn't call the slot missed; started 20 h ahead it does, and saves
// it; started again with the right clock, the entry is "Programmé" again and records.
void ProgrammedRecordingE2E::aSlotMissedUnderAWrongClockIsRecordedOnceTheClockIsRight() {
    if (kalore_.state() != QProcess::NotRunning) {
        kalore_.terminate();
        QVERIFY(kalore_.waitForFinished(10000));
    }
    const QDateTime start = WholeSecondsFromNow(35);
    const QList<ScheduleEntry> entries = {
        {"Mire", start, start.addSecs(20), "Programmé", kFormatH264, channel_.Address()}};
    QVERIFY(WriteFile(Program("B/recordslist"), RecordsListBytes(entries)));
    QVERIFY(WriteFile(Program("B/recordsurlist"), RecordsUrlListBytes(entries)));
    const QString faketime = LibFaketime();
    QVERIFY2(!faketime.isEmpty(), "libfaketime is missing (package faketime)");
    const auto statusesAfter = [this](const QStringList& wanted, int seconds) {
        QElapsedTimer waited;
        waited.start();
        QStringList statuses;
        while ((statuses = StatusesOf(ReadFile(Program("B/recordslist")))) != wanted &&
               waited.elapsed() < seconds * 1000) {
            QTest::qWait(50);
        }
        return statuses;
    };
    for (const int hoursAhead : {2, 20}) {
        QProcessEnvironment fake;
        fake.insert("LD_PRELOAD", faketime);
        fake.insert("FAKETIME", "+" + QString::number(hoursAhead * 3600));
        fake.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
        StartKalore(fake);
        const QStringList expected{hoursAhead == 2 ? "Programmé" : "Manqué"};
        QTest::qWait(4000);
        QCOMPARE(statusesAfter(expected, 6), expected);
        kalore_.terminate();
        QVERIFY(kalore_.waitForFinished(10000));
    }
    StartKalore();
    QCOMPARE(statusesAfter({"Programmé"}, 10), QStringList{"Programmé"});
    QVERIFY2(QDateTime::currentDateTime() < start, "the checks took too long for the slot");
    QCOMPARE(statusesAfter({"Terminé"}, 60), QStringList{"Terminé"});
    const Probe probe = ProbeFile(Program("RECORDS/" + ProgrammedFileName(start)));
    QVERIFY2(probe.text.contains("codec_name=h264"), qPrintable(probe.text));
}

QTEST_GUILESS_MAIN(ProgrammedRecordingE2E)
#include "programmed_recording_e2e.moc"
