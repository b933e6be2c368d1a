#pragma once

#include "drive/FileSystemDriverManager.h"

#include <QObject>

class AppInfo;
class ApplicationLog;
class LocalServer;
class SyncSettingsDao;

// The drives of encrypted sync settings as a program runs them: the
// manager with daemon processes for this application, and, once serving,
// the local socket "korx" on which the daemons register. The desktop
// client and korvexcmd run set them up alike through this.
class EncryptedDrives : public QObject
{
    Q_OBJECT
public:
    // The drives follow the settings store: every encrypted setting on this
    // computer (of any account: the folders are this user's either way).
    EncryptedDrives(const AppInfo *appInfo, SyncSettingsDao *settings, bool decryptWhenOffline,
                    QObject *parent = nullptr);

    FileSystemDriverManager *manager() const { return m_manager; }
    // Passes the log's level changes on to the daemons.
    void followLog(ApplicationLog *log);
    // Listens on "korx" and takes over the encrypted settings that exist.
    // False (logged) when another client serves the drives already.
    bool serve();

signals:
    // A drive became usable (its status turned Running): the moment to
    // sync its setting rather than wait for the next timer run, which
    // skipped it while the drive was coming up.
    void driveReady(const SyncSetting &setting);

private:
    FileSystemDriverManager *m_manager;
    LocalServer *m_server = nullptr;
};
