#pragma once

// What the end-to-end checks of recording share: finding the recorder children
// of a process, reading a recording with ffprobe, writing and reading the
// schedule files as the program keeps them, and following the log.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace kalore::e2e {

inline constexpr const char* kFormatH264 = "H264 (320x240) idéal pour minimiser le stockage";
inline constexpr const char* kFormatHighQuality = "Format Haute Qualité";

// The processes named "vlc" that `program` started, each through its guard,
// zombies included: a child that was never reaped is left over too.
QList<qint64> RecordersStartedBy(qint64 program);
// True while the process exists, as a zombie too.
bool ProcessExists(qint64 pid);

// What ffprobe reads in a file: one "key=value" per line, streams in order.
struct Probe {
    QString text;
    bool Has(const QString& line) const;
    // The container's duration in seconds; 0 when ffprobe gave none.
    double Duration() const;
};
Probe ProbeFile(const QString& path);

// One entry of the schedule files.
struct ScheduleEntry {
    QString channel;
    QDateTime start;
    QDateTime end;
    QString status;
    QString format;
    QString url;
};
// "recordslist" and "recordsurlist": Windows-1252, CR LF after every line.
QByteArray RecordsListBytes(const QList<ScheduleEntry>& entries);
QByteArray RecordsUrlListBytes(const QList<ScheduleEntry>& entries);
// The status cell of each entry row of a "recordslist"; empty when it can't be read.
QStringList StatusesOf(const QByteArray& recordsList);

// "programme-DD-MM-YYYY_HH-MM-SS.avi", the name of a programmed recording's file.
QString ProgrammedFileName(const QDateTime& start);
// The local time `seconds` ahead, on a whole second.
QDateTime WholeSecondsFromNow(int seconds);

// Copies the built program's folder `from` to `to`, as a user installs it; empty when
// done, otherwise why not, for the failure.
QString CopyProgramFolder(const QString& from, const QString& to);

// Empty when every line of `expected` is in `log` in that order (other lines
// may come between); otherwise says which line is missing, for the failure.
QString MissingInOrder(const QStringList& log, const QStringList& expected);

} // namespace kalore::e2e
