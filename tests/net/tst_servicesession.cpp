#include "NetTestUtil.h"
#include "TestEnv.h"
#include "app/VersionOrder.h"
#include "net/JsonReader.h"
#include "net/OndoSession.h"
#include "support/ServiceProcess.h"
#include "ServiceLogin.h"

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QtTest>


// The session against the real reference service over HTTPS, with full
// certificate verification through the service's CA (net/ca_file).
class TestServiceSession : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ServiceProcess> service;

    std::unique_ptr<OndoSession> newSession(int apiVersion = 3, const QString &host = QStringLiteral("127.0.0.1"))
    {
        SessionOptions options;
        options.apiVersion = apiVersion;
        options.caFile = service->caFile();
        auto session = std::make_unique<OndoSession>(options);
        session->setServer(testServer(QStringLiteral("https://%1:%2").arg(host).arg(service->port())));
        return session;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!ServiceProcess::binary().isEmpty(), "KORVEX_SERVICE_BINARY is not set");
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY2(service->addUser(QStringLiteral("alice"), QStringLiteral("correct horse")).ok(), "add-user");
    }
    void cleanupTestCase() { service.reset(); }
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
    }
    void cleanup() { env.reset(); }

    void versionCheck_data()
    {
        QTest::addColumn<int>("apiVersion");
        QTest::addColumn<QString>("host");
        QTest::newRow("apiVersion 1 over verified TLS -> version") << 1 << QStringLiteral("127.0.0.1");
        QTest::newRow("apiVersion 3 over verified TLS -> version") << 3 << QStringLiteral("127.0.0.1");
        QTest::newRow("apiVersion 3 by host name -> version") << 3 << QStringLiteral("localhost");
    }
    void versionCheck()
    {
        QFETCH(int, apiVersion);
        QFETCH(QString, host);
        auto session = newSession(apiVersion, host);
        QSignalSpy sslErrors(session.get(), &OndoSession::sslErrors);
        auto outcomes = std::make_shared<Outcomes>();
        ClientVersionTO_v1 version;
        session->getClientVersion(recordInto<ClientVersionTO_v1>(outcomes, &version));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes->calls, 1, 20000);
        QVERIFY2(outcomes->lastCode() == ERR_NONE, qPrintable(outcomes->lastMessage()));
        QCOMPARE(sslErrors.count(), 0);
        QCOMPARE(version.versionCompatible, QStringLiteral("1.0.0"));
        QCOMPARE(version.versionLatest, QStringLiteral("1.1.0"));
        QCOMPARE(VersionOrder::judge(env->appInfo()->appVersion(), version.versionCompatible, version.versionLatest),
                 VersionOrder::Verdict::UpToDate);
    }

    void lostServerSessionReachesSessionTimeout()
    {
        auto session = newSession();
        const QString error = logIn(*session, QStringLiteral("alice"), QStringLiteral("correct horse"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QSignalSpy timeouts(session.get(), &OndoSession::sessionTimeout);
        // Logged in: the session check passes.
        QCOMPARE(await<Nothing>(*session, Request::createGet(session->clientValidationPath())).code, ERR_NONE);

        const auto ended = service->expireSessions(QStringLiteral("alice"));
        QVERIFY(ended && *ended >= 1);
        const EmptyResult listing = await<Nothing>(*session, Request::createGet(QStringLiteral("/api/sync/1/files/info")));
        QVERIFY(!listing.isOk());
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.count(), 1, 20000);
        QCOMPARE(timeouts.first().at(0).value<OndoSession::SessionState>(), OndoSession::SERVER_SESSION_TIMEOUT);
        QVERIFY(timeouts.first().at(1).value<ErrorCode>() != ERR_NONE);
    }

    void noCookieOfTheOldSessionAfterReset()
    {
        auto session = newSession();
        const QString error = logIn(*session, QStringLiteral("alice"), QStringLiteral("correct horse"));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QUrl url(service->baseUrl());
        const QList<QNetworkCookie> old = session->networkAccessManager()->cookieJar()->cookiesForUrl(url);
        QCOMPARE(old.size(), 1);
        QCOMPARE(old.first().name(), QByteArray("JSESSIONID"));
        QCOMPARE(await<Nothing>(*session, Request::createGet(session->clientValidationPath())).code, ERR_NONE);

        session->resetSession();
        QVERIFY(session->networkAccessManager()->cookieJar()->cookiesForUrl(url).isEmpty());
        const EmptyResult after = await<Nothing>(*session, Request::createGet(session->clientValidationPath()));
        QVERIFY2(!after.isOk(), "the service must not see the old session any more");

        // The server session itself is alive: only the client forgot it.
        session->networkAccessManager()->cookieJar()->setCookiesFromUrl(old, url);
        QCOMPARE(await<Nothing>(*session, Request::createGet(session->clientValidationPath())).code, ERR_NONE);
    }

    // Empty, non-JSON and redirected replies are mapped in tst_request against
    // a scripted peer; a body cut by the real service ends as a network error.
    void cutBodyIsANetworkError()
    {
        QVERIFY(service->cutBody(QStringLiteral("/api/sync/1/public/version"), 5));
        auto session = newSession();
        auto outcomes = std::make_shared<Outcomes>();
        session->getClientVersion(recordInto<ClientVersionTO_v1>(outcomes));
        QTRY_COMPARE_WITH_TIMEOUT(outcomes->calls, 1, 20000);
        QCOMPARE(outcomes->lastCode(), ERR_NETWORK);
        QVERIFY(service->clearFaults());
    }

};

QTEST_GUILESS_MAIN(TestServiceSession)
#include "tst_servicesession.moc"
