#pragma once

#include "Command.h"
#include "net/Result.h"
#include "ri/PasswordTO.h"

#include <QSet>

#include <functional>
#include <optional>

class PasswordRI;

// `korvexcmd passwords list|get|add|edit|rm|breached|generate`: the
// account's password safe for scripts and terminals. Passwords only ever
// reach standard output through `get` and `generate`, alone on their line;
// a new password comes from KORVEX_ENTRY_PASSWORD, --generate or a prompt
// without echo, never from the command line.
class PasswordsCommand : public RemoteCommand
{
    Q_OBJECT
public:
    explicit PasswordsCommand(const CommandContext &context, QObject *parent = nullptr);
    ~PasswordsCommand() override;

    static QList<QCommandLineOption> options();
    static QString help();

protected:
    bool checkArguments() override;
    void run() override;

private:
    enum class Action { List, Get, Add, Edit, Remove, Breached, Generate };

    bool readNewPassword(bool required);
    std::optional<QString> generated();
    // Fetches the list, then hands on the entry with the command's id.
    void withEntry(const std::function<void(const EmptyPasswordTO &)> &next);
    void list(const EmptyPasswordsTO &all);
    void get(const EmptyPasswordTO &entry);
    void add();
    void edit(const EmptyPasswordTO &entry);
    void remove(const EmptyPasswordTO &entry);
    void checkNextForBreach(const EmptyPasswordsTO &all, int index);
    void send(const PasswordRecord &record, bool create);
    void printEntries(const QList<EmptyPasswordTO> &entries);
    // The password of an entry, decrypted, then `next`.
    void fetchPassword(const QString &id, const std::function<void(QString &clear)> &next);
    void fail(ErrorCode code, const QString &message);

    Action m_action = Action::List;
    QString m_id;
    QString m_field;
    int m_length = 12;
    std::optional<QString> m_newPassword;
    PasswordRI *m_api = nullptr; // child
    QSet<QString> m_breached;
};
