#pragma once

#include "app/ApplicationLog.h"

#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>

// One drive daemon's end of the local socket: JSON objects, one per line.
// The daemon sends requests {"id","request","body"?}: "ready" with its pid
// (answered with an empty body) and "poll", which the client answers with
// the next event ({"event":"log","level":...} or {"event":"exit"}) as
// {"id":<the poll's id>,"body":<event>}.
//
// Events and polls: an event waits in the queue until a poll is there to
// carry it; a poll that finds the queue empty is parked; a parked poll is
// answered once and then forgotten (-1), so no id is ever answered twice. A
// poll that arrives while another is parked replaces it.
class ClientConnection : public QObject
{
    Q_OBJECT
public:
    // Takes ownership of the socket.
    explicit ClientConnection(QLocalSocket *socket, QObject *parent = nullptr);
    ~ClientConnection() override;

    int clientNumber() const { return m_clientNumber; }
    int parkedPollId() const { return m_parkedPollId; }
    int queuedEvents() const { return m_eventQueue.size(); }

    // "DEBUG", "WARN", "ERROR", "FATAL", "INFO" for the Qt message types
    // 0, 1, 2, 3, 4; "INFO" for anything else.
    static QString levelName(int level);

signals:
    void clientConnected(ClientConnection *connection, int pid);

public slots:
    void dataAvailable();
    void onClientExited();
    void postLogLevelChangeEvent(ApplicationLog::LogLevel logLevel);
    void postCloseEvent();
    void postEvent(const QString &event, QJsonObject payload);

private:
    void sendResponse(int id, const QJsonObject &body);

    QPointer<QLocalSocket> m_socket;
    int m_parkedPollId = -1;
    QList<QJsonObject> m_eventQueue;
    int m_clientNumber;
};
