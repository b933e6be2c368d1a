#include "TestEnv.h"
#include "app/Settings.h"
#include "net/ServerList.h"

#include <QStringListModel>
#include <QtTest>

// The server list: the brand's servers, then LocalDev and Custom; the
// selection remembered by prefix.
class TestServerList : public QObject
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
        env->settings()->sync();
    }
    void cleanup() { env.reset(); }

    // The brand's servers, then the fixed ones; a choice is remembered by
    // its prefix; a custom URL selects Custom until a restart, which finds
    // Custom with its default URL.
    void brandServersThenFixedOnes_selectionRemembered()
    {
        ServerList list(env->config());
        QCOMPARE(list.count(), 7);
        QCOMPARE(list.servers().first().prefix, QStringLiteral("PROD"));
        const ServerTO localDev = list.servers().at(5);
        QCOMPARE(localDev.prefix, QStringLiteral("LDEV"));
        QCOMPARE(localDev.ssl, false);
        QCOMPARE(list.servers().last().prefix, QStringLiteral("CUSTOM"));
        QCOMPARE(list.selectedIndex(), 0);
        QVERIFY(!list.isCustomSelected());
        std::unique_ptr<QStringListModel> model(list.model());
        QCOMPARE(model->stringList().mid(5), (QStringList{"LocalDev", "Custom"}));

        list.select(2);
        QCOMPARE(list.selected().prefix, QStringLiteral("ACC"));
        list.setSelected(list.servers().at(3));
        QCOMPARE(Settings::value(Settings::NetServer).toString(), QStringLiteral("DEV"));
        QCOMPARE(ServerList(env->config()).selected().prefix, QStringLiteral("DEV"));
        QSignalSpy changed(&list, &ServerList::selectionChanged);
        list.select(-1);
        list.select(7); // one past the end
        QCOMPARE(list.selectedIndex(), 3);
        QCOMPARE(changed.count(), 0);

        list.setCustomUrl(QStringLiteral("https://127.0.0.1:9443"));
        QVERIFY(list.isCustomSelected());
        QCOMPARE(list.selected().url, QStringLiteral("https://127.0.0.1:9443"));
        QCOMPARE(Settings::value(Settings::NetServer).toString(), QStringLiteral("CUSTOM"));
        ServerList restarted(env->config());
        QVERIFY(restarted.isCustomSelected());
        QCOMPARE(restarted.selected().url, QStringLiteral("https://127.0.0.1:8443"));
    }

    void savedSelection_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("selected");
        QTest::newRow("prefix that is gone -> first") << QStringLiteral("GONE") << 0;
        QTest::newRow("LDEV -> LocalDev") << QStringLiteral("LDEV") << 5;
    }
    void savedSelection()
    {
        QFETCH(QString, saved);
        QFETCH(int, selected);
        Settings::setValue(Settings::NetServer, saved);
        ServerList list(env->config());
        QCOMPARE(list.selectedIndex(), selected);
    }

    void brokenConfiguration_data()
    {
        QTest::addColumn<QJsonObject>("source");
        QTest::newRow("no servers source -> fixed entries only") << QJsonObject();
        QTest::newRow("serverlist not an array -> fixed entries only")
            << QJsonObject{{"servers", QJsonObject{{"serverlist", 5}}}};
        QTest::newRow("entries without prefix or url -> skipped")
            << QJsonObject{{"servers", QJsonObject{{"serverlist", QJsonArray{3, QJsonObject{{"name", "x"}}}}}}};
    }
    void brokenConfiguration()
    {
        QFETCH(QJsonObject, source);
        ConfigurationManager config;
        config.addSource(QStringLiteral("servers"), source);
        ServerList list(&config);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.selected().prefix, QStringLiteral("LDEV"));
    }
};

QTEST_GUILESS_MAIN(TestServerList)
#include "tst_serverlist.moc"
