#include "drive/DaemonProcess.h"

#include "app/AppInfo.h"
#include "drive/ClientConnection.h"
#include "sync/FileSystemWatchdog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

using namespace quarnet::daemon::api;

namespace {
const QString kExecutable = QStringLiteral("encrypted"); // findExecutable adds ".exe" on Windows
constexpr int kDefaultDelaySeconds = 2;
constexpr int kOneDaySeconds = 86400;
} // namespace

DaemonProcess::DaemonProcess(const AppInfo *appInfo, const SyncSetting &setting, QObject *parent,
                             DelayedCall::Schedule schedule)
    : IDaemonProcess(parent)
    , m_setting(setting)
    , m_logFileTemplate(appInfo->daemonLogPath(appInfo->appNameInternal(), QStringLiteral("%3")))
    , m_brandName(appInfo->appName())
    , m_schedule(std::move(schedule))
{
    m_shadowFolder = shadowFolderFor(setting.localDir);
    if (!QFileInfo::exists(m_shadowFolder)) {
        qDebug("DaemonProcess::DaemonProcess: Creating shadow folder %s", qUtf8Printable(m_shadowFolder));
        const bool created = QDir().mkpath(m_shadowFolder);
        qDebug("DaemonProcess::DaemonProcess: Folder created: %s", created ? "true" : "false");
        // Hidden by its leading dot here; Windows would need the attribute.
    }
}

DaemonProcess::~DaemonProcess()
{
    // A running daemon is told to go; its process object outlives us by
    // the kill timer of stopProcess().
    stop();
}

QString DaemonProcess::shadowFolderFor(const QString &localDir)
{
    const QFileInfo local(QDir::cleanPath(QDir::fromNativeSeparators(localDir)));
    return QDir::cleanPath(local.absolutePath() + QStringLiteral("/.") + local.fileName() +
                           QStringLiteral("-encrypted"));
}

QString DaemonProcess::mountFolder() const
{
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(m_setting.localDir)).absoluteFilePath());
}

void DaemonProcess::setConnection(ClientConnection *connection)
{
    m_connection = connection;
}

void DaemonProcess::setLogLevel(int level)
{
    m_logLevel = level;
    if (m_connection)
        m_connection->postLogLevelChangeEvent(ApplicationLog::LogLevel(level));
}

bool DaemonProcess::isRunning() const
{
    return !m_process.isNull();
}

qint64 DaemonProcess::processId() const
{
    return m_process ? m_process->processId() : -1;
}

void DaemonProcess::start()
{
    m_shouldRun = true;
    startProcess();
}

void DaemonProcess::stop()
{
    m_shouldRun = false;
    if (m_connection) {
        m_connection->postCloseEvent();
        m_connection = nullptr;
    }
    stopProcess();
    stopWatchdog();
}

QProcessEnvironment DaemonProcess::populateEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (m_setting.encryptionKey.size() != 16)
        qWarning("DaemonProcess::populateEnvironment: sync setting %d has no 16-byte key (%d bytes)", m_setting.id,
                 int(m_setting.encryptionKey.size()));
    env.insert(QStringLiteral("KORVEX_MOUNT"), QDir::toNativeSeparators(mountFolder()));
    env.insert(QStringLiteral("KORVEX_STORAGE"), QDir::toNativeSeparators(m_shadowFolder));
    env.insert(QStringLiteral("KORVEX_METHOD"), QStringLiteral("aes128"));
    env.insert(QStringLiteral("KORVEX_KEY"), QString::fromLatin1(m_setting.encryptionKey.toHex()));
    env.insert(QStringLiteral("KORVEX_LOG_FILE"), m_logFileTemplate.arg(m_setting.id));
    env.insert(QStringLiteral("KORVEX_LOG_LEVEL"), ClientConnection::levelName(m_logLevel));
    env.insert(QStringLiteral("KORVEX_VOLUME_ICON"),
               QCoreApplication::applicationDirPath() + QStringLiteral("/folder_icon_win.ico"));
    env.insert(QStringLiteral("KORVEX_BRAND"), m_brandName);
    return env;
}

QString DaemonProcess::locateDaemonExecutable()
{
    if (!m_executable.isEmpty())
        return m_executable;
    // Beside the program, in the build tree's daemon folder, then on PATH.
    const QString appDir = QCoreApplication::applicationDirPath();
    m_executable = QStandardPaths::findExecutable(
        kExecutable, {appDir, appDir + QStringLiteral("/../../../../daemon_exe"), appDir + QStringLiteral("/../daemon_exe")});
    if (m_executable.isEmpty())
        m_executable = QStandardPaths::findExecutable(kExecutable);
    if (m_executable.isEmpty())
        qCritical("Could not find executable: /%s", qUtf8Printable(kExecutable)); // the log line as it always read
    return m_executable;
}

void DaemonProcess::startProcess()
{
    if (!m_shouldRun)
        return;
    // One daemon per setting: a restart timer may fire after start() began
    // a new one.
    if (m_process && m_process->state() != QProcess::NotRunning)
        return;
    const QString executable = locateDaemonExecutable();
    if (executable.isEmpty()) {
        setDaemonStatus(ExecutableNotFound);
        return;
    }
    qInfo("Launching new FS daemon: %s", qUtf8Printable(executable));
    auto *process = new QProcess;
    m_process = process;
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, &QObject::deleteLater);
    connect(process, &QProcess::started, this, &DaemonProcess::startWatchdog);
    connect(process, &QProcess::errorOccurred, this, &DaemonProcess::handleProcessError);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &DaemonProcess::handleProcessFinished);
    process->setProcessEnvironment(populateEnvironment());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(executable, QStringList(), QIODevice::ReadWrite);
}

void DaemonProcess::stopProcess()
{
    if (!m_process)
        return;
    qInfo("Stopping FS daemon");
    QPointer<QProcess> process = m_process;
    m_process = nullptr;
    // The mount goes with it. Its end may come seconds later, or be ignored
    // when a new process starts first; until a watchdog run on the new
    // mount says so, nothing may take the drive for running, and that run
    // must be news again.
    if (m_status == Running)
        setDaemonStatus(NotChecked);
    process->terminate();
    QTimer::singleShot(2000, process, [process] {
        if (process && process->state() != QProcess::NotRunning)
            process->kill();
    });
    QTimer::singleShot(3000, process, [process] { delete process.data(); });
}

void DaemonProcess::restartProcess(int delaySeconds)
{
    if (!m_shouldRun)
        return;
    qInfo("Restarting FS daemon");
    m_schedule(delaySeconds * 1000, this, [this] { startProcess(); });
}

void DaemonProcess::setDaemonStatus(quarnet::daemon::api::status status)
{
    m_status = status;
    emit daemonStatusChanged(m_setting, status);
}

void DaemonProcess::setStatusToRunning()
{
    // Every good watchdog run lands here; only the change is news (an exit
    // code, by contrast, is reported each time: each one schedules a start).
    if (m_status != Running)
        setDaemonStatus(Running);
}

void DaemonProcess::startWatchdog()
{
    qInfo("Starting FS watchdog");
    stopWatchdog(); // never two on one mount
    m_watchdog = new FileSystemWatchdog(mountFolder(), m_shadowFolder, this);
    connect(m_watchdog, &FileSystemWatchdog::success, this, &DaemonProcess::setStatusToRunning);
    connect(m_watchdog, &FileSystemWatchdog::tooManyErrors, this, &DaemonProcess::stopProcess);
}

void DaemonProcess::stopWatchdog()
{
    if (!m_watchdog)
        return;
    qInfo("Stopping FS watchdog");
    m_watchdog->deleteLater();
    m_watchdog = nullptr;
}

void DaemonProcess::handleProcessError(QProcess::ProcessError error)
{
    // A crash ends in finished() as well, which stops the watchdog there.
    switch (error) {
    case QProcess::FailedToStart:
        qCritical("FS Daemon failed to start");
        m_process = nullptr; // no finished() follows; the object goes with deleteLater
        sender()->deleteLater();
        setDaemonStatus(FailedToStart);
        break;
    case QProcess::Crashed:
        qCritical("FS daemon crashed");
        break;
    default:
        qCritical("FS daemon unknown error: %d", int(error));
        break;
    }
}

void DaemonProcess::handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    // A process we already replaced by a newer one has nothing to say.
    if (m_process && m_process != sender())
        return;
    if (m_process == sender())
        m_process = nullptr;
    stopWatchdog();
    int delay = kDefaultDelaySeconds;
    if (exitStatus == QProcess::CrashExit) {
        qInfo("FS daemon crashed");
        setDaemonStatus(Crashed);
    } else {
        qInfo("FS daemon finished with return value %d", exitCode);
        if (exitCode == 0) {
            setDaemonStatus(Exited);
        } else if (exitCode >= FirstDaemonCode && exitCode <= LastDaemonCode) {
            switch (exitCode) {
            case 211:
            case 212:
                delay = kOneDaySeconds;
                m_restartCount = 0;
                break;
            case 209:
            case 210:
            case 213:
            case 214:
            case 215:
                ++m_restartCount;
                delay = 1 << std::min(16, 2 * m_restartCount - 2);
                break;
            default:
                m_restartCount = 0;
                break;
            }
            setDaemonStatus(quarnet::daemon::api::status(exitCode));
        } else {
            setDaemonStatus(UnknownExitCode);
        }
    }
    restartProcess(delay);
}
