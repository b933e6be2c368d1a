#include "Command.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "LoginCommand.h"

#include "app/Settings.h"
#include "drive/CredentialStore.h"
#include "net/ServerList.h"

#include <QCommandLineParser>
#include <QTimer>

bool CommandContext::isSet(const QString &option) const
{
    return parser && parser->isSet(option);
}

QString CommandContext::value(const QString &option) const
{
    return parser ? parser->value(option) : QString();
}

Command::Command(const CommandContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
}

Command::~Command() = default;

void Command::finish(int exitCode)
{
    if (m_done)
        return;
    m_done = true;
    m_exitCode = exitCode;
    emit finished(exitCode);
}

void Command::usage(const QString &message)
{
    CliOutput::say(QStringLiteral("korvexcmd %1: %2\nTry 'korvexcmd --help'.").arg(m_context.word, message));
    finish(ExitUsage);
}

void RemoteCommand::start()
{
    if (!checkArguments())
        return;
    logInRemembered([this] { run(); }, [this](int code) { finish(code); });
}

void RemoteCommand::relogin(std::function<void()> then)
{
    logInRemembered(then, [this, then](int) {
        CliOutput::say(QStringLiteral("korvexcmd: trying again in a minute."));
        QTimer::singleShot(60000, this, [this, then] { relogin(then); });
    });
}

void RemoteCommand::logInRemembered(std::function<void()> then, std::function<void(int)> failed)
{
    CliClient *c = client();
    QString user = context().value(QStringLiteral("user")).toLower();
    if (user.isEmpty() && Settings::value(Settings::AccountSaveUsername).toBool())
        user = Settings::value(Settings::AccountSavedUsername).toString();
    const QString serverId = c->servers()->selected().prefix;
    QString password;
    if (!user.isEmpty()) {
        try {
            password = c->credentials()->readPassword(serverId, user);
        } catch (const std::exception &e) {
            CliOutput::say(QStringLiteral("korvexcmd: the key store failed: %1").arg(QString::fromUtf8(e.what())));
            failed(ExitLocal);
            return;
        }
    }
    if (password.isEmpty()) {
        const QString who = user.isEmpty() ? QStringLiteral("No account is remembered")
                                           : QStringLiteral("No password is remembered for %1 on %2").arg(user, serverId);
        CliOutput::say(QStringLiteral("korvexcmd: %1. Log in once with:\n"
                                      "  korvexcmd login --remember --user NAME [--server URL] [--ca-file FILE]")
                           .arg(who));
        failed(ExitNeedsInput);
        return;
    }

    LoginCommand::Options options;
    options.user = user;
    options.password = password;
    options.interactive = false;
    options.quiet = true;
    if (m_login)
        m_login->deleteLater();
    m_login = new LoginCommand(c, context().branding, options, this);
    connect(m_login, &LoginCommand::finished, this, [then, failed](int code) {
        if (code != ExitOk)
            failed(code);
        else
            then();
    });
    m_login->start();
}
