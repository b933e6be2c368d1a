#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {
const char kAck[] = "ok\n";
}

SingleInstance::SingleInstance(const QString &id, const QString &dir, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_dir(dir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : dir)
{
    QDir().mkpath(m_dir);
    m_lock.reset(new QLockFile(lockPath()));
    m_lock->setStaleLockTime(0); // stale only when its process is gone
    m_primary = m_lock->tryLock(0);
    if (!m_primary)
        return;

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
