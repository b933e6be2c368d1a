#include "CliClient.h"
#include "ExitCode.h"
#include "LoginCommand.h"
#include "PasswordSource.h"

#include "app/AppContext.h"
#include "app/ApplicationLog.h"
#include "app/BrandingTranslator.h"
#include "app/Settings.h"
#include "drive/CredentialStore.h"
#include "net/OndoSession.h"
#include "net/ServerList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

#ifndef KORVEX_REVISION
#define KORVEX_REVISION "unknown"
#endif

namespace {

void say(const QString &text)
{
    fprintf(stderr, "%s\n", qUtf8Printable(text));
}

const char kDescription[] =
    "Korvex Sync on the command line.\n"
    "\n"
    "Commands:\n"
    "  login    Check the credentials against a server and set up this device's\n"
    "           second factor, so that later logins need no TAN.\n"
    "  logout   Forget this device's login of the account: the remembered password\n"
    "           (and with --forget-device the device-bound second factor).\n"
    "\n"
    "The password comes from the environment variable KORVEX_PASSWORD, from\n"
    "--password-file, or from a prompt without echo. A TAN is read as a line from\n"
    "standard input. korvexcmd shares settings, database and key store with the\n"
    "desktop client; messages go to standard error, details to the log file\n"
    "korvexcmd.log in the client's cache folder.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  the service refused: wrong user name or password, TAN, account state\n"
    "  2  bad command line\n"
    "  3  the server could not be reached or answered unexpectedly (network, TLS)\n"
    "  4  input is needed but --non-interactive was given or there is no terminal\n"
    "  5  a local problem (key store, database, files)";

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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppContext context(QStringLiteral(KORVEX_REVISION));
    QCoreApplication::setApplicationVersion(context.appInfo()->appVersion());

    ApplicationLog log(context.appInfo());
    log.setFilePath(QFileInfo(context.appInfo()->logFilePath()).absolutePath() + QStringLiteral("/korvexcmd.log"));
    log.install();
    qInfo("## korvexcmd: Start: %s %s (%s)", qUtf8Printable(context.appInfo()->appName()),
          qUtf8Printable(context.appInfo()->appVersion()), qUtf8Printable(context.appInfo()->appRevision()));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("login or logout"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("Server: a prefix of the built-in list (PROD, LDEV, ...) or a URL."),
        QStringLiteral("prefix|url"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("Account name."), QStringLiteral("name"));
    const QCommandLineOption passwordFileOption(QStringLiteral("password-file"),
                                                QStringLiteral("Read the password from the first line of this file "
                                                               "(not readable by others)."),
                                                QStringLiteral("file"));
    const QCommandLineOption caFileOption(QStringLiteral("ca-file"),
                                          QStringLiteral("Trust the CA certificates of this PEM file as well "
                                                         "(remembered, like the desktop client's option)."),
                                          QStringLiteral("file"));
    const QCommandLineOption nonInteractiveOption(QStringLiteral("non-interactive"),
                                                  QStringLiteral("Never prompt; fail when input is needed."));
    const QCommandLineOption tanMethodOption(QStringLiteral("tan-method"),
                                             QStringLiteral("Second factor to ask for when this device has none: "
                                                            "sms (default), mtan, phototan or itan."),
                                             QStringLiteral("method"), QStringLiteral("sms"));
    const QCommandLineOption photoTanOption(QStringLiteral("phototan-file"),
                                            QStringLiteral("Where to write a photoTAN graphic (PNG)."),
                                            QStringLiteral("file"), QStringLiteral("phototan.png"));
    const QCommandLineOption rememberOption(QStringLiteral("remember"),
                                            QStringLiteral("login: remember the user name, and the password in "
                                                           "the key store."));
    const QCommandLineOption forgetDeviceOption(
        QStringLiteral("forget-device"),
        QStringLiteral("logout: also forget the device-bound second factor (the next login asks for a TAN)."));
    parser.addOptions({serverOption, userOption, passwordFileOption, caFileOption, nonInteractiveOption,
                       tanMethodOption, photoTanOption, rememberOption, forgetDeviceOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        say(QStringLiteral("korvexcmd: %1\nTry 'korvexcmd --help'.").arg(parser.errorText()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        fprintf(stdout, "%s\n", qUtf8Printable(parser.helpText()));
        return ExitOk;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        fprintf(stdout, "korvexcmd %s (%s)\n", qUtf8Printable(context.appInfo()->appVersion()),
                qUtf8Printable(context.appInfo()->appRevision()));
        return ExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || (positional.first() != QLatin1String("login") && positional.first() != QLatin1String("logout"))) {
        say(QStringLiteral("korvexcmd: expected one command, login or logout.\nTry 'korvexcmd --help'."));
        return ExitUsage;
    }
    const QString command = positional.first();
    const bool interactive = !parser.isSet(nonInteractiveOption);

    if (parser.isSet(caFileOption)) {
        const QString ca = QFileInfo(parser.value(caFileOption)).absoluteFilePath();
        if (!QFileInfo(ca).isReadable()) {
            say(QStringLiteral("korvexcmd: cannot read the CA file '%1'.").arg(ca));
            return ExitUsage;
        }
        Settings::setValue(Settings::NetCaFile, ca);
    }

    CliClient client(&context);
    const QString openError = client.open();
    if (!openError.isEmpty()) {
        say(QStringLiteral("korvexcmd: %1").arg(openError));
        return ExitLocal;
    }
    if (parser.isSet(serverOption)) {
        const QString error = client.selectServer(parser.value(serverOption));
        if (!error.isEmpty()) {
            say(QStringLiteral("korvexcmd: %1").arg(error));
            return ExitUsage;
        }
    }

    QString user = parser.value(userOption);
    if (user.isEmpty() && Settings::value(Settings::AccountSaveUsername).toBool())
        user = Settings::value(Settings::AccountSavedUsername).toString();
    if (user.isEmpty()) {
        say(QStringLiteral("korvexcmd: no account name given (--user NAME)."));
        return ExitUsage;
    }
    user = user.toLower();
    const QString serverId = client.servers()->selected().prefix;

    if (command == QLatin1String("logout")) {
        try {
            client.credentials()->clearPassword(serverId, user);
            if (parser.isSet(forgetDeviceOption))
                client.credentials()->storeDoubleSec(serverId, user, QString());
        } catch (const std::exception &e) {
            say(QStringLiteral("korvexcmd: the key store failed: %1").arg(QString::fromUtf8(e.what())));
            return ExitLocal;
        }
        if (Settings::value(Settings::AccountSavedUsername).toString() == user)
            Settings::setValue(Settings::AccountSavePassword, false);
        say(parser.isSet(forgetDeviceOption)
                ? QStringLiteral("Forgot the password and this device's second factor of %1 on %2.").arg(user, serverId)
                : QStringLiteral("Forgot the password of %1 on %2.").arg(user, serverId));
        return ExitOk;
    }

    LoginCommand::Options options;
    options.user = user;
    options.interactive = interactive;
    options.remember = parser.isSet(rememberOption);
    options.photoTanFile = QFileInfo(parser.value(photoTanOption)).absoluteFilePath();
    bool methodOk = false;
    options.tanMethod = methodFromOption(parser.value(tanMethodOption), &methodOk);
    if (!methodOk) {
        say(QStringLiteral("korvexcmd: unknown --tan-method '%1'.").arg(parser.value(tanMethodOption)));
        return ExitUsage;
    }
    const PasswordSource::Outcome password = PasswordSource::obtain(
        parser.value(passwordFileOption), interactive, QStringLiteral("Password for %1: ").arg(user));
    if (!password.password) {
        say(QStringLiteral("korvexcmd: %1").arg(password.error));
        return parser.isSet(passwordFileOption) && !qEnvironmentVariableIsSet("KORVEX_PASSWORD") ? ExitLocal
                                                                                                 : ExitNeedsInput;
    }
    options.password = *password.password;

    const BrandingTranslator branding(context.config());
    LoginCommand login(&client, &branding, options);
    int exitCode = ExitFailed;
    QObject::connect(&login, &LoginCommand::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    QTimer::singleShot(0, &login, &LoginCommand::start);
    app.exec();
    return exitCode;
}
