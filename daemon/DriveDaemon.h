#pragma once

#include "DaemonLog.h"
#include "DriveConfig.h"

#include <QObject>
#include <QSocketNotifier>

class GocryptfsMount;
class PipeLink;

// One drive: registers with the client over the local socket, mounts the
// storage folder at the mount folder and serves it until the client says
// "exit", a SIGTERM/SIGINT/SIGHUP arrives or the client goes away; then it
// unmounts and the process exits 0. Problems end the process with one of
// the codes of DaemonExit.
class DriveDaemon : public QObject
{
    Q_OBJECT
public:
    explicit DriveDaemon(QObject *parent = nullptr);
    ~DriveDaemon() override;

    // Where the client listens: "korx" in the user's runtime folder.
    static QString pipePath();

    // Starts everything; the exit code comes through QCoreApplication::exit.
    void start();

private:
    void onSignal();
    void onConnected();
    void finish(int code, const QString &why);

    DaemonLog m_log;
    DriveConfig m_config;
    GocryptfsMount *m_mount = nullptr;
    PipeLink *m_pipe = nullptr;
    QSocketNotifier *m_signals = nullptr;
    bool m_finished = false;
};
