#include "app/AppContext.h"
#include "app/ApplicationLog.h"
#include "app/BrandingTranslator.h"
#include "app/ConfigurationManager.h"
#include "app/Migration.h"
#include "app/Settings.h"
#include "net/CaFile.h"
#include "ui/Notice.h"
#include "ui/OndoApplication.h"
#include "ui/Style.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>
#include <QSettings>
#include <QSslSocket>

#include <cstdio>
#include <cstdlib>
#include <memory>

#ifndef KORVEX_REVISION
#define KORVEX_REVISION "unknown"
#endif

namespace {

// A second start: tell the user, wake the first instance, go.
void handleIsRunning(OndoApplication &app)
{
    // The installed BrandingTranslator puts the brand's name into these texts.
    QPointer<QMessageBox> activating =
        Notice::show(QMessageBox::Information, QObject::tr("${APP_NAME} runs already"),
                     QObject::tr("It seems that ${APP_NAME} runs already<br/>Activating ${APP_NAME} window ..."), 5000);
    Notice::processEventsFor(100);
    QElapsedTimer timer;
    timer.start();
    const bool ok = app.sendMessage(QStringLiteral("WakeUp"), 5000);
    qInfo("handleIsRunning: Send wakeup message: %s (%lldms)", ok ? "ok" : "failed", timer.elapsed());
    if (!ok) {
        qWarning("main: Failed to contact the other application instance");
        if (activating) // the failure replaces it rather than covering it
            activating->close();
        Notice::show(QMessageBox::Warning, QObject::tr("Cannot activate ${APP_NAME}"),
                     QObject::tr("${APP_NAME} runs already"), 5000);
        Notice::processEventsFor(5000);
    }
}

bool checkSsl()
{
    if (QSslSocket::supportsSsl())
        return true;
    Notice::show(QMessageBox::Warning, QObject::tr("SSL required"),
                 QObject::tr("Failed to start ${APP_NAME}:<br/>This system does not support OpenSSL."), 5000);
    Notice::processEventsFor(5000);
    return false;
}

// "--ca-file FILE": trust the CA certificates of FILE from now on, for a
// company's private CA or the local reference service. They are copied into
// the configuration folder and the copy is trusted (net/ca_file names it),
// so a later change of FILE adds nothing. A file that cannot be read, or
// that another user could change, is refused before anything starts.
bool applyCaFileOption(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CaFile::Option option = CaFile::fromArguments(arguments);
    if (!option.given)
        return true;
    const CaFile::Adopted adopted =
        option.error.isEmpty() ? CaFile::adopt(QFileInfo(option.path).absoluteFilePath(), AppInfo::userConfigDir())
                               : CaFile::Adopted{QString(), option.error};
    if (!adopted.ok()) {
        std::fprintf(stderr, "korvex-sync: --ca-file: %s\n", qUtf8Printable(adopted.error));
        qCritical("main: --ca-file: %s", qUtf8Printable(adopted.error));
        return false;
    }
    Settings::setValue(Settings::NetCaFile, adopted.path);
    qInfo("main: --ca-file: trusting the certificates of '%s' (copied to '%s')",
          qUtf8Printable(QFileInfo(option.path).absoluteFilePath()), qUtf8Printable(adopted.path));
    return true;
}

// "--version" and "--help" answer on standard output and end, before the
// log, the single-instance check or anything that needs a display.
bool answerInfoOption(int argc, char *argv[], const AppInfo &info, const QString &program)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--version" || arg == "-v") {
            std::printf("%s %s (%s)\n", qUtf8Printable(program), qUtf8Printable(info.appVersion()),
                        qUtf8Printable(info.appRevision()));
            return true;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("Usage: %s [--ca-file FILE]\n"
                        "%s keeps folders of this computer in step with the file safes of an online\n"
                        "storage account, runs in the background with a tray icon, and manages the\n"
                        "account's password safe. A second start brings the running one to the front.\n\n"
                        "Options:\n"
                        "  --ca-file FILE  Trust the CA certificates of FILE as well, from now on (a\n"
                        "                  company's private CA, the local reference service).\n"
                        "  -h, --help      Show this help and end.\n"
                        "  -v, --version   Show the version and end.\n",
                        qUtf8Printable(program), qUtf8Printable(info.appName()));
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // 1-4: configuration, identity, AppInfo, user settings.
    auto context = std::make_unique<AppContext>(QStringLiteral(KORVEX_REVISION));
    AppInfo *appInfo = context->appInfo();
    // The installed program's name; also the name of its icon in the icon theme.
    const QString program = context->config()->value(QStringLiteral("brand/executable")).toString();
    if (answerInfoOption(argc, argv, *appInfo, program))
        return 0;

    // 5: the log.
    auto log = std::make_unique<ApplicationLog>(appInfo);
    log->install();
    // The banner opens every run's lines in the log, a second start's too.
    qInfo("## main: Start: %s %s (%s)", qUtf8Printable(appInfo->appName()), qUtf8Printable(appInfo->appVersion()),
          qUtf8Printable(appInfo->appRevision()));

    if (!applyCaFileOption(argc, argv)) {
        log->uninstall();
        return 2;
    }

    // High-DPI scaling must be chosen before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    // Ties the windows to the installed launcher entry (its name and icon).
    QGuiApplication::setDesktopFileName(appInfo->domainReverse() + QLatin1Char('.') + appInfo->appNameInternal());

    int exitCode = 0;
    {
        OndoApplication app(log.get(), appInfo, argc, argv);
        // The icon theme's copy where the package installed one, else the built-in one.
        QIcon builtInIcon;
        for (const int size : {16, 32, 48, 64, 128, 256})
            builtInIcon.addFile(QStringLiteral(":/res/icons/hicolor/%1x%1/apps/korvex-sync.png").arg(size));
        QApplication::setWindowIcon(QIcon::fromTheme(program, builtInIcon));
        Migration::migrate(*appInfo);
        // Every text shown from here on is translated and carries the brand.
        const BrandingTranslator *translator = BrandingTranslator::install(context->config());

        if (!app.instanceError().isEmpty()) {
            // Not another instance: a lock that could not be taken at all.
            qCritical("main: %s", qUtf8Printable(app.instanceError()));
            Notice::show(QMessageBox::Critical, QObject::tr("Cannot start ${APP_NAME}"),
                         QObject::tr("${APP_NAME} cannot check whether it runs already:<br/>%1")
                             .arg(app.instanceError().toHtmlEscaped()),
                         5000);
            Notice::processEventsFor(5000);
            exitCode = 1;
        } else if (app.isRunning()) {
            qWarning("main: Application runs already");
            handleIsRunning(app);
            exitCode = 0;
        } else if (!checkSsl()) {
            qCritical("main: No SSL Support");
            exitCode = -1;
        } else {
            std::srand(unsigned(QDateTime::currentMSecsSinceEpoch() & 0xffffffff));
            app.logSystemInfo();
            Style::install(context->config(), translator->substitutions());
            app.initApp();
            exitCode = app.exec();
        }
    }
    log->uninstall();
    log.reset();
    context.reset();
    return exitCode;
}
