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

    void hostileNamesInHeaders_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("value"); // as it goes on the wire; "DOCS" stands for the safe id
        QTest::addColumn<int>("status");
        QTest::newRow("X-Filename ../../etc/passwd -> 400") << QByteArray("X-Filename") << QByteArray("..%2F..%2Fetc%2Fpasswd") << 400;
        QTest::newRow("X-Filename /etc/passwd -> 400") << QByteArray("X-Filename") << QByteArray("%2Fetc%2Fpasswd") << 400;
        QTest::newRow("X-Filename with NUL -> 400") << QByteArray("X-Filename") << QByteArray("a%00b") << 400;
        QTest::newRow("X-Filename with newline -> 400") << QByteArray("X-Filename") << QByteArray("a%0Ab") << 400;
        QTest::newRow("X-Filename invalid UTF-8 -> 400") << QByteArray("X-Filename") << QByteArray("%C3%28") << 400;
        QTest::newRow("X-Filename 300 bytes -> 400") << QByteArray("X-Filename") << QByteArray(300, 'n') << 400;
        QTest::newRow("X-Destination DOCS/../../etc -> 400") << QByteArray("X-Destination") << QByteArray("DOCS%2F..%2F..%2Fetc") << 400;
        QTest::newRow("X-Destination /etc/passwd -> 10910") << QByteArray("X-Destination") << QByteArray("%2Fetc%2Fpasswd") << 10910;
        QTest::newRow("X-Destination bad escape -> a folder that does not exist, 10911") << QByteArray("X-Destination") << QByteArray("DOCS%2F%G0") << 10911;
        QTest::newRow("X-Destination invalid UTF-8 -> 400") << QByteArray("X-Destination") << QByteArray("DOCS%2F%FF%FE") << 400;
        QTest::newRow("X-Destination absolute folder inside the safe -> 10911") << QByteArray("X-Destination") << QByteArray("DOCS%2F%2Fetc") << 10911;
    }
    void hostileNamesInHeaders()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, value);
        QFETCH(int, status);
        value.replace("DOCS", m_docs.toLatin1());
        QByteArray ivHex;
        const QByteArray body = m_client->encryptForTransport("payload", &ivHex);
        QList<QPair<QByteArray, QByteArray>> headers{{"X-Filename", "fine.txt"},
                                                     {"X-Transport-Iv", ivHex},
                                                     {"X-Destination", ServiceClient::percent(m_docs + "/inner")}};
        for (auto &h : headers) {
            if (h.first == header)
                h.second = value;
        }
        const auto upload = m_client->uploadRaw(body, headers);
        QCOMPARE(upload.status, status);
        QVERIFY(!upload.message.isEmpty());
        // Folders take the same headers ("X-Foldername" for the name).
        const auto folder = m_client->request("POST", m_client->filesBase() + "folder", QByteArray(),
                                              {{"X-Foldername", header == "X-Filename" ? value : QByteArray("ok")},
                                               {"X-Destination", header == "X-Destination" ? value
                                                                                            : ServiceClient::percent(m_docs + "/inner")}},
                                              "text/plain; charset=UTF-8");
        QCOMPARE(folder.status, status);
        checkNothingChanged();
    }

    void hostileObjectPaths_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("status");
        QTest::newRow("/../.. -> 400") << QByteArray("%2F..%2F..") << 400;
        QTest::newRow("NUL -> 400") << QByteArray("%2Finner%00") << 400;
        QTest::newRow("bad escape -> a folder that does not exist, 10904") << QByteArray("%2F%zz") << 10904;
        QTest::newRow("invalid UTF-8 -> 400") << QByteArray("%2F%C3%28") << 400;
        QTest::newRow("/etc/passwd, inside the safe -> 10904") << QByteArray("%2Fetc%2Fpasswd") << 10904;
        QTest::newRow("a file instead of a folder -> 10904") << QByteArray("%2Finner%2Fkeep.txt") << 10904;
    }
    void hostileObjectPaths()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, status);
        const auto r = m_client->request("GET", m_client->filesBase() + "info/" + m_docs, {}, {{"X-Object-Path", value}});
        QCOMPARE(r.status, status);
        checkNothingChanged();
    }

    void hostilePathsInTheUrl_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("object id with ../ -> 404") << "/api/sync/1/files/file/..%2F..%2Fservice.key";
        QTest::newRow("dot segments -> 404") << "/api/sync/1/files/../../service.key";
        QTest::newRow("safe id that is no number -> 10904") << "/api/sync/1/files/info/1%20OR%201=1";
    }
    void hostilePathsInTheUrl()
    {
        QFETCH(QString, path);
        const auto r = m_client->request("GET", path);
        QVERIFY(r.http == 404 || r.status == 10904);
        QVERIFY(!r.body.contains("service.key") || r.status != 200);
        checkNothingChanged();
    }

    void brokenBodies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("IV of 15 bytes -> 400") << "iv15" << 400;
        QTest::newRow("IV not hex -> 400") << "ivhex" << 400;
        QTest::newRow("no IV -> 400") << "noiv" << 400;
        QTest::newRow("body cut inside a block -> 400") << "cut" << 400;
        QTest::newRow("other key (bad padding) -> 400") << "key" << 400;
        QTest::newRow("empty body -> 400") << "empty" << 400;
    }
    void brokenBodies()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        QByteArray ivHex;
        QByteArray body = m_client->encryptForTransport(QByteArray(1000, 'z'), &ivHex);
        if (kind == "iv15")
            ivHex.chop(2);
        else if (kind == "ivhex")
            ivHex.replace(0, 2, "zz");
        else if (kind == "cut")
            body.chop(5);
        else if (kind == "key") {
            bool ok = false;
            body = SrpTestClient::aesCbc(true, QByteArray(32, 'k'), QByteArray::fromHex(ivHex), QByteArray(1000, 'z'), &ok);
        } else if (kind == "empty")
            body.clear();
        QList<QPair<QByteArray, QByteArray>> headers{{"X-Filename", "broken.txt"},
                                                     {"X-Destination", ServiceClient::percent(m_docs + "/")}};
        if (kind != "noiv")
            headers.append({"X-Transport-Iv", ivHex});
        const auto r = m_client->uploadRaw(body, headers);
        QCOMPARE(r.status, status);
        QVERIFY(!r.message.isEmpty());
        checkNothingChanged();
    }

    void hostileJson_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("malformed -> 400") << QByteArray("{\"title\": \"x\", ") << 400;
        QTest::newRow("an array -> 400") << QByteArray("[]") << 400;
        QTest::newRow("deeply nested -> 400") << QByteArray(100000, '[') << 400;
        QTest::newRow("2 MiB of JSON -> 413") << (QByteArray("{\"title\":\"") + QByteArray(2 * 1024 * 1024, 'a') + "\"}") << 413;
        QTest::newRow("password under another key -> 400")
            << QByteArray(R"({"title":"t","password":"00112233445566778899aabbccddeeff","transportIv":"00112233445566778899aabbccddeeff"})") << 400;
    }
    void hostileJson()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const auto r = m_client->request("POST", m_client->passwordsBase(), body);
        QCOMPARE(r.status, status);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(m_client->passwords().data.value("passwords").toArray().size(), 0);
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
