#pragma once

#include "Command.h"

class EncryptedDrives;
class MultiSyncher;
class SignalWatcher;
class SyncReporter;

// `korvexcmd run`: the desktop client's background work without a window:
// the automatic settings are synchronised every app/sync_interval_minutes
// until SIGINT or SIGTERM, which stop a running sync cleanly. It runs the
// drives of encrypted settings too; a drive that comes up is synced at once.
class RunCommand : public RemoteCommand
{
    Q_OBJECT
public:
    using RemoteCommand::RemoteCommand;

    static QList<QCommandLineOption> options() { return {}; }
    static QString help();
    static QStringList words() { return {QStringLiteral("run")}; }

protected:
    bool checkArguments() override;
    void run() override;

private:
    EncryptedDrives *m_drives = nullptr;
    MultiSyncher *m_scheduler = nullptr;
    SyncReporter *m_reporter = nullptr;
    SignalWatcher *m_signals = nullptr;
};
