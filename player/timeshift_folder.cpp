#include "player/timeshift_folder.h"

#include <QDir>

namespace kalore {
namespace {

QString FolderPath() {
    // One per user: another user's Kalore keeps its own.
    const QString user = qEnvironmentVariable("USER", QStringLiteral("kalore"));
    return QDir::tempPath() + "/kalore-timeshift-" + user;
}

} // namespace

std::string TimeshiftFolder() {
    const QString path = FolderPath();
    QDir().mkpath(path);
    return path.toStdString();
}

void EmptyTimeshiftFolder() {
    QDir folder(FolderPath());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        folder.remove(name);
    }
}

} // namespace kalore
