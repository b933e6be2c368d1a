#pragma once

#include <QMap>
#include <QPointer>
#include <QSsl>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// One HTTP request as the peer received it. Header names are lower case.
struct PeerRequest
{
    QByteArray method;
    QByteArray target; // the request target: a path, or a full URL through a proxy
    QMap<QByteArray, QByteArray> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
    // The path without the query (also for a proxy's absolute target).
    QByteArray path() const;
};

// The peer's side of one connection; a script answers through it.
class PeerConnection : public QObject
{
    Q_OBJECT
public:
    explicit PeerConnection(QTcpSocket *socket, QObject *parent = nullptr);

    // A complete response with Content-Length.
    void reply(int status, const QByteArray &body, const QList<QByteArray> &extraHeaders = {},
               const QByteArray &contentType = "application/json");
    void writeRaw(const QByteArray &bytes);
    void close()
    {
        if (m_socket)
            m_socket->disconnectFromHost();
    }
    QTcpSocket *socket() const { return m_socket; }

signals:
    void requestReceived(const PeerRequest &request);

private:
    void onReadyRead();

    QPointer<QTcpSocket> m_socket;
    QByteArray m_buffer;
};

// A small scripted HTTP/HTTPS server on 127.0.0.1 for edge cases the real
// service cannot be made to show: it runs on the test's own event loop and
// answers every request with the script the test gives it. With TLS it
// presents the certificate the test gives it, restricted to the protocol
// the test chooses.
class ScriptedPeer : public QTcpServer
{
    Q_OBJECT
public:
    using Script = std::function<void(const PeerRequest &request, PeerConnection *connection)>;

    using QTcpServer::QTcpServer;

    // Listens on a free port of 127.0.0.1; false when that failed.
    bool start() { return listen(QHostAddress::LocalHost, 0); }
    // Serve TLS with this certificate and key (PEM) and protocol.
    void setTls(const QByteArray &certificatePem, const QByteArray &keyPem,
                QSsl::SslProtocol protocol = QSsl::TlsV1_2OrLater);
    void setScript(Script script) { m_script = std::move(script); }

    quint16 port() const { return serverPort(); }
    // "http://127.0.0.1:PORT" or "https://<host>:PORT".
    QString url(const QString &host = QStringLiteral("127.0.0.1")) const;

    const QList<PeerRequest> &requests() const { return m_requests; }
    int countPath(const QByteArray &path) const;
    // The TLS handshakes that completed.
    int encryptedCount() const { return m_encrypted; }

protected:
    void incomingConnection(qintptr handle) override;

private:
    Script m_script;
    QList<PeerRequest> m_requests;
    QByteArray m_certificatePem;
    QByteArray m_keyPem;
    QSsl::SslProtocol m_protocol = QSsl::TlsV1_2OrLater;
    bool m_tls = false;
    int m_encrypted = 0;
};

// A JSON envelope {"status":200,"data":<data>}.
QByteArray envelope(const QByteArray &dataJson = "{}", int status = 200, const QByteArray &message = QByteArray());
