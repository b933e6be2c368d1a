#include "GocryptfsMount.h"

#include "DaemonExit.h"
#include "DaemonLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const char kReady[] = "Filesystem mounted and ready.";
const char kConfig[] = "gocryptfs.conf";

// gocryptfs must not outlive the daemon: a drive left mounted by an orphan
// would keep the mount folder busy for the restarted daemon. The kernel
// sends it SIGTERM, on which it unmounts, when the daemon goes, even by
// SIGKILL.
class ChildProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override
    {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == 1) // the daemon died before prctl took hold
            ::_exit(1);
    }
};

// Mount points in mountinfo escape blanks and a few other bytes as \ooo.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(c);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QString::fromUtf8(out);
}

QProcessEnvironment childEnvironment()
{
    // The children need nothing of ours, least of all the key.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KORVEX_KEY"));
    return env;
}

QString fusermount()
{
    QString tool = QStandardPaths::findExecutable(QStringLiteral("fusermount3"));
    if (tool.isEmpty())
        tool = QStandardPaths::findExecutable(QStringLiteral("fusermount"));
    return tool;
}
} // namespace

GocryptfsMount::GocryptfsMount(const QString &mount, const QString &storage, DaemonLog *log, QObject *parent)
    : QObject(parent)
    , m_mount(mount)
    , m_storage(storage)
    , m_log(log)
{
}

GocryptfsMount::~GocryptfsMount()
{
    stop();
}

QString GocryptfsMount::mountedType(const QString &path, QString *source)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString wanted = QDir::cleanPath(path);
    QString type;
    // The last matching line is the topmost mount.
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        if (unescapeMountField(fields[4]) != wanted)
            continue;
        type = QString::fromUtf8(fields[dash + 1]);
        if (source)
            *source = unescapeMountField(fields[dash + 2]);
    }
    return type;
}

bool GocryptfsMount::runTool(const QString &program, const QStringList &args, const QByteArray &input, int timeoutMs,
                             int *exitCode, QString *output)
{
    QProcess process;
    process.setProcessEnvironment(childEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return false;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    *output = QString::fromUtf8(process.readAll()).trimmed();
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

bool GocryptfsMount::unmount()
{
    const QString tool = fusermount();
    if (tool.isEmpty()) {
        m_log->error(QStringLiteral("GocryptfsMount: fusermount is not installed"));
        return false;
    }
    // A busy drive is detached at once; the kernel finishes when its last
    // file closes.
    for (const bool lazy : {false, true}) {
        QStringList args{QStringLiteral("-u")};
        if (lazy)
            args << QStringLiteral("-z");
        args << QStringLiteral("--") << m_mount;
        int code = -1;
        QString output;
        if (runTool(tool, args, QByteArray(), 10000, &code, &output) && code == 0)
            return true;
        m_log->warn(QStringLiteral("GocryptfsMount: %1 failed (%2): %3")
                        .arg(lazy ? QStringLiteral("lazy unmount") : QStringLiteral("unmount"))
                        .arg(code)
                        .arg(output));
    }
    return false;
}

int GocryptfsMount::prepare(const QByteArray &password)
{
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0) {
        m_log->error(QStringLiteral("GocryptfsMount: FUSE is not usable: /dev/fuse: %1")
                         .arg(QString::fromLocal8Bit(strerror(errno))));
        return DaemonExit::FuseMissing;
    }
    ::close(fuse);
    m_gocryptfs = QStandardPaths::findExecutable(QStringLiteral("gocryptfs"));
    if (m_gocryptfs.isEmpty()) {
        m_log->error(QStringLiteral("GocryptfsMount: gocryptfs is not installed"));
        return DaemonExit::FuseMissing;
    }

    // A drive of ours still mounted here (the earlier daemon was killed
    // before gocryptfs could unmount) is cleared; anything else is not ours.
    QString source;
    const QString type = mountedType(m_mount, &source);
    if (!type.isEmpty()) {
        if (type != QLatin1String("fuse.gocryptfs") || QDir::cleanPath(source) != m_storage) {
            m_log->error(QStringLiteral("GocryptfsMount: %1 is in use: %2 from %3 is mounted there")
                             .arg(m_mount, type, source));
            return DaemonExit::MountPointInUse;
        }
        m_log->warn(QStringLiteral("GocryptfsMount: unmounting the drive left behind at %1").arg(m_mount));
        if (!unmount())
            return DaemonExit::MountPointInUse;
    }

    if (!QDir().mkpath(m_mount)) {
        m_log->error(QStringLiteral("GocryptfsMount: cannot create the mount folder %1").arg(m_mount));
        return DaemonExit::MountPointInUse;
    }
    // Mounting over files would hide them, and a sync would take them for
    // deleted.
    if (!QDir(m_mount).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).isEmpty()) {
        m_log->error(QStringLiteral("GocryptfsMount: the mount folder %1 is not empty").arg(m_mount));
        return DaemonExit::MountPointInUse;
    }

    if (!QDir().mkpath(m_storage)) {
        m_log->error(QStringLiteral("GocryptfsMount: cannot create the storage folder %1").arg(m_storage));
        return DaemonExit::StorageUnusable;
    }
    const QDir storage(m_storage);
    if (storage.exists(QLatin1String(kConfig)))
        return 0;
    // Without a configuration only an empty folder is ours to initialise;
    // files there are someone else's or the remains of a lost drive.
    if (!storage.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).isEmpty()) {
        m_log->error(QStringLiteral("GocryptfsMount: the storage folder %1 has files but no %2")
                         .arg(m_storage, QLatin1String(kConfig)));
        return DaemonExit::StorageUnusable;
    }
    m_log->info(QStringLiteral("GocryptfsMount: initialising the storage folder %1").arg(m_storage));
    // The password is a derived 256-bit secret, not something a person
    // chose: the lowest scrypt cost is enough and keeps every mount quick.
    int code = -1;
    QString output;
    const QStringList args{QStringLiteral("-init"), QStringLiteral("-plaintextnames"), QStringLiteral("-scryptn"),
                           QStringLiteral("10"),    QStringLiteral("-q"),             QStringLiteral("--"),
                           m_storage};
    if (!runTool(m_gocryptfs, args, password + '\n', 60000, &code, &output) || code != 0) {
        m_log->error(QStringLiteral("GocryptfsMount: gocryptfs -init failed (%1): %2").arg(code).arg(output));
        return DaemonExit::StorageUnusable;
    }
    return 0;
}

void GocryptfsMount::start(const QByteArray &password)
{
    m_stopping = false;
    m_mounted = false;
    auto *process = new ChildProcess(this);
    m_process = process;
    process->setProcessEnvironment(childEnvironment());
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this] { onOutput(QProcess::StandardOutput); });
    connect(process, &QProcess::readyReadStandardError, this, [this] { onOutput(QProcess::StandardError); });
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, &GocryptfsMount::onFinished);
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_log->error(QStringLiteral("GocryptfsMount: gocryptfs failed to start"));
            emit ended(DaemonExit::FuseMissing);
        }
    });
    m_log->info(QStringLiteral("GocryptfsMount: mounting %1 at %2").arg(m_storage, m_mount));
    process->start(m_gocryptfs, {QStringLiteral("-fg"), QStringLiteral("-nosyslog"), QStringLiteral("--"),
                                 m_storage, m_mount});
    process->write(password + '\n');
    process->closeWriteChannel();
}

void GocryptfsMount::onOutput(QProcess::ProcessChannel channel)
{
    m_process->setReadChannel(channel);
    while (m_process->canReadLine()) {
        const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
        if (line.isEmpty())
            continue;
        // go-fuse names each kernel request it does not serve (statx, tmpfile):
        // the kernel falls back by itself, nothing to warn about.
        if (line.contains(QLatin1String("Unimplemented opcode")))
            m_log->debug(QStringLiteral("gocryptfs: ") + line);
        else if (channel == QProcess::StandardError)
            m_log->warn(QStringLiteral("gocryptfs: ") + line);
        else
            m_log->info(QStringLiteral("gocryptfs: ") + line);
        if (channel == QProcess::StandardOutput && line == QLatin1String(kReady) && !m_mounted) {
            m_mounted = true;
            emit mounted();
        }
    }
}

void GocryptfsMount::onFinished(int exitCode, QProcess::ExitStatus status)
{
    onOutput(QProcess::StandardOutput);
    onOutput(QProcess::StandardError);
    const bool wasMounted = m_mounted;
    m_mounted = false;
    m_process->deleteLater();
    if (m_stopping)
        return;
    m_log->warn(QStringLiteral("GocryptfsMount: gocryptfs ended (%1, exit code %2)")
                    .arg(status == QProcess::NormalExit ? QStringLiteral("normal") : QStringLiteral("crash"))
                    .arg(exitCode));
    int code = DaemonExit::MountFailed;
    if (wasMounted)
        code = status == QProcess::NormalExit && exitCode == 0 ? DaemonExit::UnmountedOutside
                                                               : DaemonExit::FileSystemDied;
    else if (status == QProcess::NormalExit && exitCode == 12) // gocryptfs: password incorrect
        code = DaemonExit::WrongKey;
    else if (status == QProcess::NormalExit && exitCode == 10) // gocryptfs: mount point not empty
        code = DaemonExit::MountPointInUse;
    else if (status == QProcess::NormalExit && exitCode == 23) // gocryptfs: cannot read gocryptfs.conf
        code = DaemonExit::StorageUnusable;
    emit ended(code);
}

void GocryptfsMount::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    QProcess *process = m_process;
    const bool running = process && process->state() != QProcess::NotRunning;
    if (running && m_mounted) {
        m_log->info(QStringLiteral("GocryptfsMount: unmounting %1").arg(m_mount));
        unmount();
    }
    if (running) {
        if (!m_mounted || !process->waitForFinished(5000)) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(2000);
            }
        }
    }
    m_mounted = false;
    // Whatever happened above, leave no drive of ours behind.
    QString source;
    if (mountedType(m_mount, &source) == QLatin1String("fuse.gocryptfs") && QDir::cleanPath(source) == m_storage)
        unmount();
    if (running)
        m_log->info(QStringLiteral("GocryptfsMount: %1 unmounted").arg(m_mount));
}
