#pragma once

#include <QString>

// The start-on-login entry. On Linux an XDG autostart file
// "<config>/autostart/<appNameInternal>.desktop" whose Exec line names the
// running executable; on Windows the per-user run list.
class StartOnStartup
{
public:
    // appName is the internal application name; executable the absolute path
    // of the program to start (the running one by default).
    explicit StartOnStartup(const QString &appName, const QString &executable = QString());

    bool isEnabled() const;
    bool enable();
    bool disable();

    QString entryPath() const;
    // The program the current entry starts, empty without an entry.
    QString entryExecutable() const;

private:
    QString m_appName;
    QString m_executable;
};
