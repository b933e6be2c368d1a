#include "drive/LocalServer.h"

#include "drive/ClientConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>


LocalServer::LocalServer(QObject *parent)
    : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &LocalServer::newConnection);
}

QString LocalServer::socketPath(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') + name;
}

bool LocalServer::listen(const QString &name)
{
    const QString path = socketPath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString reason;
    if (QFileInfo::exists(path)) {
        // A socket that answers belongs to another client (the desktop and
        // korvexcmd run cannot both serve the drives); one that does not is
        // left over from a crash. Listening would silently replace either.
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500))
            reason = QStringLiteral("another client serves the drives there");
        else
            QLocalServer::removeServer(path);
    }
    if (reason.isEmpty() && !m_server.listen(path))
        reason = m_server.errorString();
    if (reason.isEmpty())
        return true;
    qCritical("Unable to start listening on local socket %s: %s", qUtf8Printable(path), qUtf8Printable(reason));
    return false;
}

void LocalServer::newConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        qInfo("LocalServer::newConnection(): connected");
        emit newClient(new ClientConnection(socket, this));
    }
}
