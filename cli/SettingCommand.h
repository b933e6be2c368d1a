#pragma once

#include "Command.h"
#include "RemotePath.h"

#include "db/FileSafe.h"

// `korvexcmd setting add|list|remove`: the pairings of local folders with
// folders of file safes.
class SettingCommand : public RemoteCommand
{
    Q_OBJECT
public:
    using RemoteCommand::RemoteCommand;

    static QList<QCommandLineOption> options();
    static QString help();
    static QStringList words() { return {QStringLiteral("setting")}; }

protected:
    bool checkArguments() override;
    void run() override;

private:
    void add();
    void addFor(const FileSafe &safe, const QString &folderId);
    void list();
    void remove();

    QString m_verb;
    RemotePath m_remote;
    QString m_localDir;
    int m_id = 0;
};
