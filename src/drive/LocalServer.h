#pragma once

#include <QLocalServer>
#include <QObject>

class ClientConnection;

// Accepts the drive daemons' connections on a local socket in the user's
// runtime folder (only this user may connect) and hands each one on as a
// ClientConnection.
class LocalServer : public QObject
{
    Q_OBJECT
public:
    explicit LocalServer(QObject *parent = nullptr);

    // The socket's path for `name`: the user's runtime folder + "/" + name.
    static QString socketPath(const QString &name);
    // Listens on socketPath(name). A socket file left by a crashed client is
    // replaced; one where another client still listens is not. False, with
    // the reason logged, when it cannot listen.
    bool listen(const QString &name);

signals:
    void newClient(ClientConnection *client);

public slots:
    void newConnection();

private:
    QLocalServer m_server;
};
