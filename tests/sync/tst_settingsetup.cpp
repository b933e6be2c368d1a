#include "TestEnv.h"
#include "TestFiles.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncSettingsDao.h"
#include "db/UserDao.h"
#include "net/OndoSession.h"
#include "sync/ISetupPrompts.h"
#include "sync/SettingSetup.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// Answers the questions as told and keeps what was asked and said.
struct ScriptedPrompts : ISetupPrompts
{
    QList<bool> answers;
    QStringList asked;
    QStringList told;
    bool ask(const QString &title, const QString &text) override
    {
        asked << title + QLatin1Char('|') + text;
        return !answers.isEmpty() && answers.takeFirst();
    }
    void tell(Notice, const QString &title, const QString &text) override { told << title + QLatin1Char('|') + text; }
};
} // namespace

// The set-up's record and the no-overlap rule over the real database, with
// settings of two accounts on this computer.
class TestSettingSetup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QTemporaryDir dir;
    std::unique_ptr<OndoDatabase> db;
    std::unique_ptr<OndoSession> session;
    std::unique_ptr<SyncSettingsDao> settings;
    ScriptedPrompts prompts;
    FileSafe safe;

    // Logs `name` in as far as the database is concerned and gives it a safe.
    void actAs(const QString &name)
    {
        UserDao users(db.get());
        const User user = users.recordLogin(name, QStringLiteral("CUSTOM"), QDateTime::currentDateTimeUtc());
        session->setAccount(AccountIdentity{user.id, name, name, QDateTime::currentDateTimeUtc()});
        FileSafeDao safes(db.get(), session.get(), nullptr, env->config());
        safe.safeId = QStringLiteral("safe-") + name;
        safe.safeName = QStringLiteral("Safe of ") + name;
        safe.safeType = QStringLiteral("PRIVATE");
        safe.access = QStringLiteral("rcud");
        safe.rootFolderId = QStringLiteral("root-") + name;
        if (!safes.getFileSafe(safe.safeId))
            safes.insertFileSafe(safe);
    }
    // A choice of the current safe for `folder` below the test's folder.
    SettingSetup::Choice choice(const QString &folder) const
    {
        SettingSetup::Choice c;
        c.safe = safe;
        c.localDir = dir.filePath(folder);
        return c;
    }
    SyncSetting store(const QString &folder)
    {
        QDir().mkpath(dir.filePath(folder));
        return SettingSetup(settings.get(), session.get(), &prompts).save(choice(folder));
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        db = std::make_unique<OndoDatabase>();
        db->init(dir.filePath(QStringLiteral("state.db3")), QStringLiteral("test"));
        QVERIFY(db->isInitialised());
        session = std::make_unique<OndoSession>(SessionOptions());
        session->setServer(ServerTO{QStringLiteral("CUSTOM"), QStringLiteral("Custom"), QStringLiteral("CUSTOM"),
                                    QStringLiteral("https://127.0.0.1:9"), true});
        settings = std::make_unique<SyncSettingsDao>(db.get(), session.get(), nullptr);
        prompts = ScriptedPrompts();
        actAs(QStringLiteral("anna"));
        QVERIFY(store(QStringLiteral("Data")).isValid());
    }
    void cleanup()
    {
        settings.reset();
        db.reset();
        QFile::remove(dir.filePath(QStringLiteral("state.db3")));
    }

    void decliningStoresNothingAcceptingReplacesOne()
    {
        prompts.answers = {false};
        QVERIFY(!store(QStringLiteral("Data/Sub")).isValid());
        QCOMPARE(prompts.asked.size(), 1);
        QVERIFY(prompts.asked.first().startsWith(QLatin1String("Folder already used!|")));
        QVERIFY(prompts.asked.first().contains(QLatin1String("used by <b>yourself</b>")));
        QCOMPARE(settings->getList().size(), 1);

        prompts.answers = {true};
        const SyncSetting replaced = store(QStringLiteral("Data/Sub"));
        QVERIFY(replaced.isValid());
        const SyncSettings now = settings->getList();
        QCOMPARE(now.size(), 1);
        QCOMPARE(now.first().id, replaced.id);
    }

    void anotherAccountIsNamedAndTheBaseFolderRefused()
    {
        actAs(QStringLiteral("bert"));
        SettingSetup setup(settings.get(), session.get(), &prompts);
        QCOMPARE(setup.checkPickedFolder(dir.filePath(QStringLiteral("Data/x")), false), QString());
        QCOMPARE(prompts.asked.size(), 0); // the base folder is refused, not replaced
        QCOMPARE(prompts.told.size(), 1);
        QVERIFY2(prompts.told.first().contains(QLatin1String("user <b>\"anna\"</b>")), qPrintable(prompts.told.first()));
        QVERIFY(prompts.told.first().endsWith(QLatin1String("Please choose a different folder.")));
        QCOMPARE(setup.checkPickedFolder(dir.filePath(QStringLiteral("Elsewhere")), false),
                 SettingSetup::cleanPath(dir.filePath(QStringLiteral("Elsewhere"))));
    }

    void missingFolderIsCreatedOnlyWhenTheUserSaysSo()
    {
        SettingSetup setup(settings.get(), session.get(), &prompts);
        const SettingSetup::Choice c = choice(QStringLiteral("New/Deep"));
        prompts.answers = {false};
        QVERIFY(!setup.save(c).isValid());
        QVERIFY(!QFileInfo::exists(c.localDir));
        prompts.answers = {true};
        QVERIFY(setup.save(c).isValid());
        QVERIFY(QFileInfo(c.localDir).isDir());
    }

    void encryptedFolderMustBeEmptyAndGetsAKey()
    {
        SettingSetup setup(settings.get(), session.get(), &prompts);
        SettingSetup::Choice c = choice(QStringLiteral("Secret"));
        c.encryption = true;
        QVERIFY(TestFiles::writeFile(c.localDir + QStringLiteral("/already.txt"), QByteArray()));
        QVERIFY(!setup.save(c).isValid());
        QVERIFY(prompts.told.last().contains(QStringLiteral("must be empty")));
        QVERIFY(QFile::remove(c.localDir + QStringLiteral("/already.txt")));
        const SyncSetting stored = setup.save(c);
        QVERIFY(stored.isValid() && stored.encryption);
        QCOMPARE(stored.encryptionKey.size(), 16);
    }

    void record_data()
    {
        QTest::addColumn<QString>("remotePath");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("remoteDir");
        QTest::addColumn<QString>("folderId");
        QTest::addColumn<int>("mode");
        QTest::newRow("root, automatic -> root id, mode 0") << "" << true << "/" << "root-anna" << 0;
        QTest::newRow("\"/\" chosen -> root id") << "/" << true << "/" << "root-anna" << 0;
        QTest::newRow("a folder, manual -> its id, mode 1") << "/Docs" << false << "/Docs" << "f-7" << 1;
    }
    void record()
    {
        QFETCH(QString, remotePath);
        QFETCH(bool, automatic);
        QFETCH(QString, remoteDir);
        QFETCH(QString, folderId);
        QFETCH(int, mode);
        const SettingSetup setup(settings.get(), session.get(), &prompts);
        SettingSetup::Choice c = choice(QString());
        c.remotePath = remotePath;
        c.remoteFolderId = QStringLiteral("f-7");
        c.automatic = automatic;
        const SyncSetting s = setup.buildRecord(c);
        QCOMPARE(s.remoteDir, remoteDir);
        QCOMPARE(s.rootFolderId, folderId);
        QCOMPARE(s.mode, mode);
    }
};

QTEST_GUILESS_MAIN(TestSettingSetup)
#include "tst_settingsetup.moc"
