#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QtTest>

// The file safe endpoints over HTTPS: listings, transfers under the session
// key, folders, deletion, access letters, quota and the service statuses.
class TestServiceFiles : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;
    QString m_docs;    // alice's private safe
    QString m_team;    // a team safe alice may only read
    QString m_small;   // a safe with a quota of 100 bytes
    QString m_notrash; // a safe without a trash
    QString m_old;     // a safe that expired

    static QJsonObject find(const QJsonArray &objects, const QString &path)
    {
        for (const auto &v : objects) {
            if (v.toObject().value("path").toString() == path)
                return v.toObject();
        }
        return {};
    }
    static QStringList paths(const ServiceClient::Reply &r)
    {
        QStringList out;
        for (const auto &v : r.data.value("filesafe_objects").toArray())
            out << v.toObject().value("path").toString();
        return out;
    }
    QJsonObject safe(ServiceClient &client, const QString &id)
    {
        for (const auto &v : client.safes().data.value("filesafes").toArray()) {
            if (v.toObject().value("safe_id").toString() == id)
                return v.toObject();
        }
        return {};
    }
    std::unique_ptr<ServiceClient> alice(int generation = 3)
    {
        auto client = std::make_unique<ServiceClient>(m_service);
        client->setApiGeneration(generation);
        if (!client->login("alice", "pw-a").loggedIn)
            return nullptr;
        return client;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("alice", "pw-a").ok());
        QVERIFY(m_service.addUser("bob", "pw-b").ok());
        m_docs = m_service.addSafe("alice", "Documents", {"--quota", "100000000"});
        m_team = m_service.addSafe("bob", "Team", {"--type", "TEAMSAFE"});
        QVERIFY(m_service.shareSafe(m_team, "alice", {"--access", "r", "--role", "4"}).ok());
        m_small = m_service.addSafe("alice", "Small", {"--quota", "100"});
        m_notrash = m_service.addSafe("alice", "NoTrash", {"--trash", "no", "--type", "INBOX"});
        m_old = m_service.addSafe("alice", "Old", {"--expiry", "2001-01-01"});
        QVERIFY(!m_docs.isEmpty() && !m_team.isEmpty() && !m_small.isEmpty() && !m_notrash.isEmpty() && !m_old.isEmpty());
    }

    void safeListCarriesEveryField_data()
    {
        QTest::addColumn<int>("generation");
        QTest::newRow("api generation 3 -> /api/sync/1/files/info") << 3;
        QTest::newRow("api generation 1 -> /rest/loggedin/3/filesafe/info") << 1;
    }
    void safeListCarriesEveryField()
    {
        QFETCH(int, generation);
        auto client = alice(generation);
        QVERIFY(client);
        const auto r = client->safes();
        QVERIFY(r.ok());
        const QJsonArray safes = r.data.value("filesafes").toArray();
        QCOMPARE(safes.size(), 5);
        const QJsonObject team = safe(*client, m_team);
        QCOMPARE(team.value("safe_type").toString(), QStringLiteral("TEAMSAFE"));
        QCOMPARE(team.value("access").toString(), QStringLiteral("r"));
        QCOMPARE(team.value("role_type").toInt(), 4);
        QVERIFY(team.value("has_trash").toBool());
        for (const char *key : {"safe_id", "safe_type", "safe_name", "access", "expiry_date", "root_folder_id",
                                "last_event", "last_mod"})
            QVERIFY2(team.value(key).isString(), key);
        for (const char *key : {"storage_quota", "storage_used", "role_type"})
            QVERIFY2(team.value(key).isDouble(), key);
        QCOMPARE(safe(*client, m_old).value("expiry_date").toString(), QStringLiteral("2001-01-01T00:00:00.000Z"));
        QCOMPARE(safe(*client, m_notrash).value("has_trash").toBool(), false);
    }

    void uploadListDownloadRoundTrip()
    {
        auto client = alice();
        QVERIFY(client);
        const QString lastEvent = safe(*client, m_docs).value("last_event").toString();
        QVERIFY(client->createFolder(m_docs + "/", "Reports").ok());
        QByteArray content;
        for (int i = 0; i < 70000; ++i)
            content += char('a' + i % 26);
        const auto up = client->upload(m_docs + "/Reports", "q1 ü.txt", content);
        QVERIFY2(up.ok(), qPrintable(up.message));
        const QJsonArray stored = up.data.value("filesafe_objects").toArray();
        QCOMPARE(stored.size(), 1);
        const QJsonObject file = stored.first().toObject();
        QCOMPARE(file.value("path").toString(), QStringLiteral("/Reports/q1 ü.txt"));
        QCOMPARE(file.value("size").toDouble(), double(content.size()));
        QCOMPARE(file.value("type").toString(), QStringLiteral("f"));
        QCOMPARE(file.value("checksum").toString(),
                 "sha256:" + QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
        QVERIFY(QDateTime::fromString(file.value("mtime").toString(), Qt::ISODateWithMs).isValid());

        const auto listing = client->objects(m_docs, "/");
        QCOMPARE(paths(listing), QStringList({"/", "/Reports", "/Reports/q1 ü.txt"}));
        QCOMPARE(find(listing.data.value("filesafe_objects").toArray(), "/Reports").value("type").toString(),
                 QStringLiteral("d"));
        QVERIFY(safe(*client, m_docs).value("last_event").toString() != lastEvent);
        QCOMPARE(safe(*client, m_docs).value("storage_used").toDouble(), double(content.size()));

        QByteArray plain;
        bool decrypted = false;
        const auto down = client->download(file.value("object_id").toString(), &plain, &decrypted);
        QCOMPARE(down.http, 200);
        QCOMPARE(down.header("X-Transport-Iv").size(), 32);
        QCOMPARE(down.body.size(), (content.size() / 16 + 1) * 16);
        QVERIFY(decrypted);
        QCOMPARE(plain, content);
        // A fresh IV for every download.
        const auto again = client->download(file.value("object_id").toString(), &plain, &decrypted);
        QVERIFY(again.header("X-Transport-Iv") != down.header("X-Transport-Iv"));
    }

    void transferSizesAroundTheBlock_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty file -> one block") << 0;
        QTest::newRow("15 bytes -> one block") << 15;
        QTest::newRow("16 bytes -> two blocks") << 16;
        QTest::newRow("a bit over the read chunk -> many blocks") << 256 * 1024 + 1;
    }
    void transferSizesAroundTheBlock()
    {
        QFETCH(int, size);
        auto client = alice();
        QVERIFY(client);
        const QByteArray content(size, 'x');
        const QString name = QStringLiteral("size-%1.bin").arg(size);
        const auto up = client->upload(m_docs + "/", name, content);
        QVERIFY2(up.ok(), qPrintable(up.message));
        QByteArray plain;
        bool decrypted = false;
        const auto down = client->download(up.data.value("filesafe_objects").toArray().first().toObject()
                                               .value("object_id").toString(), &plain, &decrypted);
        QCOMPARE(down.body.size(), (size / 16 + 1) * 16);
        QVERIFY(decrypted);
        QCOMPARE(plain, content);
    }

    void newVersionKeepsTheObject()
    {
        auto client = alice();
        QVERIFY(client);
        const auto first = client->upload(m_docs + "/", "versioned.txt", "one");
        const QString id = first.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        const auto second = client->upload(m_docs + "/", "versioned.txt", "version two", id);
        QVERIFY2(second.ok(), qPrintable(second.message));
        const QJsonObject now = second.data.value("filesafe_objects").toArray().first().toObject();
        QCOMPARE(now.value("object_id").toString(), id);
        QCOMPARE(now.value("size").toInt(), 11);
        QByteArray plain;
        bool decrypted = false;
        client->download(id, &plain, &decrypted);
        QCOMPARE(plain, QByteArray("version two"));
        // A second new file of the same name is a conflict, not an overwrite.
        QCOMPARE(client->upload(m_docs + "/", "versioned.txt", "three").status, 409);
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
        auto client = alice();
        QVERIFY(client);
        if (tree.isEmpty()) {
            tree = m_service.addSafe("alice", "Tree");
            QVERIFY(client->createFolder(tree + "/", "t").ok());
            QVERIFY(client->createFolder(tree + "/t", "s").ok());
            QVERIFY(client->createFolder(tree + "/t/s", "u").ok());
            QVERIFY(client->upload(tree + "/t", "a.txt", "a").ok());
            QVERIFY(client->upload(tree + "/t/s", "b.txt", "b").ok());
            QVERIFY(client->upload(tree + "/", "t-x.txt", "x").ok()); // sorts between "/t" and "/t/..." bytewise
        }
        const auto r = client->objects(tree, folder, depth, type);
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(paths(r), expected);
    }

    void createFolderIsIdempotent()
    {
        auto client = alice();
        QVERIFY(client);
        const auto one = client->createFolder(m_docs + "/", "Same");
        const auto two = client->createFolder(m_docs + "/", "Same");
        QVERIFY(one.ok() && two.ok());
        QCOMPARE(two.data.value("filesafe_objects").toArray().first().toObject().value("object_id"),
                 one.data.value("filesafe_objects").toArray().first().toObject().value("object_id"));
        QVERIFY(client->upload(m_docs + "/", "plainfile", "x").ok());
        QCOMPARE(client->createFolder(m_docs + "/", "plainfile").status, 409);
        // A folder given by its object id is a destination too.
        const QString sameId = one.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        QVERIFY(client->upload(sameId, "inside.txt", "x").ok());
        QVERIFY(paths(client->objects(m_docs, "/Same")).contains("/Same/inside.txt"));
    }

    void deletionGoesToTheRightTrash_data()
    {
        QTest::addColumn<QString>("safeName");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("trashOf");
        QTest::newRow("trash -> the safe's own trash") << "Documents" << "trash" << "Documents";
        QTest::newRow("trashToPrivate from a safe without trash -> the private safe's trash")
            << "NoTrash" << "trashToPrivate" << "Documents";
        QTest::newRow("trash in a safe without trash -> gone for good") << "NoTrash" << "trash" << "";
    }
    void deletionGoesToTheRightTrash()
    {
        QFETCH(QString, safeName);
        QFETCH(QString, mode);
        QFETCH(QString, trashOf);
        auto client = alice();
        QVERIFY(client);
        const QString safeId = safeName == "Documents" ? m_docs : m_notrash;
        const QString folderName = "del-" + mode;
        const auto folder = client->createFolder(safeId + "/", folderName);
        QVERIFY(client->upload(safeId + "/" + folderName, "f.txt", "12345").ok());
        const QString lastEvent = safe(*client, safeId).value("last_event").toString();
        const double usedBefore = safe(*client, safeId).value("storage_used").toDouble();
        const QString folderId = folder.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        // A folder is deleted through the folder endpoint only.
        QCOMPARE(client->deleteObject(folderId, false, mode).status, 400);
        QVERIFY(client->deleteObject(folderId, true, mode).ok());
        QVERIFY(!paths(client->objects(safeId, "/")).contains("/" + folderName));
        QVERIFY(safe(*client, safeId).value("last_event").toString() != lastEvent);
        QCOMPARE(safe(*client, safeId).value("storage_used").toDouble(), usedBefore - (trashOf == safeName ? 0 : 5));
        const auto trash = m_service.trash(trashOf == "Documents" ? m_docs : safeId);
        QVERIFY(trash.has_value());
        bool found = false;
        for (const auto &t : *trash)
            found = found || t.toObject().value("path").toString() == "/" + folderName + "/f.txt";
        QCOMPARE(found, !trashOf.isEmpty());
        QCOMPARE(client->deleteObject(folderId, true, mode).status, 10904); // gone
    }

    void accessLettersAreEnforced()
    {
        auto client = alice();
        QVERIFY(client);
        auto bob = std::make_unique<ServiceClient>(m_service);
        QVERIFY(bob->login("bob", "pw-b").loggedIn);
        const auto up = bob->upload(m_team + "/", "shared.txt", "team data");
        QVERIFY(up.ok());
        const QString id = up.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        QByteArray plain;
        bool decrypted = false;
        QCOMPARE(client->download(id, &plain, &decrypted).http, 200); // "r" allows the download
        QCOMPARE(plain, QByteArray("team data"));
        QCOMPARE(client->upload(m_team + "/", "mine.txt", "x").status, 403);     // no "c"
        QCOMPARE(client->upload(m_team + "/", "x", "x", id).status, 403);        // no "u"
        QCOMPARE(client->createFolder(m_team + "/", "new").status, 403);         // no "c"
        QCOMPARE(client->deleteObject(id, false).status, 403);                   // no "d"
        QCOMPARE(paths(client->objects(m_team, "/")), QStringList({"/", "/shared.txt"}));
        // Safes the user is no member of do not exist for them.
        const QString bobsOwn = m_service.addSafe("bob", "Private");
        QCOMPARE(client->objects(bobsOwn, "/").status, 10904);
        QCOMPARE(client->upload(bobsOwn + "/", "x", "x").status, 10910);
    }

    void expiredSafeRefusesChanges()
    {
        auto client = alice();
        QVERIFY(client);
        QVERIFY(client->objects(m_old, "/").ok());
        const auto r = client->upload(m_old + "/", "late.txt", "x");
        QCOMPARE(r.status, 403);
        QVERIFY(r.message.contains("expired"));
    }

    void serviceStatuses_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("status");
        QTest::newRow("listing of a missing safe -> 10904") << "list-safe" << 10904;
        QTest::newRow("listing of a missing folder -> 10904") << "list-folder" << 10904;
        QTest::newRow("upload over the quota -> 10907") << "quota" << 10907;
        QTest::newRow("upload into a missing safe -> 10910") << "dest-safe" << 10910;
        QTest::newRow("upload into a missing folder -> 10911") << "dest-folder" << 10911;
        QTest::newRow("folder in a missing folder -> 10911") << "folder-dest" << 10911;
        QTest::newRow("new version of a missing file -> 10904") << "version" << 10904;
        QTest::newRow("delete of a missing file -> 10904") << "delete" << 10904;
        QTest::newRow("download of a missing file -> HTTP 404") << "download" << 404;
        QTest::newRow("bad delete mode -> 400") << "mode" << 400;
        QTest::newRow("bad type -> 400") << "type" << 400;
    }
    void serviceStatuses()
    {
        QFETCH(QString, what);
        QFETCH(int, status);
        auto client = alice();
        QVERIFY(client);
        ServiceClient::Reply r;
        if (what == "list-safe")
            r = client->objects("9999", "/");
        else if (what == "list-folder")
            r = client->objects(m_docs, "/no/such/folder");
        else if (what == "quota")
            r = client->upload(m_small + "/", "big.bin", QByteArray(101, 'q'));
        else if (what == "dest-safe")
            r = client->upload("9999/", "a.txt", "x");
        else if (what == "dest-folder")
            r = client->upload(m_docs + "/nowhere", "a.txt", "x");
        else if (what == "folder-dest")
            r = client->createFolder(m_docs + "/nowhere", "sub");
        else if (what == "version")
            r = client->upload(m_docs + "/", "a.txt", "x", "999999");
        else if (what == "delete")
            r = client->deleteObject("999999", false);
        else if (what == "download") {
            QByteArray plain;
            bool decrypted = false;
            r = client->download("999999", &plain, &decrypted);
            QCOMPARE(r.http, 404);
            QCOMPARE(r.status, 10904);
            return;
        } else if (what == "mode")
            r = client->deleteObject("1", false, "shred");
        else if (what == "type")
            r = client->objects(m_docs, "/", 0, "x");
        QCOMPARE(r.http, 200);
        QCOMPARE(r.status, status);
        QVERIFY(!r.message.isEmpty());
    }

    void quotaCountsStreamedBytes()
    {
        auto client = alice();
        QVERIFY(client);
        // 100 bytes fit exactly; the next byte does not.
        QVERIFY(client->upload(m_small + "/", "exact.bin", QByteArray(100, 'e')).ok());
        QCOMPARE(client->upload(m_small + "/", "one.bin", QByteArray(1, 'e')).status, 10907);
        QVERIFY(m_service.setQuota(m_small, 1000));
        QVERIFY(client->upload(m_small + "/", "one.bin", QByteArray(1, 'e')).ok());
        QCOMPARE(safe(*client, m_small).value("storage_used").toDouble(), 101.0);
    }

    void largeFileStreamsThrough()
    {
        auto client = alice();
        QVERIFY(client);
        QByteArray content(24 * 1024 * 1024 + 7, '\0');
        for (int i = 0; i < content.size(); i += 4096)
            content[i] = char(i / 4096);
        const auto up = client->upload(m_docs + "/", "large.bin", content);
        QVERIFY2(up.ok(), qPrintable(up.message));
        QByteArray plain;
        bool decrypted = false;
        client->download(up.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString(),
                         &plain, &decrypted);
        QVERIFY(decrypted);
        QCOMPARE(plain.size(), content.size());
        QVERIFY(plain == content);
    }

    // Last: it restarts the service.
    void restartKeepsSafesAndContents()
    {
        auto client = alice();
        QVERIFY(client);
        const QByteArray content("kept across a restart");
        const auto up = client->upload(m_docs + "/", "kept.txt", content);
        QVERIFY(up.ok());
        const QString id = up.data.value("filesafe_objects").toArray().first().toObject().value("object_id").toString();
        const QByteArray listing = client->objects(m_docs, "/").body;
        QVERIFY2(m_service.restart(), qPrintable(m_service.errorString()));
        client->setBaseUrl(m_service.baseUrl());
        QCOMPARE(client->objects(m_docs, "/").body, listing);
        QByteArray plain;
        bool decrypted = false;
        QCOMPARE(client->download(id, &plain, &decrypted).http, 200);
        QCOMPARE(plain, content);
    }
};

QTEST_MAIN(TestServiceFiles)
#include "tst_service_files.moc"
