#pragma once

#include "app/ApplicationLog.h"
#include "drive/IFileSystemDriverManager.h"

#include <QList>

#include <functional>

class ClientConnection;
class IDaemonProcess;

// Keeps one drive daemon per encrypted sync setting, starts and stops them
// as settings come and go and as the client goes on- and offline (they run
// while online, or always with decrypt-when-offline), passes the log level
// on, attaches each daemon's connection when it registers, and tells the
// scheduler whether a setting's drive is usable.
class FileSystemDriverManager : public IFileSystemDriverManager
{
    Q_OBJECT
public:
    // All sync settings as the settings store has them.
    using SettingsSource = std::function<SyncSettings()>;
    using DaemonFactory = std::function<IDaemonProcess *(const SyncSetting &setting, QObject *parent)>;

    FileSystemDriverManager(SettingsSource settingsSource, DaemonFactory daemonFactory, bool decryptWhenOffline,
                            QObject *parent = nullptr);
    ~FileSystemDriverManager() override;

    // Takes over the encrypted settings that exist now.
    void start();

    quarnet::daemon::api::status daemonStatus(const SyncSetting &setting) const override;
    bool isManagingExternalDrives() const override { return false; }
    void setDecryptWhenOffline(bool decrypt) override;
    void setOnline(bool online) override;

    const QList<IDaemonProcess *> &daemons() const { return m_daemons; }

public slots:
    void addSetting(const SyncSetting &setting);
    // For the settings store's settingRemoved(id).
    void removeSettingById(int id);
    void removeAllSettings();
    void observeClient(ClientConnection *connection);
    void registerClient(ClientConnection *connection, int pid);
    void setLogLevel(ApplicationLog::LogLevel logLevel);

private:
    void applyRunRule();
    IDaemonProcess *daemonFor(int settingId) const;

    QList<IDaemonProcess *> m_daemons;
    SettingsSource m_settingsSource;
    int m_logLevel = ApplicationLog::INFO;
    DaemonFactory m_daemonFactory;
    bool m_decryptWhenOffline;
    bool m_online = false;
};
