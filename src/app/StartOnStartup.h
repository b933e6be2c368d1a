#pragma once

#include <QString>

// The start-on-login entry. On Linux an XDG autostart file
// "<config>/autostart/<appNameInternal>.desktop" whose Exec line names the
// running executable; on Windows the per-user run list.
//
// On Linux the package installs a system-wide entry of the same name (in
// /etc/xdg/autostart). As the desktops do, the user's own file of that name
// replaces it, and a user file with "Hidden=true" switches it off; so the
// entry in force is the first one found in the user's folder, then in the
// system folders.
class StartOnStartup
{
public:
    // appName is the internal application name; executable the absolute path
    // of the program to start (the running one by default).
    explicit StartOnStartup(const QString &appName, const QString &executable = QString());

    bool isEnabled() const;
    bool enable();
    bool disable();

    // The user's own entry, the one enable() and disable() write.
    QString entryPath() const;
    // The program the entry in force starts, empty when none starts anything.
    QString entryExecutable() const;

private:
#ifndef Q_OS_WIN
    bool writeEntry(const QString &rest) const;
#endif
    QString m_appName;
    QString m_executable;
};
