#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QtTest>

// Hostile input never escapes the data folder, never brings the service
// down and changes nothing; each gets a clear error.
class TestServiceHostile : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;
    QString m_docs;
    std::unique_ptr<ServiceClient> m_client;
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

    void checkNothingChanged()
    {
        QCOMPARE(dataFiles(), m_filesBefore);
        QVERIFY(QDir(m_service.dataDir() + "/tmp").isEmpty());
        QCOMPARE(m_client->objects(m_docs, "/").body, m_listingBefore);
        QCOMPARE(m_client->request("GET", "/api/sync/1/public/version").http, 200);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("eve", "pw").ok());
        m_docs = m_service.addSafe("eve", "Docs");
        m_client = std::make_unique<ServiceClient>(m_service);
        QVERIFY(m_client->login("eve", "pw").loggedIn);
        QVERIFY(m_client->createFolder(m_docs + "/", "inner").ok());
        QVERIFY(m_client->upload(m_docs + "/inner", "keep.txt", "keep").ok());
        m_listingBefore = m_client->objects(m_docs, "/").body;
        m_filesBefore = dataFiles();
        QVERIFY(!m_filesBefore.isEmpty());
    }

    // Every hostile request gets its own clear error and changes nothing.
    // kind "upload": header `a` set to `b` on an upload (and the folder
    // request, with "X-Foldername" for the name); "path": X-Object-Path `b`
    // on a listing; "url": GET `b`; "body": an upload body broken as `b`
    // says; "json": `b` posted as a password entry. "DOCS" stands for the
    // safe id. The rules themselves are checked in tst_service_wireformat.
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
        b.replace("DOCS", m_docs.toLatin1());
        const QByteArray inner = ServiceClient::percent(m_docs + "/inner");
        ServiceClient::Reply r;
        if (kind == "upload" || kind == "body") {
            QByteArray ivHex;
            QByteArray body = m_client->encryptForTransport(QByteArray(1000, 'z'), &ivHex);
            if (b == "iv15")
                ivHex.chop(2);
            else if (b == "cut")
                body.chop(5);
            else if (b == "key") {
                bool ok = false;
                body = SrpTestClient::aesCbc(true, QByteArray(32, 'k'), QByteArray::fromHex(ivHex), QByteArray(1000, 'z'), &ok);
            }
            QList<QPair<QByteArray, QByteArray>> headers{{"X-Filename", "fine.txt"}, {"X-Destination", inner}};
            if (b != "noiv")
                headers.append({"X-Transport-Iv", ivHex});
            for (auto &h : headers) {
                if (h.first == a)
                    h.second = b;
            }
            r = m_client->uploadRaw(body, headers);
            if (kind == "upload") {
                // Folders take the same headers ("X-Foldername" for the name).
                const auto folder = m_client->request(
                    "POST", m_client->filesBase() + "folder", QByteArray(),
                    {{"X-Foldername", a == "X-Filename" ? b : QByteArray("ok")}, {"X-Destination", a == "X-Destination" ? b : inner}},
                    "text/plain; charset=UTF-8");
                QCOMPARE(folder.status, status);
            }
        } else if (kind == "path") {
            r = m_client->request("GET", m_client->filesBase() + "info/" + m_docs, {}, {{"X-Object-Path", b}});
        } else if (kind == "url") {
            r = m_client->request("GET", QString::fromLatin1(b));
            QVERIFY(!r.body.contains("service.key") || r.status != 200);
        } else {
            r = m_client->request("POST", m_client->passwordsBase(), b);
            QCOMPARE(m_client->passwords().data.value("passwords").toArray().size(), 0);
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
        QByteArray ivHex;
        const QByteArray body = m_client->encryptForTransport("literal", &ivHex);
        const auto r = m_client->uploadRaw(body, {{"X-Filename", "a%zz%4"},
                                                 {"X-Transport-Iv", ivHex},
                                                 {"X-Destination", ServiceClient::percent(m_docs + "/inner")}});
        QVERIFY(r.ok());
        QCOMPARE(r.data.value("filesafe_objects").toArray().first().toObject().value("path").toString(),
                 QStringLiteral("/inner/a%zz%4"));
        QCOMPARE(dataFiles().size(), m_filesBefore.size() + 1); // one more blob, below blobs/
    }
};

QTEST_MAIN(TestServiceHostile)
#include "tst_service_hostile.moc"
