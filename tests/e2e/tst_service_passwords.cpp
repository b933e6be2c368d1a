#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QtTest>

// The password safe endpoints: secrets travel under the session key with a
// fresh IV and rest sealed with the service's own key.
class TestServicePasswords : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;

    static QJsonArray entries(ServiceClient &client) { return client.passwords().data.value("passwords").toArray(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("pia", "pw", {"--passwords-max", "3"}).ok());
        QVERIFY(m_service.addUser("quinn", "pw").ok());
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("generation");
        QTest::newRow("api generation 3 -> /api/sync/1/passwords") << 3;
        QTest::newRow("api generation 1 -> /rest/loggedin/2/passwords") << 1;
    }
    void roundTrip()
    {
        QFETCH(int, generation);
        ServiceClient client(m_service);
        client.setApiGeneration(generation);
        QVERIFY(client.login("quinn", "pw").loggedIn);
        const auto list = client.passwords();
        QVERIFY(list.ok());
        QCOMPARE(list.data.value("passwordsMax").toInt(), 100);

        const auto created = client.createPassword("Mail", "Zürich-Pässwort 1", "quinn@example.org",
                                                   "https://mail.example.org", "work");
        QVERIFY2(created.ok(), qPrintable(created.message));
        const QString id = created.data.value("id").toString();
        QVERIFY(id.toInt() > 0);
        QCOMPARE(created.data.value("username").toString(), QStringLiteral("quinn@example.org"));
        QVERIFY(!created.data.contains("password")); // the list form carries no secret

        QString secret;
        const auto one = client.getPassword(id, &secret);
        QVERIFY(one.ok());
        QCOMPARE(secret, QStringLiteral("Zürich-Pässwort 1"));
        QCOMPARE(one.data.value("transportIv").toString().size(), 32);
        // A fresh IV for every fetch.
        QVERIFY(client.getPassword(id, &secret).data.value("transportIv") != one.data.value("transportIv"));

        QVERIFY(client.updatePassword(id, "Mail (new)", "second").ok());
        client.getPassword(id, &secret);
        QCOMPARE(secret, QStringLiteral("second"));
        QCOMPARE(entries(client).first().toObject().value("title").toString(), QStringLiteral("Mail (new)"));

        QVERIFY(client.deletePassword(id).ok());
        QCOMPARE(client.deletePassword(id).status, 404);
        QCOMPARE(client.getPassword(id, &secret).status, 404);
        QCOMPARE(entries(client).size(), 0);
    }

    void emptyPasswordIsOneBlock()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("quinn", "pw").loggedIn);
        const auto created = client.createPassword("Empty", "");
        QVERIFY(created.ok());
        QString secret = "x";
        const auto one = client.getPassword(created.data.value("id").toString(), &secret);
        QCOMPARE(one.data.value("password").toString().size(), 32);
        QCOMPARE(secret, QString());
        client.deletePassword(created.data.value("id").toString());
    }

    void secretsFollowTheCurrentSessionKey()
    {
        ServiceClient first(m_service);
        QVERIFY(first.login("quinn", "pw").loggedIn);
        const QString id = first.createPassword("Bank", "s3cr3t-bank").data.value("id").toString();
        ServiceClient second(m_service);
        QVERIFY(second.login("quinn", "pw").loggedIn);
        QVERIFY(first.sessionKey() != second.sessionKey());
        QString secret;
        second.getPassword(id, &secret);
        QCOMPARE(secret, QStringLiteral("s3cr3t-bank"));
        first.deletePassword(id);
    }

    void secretsAreNotStoredInClear()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("quinn", "pw").loggedIn);
        const QByteArray marker = "Needle-7f3a9c-in-the-haystack";
        QVERIFY(client.createPassword("Marker", QString::fromLatin1(marker)).ok());
        QDirIterator it(m_service.dataDir(), QDir::Files, QDirIterator::Subdirectories);
        int files = 0;
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(!f.readAll().contains(marker), qPrintable(f.fileName()));
            ++files;
        }
        QVERIFY(files > 3);
    }

    void maximumOfEntries()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("pia", "pw").loggedIn);
        QCOMPARE(client.passwords().data.value("passwordsMax").toInt(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(client.createPassword(QStringLiteral("e%1").arg(i), "x").ok());
        const auto full = client.createPassword("e3", "x");
        QCOMPARE(full.status, 10912);
        QCOMPARE(entries(client).size(), 3);
    }

    void entriesBelongToTheirOwner()
    {
        ServiceClient pia(m_service);
        QVERIFY(pia.login("pia", "pw").loggedIn);
        const QString id = entries(pia).first().toObject().value("id").toString();
        ServiceClient quinn(m_service);
        QVERIFY(quinn.login("quinn", "pw").loggedIn);
        QString secret;
        QCOMPARE(quinn.getPassword(id, &secret).status, 404);
        QCOMPARE(quinn.updatePassword(id, "stolen", "x").status, 404);
        QCOMPARE(quinn.deletePassword(id).status, 404);
        QCOMPARE(entries(pia).size(), 3);
    }

    void breachedCheck_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<bool>("breached");
        QTest::addColumn<int>("ids"); // entries listed
        QTest::newRow("a common password used by two entries -> both ids") << "letmein" << true << 2;
        QTest::newRow("a common password no entry uses -> breached, no ids") << "123456" << true << 0;
        QTest::newRow("a strong password used by an entry -> not breached") << "c0rrect-h0rse-battery" << false << 0;
    }
    void breachedCheck()
    {
        QFETCH(QString, candidate);
        QFETCH(bool, breached);
        QFETCH(int, ids);
        ServiceClient client(m_service);
        QVERIFY(client.login("quinn", "pw").loggedIn);
        static QStringList made;
        if (made.isEmpty()) {
            made << client.createPassword("a", "letmein").data.value("id").toString()
                 << client.createPassword("b", "letmein").data.value("id").toString()
                 << client.createPassword("c", "c0rrect-h0rse-battery").data.value("id").toString();
        }
        const auto r = client.checkBreached(candidate);
        QVERIFY(r.ok());
        QCOMPARE(r.data.value("breached").toBool(), breached);
        const QJsonArray list = r.data.value("password-ids").toArray();
        QCOMPARE(list.size(), ids);
        for (const auto &v : list) {
            QVERIFY(v.isDouble());
            QVERIFY(made.contains(QString::number(v.toInt())));
        }
    }
};

QTEST_MAIN(TestServicePasswords)
#include "tst_service_passwords.moc"
