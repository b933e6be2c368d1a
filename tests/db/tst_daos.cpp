#include "MessageCapture.h"
#include "TestEnv.h"
#include "db/FileObjectDao.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "db/UserDao.h"
#include "drive/CredentialStore.h"
#include "net/NetTestUtil.h"
#include "net/OndoSession.h"
#include "ri/FilesafeRI.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <memory>

namespace {
FileSafe makeSafe(const QString &id, const QString &name, const QString &type = QStringLiteral("PRIVATE"))
{
    return FileSafe{id, name, type, "crud", 1000, 10, true, "root-" + id, 1, "1", {}, {}};
}

QStringList ids(const FileSafes &safes)
{
    QStringList out;
    for (const FileSafe &s : safes)
        out << s.safeId;
    return out;
}

QList<int> settingIds(const SyncSettings &settings)
{
    QList<int> out;
    for (const SyncSetting &s : settings)
        out << s.id;
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace

// The data access objects on a real database file in the test's home folder,
// with a real session carrying the account, the real key store (under
// scripts/with-keyring) and the real file safe API.
class TestDaos : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<OndoDatabase> db;
    std::unique_ptr<OndoSession> session;
    std::unique_ptr<CredentialStore> credentials;
    std::unique_ptr<FilesafeRI> filesafeRI;
    std::unique_ptr<FileSafeDao> safes;
    std::unique_ptr<SyncSettingsDao> settings;
    std::unique_ptr<FileObjectDao> objects;
    std::unique_ptr<SyncHistoryDao> history;
    AccountIdentity alice;
    AccountIdentity bob;
    int run = 0;

    void logInAs(const AccountIdentity &account) { session->setAccount(account); }

    SyncSetting addSetting(const QString &safeId, const QString &localDir, const QString &remoteDir = QStringLiteral("/"),
                           const QString &rootFolderId = QStringLiteral("0"), const QByteArray &encryptionKey = {})
    {
        return settings->add(SyncSetting{0, safeId, {}, {}, remoteDir, localDir, {}, 0, SyncSetting::RemoteAvailable,
                                         rootFolderId, 0, {}, {}, {}, !encryptionKey.isEmpty(), encryptionKey, {}});
    }

    static FileObject object(const QString &path)
    {
        return FileObject{"o" + path, path, 3, QDateTime::fromMSecsSinceEpoch(1000, Qt::UTC),
                          QDateTime::fromMSecsSinceEpoch(2000, Qt::UTC), "f", "sha256:00"};
    }

    // The stored setting; an invalid one when it cannot be read.
    SyncSetting setting(int id) const { return settings->getSetting(id).value_or(SyncSetting()); }

    // Rows changed by a statement; -1 on failure.
    int exec(const QString &sql)
    {
        QSqlQuery q(db->database());
        return q.exec(sql) ? q.numRowsAffected() : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
    }

    void init()
    {
        db = std::make_unique<OndoDatabase>();
        db->init(QDir::homePath() + QStringLiteral("/state-%1.db3").arg(++run), env->appInfo()->appName());
        QVERIFY(db->isInitialised());
        session = std::make_unique<OndoSession>(SessionOptions());
        // Port 9 on loopback: nothing listens, so a request fails at once.
        session->setServer(testServer(QStringLiteral("https://127.0.0.1:9")));
        UserDao users(db.get());
        const User a = users.recordLogin(QStringLiteral("alice"), QStringLiteral("TEST"), QDateTime::currentDateTimeUtc());
        const User b = users.recordLogin(QStringLiteral("bob"), QStringLiteral("TEST"), QDateTime::currentDateTimeUtc());
        QVERIFY(a.isValid() && b.isValid() && a.id != b.id);
        alice = AccountIdentity{a.id, a.accountName, QString(), QDateTime()};
        bob = AccountIdentity{b.id, b.accountName, QString(), QDateTime()};
        logInAs(alice);
        credentials = std::make_unique<CredentialStore>(env->appInfo());
        filesafeRI = std::make_unique<FilesafeRI>(session.get(), env->appInfo());
        safes = std::make_unique<FileSafeDao>(db.get(), session.get(), filesafeRI.get(), env->config());
        settings = std::make_unique<SyncSettingsDao>(db.get(), session.get(), credentials.get());
        objects = std::make_unique<FileObjectDao>(db.get());
        history = std::make_unique<SyncHistoryDao>(db.get(), session.get());
    }

    void cleanup()
    {
        history.reset();
        objects.reset();
        settings.reset();
        safes.reset();
        filesafeRI.reset();
        credentials.reset();
        session.reset();
        db.reset();
    }

    void safeListMerge()
    {
        MessageCapture log;
        QCOMPARE(ids(safes->mergeFileSafes({makeSafe("1", "A"), makeSafe("2", "B"), makeSafe("3", "C")})),
                 (QStringList{"1", "2", "3"}));
        // Two settings of B, one of A that syncs the whole safe with the
        // placeholder root folder id, and state rows for each.
        const SyncSetting a = addSetting("1", "/sync/a");
        const SyncSetting b1 = addSetting("2", "/sync/b1");
        const SyncSetting b2 = addSetting("2", "/sync/b2", "/sub", "root-2");
        QVERIFY(a.isValid() && b1.isValid() && b2.isValid());
        for (const SyncSetting &s : {a, b1, b2})
            QVERIFY(objects->store(s.id, object("/x")));

        // A changed, B and C vanished, D is new.
        const FileSafe changed{"1", "A renamed", "PRIVATE", "crud", 1000, 500, true, "root-1b", 1, "7", {}, {}};
        QCOMPARE(ids(safes->mergeFileSafes({changed, makeSafe("4", "D")})), (QStringList{"1", "4"}));

        const FileSafe storedA = safes->getFileSafe("1").value_or(FileSafe());
        QCOMPARE((QStringList{storedA.safeName, QString::number(storedA.storageUsed), storedA.lastEvent}),
                 (QStringList{"A renamed", "500", "7"}));
        QCOMPARE(setting(a.id).rootFolderId, QStringLiteral("root-1b")); // placeholder filled in
        QCOMPARE(objects->getAll(a.id).size(), 1);
        QCOMPARE(setting(a.id).remoteState, SyncSetting::RemoteAvailable);

        // B: both settings lose their state and are marked gone; the safe
        // stays while they refer to it. C had no setting and is gone.
        for (const SyncSetting &s : {b1, b2}) {
            QCOMPARE(objects->getAll(s.id).size(), 0);
            QCOMPARE(setting(s.id).remoteState, SyncSetting::RemoteRemoved);
        }
        QCOMPARE(setting(b2.id).rootFolderId, QStringLiteral("root-2"));
        QVERIFY(safes->getFileSafe("2"));
        QVERIFY(!safes->getFileSafe("3"));
        QCOMPARE(ids(safes->getFileSafes()), (QStringList{"1", "2", "4"})); // ordered by name: "A renamed", "B", "D"
        QCOMPARE(log.containing("FileSafeDao::syncFileSafes: Received filesafe list"),
                 (QStringList{"FileSafeDao::syncFileSafes: Received filesafe list (3 rows, 3 new, 0 removed, 0 ignored)",
                              "FileSafeDao::syncFileSafes: Received filesafe list (2 rows, 1 new, 2 removed, 0 ignored)"}));

        // Bob's list does not touch Alice's safes.
        logInAs(bob);
        QCOMPARE(ids(safes->mergeFileSafes({makeSafe("9", "Bob's")})), QStringList{"9"});
        logInAs(alice);
        QCOMPARE(ids(safes->getFileSafes()), (QStringList{"1", "2", "4"}));
    }

    void inboxSafes_data()
    {
        QTest::addColumn<bool>("feature");
        QTest::newRow("feature/inbox off -> ignored") << false;
        QTest::newRow("feature/inbox on -> like any safe") << true;
    }
    void inboxSafes()
    {
        QFETCH(bool, feature);
        // The brand's built-in configuration decides; this one has no brand.
        ConfigurationManager config;
        config.setDefault(QStringLiteral("feature/inbox"), feature);
        FileSafeDao safes(db.get(), session.get(), filesafeRI.get(), &config);
        MessageCapture log;
        const FileSafes list{makeSafe("1", "A"), makeSafe("5", "In", "INBOX")};
        QCOMPARE(ids(safes.mergeFileSafes(list)), feature ? (QStringList{"1", "5"}) : QStringList{"1"});
        QCOMPARE(bool(safes.getFileSafe("5")), feature);
        safes.mergeFileSafes({makeSafe("1", "A"), makeSafe("5", "In renamed", "INBOX")});
        QCOMPARE(safes.getFileSafe("5") ? safes.getFileSafe("5")->safeName : QString(),
                 feature ? QStringLiteral("In renamed") : QString());
        QCOMPARE(log.containing("Received filesafe list").value(1),
                 QStringLiteral("FileSafeDao::syncFileSafes: Received filesafe list (%1 rows, 0 new, 0 removed, %2 ignored)")
                     .arg(feature ? 2 : 1)
                     .arg(feature ? 0 : 1));
    }

    void failedSafeListLeavesTheTable()
    {
        safes->mergeFileSafes({makeSafe("1", "A")});
        std::optional<Result<FileSafes>> outcome;
        safes->syncFileSafes([&](const Result<FileSafes> &r) { outcome = r; });
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 20000);
        QCOMPARE(outcome->code, ERR_CONNECTION_REFUSED); // not ERR_NONE: the call failed
        QCOMPARE(ids(safes->getFileSafes()), QStringList{"1"});
    }

    void addNormalisesTheLocalFolder_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("backslashes, no trailing one -> slashes and one /")
            << "C:\\Users\\a\\Safe" << "C:/Users/a/Safe/";
        QTest::newRow("trailing backslash -> one /") << "C:\\Users\\a\\Safe\\" << "C:/Users/a/Safe/";
        QTest::newRow("no trailing slash -> one /") << "/home/a/Safe" << "/home/a/Safe/";
        QTest::newRow("doubled trailing slash -> one /") << "/home/a/Safe//" << "/home/a/Safe/";
    }
    void addNormalisesTheLocalFolder()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        safes->mergeFileSafes({makeSafe("1", "A")});
        QSignalSpy added(settings.get(), &SyncSettingsDao::settingAdded);
        const SyncSetting s = addSetting("1", given);
        QVERIFY(s.isValid());
        QCOMPARE(added.count(), 1);
        QCOMPARE(added.first().at(0).value<SyncSetting>().localDir, stored);
        QCOMPARE(setting(s.id).localDir, stored);
        QCOMPARE(settings->userLocalDirs(), QStringList{stored});
        // A setting of a safe the account does not have is refused.
        QVERIFY(!addSetting("404", "/sync/x").isValid());
        QCOMPARE(added.count(), 1);
        QCOMPARE(settings->allLocalDirs(), QStringList{stored}); // every row of the table
    }

    void encryptionKeyLivesInTheKeyStore()
    {
        safes->mergeFileSafes({makeSafe("1", "A")});
        const QByteArray key = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        const SyncSetting stored = addSetting("1", "/sync/enc", "/", "0", key);
        QVERIFY(stored.isValid());
        const SyncSetting read = setting(stored.id);
        QVERIFY(read.encryption);
        QCOMPARE(read.encryptionKey.toHex(), key.toHex());
        // Not in the database.
        QSqlQuery q(db->database());
        QVERIFY(q.exec("SELECT * FROM sync_setting"));
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                QVERIFY(!q.value(i).toString().contains("8899aabb"));
    }

    void setRemoteStateSignalsOnlyChanges()
    {
        safes->mergeFileSafes({makeSafe("1", "A")});
        const SyncSetting s = addSetting("1", "/sync/a");
        QSignalSpy changed(settings.get(), &SyncSettingsDao::remoteStateChanged);
        QVERIFY(!settings->setRemoteState(s.id, SyncSetting::RemoteAvailable));
        QCOMPARE(changed.count(), 0);
        QVERIFY(settings->setRemoteState(s.id, SyncSetting::RemoteRemoved));
        QVERIFY(!settings->setRemoteState(s.id, SyncSetting::RemoteRemoved));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toInt(), s.id);
        QCOMPARE(changed.first().at(1).value<SyncSetting::RemoteState>(), SyncSetting::RemoteRemoved);
    }

    void overlappingFolders_data()
    {
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<bool>("overlaps");
        QTest::newRow("equal -> overlaps") << "/a/b" << true;
        QTest::newRow("parent -> overlaps") << "/a" << true;
        QTest::newRow("child -> overlaps") << "/a/b/c" << true;
        QTest::newRow("sibling with a common prefix -> apart") << "/a/bc" << false;
        QTest::newRow("unrelated -> apart") << "/x/a/b" << false;
    }
    void overlappingFolders()
    {
        QFETCH(QString, proposed);
        QFETCH(bool, overlaps);
        safes->mergeFileSafes({makeSafe("1", "A")});
        const SyncSetting mine = addSetting("1", "/a/b");
        logInAs(bob);
        safes->mergeFileSafes({makeSafe("9", "Bob's")});
        const SyncSetting bobs = addSetting("9", "/a/b/");
        logInAs(alice);
        // Any account's settings on this computer count.
        QCOMPARE(settingIds(settings->overlappingSettings(proposed)),
                 overlaps ? (QList<int>{mine.id, bobs.id}) : QList<int>());
        // Joined with the current-user clause, Bob's setting never leaks in.
        SyncSettingsDao::Filter filter;
        filter.overlapping = SyncSettingsDao::normalizedLocalDir(proposed);
        QCOMPARE(settingIds(settings->getListInternal(filter)), overlaps ? QList<int>{mine.id} : QList<int>());
    }

    void unsetTimes_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("expected"); // -1: unset
        QTest::newRow("0 -> unset") << "0" << qint64(-1);
        QTest::newRow("negative -> unset") << "-5" << qint64(-1);
        QTest::newRow("NULL -> unset") << "NULL" << qint64(-1);
        QTest::newRow("1 ms -> set") << "1" << qint64(1);
    }
    void unsetTimes()
    {
        QFETCH(QString, stored);
        QFETCH(qint64, expected);
        safes->mergeFileSafes({makeSafe("1", "A")});
        const SyncSetting s = addSetting("1", "/sync/a");
        QVERIFY(objects->store(s.id, object("/f")));
        QVERIFY(settings->setLastSync(s.id, QDateTime::currentDateTimeUtc(), "3"));
        QCOMPARE(exec(QStringLiteral("UPDATE fs_object SET local_mtime = %1, remote_mtime = %1").arg(stored)), 1);
        QCOMPARE(exec(QStringLiteral("UPDATE sync_setting SET last_sync = %1").arg(stored)), 1);
        const auto o = objects->get(s.id, "/f");
        QVERIFY(o);
        for (const QDateTime &t : {o->localMtime, o->remoteMtime, objects->getAll(s.id).value("/f").localMtime,
                                   setting(s.id).lastSync})
            QCOMPARE(t.isValid() ? t.toMSecsSinceEpoch() : qint64(-1), expected);
    }

    // A sync action writes its state row inside the action's transaction;
    // an inner part that fails must undo itself only, and not be committed
    // half done by the outer one.
    void nestedTransactionUndoesItsOwnPart()
    {
        OndoDatabase::Transaction outer(db.get());
        QVERIFY(objects->store(1, object("/kept")));
        {
            OndoDatabase::Transaction inner(db.get());
            QVERIFY(objects->remove(1, "/kept"));
            QVERIFY(objects->store(1, object("/undone")));
            QVERIFY(!inner.end(false));
        }
        QVERIFY(objects->replace(1, object("/replaced")));
        QVERIFY(outer.end(true));
        QStringList paths = objects->getAll(1).keys();
        paths.sort();
        QCOMPARE(paths, (QStringList{"/kept", "/replaced"}));
    }

    // A commit can fail (here a deferred foreign key; in use a busy file).
    // The transaction must not stay open behind it, or later writes would
    // run inside it and be lost with it.
    void failedCommitEndsTheTransaction()
    {
        QSqlQuery q(db->database());
        QVERIFY(q.exec("PRAGMA foreign_keys = ON"));
        QVERIFY(q.exec("CREATE TABLE parent (id INTEGER PRIMARY KEY)"));
        QVERIFY(q.exec("CREATE TABLE child (parent_id INTEGER REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED)"));
        {
            OndoDatabase::Transaction t(db.get());
            QVERIFY(q.exec("INSERT INTO child VALUES (7)"));
            QVERIFY(!t.end(true));
        }
        QVERIFY(q.exec("SELECT count(*) FROM child") && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        OndoDatabase::Transaction next(db.get());
        QVERIFY(objects->store(1, object("/after")));
        QVERIFY(next.end(true));
    }

    void historyRowsAndList()
    {
        const QDateTime t0 = QDateTime::fromMSecsSinceEpoch(1000000, Qt::UTC);
        const SyncHistory run1 = history->startSync(t0, 1);
        const SyncHistory run2 = history->startSync(t0.addSecs(100), 1);
        logInAs(bob);
        const SyncHistory bobs = history->startSync(t0, 1);
        logInAs(alice);
        QVERIFY(run1.isValid() && run2.isValid() && bobs.isValid());
        auto row = [](int action, qint64 ts, const QString &path) {
            return SyncHistoryObject{0, 0, path, "/r" + path, "f", 1, action, ts};
        };
        // action 2 and 41 are bookkeeping; 3 and above are real actions.
        const qint64 kept1 = history->storeSyncHistoryObject(run1.id, row(3, 10, "/a"));
        QVERIFY(history->storeSyncHistoryObject(run1.id, row(2, 11, "/b")) > 0);
        QVERIFY(history->storeSyncHistoryObject(run1.id, row(41, 12, "/c")) > 0);
        const qint64 kept2 = history->storeSyncHistoryObject(run2.id, row(40, 13, "/d"));
        const qint64 kept3 = history->storeSyncHistoryObject(run2.id, row(42, 14, "/e"));
        QVERIFY(history->storeSyncHistoryObject(bobs.id, row(5, 15, "/bob")) > 0);

        auto listed = [&](const QDateTime &from, const QDateTime &to, int limit) {
            QList<qint64> out;
            for (const SyncHistoryObject &o : history->historyList(from, to, limit))
                out << o.id;
            return out;
        };
        QCOMPARE(listed(t0, t0.addSecs(100), 10), (QList<qint64>{kept3, kept2, kept1})); // newest first
        QCOMPARE(listed(t0, t0.addSecs(100), 2), (QList<qint64>{kept3, kept2}));
        QCOMPARE(listed(t0.addMSecs(1), t0.addSecs(100), 10), (QList<qint64>{kept3, kept2}));
        QCOMPARE(listed(t0, t0.addSecs(99), 10), QList<qint64>{kept1});

        // An update names the row exactly; another path changes nothing.
        SyncHistoryObject changed = row(7, 20, "/a");
        QVERIFY(history->updateSyncHistoryObject(kept1, run1.id, changed));
        QCOMPARE(history->historyList(t0, t0, 10).value(0).action, 7);
        changed.localDir = "/other";
        QVERIFY(!history->updateSyncHistoryObject(kept1, run1.id, changed));

        // Only ended runs of the state asked for.
        QVERIFY(history->endSync(run1.id, 2, t0.addSecs(5)));
        QVERIFY(history->endSync(run2.id, 3, t0.addSecs(200)));
        const QList<SyncHistory> finished = history->finishedRuns(2);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(std::make_pair(finished.first().id, finished.first().endTime), std::make_pair(run1.id, t0.addSecs(5)));
    }
};

QTEST_GUILESS_MAIN(TestDaos)
#include "tst_daos.moc"
