#pragma once

#include "db/SyncSetting.h"
#include "drive/DaemonStatus.h"

#include <QObject>

class ClientConnection;

// One supervised drive daemon, of one encrypted sync setting.
class IDaemonProcess : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IDaemonProcess() override = default;

public slots:
    // The daemon's connection once it registered; events go through it.
    virtual void setConnection(ClientConnection *connection) = 0;
    // A Qt message type (0 debug, 1 warning, 2 critical, 3 fatal, 4 info).
    virtual void setLogLevel(int level) = 0;
    virtual bool isRunning() const = 0;
    // The operating system's process id, or -1 when no process runs.
    virtual qint64 processId() const = 0;
    virtual int settingId() const = 0;
    virtual quarnet::daemon::api::status status() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;

signals:
    void daemonStatusChanged(const SyncSetting &setting, quarnet::daemon::api::status status);
};
