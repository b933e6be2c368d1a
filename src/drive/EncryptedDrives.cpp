#include "drive/EncryptedDrives.h"

#include "app/ApplicationLog.h"
#include "db/SyncSettingsDao.h"
#include "drive/ClientConnection.h"
#include "drive/DaemonProcess.h"
#include "drive/LocalServer.h"

EncryptedDrives::EncryptedDrives(const AppInfo *appInfo, SyncSettingsDao *settings, bool decryptWhenOffline,
                                 QObject *parent)
    : QObject(parent)
    , m_manager(new FileSystemDriverManager(
          [settings] {
              SyncSettingsDao::Filter all;
              all.currentUser = false;
              return settings->getListInternal(all);
          },
          [appInfo](const SyncSetting &setting, QObject *owner) { return new DaemonProcess(appInfo, setting, owner); },
          decryptWhenOffline, this))
{
    connect(settings, &SyncSettingsDao::settingAdded, m_manager, &FileSystemDriverManager::addSetting);
    connect(settings, &SyncSettingsDao::settingRemoved, m_manager, &FileSystemDriverManager::removeSettingById);
    connect(m_manager, &IFileSystemDriverManager::daemonStatusChanged, this,
            [this](const SyncSetting &setting, quarnet::daemon::api::status status) {
                if (status == quarnet::daemon::api::Running)
                    emit driveReady(setting);
            });
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
        if (!m_server->listen(QStringLiteral("korx"))) {
            delete m_server; // listen() logged why
            m_server = nullptr;
            return false;
        }
    }
    m_manager->start();
    return true;
}
