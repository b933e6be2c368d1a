#include "TestPki.h"
#include "net/NetProxy.h"
#include "net/SslUtil.h"

#include <QAuthenticator>
#include <QtTest>

// Names of TLS and proxy values in log lines, and the certificate dump.
class TestSslUtil : public QObject
{
    Q_OBJECT
private slots:
    void errorListNumbersOnlyMany()
    {
        QCOMPARE(SslUtil::sslErrorList({QSslError(QSslError::HostNameMismatch)}), QStringLiteral("22 HostNameMismatch"));
        QCOMPARE(SslUtil::sslErrorList({QSslError(QSslError::HostNameMismatch), QSslError(QSslError::CertificateExpired)}),
                 QStringLiteral("[1]:22 HostNameMismatch; [2]:6 CertificateExpired"));
    }

    void valueNames_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name");
        QTest::newRow("error -1 -> UnspecifiedError") << "error" << -1 << "UnspecifiedError";
        QTest::newRow("error 99 -> Unknown(99)") << "error" << 99 << "Unknown(99)";
        QTest::newRow("protocol 10 -> TlsV1_2OrLater") << "protocol" << 10 << "TlsV1_2OrLater";
        QTest::newRow("protocol 77 -> Unknown(77)") << "protocol" << 77 << "Unknown(77)";
        QTest::newRow("verify 2 -> VerifyPeer") << "verify" << 2 << "VerifyPeer";
        QTest::newRow("verify 9 -> Undefined[9]") << "verify" << 9 << "Undefined[9]";
        QTest::newRow("mode 1 -> SslClientMode") << "mode" << 1 << "SslClientMode";
        QTest::newRow("state 3 -> ConnectedState") << "state" << 3 << "ConnectedState";
        QTest::newRow("option 0x08 -> SslOptionDisableServerNameIndication")
            << "option" << 0x08 << "SslOptionDisableServerNameIndication";
        QTest::newRow("proxy 9 -> Unknown(9)") << "proxy" << 9 << "Unknown(9)";
    }
    void valueNames()
    {
        QFETCH(QString, kind);
        QFETCH(int, value);
        QFETCH(QString, name);
        QString got;
        if (kind == QLatin1String("error"))
            got = SslUtil::sslErrorName(QSslError::SslError(value));
        else if (kind == QLatin1String("protocol"))
            got = SslUtil::protocolName(QSsl::SslProtocol(value));
        else if (kind == QLatin1String("verify"))
            got = SslUtil::peerVerifyModeName(QSslSocket::PeerVerifyMode(value));
        else if (kind == QLatin1String("mode"))
            got = SslUtil::sslModeName(QSslSocket::SslMode(value));
        else if (kind == QLatin1String("state"))
            got = SslUtil::socketStateName(QAbstractSocket::SocketState(value));
        else if (kind == QLatin1String("option"))
            got = SslUtil::sslOptionName(QSsl::SslOption(value));
        else
            got = NetProxy::proxyTypeName(QNetworkProxy::ProxyType(value));
        QCOMPARE(got, name);
    }

    void certificateDump()
    {
        TestPki pki(QStringLiteral("Dump CA"));
        const TestPki::Leaf leaf = pki.issue({QStringLiteral("dump.example")});
        const QStringList lines = SslUtil::certificateDump(QSslCertificate(leaf.certificatePem));
        QVERIFY(lines.contains(QStringLiteral("subject:  CN: 'dump.example'")));
        QVERIFY(lines.contains(QStringLiteral("subject:   O: 'Korvex Tests'")));
        QVERIFY(lines.contains(QStringLiteral("subject:  OU: 'null'")));
        QVERIFY(lines.contains(QStringLiteral("issuer:   CN: 'Dump CA'")));
        QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^sha1: '[0-9a-f:]{59}'$"))).size() == 1);
        QVERIFY(lines.contains(QStringLiteral("ext: oid:'2.5.29.17' name:'subjectAltName' value:'DNS=dump.example' crit:false supp:false")));
        QVERIFY(lines.contains(QStringLiteral("ext: oid:'2.5.29.19' name:'basicConstraints' value:'ca=false' crit:true supp:true")));
    }

    void proxyAndAuthenticatorTexts()
    {
        const QNetworkProxy proxy(QNetworkProxy::HttpProxy, QStringLiteral("proxy.example"), 3128);
        QCOMPARE(NetProxy::proxyText(proxy),
                 QStringLiteral("proxy host: proxy.example port: 3128 type: HttpProxy caching: yes transparent: yes"));
        QAuthenticator auth;
        QCOMPARE(NetProxy::authenticatorText(&auth), QStringLiteral("auth realm:'' options: none"));
    }
};

QTEST_GUILESS_MAIN(TestSslUtil)
#include "tst_sslutil.moc"
