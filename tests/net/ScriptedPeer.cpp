#include "ScriptedPeer.h"

#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>

QByteArray PeerRequest::path() const
{
    QByteArray t = target;
    if (t.startsWith("http://") || t.startsWith("https://"))
        t = QUrl::fromEncoded(t).path(QUrl::FullyEncoded).toLatin1();
    const int q = t.indexOf('?');
    return q < 0 ? t : t.left(q);
}

PeerConnection::PeerConnection(QTcpSocket *socket, QObject *parent) : QObject(parent), m_socket(socket)
{
    connect(socket, &QTcpSocket::readyRead, this, &PeerConnection::onReadyRead);
}

void PeerConnection::onReadyRead()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    for (;;) {
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        PeerRequest request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
        }
        const qint64 length = request.headers.value("content-length").toLongLong();
        if (m_buffer.size() < end + 4 + length)
            return; // the body is still on its way
        request.body = m_buffer.mid(end + 4, int(length));
        m_buffer.remove(0, end + 4 + int(length));
        emit requestReceived(request);
    }
}

void PeerConnection::reply(int status, const QByteArray &body, const QList<QByteArray> &extraHeaders,
                           const QByteArray &contentType)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const QByteArray &h : extraHeaders)
        head += h + "\r\n";
    writeRaw(head + "\r\n" + body);
}

void PeerConnection::writeRaw(const QByteArray &bytes)
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write(bytes);
        m_socket->flush();
    }
}

void ScriptedPeer::setTls(const QByteArray &certificatePem, const QByteArray &keyPem, QSsl::SslProtocol protocol)
{
    m_certificatePem = certificatePem;
    m_keyPem = keyPem;
    m_protocol = protocol;
    m_tls = true;
}

QString ScriptedPeer::url(const QString &host) const
{
    return QStringLiteral("%1://%2:%3").arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"), host).arg(port());
}

int ScriptedPeer::countPath(const QByteArray &path) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(), [&](const PeerRequest &r) { return r.path() == path; }));
}

void ScriptedPeer::incomingConnection(qintptr handle)
{
    QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        ssl->setLocalCertificate(QSslCertificate(m_certificatePem, QSsl::Pem));
        ssl->setPrivateKey(QSslKey(m_keyPem, QSsl::Ec, QSsl::Pem));
        ssl->setProtocol(m_protocol);
        ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
        connect(ssl, &QSslSocket::encrypted, this, [this] { ++m_encrypted; });
        ssl->startServerEncryption();
    }
    auto *connection = new PeerConnection(socket, socket);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(connection, &PeerConnection::requestReceived, this, [this, connection](const PeerRequest &request) {
        m_requests << request;
        if (m_script)
            m_script(request, connection);
    });
}

QByteArray envelope(const QByteArray &dataJson, int status, const QByteArray &message)
{
    QByteArray out = "{\"status\":" + QByteArray::number(status);
    if (!message.isNull())
        out += ",\"message\":\"" + message + "\"";
    if (!dataJson.isNull())
        out += ",\"data\":" + dataJson;
    return out + "}";
}
