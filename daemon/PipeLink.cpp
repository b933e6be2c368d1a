#include "PipeLink.h"

#include "DaemonLog.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

PipeLink::PipeLink(const QString &path, DaemonLog *log, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_log(log)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(200);
    connect(&m_retry, &QTimer::timeout, this, &PipeLink::tryConnect);
    connect(&m_socket, &QLocalSocket::connected, this, [this] {
        m_log->info(QStringLiteral("PipeLink: connected to %1").arg(m_path));
        m_registered = true;
        send("ready", QJsonObject{{QStringLiteral("pid"), QCoreApplication::applicationPid()}});
        m_pollId = m_nextId;
        send("poll", QJsonObject());
        emit connected();
    });
    connect(&m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError) {
        if (m_registered)
            return; // the disconnect that follows says it
        if (m_since.elapsed() < m_patienceMs) {
            m_retry.start();
            return;
        }
        m_log->error(QStringLiteral("PipeLink: no client listens on %1: %2").arg(m_path, m_socket.errorString()));
        emit unreachable();
    });
    connect(&m_socket, &QLocalSocket::disconnected, this, [this] {
        if (!m_registered)
            return;
        m_registered = false;
        m_log->info(QStringLiteral("PipeLink: the client closed the connection"));
        emit lost();
    });
    connect(&m_socket, &QLocalSocket::readyRead, this, &PipeLink::onReadyRead);
}

void PipeLink::open(int patienceMs)
{
    m_patienceMs = patienceMs;
    m_since.start();
    tryConnect();
}

void PipeLink::tryConnect()
{
    m_socket.abort();
    m_socket.connectToServer(m_path);
}

void PipeLink::send(const char *request, const QJsonObject &body)
{
    QJsonObject message{{QStringLiteral("id"), m_nextId++}, {QStringLiteral("request"), QLatin1String(request)}};
    if (!body.isEmpty())
        message.insert(QStringLiteral("body"), body);
    m_socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    m_socket.flush();
}

void PipeLink::onReadyRead()
{
    while (m_socket.canReadLine()) {
        const QByteArray line = m_socket.readLine().trimmed();
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (!doc.isObject()) {
            m_log->warn(QStringLiteral("PipeLink: unreadable message from the client: %1").arg(error.errorString()));
            continue;
        }
        const QJsonObject message = doc.object();
        const int id = message.value(QStringLiteral("id")).toInt(-1);
        if (id != m_pollId || m_pollId < 0)
            continue; // the answer to "ready"
        const QJsonObject body = message.value(QStringLiteral("body")).toObject();
        const QString event = body.value(QStringLiteral("event")).toString();
        // Keep one poll outstanding before acting, so no event waits for us.
        m_pollId = m_nextId;
        send("poll", QJsonObject());
        if (event == QLatin1String("log")) {
            emit logLevelRequested(body.value(QStringLiteral("level")).toString());
        } else if (event == QLatin1String("exit")) {
            emit exitRequested();
        } else {
            m_log->warn(QStringLiteral("PipeLink: unknown event '%1'").arg(event));
        }
    }
}
