#include "e2e_support.h"

#include <signal.h>

#include <cerrno>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>

namespace kalore::e2e {
namespace {

// "pid (comm) state ppid ..." of /proc/<pid>/stat; comm may hold blanks and
// parentheses, so it ends at the last ')'.
struct ProcStat {
    QString comm;
    qint64 ppid = 0;
};

bool ReadProcStat(const QString& pid, ProcStat& stat) {
    QFile file("/proc/" + pid + "/stat");
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray text = file.readAll();
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.lastIndexOf(')');
    if (open < 0 || close < open) {
        return false;
    }
    stat.comm = QString::fromLocal8Bit(text.mid(open + 1, close - open - 1));
    const QList<QByteArray> rest = text.mid(close + 2).split(' ');
    if (rest.size() < 2) {
        return false;
    }
    stat.ppid = rest[1].toLongLong();
    return true;
}

QByteArray Windows1252Line(const QString& text) {
    // The texts written here (French status and format words) are all in Latin-1,
    // which Windows-1252 agrees with.
    return text.toLatin1() + "\r\n";
}

} // namespace

QList<qint64> RecordersStartedBy(qint64 program) {
    QHash<qint64, ProcStat> processes;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ProcStat stat;
        bool number = false;
        const qint64 value = pid.toLongLong(&number);
        if (number && ReadProcStat(pid, stat)) {
            processes.insert(value, stat);
        }
    }
    QList<qint64> recorders;
    for (auto process = processes.cbegin(); process != processes.cend(); ++process) {
        const qint64 guard = process->ppid;
        if (process->comm == "vlc" && processes.contains(guard) &&
            processes[guard].comm == "kalore-garde" && processes[guard].ppid == program) {
            recorders.append(process.key());
        }
    }
    return recorders;
}

bool ProcessExists(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool Probe::Has(const QString& line) const {
    return text.split('\n').contains(line);
}

double Probe::Duration() const {
    for (const QString& line : text.split('\n')) {
        if (line.startsWith("duration=")) {
            return line.mid(9).toDouble();
        }
    }
    return 0;
}

Probe ProbeFile(const QString& path) {
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_entries",
                              "stream=codec_name,width,height:format=format_name,duration", "-of",
                              "default=noprint_wrappers=1", path});
    ffprobe.waitForFinished(30000);
    return {QString::fromUtf8(ffprobe.readAllStandardOutput())};
}

QByteArray RecordsListBytes(const QList<ScheduleEntry>& entries) {
    // The row count holds the header row and the empty input row; the input row's
    // cells are stored too.
    QByteArray bytes = Windows1252Line("7") + Windows1252Line(QString::number(entries.size() + 2));
    for (const ScheduleEntry& e : entries) {
        for (const QString& cell :
             {e.channel, e.start.toString("dd/MM/yyyy"), e.start.toString("HH:mm:ss"),
              e.end.toString("dd/MM/yyyy"), e.end.toString("HH:mm:ss"), e.status, e.format}) {
            bytes += Windows1252Line(cell);
        }
    }
    for (int cell = 0; cell < 7; ++cell) {
        bytes += "\r\n";
    }
    return bytes;
}

QByteArray RecordsUrlListBytes(const QList<ScheduleEntry>& entries) {
    QByteArray bytes;
    for (const ScheduleEntry& e : entries) {
        bytes += Windows1252Line(e.url);
    }
    return bytes;
}

QStringList StatusesOf(const QByteArray& recordsList) {
    const QList<QByteArray> lines = recordsList.split('\n');
    if (lines.size() < 2) {
        return {};
    }
    const int entries = lines[1].trimmed().toInt() - 2;
    QStringList statuses;
    for (int row = 0; row < entries; ++row) {
        const qsizetype at = 2 + row * 7 + 5;
        if (at >= lines.size()) {
            return {};
        }
        QByteArray cell = lines[at];
        cell.chop(cell.endsWith('\r') ? 1 : 0);
        statuses.append(QString::fromLatin1(cell));
    }
    return statuses;
}

QString ProgrammedFileName(const QDateTime& start) {
    return "programme-" + start.toString("dd-MM-yyyy_HH-mm-ss") + ".avi";
}

QDateTime WholeSecondsFromNow(int seconds) {
    const QDateTime now = QDateTime::currentDateTime();
    const QTime whole(now.time().hour(), now.time().minute(), now.time().second());
    return QDateTime(now.date(), whole).addSecs(seconds);
}

QString MissingInOrder(const QStringList& log, const QStringList& expected) {
    qsizetype from = 0;
    for (const QString& line : expected) {
        const qsizetype at = log.indexOf(line, from);
        if (at < 0) {
            return "missing after line " + QString::number(from) + ": \"" + line + "\"\nlog:\n" +
                   log.join('\n');
        }
        from = at + 1;
    }
    return {};
}

QString CopyProgramFolder(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::copy(from.toStdString(), to.toStdString(),
                          std::filesystem::copy_options::recursive, error);
    return error ? QString::fromStdString(error.message()) : QString();
}

} // namespace kalore::e2e
