#include "app/CrashDumps.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace CrashDumps {

QStringList collectNew(const QString &dir, const QString &appName, const QString &version)
{
    QStringList handled;
    QDir folder(dir);
    if (!folder.exists())
        return handled;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    int index = 0;
    for (const QString &name : folder.entryList({QStringLiteral("*.dmp")}, QDir::Files, QDir::Name)) {
        const QString target = folder.filePath(
            QStringLiteral("%1_%2_crash_dump_%3").arg(appName, version, QStringLiteral("%1-%2").arg(stamp).arg(++index)));
        if (QFile::rename(folder.filePath(name), target)) {
            qWarning("CrashDumps::collectNew: crash dump found: %s", qUtf8Printable(target));
            handled << target;
        } else {
            qWarning("CrashDumps::collectNew: cannot rename crash dump %s", qUtf8Printable(name));
        }
    }
    return handled;
}

} // namespace CrashDumps
