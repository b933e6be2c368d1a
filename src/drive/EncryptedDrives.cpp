#include "drive/EncryptedDrives.h"

#include "app/ApplicationLog.h"
#include "drive/ClientConnection.h"
#include "drive/DaemonProcess.h"
#include "drive/LocalServer.h"

#include <stdexcept>

EncryptedDrives::EncryptedDrives(const AppInfo *appInfo, FileSystemDriverManager::SettingsSource settingsSource,
                                 bool decryptWhenOffline, QObject *parent)
    : QObject(parent)
    , m_manager(new FileSystemDriverManager(
          std::move(settingsSource),
          [appInfo](const SyncSetting &setting, QObject *owner) { return new DaemonProcess(appInfo, setting, owner); },
          decryptWhenOffline, this))
{
}

void EncryptedDrives::followLog(ApplicationLog *log)
{
    m_manager->setLogLevel(log->logLevel());
    connect(log, &ApplicationLog::logLevelChanged, m_manager, &FileSystemDriverManager::setLogLevel);
}

bool EncryptedDrives::serve()
{
    if (!m_server) {
        m_server = new LocalServer(this);
        connect(m_server, &LocalServer::newClient, m_manager, &FileSystemDriverManager::observeClient);
        try {
            m_server->listen(QStringLiteral("korx"));
        } catch (const std::runtime_error &) {
            delete m_server; // listen() logged why
            m_server = nullptr;
            return false;
        }
    }
    m_manager->start();
    return true;
}
