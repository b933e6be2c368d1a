#include "TestEnv.h"
#include "TestFiles.h"
#include "app/FeaturesUtil.h"
#include "app/Migration.h"
#include "app/Settings.h"
#include "app/SettingsStorage.h"
#include "app/StartOnStartup.h"

#include <QFile>
#include <QMouseEvent>
#include <QtTest>

using namespace TestFiles;

class TestSettings : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;

private slots:
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
    }
    void cleanup() { env.reset(); }

    void defaultFollowsConfiguration()
    {
        ConfigurationManager cfg;
        const QString file = QDir::homePath() + "/brand-config.json";
        QVERIFY(writeFile(file, R"({"feature":{"defaultDecryptWhenOffline":true}})"));
        QVERIFY(cfg.load(file));
        QCOMPARE(Settings::AppDecryptWhenOffline.read(*env->settings(), &cfg).toBool(), true);
        env->settings()->setValue("app/decrypt_when_offline", false);
        QCOMPARE(Settings::AppDecryptWhenOffline.read(*env->settings(), &cfg).toBool(), false);
    }

    void configurationLookupOrder()
    {
        auto *cfg = env->config();
        QCOMPARE(cfg->value("brand/appName").toString(), QString("Korvex Sync"));
        QCOMPARE(cfg->value("brand/appRev").toString(), QString("test"));     // registered default
        QCOMPARE(cfg->value("brand/nothing", "dflt").toString(), QString("dflt"));
        QVERIFY(!cfg->setValue("brand/appName", "Other"));                    // built-ins are read-only
        QCOMPARE(cfg->value("brand/appName").toString(), QString("Korvex Sync"));
        QVERIFY(cfg->setValue("app/log_level", "DBG"));                      // user settings
        QCOMPARE(env->settings()->value("app/log_level").toString(), QString("DBG"));
    }

    void settingsStorage()
    {
        {
            SettingsStorage storage(env->settings());
            storage.setKey("alice", 7);
            storage.setValue("window", {{"x", 1}, {"y", 2}}, Storage::WriteThrough);
            storage.setValue("later", {{"z", 3}}, 0);
            QCOMPARE(env->settings()->value("state/alice:7/window/x").toInt(), 1);
            QVERIFY(!env->settings()->contains("state/alice:7/later/z")); // kept back
            QCOMPARE(storage.value("later").value("z").toInt(), 3);

            // Another account: its own group; what was kept back is written first.
            storage.setKey("bob", 8);
            QCOMPARE(env->settings()->value("state/alice:7/later/z").toInt(), 3);
            QVERIFY(storage.value("nothing").isEmpty());
            storage.setValue("window", {{"x", 9}}, Storage::WriteThrough);
            QCOMPARE(env->settings()->value("state/bob:8/window/x").toInt(), 9);
            QCOMPARE(env->settings()->value("state/alice:7/window/x").toInt(), 1);
        }
        SettingsStorage again(env->settings());
        again.setKey("alice", 7);
        QCOMPARE(again.value("window"), (QVariantMap{{"x", 1}, {"y", 2}}));
    }

    void migration()
    {
        const AppInfo &info = *env->appInfo();
        // The database first, then the logs with their rotated generations.
        const QStringList old{info.oldHomeDatabasePath(), info.oldHomeLogPath(), info.oldHomeLogPath() + ".1",
                              info.oldHomeLogPath() + ".2", info.oldGenericCacheLogPath()};
        for (const QString &f : old)
            QVERIFY(writeFile(f, f == old.first() ? "old db" : "old log"));
        QVERIFY(!QFile::exists(info.databasePath()));

        Migration::migrate(info);
        QCOMPARE(readFile(info.databasePath()), QByteArray("old db"));
        for (const QString &f : old)
            QVERIFY2(!QFile::exists(f), qPrintable(f));

        // A second start finds nothing to do, never overwrites the current
        // database, and never takes the current file for an old one.
        QVERIFY(writeFile(info.oldGenericConfigDatabasePath(), "stray db"));
        Migration::migrate(info);
        Migration::migrateFile(info.databasePath(), info.databasePath());
        Migration::removeOldLogFiles(info.databasePath(), info.databasePath());
        QCOMPARE(readFile(info.databasePath()), QByteArray("old db"));
        QCOMPARE(readFile(info.oldGenericConfigDatabasePath()), QByteArray("stray db"));
    }

    void autostart()
    {
        const QString exe = QDir::homePath() + "/bin/korvex sync \"quoted\"";
        StartOnStartup entry("KorvexSync", exe);
        QVERIFY(entry.entryPath().startsWith(QDir::homePath()) || entry.entryPath().startsWith(qgetenv("XDG_CONFIG_HOME")));
        QVERIFY(!entry.isEnabled());
        QVERIFY(entry.disable()); // nothing to do
        QVERIFY(entry.enable());
        QVERIFY(entry.isEnabled());
        QCOMPARE(entry.entryExecutable(), exe);
        QVERIFY(readFile(entry.entryPath()).contains("[Desktop Entry]"));

        // An entry for another copy of the program does not count, and is replaced.
        StartOnStartup other("KorvexSync", "/opt/other/korvex-sync");
        QVERIFY(!other.isEnabled());
        QVERIFY(other.disable()); // not ours: left alone
        QVERIFY(QFile::exists(entry.entryPath()));
        QVERIFY(other.enable());
        QVERIFY(other.isEnabled());
        QVERIFY(!entry.isEnabled());

        QVERIFY(other.disable());
        QVERIFY(!QFile::exists(other.entryPath()));
        QVERIFY(!other.isEnabled());
    }

    // The package's system-wide entry names the public link of the program;
    // the user's file of the same name overrides it either way.
    void autostartSystemEntry()
    {
        const QString real = QDir::homePath() + "/lib/korvex-sync";
        const QString link = QDir::homePath() + "/bin/korvex-sync";
        QVERIFY(writeFile(real, "#!/bin/sh\n"));
        QDir().mkpath(QDir::homePath() + "/bin");
        QVERIFY(QFile::link(real, link));
        const QString systemDir = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_DIRS")).section(':', 0, 0);
        // Never the machine's own folders, even with an empty variable.
        QVERIFY(!systemDir.isEmpty() && systemDir.startsWith(QString::fromLocal8Bit(qgetenv("KORVEX_TEST_ROOT"))));
        const QByteArray systemEntry = "[Desktop Entry]\nType=Application\nName=Korvex Sync\nExec=" + link.toUtf8()
                                       + "\nX-GNOME-Autostart-enabled=true\n";
        QVERIFY(writeFile(systemDir + "/autostart/KorvexSync.desktop", systemEntry));

        StartOnStartup running("KorvexSync", real); // the running program is the link's target
        QVERIFY(running.isEnabled());
        QCOMPARE(running.entryExecutable(), link);
        QVERIFY(running.enable()); // nothing to write
        QVERIFY(!QFile::exists(running.entryPath()));

        QVERIFY(QDir(QFileInfo(running.entryPath()).absolutePath()).removeRecursively()); // a user without the folder
        QVERIFY(running.disable());
        QVERIFY(!running.isEnabled());
        QVERIFY(readFile(running.entryPath()).contains("Hidden=true"));
        QCOMPARE(readFile(systemDir + "/autostart/KorvexSync.desktop"), systemEntry);

        QVERIFY(running.enable());
        QVERIFY(running.isEnabled());
        QCOMPARE(running.entryExecutable(), real);
        QVERIFY(running.disable()); // removes the user's entry, then hides the system one again
        QVERIFY(!running.isEnabled());
        QVERIFY(readFile(running.entryPath()).contains("Hidden=true"));

        // Another program's system entry does not count as ours.
        QVERIFY(QFile::remove(running.entryPath()));
        QVERIFY(!StartOnStartup("KorvexSync", "/opt/other/korvex-sync").isEnabled());
    }

    void featuresGesture_data()
    {
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QString>("alt"); // per click: 1 with Alt, 0 without
        QTest::addColumn<int>("triggers");
        QTest::newRow("five alt-clicks in 2 s -> 1") << QList<int>{0, 300, 600, 900, 1200} << "11111" << 1;
        QTest::newRow("four, pause > 2 s, one -> 0") << QList<int>{0, 100, 200, 300, 2500} << "11111" << 0;
        QTest::newRow("fifth exactly at 2000 ms -> 1") << QList<int>{0, 500, 1000, 1500, 2000} << "11111" << 1;
        QTest::newRow("plain click resets -> 0") << QList<int>{0, 100, 200, 300, 400, 500} << "110111" << 0;
        QTest::newRow("after a pause the count restarts -> 1")
            << QList<int>{0, 100, 3000, 3100, 3200, 3300, 3400} << "1111111" << 1;
        QTest::newRow("ten in a row -> 2") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << "1111111111" << 2;
    }
    void featuresGesture()
    {
        QFETCH(QList<int>, times);
        QFETCH(QString, alt);
        QFETCH(int, triggers);
        qint64 now = 0;
        FeaturesUtil util(5, 2000, Qt::AltModifier, nullptr, [&now] { return now; });
        QSignalSpy spy(&util, &FeaturesUtil::triggered);
        QObject target;
        target.installEventFilter(&util);
        for (int i = 0; i < times.size(); ++i) {
            now = times.at(i);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                              alt.at(i) == QLatin1Char('1') ? Qt::AltModifier : Qt::NoModifier);
            QCoreApplication::sendEvent(&target, &press);
        }
        QCOMPARE(spy.count(), triggers);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
