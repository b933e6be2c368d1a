#pragma once

#include "Command.h"

class MultiSyncher;
class SignalWatcher;
class SyncReporter;

// `korvexcmd sync [ID...]`: one run of the given settings (or all of the
// user's); `korvexcmd history`: the actions of past runs.
class SyncCommand : public RemoteCommand
{
    Q_OBJECT
public:
    using RemoteCommand::RemoteCommand;

    static QList<QCommandLineOption> options();
    static QString help();
    static QStringList words() { return {QStringLiteral("sync"), QStringLiteral("history")}; }

protected:
    bool checkArguments() override;
    void run() override;

private:
    void runSync();
    void runHistory();

    QList<int> m_ids;
    int m_limit = 100;
    MultiSyncher *m_scheduler = nullptr;
    SyncReporter *m_reporter = nullptr;
    SignalWatcher *m_signals = nullptr;
    bool m_interrupted = false;
};
