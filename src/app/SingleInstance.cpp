#include "app/SingleInstance.h"

#include "app/PrivateFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const char kAck[] = "ok\n";

// A real folder (not a link) of this user that nobody else may write.
bool isPrivateFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
           && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Where the lock and the socket go: the session's runtime folder, else a
// folder of the user's own. The platform's fallback without
// XDG_RUNTIME_DIR, "<tmp>/runtime-<user>", may have been made by somebody
// else first; it then answers nothing, and a lock in no folder fails as if
// another instance held it.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    const QString temp = QDir::tempPath() + QStringLiteral("/korvex-%1").arg(::geteuid());
    ::mkdir(QFile::encodeName(temp).constData(), 0700);
    if (isPrivateFolder(temp))
        return temp;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/run");
    PrivateFiles::makeFolder(cache);
    return cache;
}
} // namespace

SingleInstance::SingleInstance(const QString &id, const QString &dir, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_dir(dir.isEmpty() ? runtimeFolder() : dir)
{
    QDir().mkpath(m_dir);
    m_lock.reset(new QLockFile(lockPath()));
    m_lock->setStaleLockTime(0); // stale only when its process is gone
    m_primary = m_lock->tryLock(0);
    if (!m_primary) {
        // Only a lock that another process holds means another instance.
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_error = QStringLiteral("cannot take the lock '%1' (%2); its folder must exist and be writable")
                          .arg(lockPath(), m_lock->error() == QLockFile::PermissionError
                                               ? QStringLiteral("no permission")
                                               : QStringLiteral("the file cannot be written"));
            qWarning("SingleInstance: %s", qUtf8Printable(m_error));
        }
        return;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath()); // left behind by a crash
    if (!m_server->listen(socketPath()))
        qWarning("SingleInstance: cannot listen on '%s': %s", qUtf8Printable(socketPath()),
                 qUtf8Printable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_primary)
        m_lock->unlock();
}

QString SingleInstance::socketPath() const
{
    return m_dir + QLatin1Char('/') + m_id + QStringLiteral(".sock");
}

QString SingleInstance::lockPath() const
{
    return m_dir + QLatin1Char('/') + m_id + QStringLiteral(".lock");
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The first instance may hold the lock but not listen yet: keep trying.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(message.toUtf8().replace('\n', ' ') + '\n');
            if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            QByteArray reply;
            while (!reply.endsWith('\n') && !deadline.hasExpired()) {
                if (!socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                    break;
                reply += socket.readAll();
            }
            return reply == kAck;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 4096) // not one of ours
                    socket->abort();
                return;
            }
            const QString message = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write(kAck);
            socket->flush();
            socket->disconnectFromServer();
            emit messageReceived(message);
        });
    }
}
