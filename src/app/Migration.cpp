#include "app/Migration.h"

#include "app/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void Migration::migrate(const AppInfo &appInfo)
{
    removeOldLogFiles(appInfo.logFilePath(), appInfo.oldHomeLogPath());
    removeOldLogFiles(appInfo.logFilePath(), appInfo.oldGenericCacheLogPath());
    migrateFile(appInfo.databasePath(), appInfo.oldHomeDatabasePath());
    migrateFile(appInfo.databasePath(), appInfo.oldGenericConfigDatabasePath());
}

void Migration::removeOldLogFiles(const QString &currentPath, const QString &oldPath)
{
    if (QFileInfo(oldPath).absoluteFilePath() == QFileInfo(currentPath).absoluteFilePath()
        || !QFileInfo::exists(oldPath))
        return;
    qInfo("Migration::removeOldLogFiles: Old file found: %s", qUtf8Printable(oldPath));
    if (QFile::remove(oldPath))
        qInfo("Migration::removeOldLogFiles: Log file '%s' deleted", qUtf8Printable(oldPath));
    else
        qWarning("Migration::removeOldLogFiles: Failed to delete log file '%s'", qUtf8Printable(oldPath));

    // Rotated generations: name.1, name.2, ... as long as they follow each other.
    bool any = false;
    bool failed = false;
    for (int n = 1; QFileInfo::exists(QStringLiteral("%1.%2").arg(oldPath).arg(n)); ++n) {
        any = true;
        if (!QFile::remove(QStringLiteral("%1.%2").arg(oldPath).arg(n))) {
            failed = true;
            break;
        }
    }
    if (!any)
        return;
    if (failed)
        qWarning("Migration::removeOldLogFiles: Failed to delete log files '%s'.n", qUtf8Printable(oldPath));
    else
        qInfo("Migration::removeOldLogFiles: Log files '%s'.n deleted", qUtf8Printable(oldPath));
}

// A file already at the current path is kept: the old one then stays where it
// is rather than overwrite newer state.
void Migration::migrateFile(const QString &currentPath, const QString &oldPath)
{
    if (QFileInfo(oldPath).absoluteFilePath() == QFileInfo(currentPath).absoluteFilePath()
        || !QFileInfo::exists(oldPath))
        return;
    qInfo("Migration::migrateFile: Old file found: %s", qUtf8Printable(oldPath));
    QDir().mkpath(QFileInfo(currentPath).absolutePath());
    if (!QFileInfo::exists(currentPath) && QFile::rename(oldPath, currentPath))
        qInfo("Migration::migrateFile: File moved to %s", qUtf8Printable(currentPath));
    else
        qWarning("Migration::migrateFile: Failed to move file to %s", qUtf8Printable(currentPath));
}
