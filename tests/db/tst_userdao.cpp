#include "LegacyDatabase.h"
#include "db/OndoDatabase.h"
#include "db/UserDao.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <string>

using LegacyDatabase::query;

namespace {
const QString kAppName = QStringLiteral("Korvex Sync");
const QDateTime kLogin = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);

// The child side of concurrentFirstLoginsMakeOneRow: opens the database,
// says "ready", waits for a line on standard input and records the login.
int recordLoginChild(const QString &path, const QString &account)
{
    OndoDatabase db;
    db.init(path, kAppName);
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    const User user = UserDao(&db).recordLogin(account, QStringLiteral("srv-a"), kLogin);
    std::printf("%lld\n", user.id);
    return user.isValid() ? 0 : 1;
}
} // namespace

// The user table as logins use it: on files that went through the
// migration that left its id without a type, with rows that such files
// gathered, and with two processes logging in one new account at once.
class TestUserDao : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    QString path;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        path = dir->filePath("state.db3");
    }
    void cleanup() { dir.reset(); }

    void newAccountGetsAnId_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<qint64>("id");
        QTest::newRow("migrated from 0.2.8 (untyped id) -> next id") << "0.2.8" << qint64(8);
        QTest::newRow("fresh file -> first id") << QString() << qint64(1);
    }
    void newAccountGetsAnId()
    {
        QFETCH(QString, version);
        QFETCH(qint64, id);
        if (!version.isEmpty())
            QCOMPARE(LegacyDatabase::write(path, version), QString());
        OndoDatabase db;
        db.init(path, kAppName);
        UserDao dao(&db);
        QVERIFY(!dao.loadUser("carol", "srv-a").isValid());
        const User carol = dao.recordLogin("carol", "srv-a", kLogin);
        QCOMPARE(carol.id, id);
        QCOMPARE(dao.loadUser("carol", "srv-a").id, id);
        QCOMPARE(dao.recordLogin("carol", "srv-a", kLogin.addSecs(60)).id, id); // the same row again
        QCOMPARE(query(path, "select count(*) from user where account_name = 'carol'"), QStringList{"1"});
        if (!version.isEmpty())
            QCOMPARE(dao.loadUser("bob", "srv-b").id, qint64(7));
    }

    // What such files gathered: rows without an id from logins that failed
    // for it, each failed login adding one more, and a second row of an
    // account from two first logins at once.
    void rowsWithoutIdAreRepairedAtStart()
    {
        QCOMPARE(LegacyDatabase::write(
                     path, "1.0.2",
                     {"insert into user (server_id, account_name) values ('srv-a', 'carol')",
                      "insert into user (server_id, account_name) values ('srv-a', 'carol')",
                      "insert into user (server_id, account_name, last_login) values ('srv-a', 'erin', 5)",
                      "insert into user (id, server_id, account_name) values (9, 'srv-a', 'dave')",
                      "insert into user (id, server_id, account_name) values (10, 'srv-a', 'dave')",
                      // The second dave row is the one his file safes belong to.
                      "insert into file_safe (user_id, safe_id, safe_name) values (10, 's-3', 'Dave')",
                      "insert into user (id, server_id, account_name) values (11, 'srv-a', 'frank')",
                      "insert into user (server_id, account_name) values ('srv-a', 'frank')"}),
                 QString());
        OndoDatabase db;
        db.init(path, kAppName);
        QCOMPARE(query(path, "select id, account_name, last_login from user order by id"),
                 (QStringList{"3|alice|1451988000000", "7|bob|1451988001000", "10|dave|NULL", "11|frank|NULL",
                              "12|carol|NULL", "13|erin|5"}));
        UserDao dao(&db);
        for (const char *name : {"carol", "dave", "erin", "frank"})
            QVERIFY2(dao.loadUser(name, "srv-a").isValid(), name);
    }

    void concurrentFirstLoginsMakeOneRow()
    {
        {
            OndoDatabase db;
            db.init(path, kAppName);
        }
        const int rounds = 20;
        for (int round = 0; round < rounds; ++round) {
            const QString account = QStringLiteral("new-%1").arg(round);
            QProcess children[2];
            for (QProcess &child : children) {
                child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                child.start(QCoreApplication::applicationFilePath(), {"--record-login", path, account});
            }
            for (QProcess &child : children) {
                while (!child.canReadLine() && child.waitForReadyRead(20000)) {
                }
                QCOMPARE(child.readLine(), QByteArray("ready\n"));
            }
            // Both go at once: whoever looks first must also be the only one to insert.
            for (QProcess &child : children) {
                child.write("go\n");
                child.waitForBytesWritten(1000); // QProcess writes only from its event loop otherwise
            }
            QStringList ids;
            for (QProcess &child : children) {
                QVERIFY(child.waitForFinished(20000));
                QCOMPARE(child.exitCode(), 0);
                ids << QString::fromLatin1(child.readAll().trimmed());
            }
            QCOMPARE(ids.at(0), ids.at(1));
            QCOMPARE(query(path, QString("select count(*) from user where account_name = '%1'").arg(account)),
                     QStringList{"1"});
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--record-login") == 0)
        return recordLoginChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestUserDao test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_userdao.moc"
