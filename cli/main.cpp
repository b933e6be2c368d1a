#include "AccountCommand.h"
#include "CliClient.h"
#include "CliOutput.h"
#include "Command.h"
#include "ExitCode.h"
#include "FilesCommand.h"
#include "PasswordsCommand.h"
#include "RunCommand.h"
#include "SettingCommand.h"
#include "SyncCommand.h"

#include "app/AppContext.h"
#include "app/ApplicationLog.h"
#include "app/BrandingTranslator.h"
#include "app/Settings.h"
#include "net/CaFile.h"
#include "net/ServerList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#ifndef KORVEX_REVISION
#define KORVEX_REVISION "unknown"
#endif

namespace {

using CliOutput::say;

// One command group: its words, its options and its lines of --help.
struct Group
{
    QStringList words;
    QList<QCommandLineOption> options;
    QString help;
    std::function<Command *(const CommandContext &)> create;
};

template<typename T>
Group group(const QStringList &words)
{
    return {words, T::options(), T::help(), [](const CommandContext &c) -> Command * { return new T(c); }};
}

QList<Group> groups()
{
    return {
        group<AccountCommand>({QStringLiteral("login"), QStringLiteral("logout")}),
        group<FilesCommand>(FilesCommand::words()),
        group<SettingCommand>(SettingCommand::words()),
        group<SyncCommand>(SyncCommand::words()),
        group<RunCommand>(RunCommand::words()),
        group<PasswordsCommand>({QStringLiteral("passwords")}),
    };
}

QString description(const QList<Group> &all)
{
    QString text = QStringLiteral("Korvex Sync on the command line.\n\nCommands:\n");
    for (const Group &g : all)
        text += g.help;
    text += QStringLiteral(
        "\n"
        "login takes the password from the environment variable KORVEX_PASSWORD,\n"
        "from --password-file, or from a prompt without echo, and a TAN as a line from\n"
        "standard input. The other commands log in by themselves with the account that\n"
        "'login --remember' remembered (--user picks another remembered account).\n"
        "Paths inside a file safe are written SAFE:/folder/file, where SAFE is the\n"
        "safe's name or id. korvexcmd shares settings, database and key store with the\n"
        "desktop client; data goes to standard output, messages to standard error,\n"
        "details to the log file korvexcmd.log in the client's cache folder.\n\n");
    return text + exitStatusHelp();
}

int runCommand(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppContext context(QStringLiteral(KORVEX_REVISION));
    QCoreApplication::setApplicationVersion(context.appInfo()->appVersion());

    ApplicationLog log(context.appInfo());
    log.setFilePath(QFileInfo(context.appInfo()->logFilePath()).absolutePath() + QStringLiteral("/korvexcmd.log"));
    log.install();
    qInfo("## korvexcmd: Start: %s %s (%s)", qUtf8Printable(context.appInfo()->appName()),
          qUtf8Printable(context.appInfo()->appVersion()), qUtf8Printable(context.appInfo()->appRevision()));

    const QList<Group> all = groups();
    QCommandLineParser parser;
    parser.setApplicationDescription(description(all));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("command [arguments...]"));
    parser.addOptions({
        QCommandLineOption(QStringLiteral("server"),
                           QStringLiteral("Server: a prefix of the built-in list (PROD, LDEV, ...) or a URL "
                                          "(remembered)."),
                           QStringLiteral("prefix|url")),
        QCommandLineOption(QStringLiteral("user"), QStringLiteral("Account name."), QStringLiteral("name")),
        QCommandLineOption(QStringLiteral("ca-file"),
                           QStringLiteral("Trust the CA certificates of this PEM file as well (remembered, like "
                                          "the desktop client's option)."),
                           QStringLiteral("file")),
        QCommandLineOption(QStringLiteral("non-interactive"), QStringLiteral("Never prompt; fail when input is needed.")),
    });
    // Groups may share an option (--json); the first one's text describes it.
    QStringList optionNames;
    for (const Group &g : all) {
        for (const QCommandLineOption &option : g.options) {
            if (optionNames.contains(option.names().constFirst()))
                continue;
            optionNames << option.names();
            parser.addOption(option);
        }
    }
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
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        say(QStringLiteral("korvexcmd: expected a command.\nTry 'korvexcmd --help'."));
        return ExitUsage;
    }
    const QString word = positional.takeFirst();
    const Group *chosen = nullptr;
    for (const Group &g : all) {
        if (g.words.contains(word))
            chosen = &g;
    }
    if (!chosen) {
        say(QStringLiteral("korvexcmd: unknown command '%1'.\nTry 'korvexcmd --help'.").arg(word));
        return ExitUsage;
    }

    if (parser.isSet(QStringLiteral("ca-file"))) {
        // The certificates are copied and the copy is trusted, so a later
        // change of the original cannot add a CA behind the user's back.
        const QString ca = QFileInfo(parser.value(QStringLiteral("ca-file"))).absoluteFilePath();
        const CaFile::Adopted adopted = CaFile::adopt(ca, AppInfo::userConfigDir());
        if (!adopted.ok()) {
            say(QStringLiteral("korvexcmd: --ca-file: %1").arg(adopted.error));
            return ExitUsage;
        }
        Settings::setValue(Settings::NetCaFile, adopted.path);
    }

    CliClient client(&context);
    const QString openError = client.open();
    if (!openError.isEmpty()) {
        say(QStringLiteral("korvexcmd: %1").arg(openError));
        return ExitLocal;
    }
    if (parser.isSet(QStringLiteral("server"))) {
        const QString error = client.selectServer(parser.value(QStringLiteral("server")));
        if (!error.isEmpty()) {
            say(QStringLiteral("korvexcmd: %1").arg(error));
            return ExitUsage;
        }
    }

    const BrandingTranslator branding(context.config());
    CommandContext commandContext;
    commandContext.client = &client;
    commandContext.branding = &branding;
    commandContext.parser = &parser;
    commandContext.word = word;
    commandContext.arguments = positional;
    commandContext.interactive = !parser.isSet(QStringLiteral("non-interactive"));
    std::unique_ptr<Command> command(chosen->create(commandContext));
    QObject::connect(command.get(), &Command::finished, &app, [](int code) { QCoreApplication::exit(code); },
                     Qt::QueuedConnection);
    QTimer::singleShot(0, command.get(), &Command::start);
    app.exec();
    return command->isDone() ? command->exitCode() : ExitFailed;
}

} // namespace

#ifdef KORVEX_COVERAGE
extern "C" void __gcov_dump(void);
#endif

int main(int argc, char *argv[])
{
    // Everything of ours is closed when runCommand returns: the database,
    // the settings, the log, the key store's jobs. Libraries leave threads
    // behind (the key store's GLib threads among them), and one of them
    // ending while exit() tears down the libraries' globals was seen to free
    // its thread data twice: "double free or corruption" after the command
    // had done its work, and a crash status instead of the command's own.
    // Ending without those exit handlers leaves no such window.
    const int code = runCommand(argc, argv);
    std::fflush(nullptr);
#ifdef KORVEX_COVERAGE
    __gcov_dump();
#endif
    std::_Exit(code);
}
