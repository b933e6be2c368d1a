#include "support/ServiceProcess.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtTest>

// The harness that other suites build on: it must start the service, find
// its port, trust its CA, run its command line and reach the admin interface.
class TestServiceProcess : public QObject
{
    Q_OBJECT

    struct Reply
    {
        int http = 0;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QByteArray body;
    };

    Reply get(const ServiceProcess &service, const QString &path)
    {
        QNetworkAccessManager nam;
        QNetworkRequest request(QUrl(service.baseUrl() + path));
        request.setSslConfiguration(service.sslConfiguration());
        QNetworkReply *reply = nam.get(request);
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        Reply r;
        r.http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.error = reply->error();
        r.body = reply->readAll();
        delete reply;
        return r;
    }

private slots:
    void startsAndServesVersionOverVerifiedTls_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("api generation 3 -> /api/sync/1/public/version") << "/api/sync/1/public/version";
        QTest::newRow("api generation 1 -> /rest/public/1/version/sync") << "/rest/public/1/version/sync";
    }
    void startsAndServesVersionOverVerifiedTls()
    {
        QFETCH(QString, path);
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.baseUrl().startsWith(QStringLiteral("https://127.0.0.1:")));
        QVERIFY(QFile::exists(service.caFile()));
        QCOMPARE(service.adminToken().size(), 32);

        const Reply r = get(service, path);
        QCOMPARE(r.error, QNetworkReply::NoError); // full certificate verification with the service's CA
        const QJsonObject envelope = QJsonDocument::fromJson(r.body).object();
        QCOMPARE(envelope.value("status").toInt(), 200);
        QCOMPARE(envelope.value("data").toObject().value("version_latest").toString(), QStringLiteral("1.1.0"));
    }

    void speaksTls12AndTls13_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::newRow("TLS 1.2 only -> served") << int(QSsl::TlsV1_2);
        QTest::newRow("TLS 1.3 only -> served") << int(QSsl::TlsV1_3);
    }
    void speaksTls12AndTls13()
    {
        QFETCH(int, protocol);
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QNetworkAccessManager nam;
        QNetworkRequest request(QUrl(service.baseUrl() + "/api/sync/1/public/version"));
        QSslConfiguration config = service.sslConfiguration();
        config.setProtocol(QSsl::SslProtocol(protocol));
        request.setSslConfiguration(config);
        QNetworkReply *reply = nam.get(request);
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(done.wait(20000));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->sslConfiguration().sessionProtocol(), QSsl::SslProtocol(protocol));
        delete reply;
    }

    void withoutTheCaTheCertificateIsRejected()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QNetworkAccessManager nam;
        QNetworkReply *reply = nam.get(QNetworkRequest(QUrl(service.baseUrl() + "/api/sync/1/public/version")));
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(done.wait(20000));
        QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);
        delete reply;
    }

    void commandLineAddsUsersAndSafes()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.addUser("Alice", "pw-1", {"--2fa", "SMS"}).ok());
        const ServiceProcess::CommandResult again = service.addUser("alice", "pw-2");
        QCOMPARE(again.exitCode, 1); // names are kept in lower case: the same user
        QVERIFY(again.err.contains("exists"));
        QVERIFY(!service.addUser("bob", "").ok()); // no password, no account

        const QString first = service.addSafe("alice", "Documents");
        const QString second = service.addSafe("alice", "Team", {"--type", "TEAMSAFE", "--access", "r"});
        QVERIFY(!first.isEmpty());
        QVERIFY(!second.isEmpty());
        QVERIFY(first != second);
        ServiceProcess::CommandResult bad;
        QVERIFY(service.addSafe("alice", "X", {"--type", "NOPE"}, &bad).isEmpty());
        QCOMPARE(bad.exitCode, 2);
        QVERIFY(service.addSafe("nobody", "X").isEmpty());
    }

    void adminInterfaceNeedsTheToken()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        const Reply r = get(service, "/admin/faults");
        QCOMPARE(r.http, 403);
        QVERIFY(service.admin("GET", "/admin/faults").ok());
    }

    void forcedStatusHitsTheNextMatchingRequestOnly()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.forceStatus("/api/sync/1/public/version", 503));
        QCOMPARE(get(service, "/api/sync/1/public/version").http, 503);
        QCOMPARE(get(service, "/api/sync/1/public/version").http, 200);
    }

    void plainHttpOnlyWhenAsked()
    {
        ServiceProcess::Options options;
        options.http = true;
        ServiceProcess service(options);
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.baseUrl().startsWith(QStringLiteral("http://127.0.0.1:")));
        QVERIFY(service.caFile().isEmpty());
        QCOMPARE(get(service, "/api/sync/1/public/version").http, 200);
    }

    void restartKeepsTheDataFolder()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.addUser("carol", "pw").ok());
        const QByteArray firstToken = service.adminToken();
        QVERIFY2(service.restart(), qPrintable(service.errorString()));
        QVERIFY(service.adminToken() != firstToken); // a new token per start
        QCOMPARE(service.addUser("carol", "pw").exitCode, 1);
        QCOMPARE(get(service, "/api/sync/1/public/version").http, 200);
    }
};

QTEST_MAIN(TestServiceProcess)
#include "tst_serviceprocess.moc"
