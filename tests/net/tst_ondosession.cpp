#include "MessageCapture.h"
#include "NetTestUtil.h"
#include "ScriptedPeer.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestPki.h"
#include "app/Settings.h"
#include "net/CaFile.h"
#include "net/OndoSession.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray ValidationV3 = "/api/sync/1/account/clientvalidation";
const QByteArray VersionData = R"({"name":"sync","version_compatible":"1.0.0","version_latest":"1.2.0"})";
} // namespace

using TestFiles::writeFile;

// The session's rules against a scripted peer: which paths each API
// generation uses, when a failure leads to a session check, what a lost
// session looks like, cookies across resetSession, TLS trust.
class TestOndoSession : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<TestPki> pki;
    QTemporaryDir dir;

    // The session check answers after `validationDelayMs` with `validationBody`.
    int validationDelayMs = 0;
    int validationHttp = 200;
    QByteArray validationBody;

    std::unique_ptr<ScriptedPeer> peer;
    std::unique_ptr<OndoSession> session;

    // A peer that runs `rest` for all but the session check (over TLS with
    // the `tls` certificate when given), and a session on it.
    bool startSession(const ScriptedPeer::Script &rest, const SessionOptions &options = SessionOptions(),
                      const TestPki::Leaf &tls = {}, QSsl::SslProtocol protocol = QSsl::TlsV1_2OrLater)
    {
        peer = std::make_unique<ScriptedPeer>();
        if (!tls.isNull())
            peer->setTls(tls.certificatePem, tls.keyPem, protocol);
        peer->setScript([this, rest](const PeerRequest &r, PeerConnection *c) {
            if (r.path() == ValidationV3) {
                const int http = validationHttp;
                const QByteArray body = validationBody;
                QTimer::singleShot(validationDelayMs, c, [c, http, body] { c->reply(http, body); });
            } else if (rest) {
                rest(r, c);
            }
        });
        if (!peer->start())
            return false;
        session = std::make_unique<OndoSession>(options);
        session->setServer(testServer(peer->url(tls.isNull() ? QStringLiteral("127.0.0.1") : QStringLiteral("localhost"))));
        return true;
    }

    // Sends GET `path` and waits for its outcome.
    ErrorCode getAndWait(OndoSession &session, const QString &path)
    {
        auto outcomes = std::make_shared<Outcomes>();
        session.send<Nothing>(Request::createGet(path), recordInto<Nothing>(outcomes));
        if (!QTest::qWaitFor([&] { return outcomes->calls > 0; }, 5000))
            return ERR_INTERNAL;
        return outcomes->lastCode();
    }

private slots:
    void initTestCase()
    {
        pki = std::make_unique<TestPki>();
        QVERIFY(!pki->isNull());
        QVERIFY(dir.isValid());
        QVERIFY(writeFile(dir.filePath(QStringLiteral("ca.pem")), pki->caPem()));
    }
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        validationDelayMs = 0;
        validationHttp = 200;
        validationBody = envelope();
    }
    void cleanup()
    {
        session.reset();
        peer.reset();
        env.reset();
    }

    void apiGeneration_data()
    {
        QTest::addColumn<int>("apiVersion");
        QTest::addColumn<QByteArray>("versionPath");
        QTest::addColumn<QByteArray>("validationPath");
        QTest::newRow("apiVersion 1 -> /rest paths") << 1 << QByteArray("/rest/public/1/version/sync")
                                                      << QByteArray("/rest/loggedin/1/clientvalidation/loggedin");
        QTest::newRow("apiVersion 3 -> /api/sync/1 paths") << 3 << QByteArray("/api/sync/1/public/version")
                                                            << QByteArray("/api/sync/1/account/clientvalidation");
    }
    void apiGeneration()
    {
        QFETCH(int, apiVersion);
        QFETCH(QByteArray, versionPath);
        QFETCH(QByteArray, validationPath);
        SessionOptions options;
        options.apiVersion = apiVersion;
        QVERIFY(startSession([versionPath](const PeerRequest &r, PeerConnection *c) {
            c->reply(200, r.path() == versionPath ? envelope(VersionData) : envelope());
        }, options));
        auto outcomes = std::make_shared<Outcomes>();
        ClientVersionTO_v1 version;
        session->getClientVersion(recordInto<ClientVersionTO_v1>(outcomes, &version));
        QTRY_COMPARE(outcomes->calls, 1);
        QCOMPARE(outcomes->lastCode(), ERR_NONE);
        QCOMPARE(version.toString(),
                 QStringLiteral("name:'sync' version_compatible:'1.0.0' version_latest:'1.2.0'"));
        session->checkSessionStatus();
        QTRY_COMPARE(peer->countPath(validationPath), 1);
    }

    void quotaFailureChecksNot_twoFailuresInARowCheckOnce_successRearms()
    {
        validationDelayMs = 300; // the check is still out while the second failure arrives
        QVERIFY(startSession([](const PeerRequest &r, PeerConnection *c) {
            if (r.path() == "/ok")
                c->reply(200, envelope());
            else if (r.path() == "/upload")
                c->reply(200, envelope({}, 10907, "quota"));
            else
                c->reply(500, "{}");
        }));
        QCOMPARE(getAndWait(*session, QStringLiteral("/upload")), ERR_STATUS_10907);
        QTest::qWait(300);
        QCOMPARE(peer->countPath(ValidationV3), 0);
        QCOMPARE(getAndWait(*session, QStringLiteral("/ok")), ERR_NONE);

        auto outcomes = std::make_shared<Outcomes>();
        session->send<Nothing>(Request::createGet(QStringLiteral("/fail1")), recordInto<Nothing>(outcomes));
        session->send<Nothing>(Request::createGet(QStringLiteral("/fail2")), recordInto<Nothing>(outcomes));
        QTRY_COMPARE(outcomes->calls, 2);
        QCOMPARE(outcomes->codes, (QList<ErrorCode>{ERR_NETWORK, ERR_NETWORK}));
        QTRY_COMPARE(peer->countPath(ValidationV3), 1);
        QTest::qWait(500);
        QCOMPARE(peer->countPath(ValidationV3), 1);
        QCOMPARE(session->failedRequests(), 3); // the quota failure counts too

        // A success re-arms the check: the next failure checks again.
        QCOMPARE(getAndWait(*session, QStringLiteral("/ok")), ERR_NONE);
        QCOMPARE(getAndWait(*session, QStringLiteral("/fail3")), ERR_NETWORK);
        QTRY_COMPARE(peer->countPath(ValidationV3), 2);
    }

    void lostServerSessionReachesTimeout_data()
    {
        QTest::addColumn<int>("http");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("code");
        QTest::newRow("check answers a service error -> its code") << 200 << envelope({}, 401, "no session") << 10;
        QTest::newRow("check answers HTTP 403 -> network error") << 403 << QByteArray("{}") << 4;
    }
    void lostServerSessionReachesTimeout()
    {
        QFETCH(int, http);
        QFETCH(QByteArray, body);
        QFETCH(int, code);
        validationHttp = http;
        validationBody = body;
        QVERIFY(startSession([](const PeerRequest &, PeerConnection *c) { c->reply(200, envelope({}, 401, "x")); }));
        QSignalSpy timeouts(session.get(), &OndoSession::sessionTimeout);
        QCOMPARE(getAndWait(*session, QStringLiteral("/files")), ERR_SERVER_STATUS);
        QTRY_COMPARE(timeouts.count(), 1);
        QCOMPARE(timeouts.first().at(0).value<OndoSession::SessionState>(), OndoSession::SERVER_SESSION_TIMEOUT);
        QCOMPARE(int(timeouts.first().at(1).value<ErrorCode>()), code);
        QTest::qWait(200);
        QCOMPARE(timeouts.count(), 1); // the check's own failure starts no second check
    }

    // The session's secrets go out with the traffic dump on, yet never
    // reach the log; resetSession forgets the cookie.
    void resetSessionForgetsCookies_secretsNeverReachTheLog()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("net.traffic.debug=true"));
        MessageCapture log(true);
        QVERIFY(startSession([](const PeerRequest &r, PeerConnection *c) {
            if (r.path() == "/login")
                c->reply(200, envelope(R"({"password":"c1phertext-of-a-secret"})"),
                         {"Set-Cookie: JSESSIONID=0123456789abcdefSECRETTAIL; Path=/"});
            else
                c->reply(200, envelope());
        }));
        session->setXsrfToken("XSRF-abcdefgh-SECRETTAIL");
        QCOMPARE(getAndWait(*session, QStringLiteral("/login")), ERR_NONE);
        QCOMPARE(getAndWait(*session, QStringLiteral("/before")), ERR_NONE);
        session->resetSession();
        QCOMPARE(getAndWait(*session, QStringLiteral("/after")), ERR_NONE);
        QLoggingCategory::setFilterRules(QStringLiteral("net.traffic.debug=false"));
        QVERIFY(!log.containing(QStringLiteral("## OndoSession: sid: s01234567")).isEmpty());
        QVERIFY(!log.containing(QStringLiteral("NetworkReply[")).isEmpty()); // the traffic dump ran
        const QString all = log.all().join(QLatin1Char('\n'));
        QVERIFY2(!all.contains(QLatin1String("SECRETTAIL")) && !all.contains(QLatin1String("c1phertext")), qPrintable(all));
        QByteArrayList cookies; // of /login, /before, /after
        for (const PeerRequest &r : peer->requests())
            cookies << r.header("cookie");
        QCOMPARE(cookies, (QByteArrayList{QByteArray(), "JSESSIONID=0123456789abcdefSECRETTAIL", QByteArray()}));
        QCOMPARE(session->networkAccessManager()->objectName(), QStringLiteral("NAM-r%1").arg(session->instanceNumber()));
    }

    void tls_data()
    {
        QTest::addColumn<QStringList>("certNames");
        QTest::addColumn<bool>("trustCa");
        QTest::addColumn<int>("peerProtocol");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList good{QStringLiteral("localhost")};
        QTest::newRow("trusted CA, matching name -> success") << good << true << int(QSsl::TlsV1_2OrLater) << 0 << QString();
        QTest::newRow("certificate for another host -> 13 HostNameMismatch")
            << QStringList{QStringLiteral("other.example")} << true << int(QSsl::TlsV1_2OrLater) << 13
            << QStringLiteral("HostNameMismatch");
        QTest::newRow("CA not trusted -> 13") << good << false << int(QSsl::TlsV1_2OrLater) << 13
                                              << QStringLiteral("network reply ssl errors:");
        QTest::newRow("peer speaks only TLS 1.2 -> success") << good << true << int(QSsl::TlsV1_2) << 0 << QString();
    }
    void tls()
    {
        QFETCH(QStringList, certNames);
        QFETCH(bool, trustCa);
        QFETCH(int, peerProtocol);
        QFETCH(int, code);
        QFETCH(QString, message);
        const TestPki::Leaf leaf = pki->issue(certNames);
        QVERIFY(!leaf.isNull());
        // The session's options as the programs read them from the settings.
        Settings::setValue(Settings::NetCaFile, trustCa ? dir.filePath(QStringLiteral("ca.pem")) : QString()); // the test CA's
        QVERIFY(startSession([](const PeerRequest &, PeerConnection *c) { c->reply(200, envelope(VersionData)); },
                             SessionOptions::fromSettings(env->config()), leaf, QSsl::SslProtocol(peerProtocol)));
        QSignalSpy sslErrors(session.get(), &OndoSession::sslErrors); // before the event loop runs the connect-ahead
        if (code == 0) { // an https server is connected ahead, before any request
            QTRY_COMPARE(peer->encryptedCount(), 1);
            QCOMPARE(peer->requests().size(), 0);
        }
        auto outcomes = std::make_shared<Outcomes>();
        session->getClientVersion(recordInto<ClientVersionTO_v1>(outcomes));
        QTRY_COMPARE(outcomes->calls, 1);
        QCOMPARE(int(outcomes->lastCode()), code);
        QVERIFY2(outcomes->lastMessage().contains(message), qPrintable(outcomes->lastMessage()));
        if (code == 0)
            QCOMPARE(sslErrors.count(), 0);
        else
            QVERIFY(sslErrors.count() >= 1);
    }

    void caFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("mode");       // of the file, -1 as written
        QTest::addColumn<int>("folderMode"); // of its folder, -1 as made
        QTest::addColumn<bool>("foreign");   // owned by another user
        QTest::addColumn<QString>("error");
        QTest::newRow("PEM with a certificate -> ok") << QByteArray() << true << -1 << -1 << false << QString();
        QTest::newRow("missing file -> does not exist") << QByteArray() << false << -1 << -1 << false
                                                        << QStringLiteral("does not exist");
        QTest::newRow("not PEM -> no PEM certificate") << QByteArray("hello") << true << -1 << -1 << false
                                                       << QStringLiteral("holds no PEM certificate");
        QTest::newRow("0664 -> its group can change it") << QByteArray() << true << 0664 << -1 << false
                                                         << QStringLiteral("can be changed by other users");
        QTest::newRow("another user's -> refused") << QByteArray() << true << -1 << -1 << true
                                                   << QStringLiteral("belongs to another user");
        QTest::newRow("in a folder others can write -> refused") << QByteArray() << true << -1 << 0777 << false
                                                                 << QStringLiteral("the folder of CA file");
        QTest::newRow("in a sticky shared folder (like /tmp) -> ok") << QByteArray() << true << -1 << 01777 << false
                                                                     << QString();
    }
    void caFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(int, mode);
        QFETCH(int, folderMode);
        QFETCH(bool, foreign);
        QFETCH(QString, error);
        const QString folder = dir.filePath(QStringLiteral("cafile-%1").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/ca.pem");
        if (create)
            QVERIFY(writeFile(path, content.isEmpty() ? pki->caPem() : content));
        if (mode >= 0)
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        if (folderMode >= 0)
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
        if (foreign && ::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
            QSKIP("needs root to give a file to another user");
        const CaFile::Loaded loaded = CaFile::read(path);
        QCOMPARE(loaded.ok(), error.isEmpty());
        QVERIFY2(loaded.error.contains(error), qPrintable(loaded.error));
        if (loaded.ok())
            QCOMPARE(loaded.certificates.size(), 1);
    }

    // The client trusts a private copy: what happens to the original later
    // adds nothing.
    void adoptedCaFileIsAPrivateCopy()
    {
        const QString original = dir.filePath(QStringLiteral("adopt-ca.pem"));
        QVERIFY(writeFile(original, pki->caPem()));
        const QString config = dir.filePath(QStringLiteral("adopt-config"));
        const CaFile::Adopted adopted = CaFile::adopt(original, config);
        QVERIFY2(adopted.ok(), qPrintable(adopted.error));
        QCOMPARE(QFileInfo(adopted.path).absolutePath(), config);
        TestPki other(QStringLiteral("Somebody Else's CA"));
        QVERIFY(writeFile(original, pki->caPem() + other.caPem()));
        QCOMPARE(CaFile::read(original).certificates.size(), 2);
        QCOMPARE(CaFile::read(adopted.path).certificates.size(), 1);
    }

};

QTEST_GUILESS_MAIN(TestOndoSession)
#include "tst_ondosession.moc"
