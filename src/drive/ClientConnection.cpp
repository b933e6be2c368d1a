#include "drive/ClientConnection.h"

#include "net/JsonReader.h"

#include <QAtomicInt>
#include <QJsonDocument>

namespace {
QAtomicInt g_clientCounter;
}

ClientConnection::ClientConnection(QLocalSocket *socket, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_clientNumber(g_clientCounter.fetchAndAddRelaxed(1) + 1)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::readyRead, this, &ClientConnection::dataAvailable);
    connect(socket, &QLocalSocket::readChannelFinished, this, &ClientConnection::onClientExited);
    // Lines that arrived before we were listening.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ClientConnection::dataAvailable, Qt::QueuedConnection);
}

ClientConnection::~ClientConnection()
{
    if (m_socket) {
        m_socket->close();
        delete m_socket;
    }
}

QString ClientConnection::levelName(int level)
{
    switch (level) {
    case 0:
        return QStringLiteral("DEBUG");
    case 1:
        return QStringLiteral("WARN");
    case 2:
        return QStringLiteral("ERROR");
    case 3:
        return QStringLiteral("FATAL");
    default:
        return QStringLiteral("INFO");
    }
}

void ClientConnection::dataAvailable()
{
    // A daemon that went away mid-way has nobody left to answer.
    while (m_socket && m_socket->state() == QLocalSocket::ConnectedState && m_socket->canReadLine()) {
        const QByteArray line = m_socket->readLine();
        JsonReader reader = JsonReader::fromText(line, JsonReader::NonEmpty);
        const int id = reader.toInt(QStringLiteral("id"));
        const QString request = reader.toString(QStringLiteral("request"));
        const QJsonObject body = reader.toObject(QStringLiteral("body"), JsonReader::Optional);
        if (!reader.ok()) {
            qWarning("Client %d: Malformed request: %s", m_clientNumber, qUtf8Printable(reader.error()));
            continue;
        }
        if (request == QLatin1String("poll")) {
            if (m_eventQueue.isEmpty())
                m_parkedPollId = id;
            else
                sendResponse(id, m_eventQueue.takeFirst());
        } else if (request == QLatin1String("ready")) {
            if (!body.value(QStringLiteral("pid")).isDouble()) {
                qWarning("Request 'ready' does not contain attribute 'pid'");
                postCloseEvent();
                continue;
            }
            const int pid = body.value(QStringLiteral("pid")).toInt();
            emit clientConnected(this, pid);
            qInfo("Daemon with pid '%d' registered as client %d!", pid, m_clientNumber);
            sendResponse(id, QJsonObject());
        } else {
            qWarning("Client %d: Unknown request type: %s", m_clientNumber, qUtf8Printable(request));
        }
    }
}

void ClientConnection::onClientExited()
{
    qInfo("Client %d: disconnected", m_clientNumber);
    deleteLater();
}

void ClientConnection::postLogLevelChangeEvent(ApplicationLog::LogLevel logLevel)
{
    postEvent(QStringLiteral("log"), QJsonObject{{QStringLiteral("level"), levelName(int(logLevel))}});
}

void ClientConnection::postCloseEvent()
{
    qInfo("Client %d: request to stop", m_clientNumber);
    postEvent(QStringLiteral("exit"), QJsonObject());
}

void ClientConnection::postEvent(const QString &event, QJsonObject payload)
{
    payload.insert(QStringLiteral("event"), event);
    if (m_parkedPollId == -1) {
        m_eventQueue.append(payload);
        return;
    }
    const int id = m_parkedPollId;
    m_parkedPollId = -1;
    sendResponse(id, payload);
}

void ClientConnection::sendResponse(int id, const QJsonObject &body)
{
    if (!m_socket)
        return;
    const QJsonObject response{{QStringLiteral("id"), id}, {QStringLiteral("body"), body}};
    m_socket->write(QJsonDocument(response).toJson(QJsonDocument::Compact) + '\n');
    m_socket->flush();
}
