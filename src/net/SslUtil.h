#pragma once

#include <QList>
#include <QObject>
#include <QSsl>
#include <QSslCertificate>
#include <QSslCipher>
#include <QSslError>
#include <QSslSocket>
#include <QString>
#include <QStringList>

// Names and diagnostic dumps of TLS objects for the log. Unknown enumeration
// values print as "Unknown(n)" (or "Undefined[n]"), never fail.
class SslUtil : public QObject
{
    Q_OBJECT
public:
    explicit SslUtil(QObject *parent = nullptr);

    static QString sslErrorName(QSslError::SslError error);
    // "[1]:22 HostNameMismatch; [2]:..." (numbered when more than one).
    static QString sslErrorList(const QList<QSslError> &errors);
    static QString protocolName(QSsl::SslProtocol protocol);
    static QString sslOptionName(QSsl::SslOption option);
    static QString sslOptionsText(const QSslConfiguration &configuration);
    static QString peerVerifyModeName(QSslSocket::PeerVerifyMode mode);
    static QString sslModeName(QSslSocket::SslMode mode);
    static QString socketStateName(QAbstractSocket::SocketState state);
    static QString cipherText(const QSslCipher &cipher);
    // One line per item: subject and issuer fields, serial number, dates,
    // version, digests and extensions.
    static QStringList certificateDump(const QSslCertificate &certificate);

    // Logs what happens on a TLS socket, each line behind `prefix`.
    void follow(QSslSocket *socket, const QString &prefix);

public slots:
    void logModeChanged(const QString &prefix, QSslSocket::SslMode mode);
    void logStateChanged(const QString &prefix, QAbstractSocket::SocketState state);
    void logHostFound(const QString &prefix);
    void logConnected(const QString &prefix);
    void logEncrypted(const QString &prefix, QSslSocket *socket);
    void logSslErrors(const QString &prefix, const QList<QSslError> &errors);
    void logDisconnected(const QString &prefix);
    void logPeerVerifyError(const QString &prefix, const QSslError &error);
    void logPeerCertificates(const QString &prefix, QSslSocket *socket);
};
