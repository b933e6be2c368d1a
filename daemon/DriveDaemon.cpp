#include "DriveDaemon.h"

#include "DaemonExit.h"
#include "GocryptfsMount.h"
#include "PipeLink.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTimer>

#include <openssl/crypto.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onUnixSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// How long the daemon waits for the client's socket at start.
constexpr int kPipePatienceMs = 10000;
} // namespace

DriveDaemon::DriveDaemon(QObject *parent)
    : QObject(parent)
{
    // Signals become events: the handler only writes a byte.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
        m_signals = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(m_signals, &QSocketNotifier::activated, this, &DriveDaemon::onSignal);
        struct sigaction action = {};
        action.sa_handler = onUnixSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int number : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(number, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);
}

DriveDaemon::~DriveDaemon()
{
    delete m_mount; // unmounts if still mounted
}

QString DriveDaemon::pipePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/korx");
}

void DriveDaemon::start()
{
    QString error;
    const bool configured = m_config.read(QProcessEnvironment::systemEnvironment(), &error);
    m_log.open(m_config.logFile());
    DaemonLog::Level level = DaemonLog::Info;
    if (DaemonLog::parseLevel(m_config.logLevel(), &level))
        m_log.setThreshold(level);
    if (!configured) {
        finish(DaemonExit::BadEnvironment, error);
        return;
    }
    m_log.info(QStringLiteral("DriveDaemon: starting the %1 drive at %2 (storage %3)")
                   .arg(m_config.brand(), m_config.mount(), m_config.storage()));

    m_mount = new GocryptfsMount(m_config.mount(), m_config.storage(), &m_log, this);
    connect(m_mount, &GocryptfsMount::mounted, this,
            [this] { m_log.info(QStringLiteral("DriveDaemon: drive mounted at %1").arg(m_config.mount())); });
    connect(m_mount, &GocryptfsMount::ended, this,
            [this](int code) { finish(code, QStringLiteral("the file system ended")); });

    m_pipe = new PipeLink(pipePath(), &m_log, this);
    connect(m_pipe, &PipeLink::connected, this, &DriveDaemon::onConnected);
    connect(m_pipe, &PipeLink::unreachable, this,
            [this] { finish(DaemonExit::ClientUnreachable, QStringLiteral("no client to register with")); });
    connect(m_pipe, &PipeLink::exitRequested, this,
            [this] { finish(DaemonExit::Done, QStringLiteral("the client asked to exit")); });
    connect(m_pipe, &PipeLink::lost, this,
            [this] { finish(DaemonExit::Done, QStringLiteral("the client went away")); });
    connect(m_pipe, &PipeLink::logLevelRequested, this, [this](const QString &name) {
        DaemonLog::Level level;
        if (!DaemonLog::parseLevel(name, &level)) {
            m_log.warn(QStringLiteral("DriveDaemon: unknown log level '%1'").arg(name));
            return;
        }
        m_log.setThreshold(level);
        m_log.info(QStringLiteral("DriveDaemon: log level %1").arg(name));
    });
    m_pipe->open(kPipePatienceMs);
}

void DriveDaemon::onConnected()
{
    QByteArray password = m_config.gocryptfsPassword();
    if (password.isEmpty()) {
        finish(DaemonExit::InternalError, QStringLiteral("cannot derive the drive's password"));
        return;
    }
    const int problem = m_mount->prepare(password);
    if (problem == 0)
        m_mount->start(password);
    OPENSSL_cleanse(password.data(), size_t(password.size()));
    if (problem != 0)
        finish(problem, QStringLiteral("the drive cannot be mounted"));
}

void DriveDaemon::onSignal()
{
    char number = 0;
    if (::read(g_signalPipe[0], &number, 1) == 1)
        finish(DaemonExit::Done, QStringLiteral("signal %1").arg(int(number)));
}

void DriveDaemon::finish(int code, const QString &why)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_mount)
        m_mount->stop();
    if (code == DaemonExit::Done)
        m_log.info(QStringLiteral("DriveDaemon: exiting: %1").arg(why));
    else
        m_log.error(QStringLiteral("DriveDaemon: exiting with code %1: %2").arg(code).arg(why));
    // Queued: finish() may run before the event loop does.
    QTimer::singleShot(0, qApp, [code] { QCoreApplication::exit(code); });
}
