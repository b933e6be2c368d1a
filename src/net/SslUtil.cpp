#include "net/SslUtil.h"

#include <QSslCertificateExtension>
#include <QSslConfiguration>

namespace {
QString orNull(const QString &s)
{
    return s.isEmpty() ? QStringLiteral("null") : s;
}

// An extension's value: supported ones come as maps or lists, others as
// the platform's text or raw bytes.
QString variantText(const QVariant &v)
{
    switch (v.userType()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        QStringList parts;
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            parts << it.key() + QLatin1Char('=') + variantText(it.value());
        return parts.join(QLatin1Char(','));
    }
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant &item : v.toList())
            parts << variantText(item);
        return parts.join(QLatin1Char(','));
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = v.toByteArray();
        for (const char c : bytes)
            if (uchar(c) < 0x20 || uchar(c) > 0x7e)
                return QString::fromLatin1(bytes.toHex());
        return QString::fromLatin1(bytes);
    }
    default:
        return v.toString();
    }
}

QString joined(const QStringList &list)
{
    return orNull(list.join(QLatin1Char(',')));
}
} // namespace

SslUtil::SslUtil(QObject *parent)
    : QObject(parent)
{
}

QString SslUtil::sslErrorName(QSslError::SslError error)
{
    static const char *const names[] = {
        "NoError", "UnableToGetIssuerCertificate", "UnableToDecryptCertificateSignature",
        "UnableToDecodeIssuerPublicKey", "CertificateSignatureFailed", "CertificateNotYetValid", "CertificateExpired",
        "InvalidNotBeforeField", "InvalidNotAfterField", "SelfSignedCertificate", "SelfSignedCertificateInChain",
        "UnableToGetLocalIssuerCertificate", "UnableToVerifyFirstCertificate", "CertificateRevoked",
        "InvalidCaCertificate", "PathLengthExceeded", "InvalidPurpose", "CertificateUntrusted", "CertificateRejected",
        "SubjectIssuerMismatch", "AuthorityIssuerSerialNumberMismatch", "NoPeerCertificate", "HostNameMismatch",
        "NoSslSupport", "CertificateBlacklisted"};
    const int v = int(error);
    if (v == int(QSslError::UnspecifiedError))
        return QStringLiteral("UnspecifiedError");
    if (v >= 0 && v < int(sizeof(names) / sizeof(names[0])))
        return QString::fromLatin1(names[v]);
    return QStringLiteral("Unknown(%1)").arg(v);
}

QString SslUtil::sslErrorList(const QList<QSslError> &errors)
{
    QStringList lines;
    for (int i = 0; i < errors.size(); ++i) {
        const QString item = QStringLiteral("%1 %2").arg(int(errors.at(i).error())).arg(sslErrorName(errors.at(i).error()));
        lines << (errors.size() > 1 ? QStringLiteral("[%1]:%2").arg(i + 1).arg(item) : item);
    }
    return lines.join(QStringLiteral("; "));
}

QString SslUtil::protocolName(QSsl::SslProtocol protocol)
{
    // By number: the oldest enumerators are deprecated in this Qt.
    switch (int(protocol)) {
    case -1: return QStringLiteral("UnknownProtocol");
    case 0: return QStringLiteral("SslV3");
    case 1: return QStringLiteral("Sslv2");
    case 2: return QStringLiteral("TlsV1_0");
    case 3: return QStringLiteral("TlsV1_1");
    case 4: return QStringLiteral("TlsV1_2");
    case 5: return QStringLiteral("AnyProtocol");
    case 6: return QStringLiteral("TlsV1SslV3");
    case 7: return QStringLiteral("SecureProtocols");
    case 8: return QStringLiteral("TlsV1_0OrLater");
    case 9: return QStringLiteral("TlsV1_1OrLater");
    case 10: return QStringLiteral("TlsV1_2OrLater");
    case 15: return QStringLiteral("TlsV1_3");
    case 16: return QStringLiteral("TlsV1_3OrLater");
    default: return QStringLiteral("Unknown(%1)").arg(int(protocol));
    }
}

QString SslUtil::sslOptionName(QSsl::SslOption option)
{
    switch (option) {
    case QSsl::SslOptionDisableEmptyFragments: return QStringLiteral("SslOptionDisableEmptyFragments");
    case QSsl::SslOptionDisableSessionTickets: return QStringLiteral("SslOptionDisableSessionTickets");
    case QSsl::SslOptionDisableCompression: return QStringLiteral("SslOptionDisableCompression");
    case QSsl::SslOptionDisableServerNameIndication: return QStringLiteral("SslOptionDisableServerNameIndication");
    case QSsl::SslOptionDisableLegacyRenegotiation: return QStringLiteral("SslOptionDisableLegacyRenegotiation");
    case QSsl::SslOptionDisableSessionSharing: return QStringLiteral("SslOptionDisableSessionSharing");
    case QSsl::SslOptionDisableSessionPersistence: return QStringLiteral("SslOptionDisableSessionPersistence");
    default: return QStringLiteral("Unknown(%1)").arg(int(option));
    }
}

QString SslUtil::sslOptionsText(const QSslConfiguration &configuration)
{
    QStringList names;
    for (int bit = 0; bit < 16; ++bit) {
        const auto option = QSsl::SslOption(1 << bit);
        if (configuration.testSslOption(option))
            names << sslOptionName(option);
    }
    return names.join(QLatin1Char('|'));
}

QString SslUtil::peerVerifyModeName(QSslSocket::PeerVerifyMode mode)
{
    switch (mode) {
    case QSslSocket::VerifyNone: return QStringLiteral("VerifyNone");
    case QSslSocket::QueryPeer: return QStringLiteral("QueryPeer");
    case QSslSocket::VerifyPeer: return QStringLiteral("VerifyPeer");
    case QSslSocket::AutoVerifyPeer: return QStringLiteral("AutoVerifyPeer");
    }
    return QStringLiteral("Undefined[%1]").arg(int(mode));
}

QString SslUtil::sslModeName(QSslSocket::SslMode mode)
{
    switch (mode) {
    case QSslSocket::UnencryptedMode: return QStringLiteral("UnencryptedMode");
    case QSslSocket::SslClientMode: return QStringLiteral("SslClientMode");
    case QSslSocket::SslServerMode: return QStringLiteral("SslServerMode");
    }
    return QStringLiteral("Undefined[%1]").arg(int(mode));
}

QString SslUtil::socketStateName(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState: return QStringLiteral("UnconnectedState");
    case QAbstractSocket::HostLookupState: return QStringLiteral("HostLookupState");
    case QAbstractSocket::ConnectingState: return QStringLiteral("ConnectingState");
    case QAbstractSocket::ConnectedState: return QStringLiteral("ConnectedState");
    case QAbstractSocket::BoundState: return QStringLiteral("BoundState");
    case QAbstractSocket::ListeningState: return QStringLiteral("ListeningState");
    case QAbstractSocket::ClosingState: return QStringLiteral("ClosingState");
    }
    return QStringLiteral("Undefined[%1]").arg(int(state));
}

QString SslUtil::cipherText(const QSslCipher &cipher)
{
    return QStringLiteral("%1 [%2;%3;%4;%5]")
        .arg(orNull(cipher.name()))
        .arg(QStringLiteral("protocol:") + orNull(cipher.protocolString()))
        .arg(QStringLiteral("keyexcmeth:") + orNull(cipher.keyExchangeMethod()))
        .arg(QStringLiteral("authmeth:") + orNull(cipher.authenticationMethod()))
        .arg(QStringLiteral("encmeth:%1 suppbits:%2 usedbits:%3")
                 .arg(orNull(cipher.encryptionMethod()))
                 .arg(cipher.supportedBits())
                 .arg(cipher.usedBits()));
}

QStringList SslUtil::certificateDump(const QSslCertificate &c)
{
    QStringList lines;
    auto names = [&](const char *label, bool subject) {
        auto info = [&](QSslCertificate::SubjectInfo which) {
            return joined(subject ? c.subjectInfo(which) : c.issuerInfo(which));
        };
        const QString l = QString::fromLatin1(label);
        lines << QStringLiteral("%1   O: '%2'").arg(l, info(QSslCertificate::Organization));
        lines << QStringLiteral("%1  CN: '%2'").arg(l, info(QSslCertificate::CommonName));
        lines << QStringLiteral("%1  OU: '%2'").arg(l, info(QSslCertificate::OrganizationalUnitName));
        lines << QStringLiteral("%1   C: '%2'").arg(l, info(QSslCertificate::CountryName));
        lines << QStringLiteral("%1  sn: '%2'").arg(l, info(QSslCertificate::SerialNumber));
        lines << QStringLiteral("%1 dea: '%2'").arg(l, info(QSslCertificate::DistinguishedNameQualifier));
    };
    names("subject:", true);
    names("issuer: ", false);
    lines << QStringLiteral("snr:  '%1'").arg(orNull(QString::fromLatin1(c.serialNumber())));
    lines << QStringLiteral("eff:  '%1'").arg(orNull(c.effectiveDate().toString(Qt::ISODate)));
    lines << QStringLiteral("exp:  '%1'").arg(orNull(c.expiryDate().toString(Qt::ISODate)));
    lines << QStringLiteral("ver:  '%1'").arg(orNull(QString::fromLatin1(c.version())));
    lines << QStringLiteral("md5:  '%1'").arg(orNull(QString::fromLatin1(c.digest(QCryptographicHash::Md5).toHex(':'))));
    lines << QStringLiteral("sha1: '%1'").arg(orNull(QString::fromLatin1(c.digest(QCryptographicHash::Sha1).toHex(':'))));
    const auto extensions = c.extensions();
    for (const QSslCertificateExtension &e : extensions)
        lines << QStringLiteral("ext: oid:'%1' name:'%2' value:'%3' crit:%4 supp:%5")
                     .arg(orNull(e.oid()), orNull(e.name()), orNull(variantText(e.value())))
                     .arg(e.isCritical() ? QStringLiteral("true") : QStringLiteral("false"))
                     .arg(e.isSupported() ? QStringLiteral("true") : QStringLiteral("false"));
    return lines;
}

void SslUtil::follow(QSslSocket *socket, const QString &prefix)
{
    connect(socket, &QSslSocket::modeChanged, this, [this, prefix](QSslSocket::SslMode m) { logModeChanged(prefix, m); });
    connect(socket, &QAbstractSocket::stateChanged, this,
            [this, prefix](QAbstractSocket::SocketState s) { logStateChanged(prefix, s); });
    connect(socket, &QAbstractSocket::hostFound, this, [this, prefix] { logHostFound(prefix); });
    connect(socket, &QAbstractSocket::connected, this, [this, prefix] { logConnected(prefix); });
    connect(socket, &QSslSocket::encrypted, this, [this, prefix, socket] {
        logEncrypted(prefix, socket);
        logPeerCertificates(prefix, socket);
    });
    connect(socket, qOverload<const QList<QSslError> &>(&QSslSocket::sslErrors), this,
            [this, prefix](const QList<QSslError> &errors) { logSslErrors(prefix, errors); });
    connect(socket, &QAbstractSocket::disconnected, this, [this, prefix] { logDisconnected(prefix); });
    connect(socket, &QSslSocket::peerVerifyError, this, [this, prefix](const QSslError &e) { logPeerVerifyError(prefix, e); });
}

void SslUtil::logModeChanged(const QString &prefix, QSslSocket::SslMode mode)
{
    qDebug("%smode_changed: %s", qUtf8Printable(prefix), qUtf8Printable(sslModeName(mode)));
}

void SslUtil::logStateChanged(const QString &prefix, QAbstractSocket::SocketState state)
{
    qDebug("%sstate_changed: %s", qUtf8Printable(prefix), qUtf8Printable(socketStateName(state)));
}

void SslUtil::logHostFound(const QString &prefix)
{
    qDebug("%shost found", qUtf8Printable(prefix));
}

void SslUtil::logConnected(const QString &prefix)
{
    qDebug("%sconnected", qUtf8Printable(prefix));
}

void SslUtil::logEncrypted(const QString &prefix, QSslSocket *socket)
{
    const QString &pre = prefix;
    qDebug("%sencrypted", qUtf8Printable(pre));
    logModeChanged(pre, socket->mode());
    qDebug("%scurrent cipher: %s", qUtf8Printable(pre), qUtf8Printable(cipherText(socket->sessionCipher())));
    const QSslConfiguration conf = socket->sslConfiguration();
    qDebug("%scurrent protocol: %s", qUtf8Printable(pre), qUtf8Printable(protocolName(socket->sessionProtocol())));
    qDebug("%sssl options: %s", qUtf8Printable(pre), qUtf8Printable(sslOptionsText(conf)));
    qDebug("%speer verify mode: %s", qUtf8Printable(pre), qUtf8Printable(peerVerifyModeName(socket->peerVerifyMode())));
    const auto ciphers = conf.ciphers();
    for (int i = 0; i < ciphers.size(); ++i)
        qDebug("%sconnection cipher[%d]: %s", qUtf8Printable(pre), i, qUtf8Printable(cipherText(ciphers.at(i))));
    qDebug("%speer verify depth: %d", qUtf8Printable(pre), socket->peerVerifyDepth());
}

void SslUtil::logSslErrors(const QString &prefix, const QList<QSslError> &errors)
{
    qWarning("%sssl errors: %s", qUtf8Printable(prefix), qUtf8Printable(sslErrorList(errors)));
}

void SslUtil::logDisconnected(const QString &prefix)
{
    qDebug("%sdisconnected", qUtf8Printable(prefix));
}

void SslUtil::logPeerVerifyError(const QString &prefix, const QSslError &error)
{
    qWarning("%speer verify error: %s", qUtf8Printable(prefix), qUtf8Printable(sslErrorName(error.error())));
}

void SslUtil::logPeerCertificates(const QString &prefix, QSslSocket *socket)
{
    const QString &pre = prefix;
    const QSslCertificate peer = socket->peerCertificate();
    if (peer.isNull())
        qDebug("%sno peer certificate", qUtf8Printable(pre));
    const auto chain = socket->peerCertificateChain();
    if (chain.isEmpty()) {
        qDebug("%sno peer certificate chain", qUtf8Printable(pre));
        return;
    }
    qDebug("%sread peer certificate chain: START", qUtf8Printable(pre));
    qDebug("%speer certificate chain size: %d", qUtf8Printable(pre), int(chain.size()));
    for (int i = 0; i < chain.size(); ++i) {
        for (const QString &line : certificateDump(chain.at(i)))
            qDebug("%speer certificate chain[%dof%d]: %s", qUtf8Printable(pre), i + 1, int(chain.size()),
                   qUtf8Printable(line));
    }
    const auto errors = QSslCertificate::verify(chain, socket->peerVerifyName());
    qDebug("%sverify peer certificate chain: %d errors", qUtf8Printable(pre), int(errors.size()));
    qDebug("%sread peer certificate chain: END", qUtf8Printable(pre));
}
