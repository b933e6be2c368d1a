#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QJsonArray>
#include <QtTest>

// Fault injection through the admin interface, as the client's tests use
// it, many sessions at once on one safe, and hostile requests: they never
// escape the data folder, never bring the service down, change nothing and
// each get a clear error.
class TestServiceFaults : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;
    QString m_fileId;
    std::unique_ptr<ServiceClient> m_client;
    const QString version = QStringLiteral("/api/sync/1/public/version");

    // Waits for all replies; returns them in order and deletes them.
    static QList<ServiceClient::Reply> finish(const QList<QNetworkReply *> &replies)
    {
        QList<ServiceClient::Reply> out;
        for (QNetworkReply *reply : replies) {
            if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 60000))
                reply->abort();
            out << ServiceClient::readReply(reply);
            delete reply;
        }
        return out;
    }

    static QString firstId(const ServiceClient::Reply &r)
    {
        return r.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
    }
    // The decrypted content of a download; empty when it failed.
    static QByteArray contentOf(ServiceClient &client, const QString &id)
    {
        QByteArray plain;
        bool decrypted = false;
        client.download(id, &plain, &decrypted);
        return decrypted ? plain : QByteArray();
    }

    // Hostile input: eve's safe with a folder and a file, and every file of
    // the data folder before the first hostile request, so that each one can
    // show that it changed nothing.
    QString m_evesDocs;
    std::unique_ptr<ServiceClient> m_eve;
    QStringList m_filesBefore;
    QByteArray m_listingBefore;

    // Every file below the data folder except the ones that change by themselves.
    QStringList dataFiles() const
    {
        QStringList out;
        QDirIterator it(m_service.dataDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.endsWith(".log") && !path.contains("service.db3"))
                out << path;
        }
        out.sort();
        return out;
    }
    // Logs eve in once the fault cases (which end every session) are done.
    bool eveIsReady()
    {
        if (m_eve)
            return true;
        auto eve = std::make_unique<ServiceClient>(m_service);
        if (!m_service.addUser("eve", "pw").ok() || !eve->login("eve", "pw").loggedIn)
            return false;
        m_evesDocs = m_service.addSafe("eve", "Docs");
        if (!eve->createFolder(m_evesDocs + "/", "inner").ok() || !eve->upload(m_evesDocs + "/inner", "keep.txt", "keep").ok())
            return false;
        m_listingBefore = eve->objects(m_evesDocs, "/").body;
        m_filesBefore = dataFiles();
        m_eve = std::move(eve);
        return !m_filesBefore.isEmpty();
    }
    void checkNothingChanged()
    {
        QCOMPARE(dataFiles(), m_filesBefore);
        QVERIFY(QDir(m_service.dataDir() + "/tmp").isEmpty());
        QCOMPARE(m_eve->objects(m_evesDocs, "/").body, m_listingBefore);
        QCOMPARE(m_eve->request("GET", "/api/sync/1/public/version").http, 200);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("fay", "pw").ok() && m_service.addUser("gus", "pw").ok());
        const QString safe = m_service.addSafe("fay", "Docs");
        m_client = std::make_unique<ServiceClient>(m_service);
        QVERIFY(m_client->login("fay", "pw").loggedIn);
        const auto up = m_client->upload(safe + "/", "big.bin", QByteArray(200000, 'b'));
        QVERIFY(up.ok());
        m_fileId = firstId(up);
    }

    void cleanup() { QVERIFY(m_service.clearFaults()); }

    void forcedStatusesAndDelays()
    {
        QVERIFY(m_service.forceStatus(version, 503, "GET", 2));
        QVERIFY(m_service.forceStatus("/api/sync/1/files/info", 500, "POST", 1));
        QCOMPARE(m_client->request("GET", version).http, 503);
        QCOMPARE(m_client->request("GET", version).http, 503);
        QCOMPARE(m_client->request("GET", version).http, 200);
        QVERIFY(m_client->safes().ok()); // a GET does not meet the POST fault
        QVERIFY(m_service.forceStatus(version, 500, {}, 0)); // until cleared
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_client->request("GET", version).http, 500);
        QVERIFY(m_service.clearFaults());
        QCOMPARE(m_client->request("GET", version).http, 200);

        QVERIFY(m_service.delay(version, 400));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_client->request("GET", version).http, 200);
        QVERIFY(timer.elapsed() >= 400);
    }

    void stallHoldsTheReplyUntilCleared()
    {
        QVERIFY(m_service.stall("/api/sync/1/files/info"));
        QNetworkReply *reply = m_client->startRequest("GET", "/api/sync/1/files/info");
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(!done.wait(700)); // held
        QVERIFY(m_service.clearFaults()); // its event loop may already see the reply finish
        QVERIFY(!done.isEmpty() || done.wait(10000));
        QVERIFY(ServiceClient::readReply(reply).ok());
        delete reply;
    }

    void cutClosesTheConnectionMidBody_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<qint64>("after");
        QTest::newRow("download cut after 64 KiB -> short body, connection closed") << "download" << qint64(65536);
        QTest::newRow("JSON reply cut in half -> connection closed") << "json" << qint64(-1);
    }
    void cutClosesTheConnectionMidBody()
    {
        QFETCH(QString, what);
        QFETCH(qint64, after);
        const QString path = what == "download" ? "/api/sync/1/files/file/" + m_fileId : QStringLiteral("/api/sync/1/files/info");
        QVERIFY(m_service.cutBody(path, after));
        QByteArray plain;
        bool decrypted = false;
        const auto r = what == "download" ? m_client->download(m_fileId, &plain, &decrypted) : m_client->safes();
        QVERIFY(r.error != QNetworkReply::NoError);
        if (what == "download")
            QVERIFY(r.body.size() <= after && !decrypted);
        QCOMPARE(contentOf(*m_client, m_fileId), QByteArray(200000, 'b')); // the next one whole
    }

    void expiredSessionsAreGone()
    {
        ServiceClient gus(m_service);
        QVERIFY(gus.login("gus", "pw").loggedIn);
        ServiceClient fay(m_service);
        QVERIFY(fay.login("fay", "pw").loggedIn);
        QCOMPARE(m_service.expireSessions("gus").value_or(-1), 1);
        QCOMPARE(gus.request("GET", "/api/sync/1/account/clientvalidation").http, 401);
        QVERIFY(fay.request("GET", "/api/sync/1/account/clientvalidation").ok());
        QVERIFY(m_service.expireSessions().value_or(0) >= 2); // everybody
        QCOMPARE(fay.request("GET", "/api/sync/1/account/clientvalidation").http, 401);
        QVERIFY(m_client->login("fay", "pw").loggedIn);
    }

    void adminNeedsTheTokenAndLoopback()
    {
        QCOMPARE(m_client->request("GET", "/admin/faults").http, 403);
        QVERIFY(m_service.admin("GET", "/admin/faults").ok());
        QHostAddress outside;
        for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                outside = a;
        }
        if (outside.isNull())
            QSKIP("this machine has no address besides loopback");
        ServiceProcess::Options options;
        options.extraArgs = QStringList{"--host", "0.0.0.0"};
        ServiceProcess service(options);
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        // The certificate names localhost only; what counts here is the answer behind it.
        QSslConfiguration anyName = service.sslConfiguration();
        anyName.setPeerVerifyMode(QSslSocket::VerifyNone);
        ServiceClient outsider(QStringLiteral("https://%1:%2").arg(outside.toString()).arg(service.port()), anyName);
        QCOMPARE(outsider.request("GET", "/admin/faults", {}, {{"X-Admin-Token", service.adminToken()}}).http, 403);
    }

    // Many sessions at once, two users with two each, on one team safe: one
    // winner in a race for a name, and of many versions the last one whole.
    void concurrentSessionsOnOneSafe()
    {
        QVERIFY(m_service.addUser("ann", "pw").ok() && m_service.addUser("ben", "pw").ok());
        const QString team = m_service.addSafe("ann", "Team", {"--type", "TEAMSAFE"});
        QVERIFY(m_service.shareSafe(team, "ben", {"--access", "crud", "--role", "2"}).ok());
        std::vector<std::unique_ptr<ServiceClient>> clients;
        for (const char *user : {"ann", "ann", "ben", "ben"}) {
            clients.push_back(std::make_unique<ServiceClient>(m_service));
            QVERIFY(clients.back()->login(user, "pw").loggedIn);
        }
        ServiceClient &first = *clients.front();
        auto used = [&] {
            for (const auto &v : first.safes().data.value("filesafes").toArray())
                if (v.toObject().value("safe_id").toString() == team)
                    return v.toObject().value("storage_used").toDouble();
            return -1.0;
        };

        QList<QNetworkReply *> replies;
        for (size_t c = 0; c < clients.size(); ++c)
            replies << clients[c]->startUpload(team + "/", "race.txt", QByteArray("from client ") + char('0' + c));
        const auto results = finish(replies);
        QStringList outcomes; // one winner, every other one a 409
        for (const auto &r : results)
            outcomes << (r.ok() ? QStringLiteral("won") : QString::number(r.status));
        QCOMPARE(outcomes.count("won"), 1);
        QCOMPARE(outcomes.count("409"), results.size() - 1);
        const int winner = outcomes.indexOf("won");
        QCOMPARE(contentOf(first, firstId(results[winner])), QByteArray("from client ") + char('0' + winner));

        const auto shared = first.upload(team + "/", "shared.doc", QByteArray(10, 's'));
        QVERIFY(shared.ok());
        const QString id = firstId(shared);
        const double usedBefore = used();
        replies.clear();
        for (int round = 0; round < 3; ++round) {
            for (size_t c = 0; c < clients.size(); ++c)
                replies << clients[c]->startUpload(team + "/", "shared.doc", QByteArray(100 + int(c), char('A' + c)), id);
        }
        for (const auto &r : finish(replies))
            QVERIFY(r.ok());
        // The last version written is whole: one client's content, not a mix.
        const QByteArray plain = contentOf(first, id);
        QVERIFY(plain.size() >= 100 && plain.size() <= 103);
        QCOMPARE(plain, QByteArray(plain.size(), plain.at(0)));
        QCOMPARE(used(), usedBefore - 10 + plain.size());
    }

    void hostileRequests_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("status");
        const QString up = "upload";
        QTest::newRow("X-Filename ../../etc/passwd -> 400") << up << QByteArray("X-Filename") << QByteArray("..%2F..%2Fetc%2Fpasswd") << 400;
        QTest::newRow("X-Filename /etc/passwd -> 400") << up << QByteArray("X-Filename") << QByteArray("%2Fetc%2Fpasswd") << 400;
        QTest::newRow("X-Filename with NUL -> 400") << up << QByteArray("X-Filename") << QByteArray("a%00b") << 400;
        QTest::newRow("X-Destination DOCS/../../etc -> 400") << up << QByteArray("X-Destination") << QByteArray("DOCS%2F..%2F..%2Fetc") << 400;
        QTest::newRow("X-Destination /etc/passwd -> 10910") << up << QByteArray("X-Destination") << QByteArray("%2Fetc%2Fpasswd") << 10910;
        QTest::newRow("X-Destination bad escape -> a folder that does not exist, 10911") << up << QByteArray("X-Destination") << QByteArray("DOCS%2F%G0") << 10911;
        QTest::newRow("X-Destination invalid UTF-8 -> 400") << up << QByteArray("X-Destination") << QByteArray("DOCS%2F%FF%FE") << 400;
        QTest::newRow("X-Destination absolute folder inside the safe -> 10911") << up << QByteArray("X-Destination") << QByteArray("DOCS%2F%2Fetc") << 10911;
        QTest::newRow("object path /../.. -> 400") << "path" << QByteArray() << QByteArray("%2F..%2F..") << 400;
        QTest::newRow("object path with NUL -> 400") << "path" << QByteArray() << QByteArray("%2Finner%00") << 400;
        QTest::newRow("object path /etc/passwd, inside the safe -> 10904") << "path" << QByteArray() << QByteArray("%2Fetc%2Fpasswd") << 10904;
        QTest::newRow("object path to a file -> 10904") << "path" << QByteArray() << QByteArray("%2Finner%2Fkeep.txt") << 10904;
        QTest::newRow("object id with ../ -> 404") << "url" << QByteArray() << QByteArray("/api/sync/1/files/file/..%2F..%2Fservice.key") << 404;
        QTest::newRow("dot segments -> 404") << "url" << QByteArray() << QByteArray("/api/sync/1/files/../../service.key") << 404;
        QTest::newRow("IV of 15 bytes -> 400") << "body" << QByteArray() << QByteArray("iv15") << 400;
        QTest::newRow("no IV -> 400") << "body" << QByteArray() << QByteArray("noiv") << 400;
        QTest::newRow("body cut inside a block -> 400") << "body" << QByteArray() << QByteArray("cut") << 400;
        QTest::newRow("other key (bad padding) -> 400") << "body" << QByteArray() << QByteArray("key") << 400;
        QTest::newRow("malformed JSON -> 400") << "json" << QByteArray() << QByteArray("{\"title\": \"x\", ") << 400;
        QTest::newRow("deeply nested JSON -> 400") << "json" << QByteArray() << QByteArray(100000, '[') << 400;
        QTest::newRow("2 MiB of JSON -> 413") << "json" << QByteArray()
                                              << (QByteArray("{\"title\":\"") + QByteArray(2 * 1024 * 1024, 'a') + "\"}") << 413;
        QTest::newRow("password under another key -> 400")
            << "json" << QByteArray()
            << QByteArray(R"({"title":"t","password":"00112233445566778899aabbccddeeff","transportIv":"00112233445566778899aabbccddeeff"})") << 400;
    }
    void hostileRequests()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, status);
        QVERIFY(eveIsReady());
        b.replace("DOCS", m_evesDocs.toLatin1());
        const QByteArray inner = ServiceClient::percent(m_evesDocs + "/inner");
        ServiceClient::Reply r;
        if (kind == "upload" || kind == "body") {
            QByteArray ivHex;
            QByteArray body = m_eve->encryptForTransport(QByteArray(1000, 'z'), &ivHex);
            if (b == "iv15")
                ivHex.chop(2);
            else if (b == "cut")
                body.chop(5);
            else if (b == "key") {
                // A wrong key yields valid padding by chance about once in
                // 256 tries; take the first wrong key whose body the session
                // key provably cannot unpad.
                const QByteArray iv = QByteArray::fromHex(ivHex);
                for (char c = 'a'; c <= 'z'; ++c) {
                    bool ok = false;
                    body = SrpTestClient::aesCbc(true, QByteArray(32, c), iv, QByteArray(1000, 'z'), &ok);
                    QVERIFY(ok);
                    SrpTestClient::aesCbc(false, m_eve->sessionKey(), iv, body, &ok);
                    if (!ok)
                        break;
                }
            }
            QList<QPair<QByteArray, QByteArray>> headers{{"X-Filename", "fine.txt"}, {"X-Destination", inner}};
            if (b != "noiv")
                headers.append({"X-Transport-Iv", ivHex});
            for (auto &h : headers)
                if (h.first == a)
                    h.second = b;
            r = m_eve->uploadRaw(body, headers);
            if (kind == "upload") {
                // Folders take the same headers ("X-Foldername" for the name).
                const auto folder = m_eve->request(
                    "POST", m_eve->filesBase() + "folder", QByteArray(),
                    {{"X-Foldername", a == "X-Filename" ? b : QByteArray("ok")}, {"X-Destination", a == "X-Destination" ? b : inner}},
                    "text/plain; charset=UTF-8");
                QCOMPARE(folder.status, status);
            }
        } else if (kind == "path") {
            r = m_eve->request("GET", m_eve->filesBase() + "info/" + m_evesDocs, {}, {{"X-Object-Path", b}});
        } else if (kind == "url") {
            r = m_eve->request("GET", QString::fromLatin1(b));
            QVERIFY(!r.body.contains("service.key") || r.status != 200);
        } else {
            r = m_eve->request("POST", m_eve->passwordsBase(), b);
            QCOMPARE(m_eve->passwords().data.value("passwords").toArray().size(), 0);
        }
        QCOMPARE(kind == "url" ? r.http : r.status, status);
        QVERIFY(kind == "url" || !r.message.isEmpty());
        checkNothingChanged();
    }

    // Runs last: it stores a file. The HTTP library decodes every header value
    // once before the service sees it; after that a malformed escape cannot be
    // told from an escaped "%", so it stays literal text of the name, and the
    // file lands in the folder it was sent to, nowhere else.
    void malformedEscapesStayLiteralText()
    {
        QVERIFY(eveIsReady());
        QByteArray ivHex;
        const QByteArray body = m_eve->encryptForTransport("literal", &ivHex);
        const auto r = m_eve->uploadRaw(body, {{"X-Filename", "a%zz%4"},
                                                 {"X-Transport-Iv", ivHex},
                                                 {"X-Destination", ServiceClient::percent(m_evesDocs + "/inner")}});
        QVERIFY(r.ok());
        QCOMPARE(r.data.value("filesafe_objects").toArray().first().toObject().value("path").toString(),
                 QStringLiteral("/inner/a%zz%4"));
        QCOMPARE(dataFiles().size(), m_filesBefore.size() + 1); // one more blob, below blobs/
    }
};

QTEST_MAIN(TestServiceFaults)
#include "tst_service_faults.moc"
