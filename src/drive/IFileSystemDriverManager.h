#pragma once

#include "db/SyncSetting.h"
#include "drive/DaemonStatus.h"

#include <QObject>

// Keeps the drive daemons of the encrypted sync settings and tells the
// scheduler whether a setting's drive is usable (status Running).
class IFileSystemDriverManager : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IFileSystemDriverManager() override = default;

    virtual quarnet::daemon::api::status daemonStatus(const SyncSetting &setting) const = 0;
    virtual bool isManagingExternalDrives() const = 0;
    virtual void setDecryptWhenOffline(bool decrypt) = 0;
    virtual void setOnline(bool online) = 0;

signals:
    void daemonStatusChanged(const SyncSetting &setting, quarnet::daemon::api::status status);
};
