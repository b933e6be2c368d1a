#include "AccountCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "LoginCommand.h"
#include "PasswordSource.h"

#include "app/Settings.h"
#include "drive/CredentialStore.h"
#include "net/ServerList.h"

#include <QFileInfo>

namespace {
TwoFactorMethod methodFromOption(const QString &text, bool *ok)
{
    *ok = true;
    const QString t = text.toLower();
    if (t == QLatin1String("sms"))
        return TwoFactorMethod::Sms;
    if (t == QLatin1String("mtan"))
        return TwoFactorMethod::Mtan;
    if (t == QLatin1String("phototan"))
        return TwoFactorMethod::PhotoTan;
    if (t == QLatin1String("itan"))
        return TwoFactorMethod::ITan;
    *ok = false;
    return TwoFactorMethod::None;
}
} // namespace

QList<QCommandLineOption> AccountCommand::options()
{
    return {
        QCommandLineOption(QStringLiteral("password-file"),
                           QStringLiteral("login: read the password from the first line of this file "
                                          "(not readable by others)."),
                           QStringLiteral("file")),
        QCommandLineOption(QStringLiteral("tan-method"),
                           QStringLiteral("login: second factor to ask for when this device has none: "
                                          "sms (default), mtan, phototan or itan."),
                           QStringLiteral("method"), QStringLiteral("sms")),
        QCommandLineOption(QStringLiteral("phototan-file"),
                           QStringLiteral("login: where to write a photoTAN graphic (PNG)."), QStringLiteral("file"),
                           QStringLiteral("phototan.png")),
        QCommandLineOption(QStringLiteral("remember"),
                           QStringLiteral("login: remember the user name, and the password in the key store; "
                                          "the other commands log in with it.")),
        QCommandLineOption(QStringLiteral("forget-device"),
                           QStringLiteral("logout: also forget the device-bound second factor (the next login "
                                          "asks for a TAN).")),
    };
}

QString AccountCommand::help()
{
    return QStringLiteral(
        "  login    Check the credentials against a server and set up this device's\n"
        "           second factor, so that later logins need no TAN. With --remember\n"
        "           the other commands log in with this account by themselves.\n"
        "  logout   Forget this device's login of the account: the remembered password\n"
        "           (and with --forget-device the device-bound second factor).\n");
}

void AccountCommand::start()
{
    if (!context().arguments.isEmpty()) {
        usage(QStringLiteral("takes no arguments ('%1')").arg(context().arguments.join(QLatin1Char(' '))));
        return;
    }
    QString user = context().value(QStringLiteral("user"));
    if (user.isEmpty() && Settings::value(Settings::AccountSaveUsername).toBool())
        user = Settings::value(Settings::AccountSavedUsername).toString();
    if (user.isEmpty()) {
        CliOutput::say(QStringLiteral("korvexcmd: no account name given (--user NAME)."));
        finish(ExitUsage);
        return;
    }
    user = user.toLower();
    const QString serverId = client()->servers()->selected().prefix;
    if (context().word == QLatin1String("logout")) {
        logout(user, serverId);
        return;
    }

    LoginCommand::Options options;
    options.user = user;
    options.interactive = context().interactive;
    options.remember = context().isSet(QStringLiteral("remember"));
    options.photoTanFile = QFileInfo(context().value(QStringLiteral("phototan-file"))).absoluteFilePath();
    bool methodOk = false;
    const QString method = context().value(QStringLiteral("tan-method"));
    options.tanMethod = methodFromOption(method, &methodOk);
    if (!methodOk) {
        CliOutput::say(QStringLiteral("korvexcmd: unknown --tan-method '%1'.").arg(method));
        finish(ExitUsage);
        return;
    }
    const QString passwordFile = context().value(QStringLiteral("password-file"));
    const PasswordSource::Outcome password =
        PasswordSource::obtain(passwordFile, options.interactive, QStringLiteral("Password for %1: ").arg(user));
    if (!password.password) {
        CliOutput::say(QStringLiteral("korvexcmd: %1").arg(password.error));
        finish(!passwordFile.isEmpty() && !qEnvironmentVariableIsSet("KORVEX_PASSWORD") ? ExitLocal : ExitNeedsInput);
        return;
    }
    options.password = *password.password;
    m_login = new LoginCommand(client(), context().branding, options, this);
    connect(m_login, &LoginCommand::finished, this, &AccountCommand::finish);
    m_login->start();
}

void AccountCommand::logout(const QString &user, const QString &serverId)
{
    const bool forgetDevice = context().isSet(QStringLiteral("forget-device"));
    try {
        client()->credentials()->clearPassword(serverId, user);
        if (forgetDevice)
            client()->credentials()->storeDoubleSec(serverId, user, QString());
    } catch (const std::exception &e) {
        CliOutput::say(QStringLiteral("korvexcmd: the key store failed: %1").arg(QString::fromUtf8(e.what())));
        finish(ExitLocal);
        return;
    }
    if (Settings::value(Settings::AccountSavedUsername).toString() == user)
        Settings::setValue(Settings::AccountSavePassword, false);
    CliOutput::say(forgetDevice
                       ? QStringLiteral("Forgot the password and this device's second factor of %1 on %2.")
                             .arg(user, serverId)
                       : QStringLiteral("Forgot the password of %1 on %2.").arg(user, serverId));
    finish(ExitOk);
}
