#pragma once

#include "app/DelayedCall.h"
#include "drive/IDaemonProcess.h"

#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>

class AppInfo;
class FileSystemWatchdog;

// Supervises the drive daemon ("encrypted") of one encrypted sync setting:
// hands it its environment (mount, storage, key, log), starts it, watches
// its mount with a FileSystemWatchdog (status Running after the first good
// check) and restarts it after it ended, with a delay chosen by its exit
// code: 211 and 212 one day; 209, 210, 213, 214 and 215 back off (1 s, 4 s,
// 16 s, ... 65536 s); 216, 217, 218, 0 and crashes 2 s. A daemon stopped by
// the client is not restarted.
class DaemonProcess : public IDaemonProcess
{
    Q_OBJECT
public:
    // `schedule` runs the restart delays (a test passes its own clock).
    DaemonProcess(const AppInfo *appInfo, const SyncSetting &setting, QObject *parent = nullptr,
                  DelayedCall::Schedule schedule = DelayedCall::timer());
    ~DaemonProcess() override;

    // The storage folder beside the local folder L: "<parent of L>/.<name of L>-encrypted".
    static QString shadowFolderFor(const QString &localDir);
    // The local folder without its trailing "/".
    QString mountFolder() const;

    void setConnection(ClientConnection *connection) override;
    void setLogLevel(int level) override;
    bool isRunning() const override;
    qint64 processId() const override;
    int settingId() const override { return m_setting.id; }
    quarnet::daemon::api::status status() const override { return m_status; }
    void start() override;
    void stop() override;

public slots:
    QProcessEnvironment populateEnvironment();
    void startWatchdog();
    void stopWatchdog();
    void startProcess();
    void stopProcess();
    void restartProcess(int delaySeconds);
    void setDaemonStatus(quarnet::daemon::api::status status);
    void setStatusToRunning();
    void handleProcessError(QProcess::ProcessError error);
    void handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    QString locateDaemonExecutable();

private:
    QPointer<ClientConnection> m_connection;
    QPointer<QProcess> m_process;
    QPointer<FileSystemWatchdog> m_watchdog;
    SyncSetting m_setting;
    bool m_shouldRun = true;
    int m_restartCount = 0;
    QString m_shadowFolder;
    QString m_logFileTemplate;
    QString m_brandName;
    int m_logLevel = 4;
    quarnet::daemon::api::status m_status = quarnet::daemon::api::NotChecked;
    QString m_executable; // found once, kept
    DelayedCall::Schedule m_schedule;
};
