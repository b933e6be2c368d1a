#pragma once

#include "Command.h"

class LoginCommand;

// `korvexcmd login` and `korvexcmd logout`: check the credentials against a
// server (and remember them with --remember), or forget them.
class AccountCommand : public Command
{
    Q_OBJECT
public:
    using Command::Command;

    static QList<QCommandLineOption> options();
    static QString help();

    void start() override;

private:
    void logout(const QString &user, const QString &serverId);

    LoginCommand *m_login = nullptr;
};
