#pragma once

#include <QString>

class AppInfo;

// Moves files of earlier versions to where this version keeps them.
// Runs once at start, before the log or the database is opened.
class Migration
{
public:
    static void migrate(const AppInfo &appInfo);
    static void removeOldLogFiles(const QString &currentPath, const QString &oldPath);
    static void migrateFile(const QString &currentPath, const QString &oldPath);
};
