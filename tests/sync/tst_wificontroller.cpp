#include "MessageCapture.h"
#include "TestEnv.h"
#include "app/Settings.h"
#include "db/FileObjectDao.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "db/UserDao.h"
#include "net/OndoSession.h"
#include "ri/FilesafeRI.h"
#include "sync/MultiSyncher.h"
#include "sync/WifiController.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The network configurations a test decides.
class TestSource : public IWifiConfigurationSource
{
public:
    QMap<QString, WifiConfiguration> configs;
    std::optional<WifiConfiguration> configuration(const QString &id) const override
    {
        return configs.contains(id) ? std::optional<WifiConfiguration>(configs.value(id)) : std::nullopt;
    }
    void updateConfigurations() override
    {
        for (const WifiConfiguration &c : qAsConst(configs))
            emit configurationChanged(c);
    }
    void set(const QString &id, const QString &bearer, int state)
    {
        WifiConfiguration c{id, QStringLiteral("Net ") + id, bearer, state, true};
        configs.insert(id, c);
        emit configurationChanged(c);
    }
};
} // namespace

// The Wi-Fi rule: networks remembered with the user's choice, and automatic
// runs of the scheduler forbidden on a network the user excluded.
class TestWifiController : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
        env->settings()->sync();
    }

    void networkSeenFirstTakesTheChoiceForNewOnes_data()
    {
        QTest::addColumn<bool>("syncNew");
        QTest::newRow("sync on new networks -> allowed and remembered") << true;
        QTest::newRow("not on new networks -> forbidden and remembered") << false;
    }
    void networkSeenFirstTakesTheChoiceForNewOnes()
    {
        QFETCH(bool, syncNew);
        Settings::setValue(Settings::NetSyncNewWifis, syncNew);
        auto *source = new TestSource;
        WifiController wifi(source);
        QSignalSpy announced(&wifi, &WifiController::autoSyncStateChanged);
        source->set(QStringLiteral("/nm/7"), QStringLiteral("WLAN"), WifiConfiguration::Active);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.first().at(0).toBool(), syncNew);
        QSettings s;
        s.beginGroup(WifiNetwork::groupOf(QStringLiteral("/nm/7")));
        QCOMPARE(s.value(QStringLiteral("SSID")).toString(), QStringLiteral("Net /nm/7"));
        QCOMPARE(s.value(QStringLiteral("synchronize")).toBool(), syncNew);
        QVERIFY(!s.value(QStringLiteral("last_connected")).toString().isEmpty());
        QCOMPARE(wifi.networks().first().statusText(), QStringLiteral("Connected"));

        // A wired connection and a disconnect leave the rule as it was.
        source->set(QStringLiteral("eth"), QStringLiteral("Ethernet"), WifiConfiguration::Active);
        source->set(QStringLiteral("/nm/7"), QStringLiteral("WLAN"), WifiConfiguration::Discovered);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(*wifi.autoSyncAllowed(), syncNew);
        QVERIFY(wifi.networks().first().statusText() != QLatin1String("Connected"));
        // Gone from the platform: forgotten.
        source->set(QStringLiteral("/nm/7"), QStringLiteral("WLAN"), WifiConfiguration::Undefined);
        QVERIFY(wifi.networks().isEmpty());
        QVERIFY(!WifiNetwork::isKnown(QStringLiteral("/nm/7")));
    }

    void forbiddenNetworkStopsAutomaticRunsNotSyncAll()
    {
        QTemporaryDir dir;
        OndoDatabase db;
        db.init(dir.filePath(QStringLiteral("state.db3")), QStringLiteral("test"));
        // A server that refuses connections: the scheduler's runs start and
        // end at once, which is all this rule decides about.
        OndoSession session{SessionOptions()};
        session.setServer(ServerTO{QStringLiteral("CUSTOM"), QStringLiteral("Custom"), QStringLiteral("CUSTOM"),
                                   QStringLiteral("https://127.0.0.1:9"), true});
        const User user = UserDao(&db).recordLogin(QStringLiteral("anna"), QStringLiteral("CUSTOM"),
                                                   QDateTime::currentDateTimeUtc());
        session.setAccount(AccountIdentity{user.id, QStringLiteral("anna"), QString(), QDateTime::currentDateTimeUtc()});
        FilesafeRI ri(&session, env->appInfo());
        FileSafeDao safes(&db, &session, &ri, env->config());
        SyncSettingsDao settings(&db, &session, nullptr);
        FileObjectDao objects(&db);
        SyncHistoryDao history(&db, &session);
        FileSafe safe;
        safe.safeId = QStringLiteral("s1");
        safe.safeName = QStringLiteral("Docs");
        safe.access = QStringLiteral("rcud");
        QVERIFY(safes.insertFileSafe(safe));
        SyncSetting setting;
        setting.safeId = safe.safeId;
        setting.localDir = dir.path();
        QVERIFY(settings.add(setting).isValid());

        MultiSyncher scheduler({{&safes, &settings, &objects, &history, &ri, &session}, nullptr, nullptr, QString()});
        auto *source = new TestSource;
        WifiController wifi(source);
        connect(&wifi, &WifiController::autoSyncStateChanged, &scheduler, &MultiSyncher::setSynchronize);
        source->set(QStringLiteral("cafe"), QStringLiteral("WLAN"), WifiConfiguration::Active);
        QVERIFY(scheduler.synchronizeAllowed()); // new networks are allowed
        wifi.setWifiSyncSetting(QStringLiteral("cafe"), false); // the user unticks it
        QVERIFY(!scheduler.synchronizeAllowed());

        MessageCapture log;
        QSignalSpy started(&scheduler, &MultiSyncher::syncStarted);
        scheduler.loggedIn(); // the first automatic run follows after a second
        QTRY_VERIFY_WITH_TIMEOUT(!log.containing(QStringLiteral("Autosync forbidden on current wifi.")).isEmpty(), 10000);
        QCOMPARE(started.count(), 0);
        scheduler.startFullSync(); // "Sync All"
        QVERIFY(started.wait(10000));
        scheduler.stopSync();
        scheduler.loggedOut();
    }
};

QTEST_GUILESS_MAIN(TestWifiController)
#include "tst_wificontroller.moc"
