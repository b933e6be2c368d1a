#include "drive/FileSystemDriverManager.h"

#include "drive/ClientConnection.h"
#include "drive/IDaemonProcess.h"

using namespace quarnet::daemon::api;

FileSystemDriverManager::FileSystemDriverManager(SettingsSource settingsSource, DaemonFactory daemonFactory,
                                                 bool decryptWhenOffline, QObject *parent)
    : IFileSystemDriverManager(parent)
    , m_settingsSource(std::move(settingsSource))
    , m_daemonFactory(std::move(daemonFactory))
    , m_decryptWhenOffline(decryptWhenOffline)
{
}

FileSystemDriverManager::~FileSystemDriverManager()
{
    removeAllSettings();
}

void FileSystemDriverManager::start()
{
    const SyncSettings settings = m_settingsSource ? m_settingsSource() : SyncSettings();
    qInfo("Starting FS driver manager with %d drives", int(settings.size()));
    for (const SyncSetting &setting : settings)
        addSetting(setting);
}

IDaemonProcess *FileSystemDriverManager::daemonFor(int settingId) const
{
    for (IDaemonProcess *daemon : m_daemons)
        if (daemon->settingId() == settingId)
            return daemon;
    return nullptr;
}

void FileSystemDriverManager::addSetting(const SyncSetting &setting)
{
    if (!setting.encryption)
        return;
    // A setting announced twice (start() after its settingAdded) keeps its
    // one daemon: two would fight over the mount.
    if (daemonFor(setting.id)) {
        qWarning("FileSystemDriverManager::addSetting: sync setting %d has a drive already", setting.id);
        return;
    }
    IDaemonProcess *daemon = m_daemonFactory(setting, this);
    connect(daemon, &IDaemonProcess::daemonStatusChanged, this, &IFileSystemDriverManager::daemonStatusChanged);
    daemon->setLogLevel(m_logLevel);
    m_daemons.append(daemon);
    applyRunRule();
}

void FileSystemDriverManager::removeSettingById(int id)
{
    IDaemonProcess *daemon = daemonFor(id);
    if (!daemon)
        return;
    daemon->stop();
    daemon->deleteLater();
    m_daemons.removeOne(daemon);
}

void FileSystemDriverManager::removeAllSettings()
{
    for (IDaemonProcess *daemon : qAsConst(m_daemons)) {
        daemon->stop();
        daemon->deleteLater();
    }
    m_daemons.clear();
}

status FileSystemDriverManager::daemonStatus(const SyncSetting &setting) const
{
    const IDaemonProcess *daemon = daemonFor(setting.id);
    return daemon ? daemon->status() : NoDaemon;
}

void FileSystemDriverManager::setDecryptWhenOffline(bool decrypt)
{
    m_decryptWhenOffline = decrypt;
    applyRunRule();
}

void FileSystemDriverManager::setOnline(bool online)
{
    m_online = online;
    applyRunRule();
}

void FileSystemDriverManager::setLogLevel(ApplicationLog::LogLevel logLevel)
{
    if (int(logLevel) == m_logLevel)
        return;
    m_logLevel = int(logLevel);
    for (IDaemonProcess *daemon : qAsConst(m_daemons))
        daemon->setLogLevel(m_logLevel);
}

void FileSystemDriverManager::observeClient(ClientConnection *connection)
{
    connect(connection, &ClientConnection::clientConnected, this, &FileSystemDriverManager::registerClient);
}

void FileSystemDriverManager::registerClient(ClientConnection *connection, int pid)
{
    for (IDaemonProcess *daemon : qAsConst(m_daemons)) {
        if (daemon->processId() == pid) {
            daemon->setConnection(connection);
            return;
        }
    }
}

void FileSystemDriverManager::applyRunRule()
{
    const bool shouldRun = m_online || m_decryptWhenOffline;
    if (!shouldRun)
        qInfo("Encryption is not running as client is offline.");
    for (IDaemonProcess *daemon : qAsConst(m_daemons)) {
        if (shouldRun && !daemon->isRunning())
            daemon->start();
        else if (!shouldRun && daemon->isRunning())
            daemon->stop();
    }
}
