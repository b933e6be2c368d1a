#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QJsonArray>
#include <QtTest>

// The service's side of the client's protocol over real HTTPS, driven by
// ServiceClient's own implementation of the login mathematics and the
// transport encryption, so that the service is checked against something
// other than the client's code: the login's mathematics and checks, the
// transfer and listing formats, the statuses the client maps. The client's own parts against the service are tested
// in ri/ (login, second factors, file safes, access, trash), passwords/ and
// the sync suites. One service serves every case.
class TestService : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;
    QString m_docs;    // alice's private safe
    QString m_old;     // a safe that expired
    std::unique_ptr<ServiceClient> m_alice; // one session for the file safe cases

    static QString firstId(const ServiceClient::Reply &r)
    {
        return r.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
    }
    static QStringList paths(const ServiceClient::Reply &r)
    {
        QStringList out;
        for (const auto &v : r.data.value("filesafe_objects").toArray())
            out << v.toObject().value("path").toString();
        return out;
    }
    static QJsonObject safe(ServiceClient &client, const QString &id)
    {
        for (const auto &v : client.safes().data.value("filesafes").toArray()) {
            if (v.toObject().value("safe_id").toString() == id)
                return v.toObject();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("plain", "Secret-1").ok());
        QVERIFY(m_service.addUser("saltzero", "pw", {"--salt", "00007f1e2d3c4b5a69788796a5b4c3d2"}).ok());
        QVERIFY(m_service.addUser("mixed", "pw", {"--2fa", "SMS=inactive", "--2fa", "ITAN=temporarily.locked", "--2fa", "MTAN"}).ok());
        QVERIFY(m_service.addUser("alice", "pw-a").ok());
        QVERIFY(m_service.addUser("quinn", "pw").ok());
        m_docs = m_service.addSafe("alice", "Documents", {"--quota", "100000000"});
        m_old = m_service.addSafe("alice", "Old", {"--expiry", "2001-01-01"});
        QVERIFY(!m_docs.isEmpty() && !m_old.isEmpty());
        m_alice = std::make_unique<ServiceClient>(m_service);
        QVERIFY(m_alice->login("alice", "pw-a").loggedIn);
    }

    // ---- login ----

    void loginWithoutSecondFactor_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("validation");
        QTest::newRow("plain user, 500 iterations -> logged in") << "plain" << "Secret-1" << 500 << "1.1.0" << 200;
        QTest::newRow("telvo's 15000 iterations -> logged in") << "plain" << "Secret-1" << 15000 << "1.1.0" << 200;
        QTest::newRow("salt starting with 00 -> logged in") << "saltzero" << "pw" << 500 << "1.1.0" << 200;
        QTest::newRow("outdated client -> logged in, fails validation") << "plain" << "Secret-1" << 500 << "0.9.7" << 10930;
    }
    void loginWithoutSecondFactor()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, iterations);
        QFETCH(QString, version);
        QFETCH(int, validation);
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.iterations = iterations;
        options.clientVersion = version;
        const auto result = client.login(user, password, options);
        QVERIFY2(result.loggedIn, qPrintable(result.error));
        QCOMPARE(client.xsrfToken().size(), 64);
        // The session key works: client validation needs the cookie and the token.
        for (const char *path : {"/api/sync/1/account/clientvalidation", "/rest/loggedin/1/clientvalidation/loggedin"}) {
            const auto r = client.request("GET", path);
            QCOMPARE(r.status, validation);
            QVERIFY(r.http == 200 && (validation == 200 || r.message.contains(version)));
        }
    }

    void saltIsSentWithoutLeadingZeros()
    {
        ServiceClient client(m_service);
        QVERIFY(client.loginStep({{"step", "CREATE_SESSION"}, {"deviceIdentifier", "d"}, {"client", "SYNC"}, {"version", "1.1.0"}}).ok());
        SrpTestClient srp("saltzero", "pw");
        const auto r = client.loginStep({{"step", "IDENTIFY_USER"}, {"username", "saltzero"}, {"a", QString(srp.hexA())}});
        QCOMPARE(r.data.value("salt").toString(), QStringLiteral("7f1e2d3c4b5a69788796a5b4c3d2"));
    }

    void methodStatesAreOfferedAndEnforced_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("status");
        QTest::newRow("inactive SMS -> 10920") << "SMS" << 10920;
        QTest::newRow("temporarily locked iTAN -> 10920") << "ITAN" << 10920;
        QTest::newRow("photoTAN not configured -> 10920") << "PHOTOTAN" << 10920;
        QTest::newRow("active mTAN -> challenge") << "MTAN" << 200;
        QTest::newRow("lower-case name -> challenge") << "mtan" << 200;
    }
    void methodStatesAreOfferedAndEnforced()
    {
        QFETCH(QString, method);
        QFETCH(int, status);
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.method = method;
        const auto result = client.login("mixed", "pw", options);
        QCOMPARE(result.thirdParty.value("SMS_status").toString(), QStringLiteral("inactive"));
        QCOMPARE(result.thirdParty.value("ITAN_status").toString(), QStringLiteral("temporarily.locked"));
        QCOMPARE(result.methods, QStringList({"SMS", "ITAN", "MTAN"}));
        QCOMPARE(result.last.status, status);
    }

    void xsrfTokenAndLogout()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("plain", "Secret-1").loggedIn);
        const QByteArray token = client.xsrfToken();
        client.setXsrfToken({});
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 403);
        client.setXsrfToken(QByteArray(64, 'a'));
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 403);
        QCOMPARE(client.request("GET", "/api/sync/1/files/info").http, 403);
        client.setXsrfToken(token);
        QVERIFY(client.request("GET", "/api/sync/1/files/info").ok());

        const auto bye = client.logout();
        QVERIFY(bye.ok());
        QCOMPARE(bye.data.value("success").toBool(), true);
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 401);
        QCOMPARE(client.logout().data.value("success").toBool(), false);
    }

    // ---- file safes ----

    void uploadListDownloadRoundTrip()
    {
        ServiceClient &client = *m_alice;
        const QString lastEvent = safe(client, m_docs).value("last_event").toString();
        const auto folder = client.createFolder(m_docs + "/", "Reports");
        QVERIFY(folder.ok());
        // Making it again gives the same folder; a file of that name is another matter.
        QCOMPARE(firstId(client.createFolder(m_docs + "/", "Reports")), firstId(folder));
        // Over 64 KiB, in whole blocks: the cipher text ends in a full padding block.
        const QByteArray content = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(2700).left(70000);
        const auto up = client.upload(m_docs + "/Reports", "q1 ü.txt", content);
        QVERIFY2(up.ok(), qPrintable(up.message));
        // Its fields as the client reads them are checked in ri/tst_filesaferi.
        QCOMPARE(paths(up), QStringList{"/Reports/q1 ü.txt"});
        const QString fileId = firstId(up);
        QCOMPARE(client.createFolder(m_docs + "/Reports", "q1 ü.txt").status, 409);
        // A folder given by its object id is a destination too.
        QVERIFY(client.upload(firstId(folder), "inside.txt", "x").ok());

        const auto listing = client.objects(m_docs, "/");
        QCOMPARE(paths(listing), QStringList({"/", "/Reports", "/Reports/inside.txt", "/Reports/q1 ü.txt"}));
        QCOMPARE(listing.data.value("filesafe_objects").toArray().at(1).toObject().value("type").toString(), "d");
        QVERIFY(safe(client, m_docs).value("last_event").toString() != lastEvent);
        QCOMPARE(safe(client, m_docs).value("storage_used").toDouble(), double(content.size() + 1));

        QByteArray plain;
        bool decrypted = false;
        const auto down = client.download(fileId, &plain, &decrypted);
        QCOMPARE(down.http, 200);
        QCOMPARE(down.header("X-Transport-Iv").size(), 32);
        QCOMPARE(down.body.size(), (content.size() / 16 + 1) * 16);
        QVERIFY(decrypted);
        QCOMPARE(plain, content);
        // A fresh IV for every download.
        const auto again = client.download(fileId, &plain, &decrypted);
        QVERIFY(again.header("X-Transport-Iv") != down.header("X-Transport-Iv"));
    }

    void listingFollowsDepthAndType_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("root, depth 0, any -> whole tree in byte order of the paths")
            << "/" << 0 << "any" << QStringList({"/", "/t", "/t-x.txt", "/t/a.txt", "/t/s", "/t/s/b.txt", "/t/s/u"});
        QTest::newRow("root, depth 1 -> children only") << "/" << 1 << "any" << QStringList({"/", "/t", "/t-x.txt"});
        QTest::newRow("folder, depth 0, d -> folders below")
            << "/t" << 0 << "d" << QStringList({"/t", "/t/s", "/t/s/u"});
        QTest::newRow("folder, depth 1, any") << "/t" << 1 << "any" << QStringList({"/t", "/t/a.txt", "/t/s"});
        QTest::newRow("folder with trailing slash -> the same folder")
            << "/t/s/" << 0 << "any" << QStringList({"/t/s", "/t/s/b.txt", "/t/s/u"});
        QTest::newRow("files only") << "/t" << 0 << "f" << QStringList({"/t/a.txt", "/t/s/b.txt"});
    }
    void listingFollowsDepthAndType()
    {
        QFETCH(QString, folder);
        QFETCH(int, depth);
        QFETCH(QString, type);
        QFETCH(QStringList, expected);
        static QString tree;
        ServiceClient &client = *m_alice;
        if (tree.isEmpty()) {
            tree = m_service.addSafe("alice", "Tree");
            QVERIFY(client.createFolder(tree + "/", "t").ok());
            QVERIFY(client.createFolder(tree + "/t", "s").ok());
            QVERIFY(client.createFolder(tree + "/t/s", "u").ok());
            QVERIFY(client.upload(tree + "/t", "a.txt", "a").ok());
            QVERIFY(client.upload(tree + "/t/s", "b.txt", "b").ok());
            QVERIFY(client.upload(tree + "/", "t-x.txt", "x").ok()); // sorts between "/t" and "/t/..." bytewise
        }
        const auto r = client.objects(tree, folder, depth, type);
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(paths(r), expected);
    }

    void serviceStatuses_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("http");
        QTest::addColumn<int>("status");
        QTest::newRow("listing of a missing safe -> 10904") << "list-safe" << 200 << 10904;
        QTest::newRow("listing of a missing folder -> 10904") << "list-folder" << 200 << 10904;
        QTest::newRow("folder in a missing folder -> 10911") << "folder-dest" << 200 << 10911;
        QTest::newRow("new version of a missing file -> 10904") << "version" << 200 << 10904;
        QTest::newRow("delete of a missing file -> 10904") << "delete" << 200 << 10904;
        QTest::newRow("download of a missing file -> HTTP 404") << "download" << 404 << 10904;
        QTest::newRow("bad delete mode -> 400") << "mode" << 200 << 400;
        QTest::newRow("bad type -> 400") << "type" << 200 << 400;
        QTest::newRow("upload into an expired safe -> 403") << "expired" << 200 << 403;
    }
    void serviceStatuses()
    {
        QFETCH(QString, what);
        QFETCH(int, http);
        QFETCH(int, status);
        ServiceClient &client = *m_alice;
        ServiceClient::Reply r;
        QByteArray plain;
        bool decrypted = false;
        if (what == "list-safe")
            r = client.objects("9999", "/");
        else if (what == "list-folder")
            r = client.objects(m_docs, "/no/such/folder");
        else if (what == "folder-dest")
            r = client.createFolder(m_docs + "/nowhere", "sub");
        else if (what == "version")
            r = client.upload(m_docs + "/", "a.txt", "x", "999999");
        else if (what == "delete")
            r = client.deleteObject("999999", false);
        else if (what == "download")
            r = client.download("999999", &plain, &decrypted);
        else if (what == "mode")
            r = client.deleteObject("1", false, "shred");
        else if (what == "type")
            r = client.objects(m_docs, "/", 0, "x");
        else if (what == "expired") {
            QVERIFY(client.objects(m_old, "/").ok());
            r = client.upload(m_old + "/", "late.txt", "x");
            QVERIFY(r.message.contains("expired"));
        }
        QCOMPARE(r.http, http);
        QCOMPARE(r.status, status);
        QVERIFY(!r.message.isEmpty());
    }

    // Last: it restarts the service. Sessions, safes and contents survive,
    // and the same cookie and token reach the new process on its new port.
    void restartKeepsSessionsSafesAndContents()
    {
        ServiceClient &client = *m_alice;
        const QByteArray content("kept across a restart");
        const auto up = client.upload(m_docs + "/", "kept.txt", content);
        QVERIFY(up.ok());
        const QByteArray listing = client.objects(m_docs, "/").body;
        QVERIFY2(m_service.restart(), qPrintable(m_service.errorString()));
        client.setBaseUrl(m_service.baseUrl());
        QVERIFY(client.request("GET", "/api/sync/1/account/clientvalidation").ok());
        QCOMPARE(client.objects(m_docs, "/").body, listing);
        QByteArray plain;
        bool decrypted = false;
        client.download(firstId(up), &plain, &decrypted);
        QVERIFY(decrypted);
        QCOMPARE(plain, content);
    }
};

QTEST_MAIN(TestService)
#include "tst_service.moc"
