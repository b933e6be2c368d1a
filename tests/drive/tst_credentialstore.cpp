#include "TestEnv.h"
#include "ThrownBy.h"
#include "drive/CredentialStore.h"
#include "drive/KeychainException.h"
#include "sync/Crypto.h"

#include <QDirIterator>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QtTest>

#include <qt5keychain/keychain.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <utime.h>

namespace {
// Runs a key store job on its own loop; false when the store reported an error.
bool runJob(QKeychain::Job &job, const QString &key)
{
    job.setAutoDelete(false);
    job.setKey(key);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

// The raw item text, straight from the key store (empty when absent).
QString readItem(const QString &service, const QString &key)
{
    QKeychain::ReadPasswordJob job(service);
    return runJob(job, key) ? job.textData() : QString();
}

bool writeItem(const QString &service, const QString &key, const QString &text)
{
    QKeychain::WritePasswordJob job(service);
    job.setTextData(text);
    return runJob(job, key);
}

} // namespace

// CredentialStore against the real Secret Service (gnome-keyring in a
// private D-Bus session: run under scripts/with-keyring).
class TestCredentialStore : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<CredentialStore> store;

    QString service() const { return env->appInfo()->appNameInternal(); }
    QJsonObject item() const
    {
        return QJsonDocument::fromJson(readItem(service(), store->itemKey()).toUtf8()).object();
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("KORVEX_NO_KEY_STORE"))
            return; // the child of noKeyStoreMeansNoStorage
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"),
                 "needs a D-Bus session with an unlocked key store: run under scripts/with-keyring");
    }
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        store = std::make_unique<CredentialStore>(env->appInfo());
        if (!qEnvironmentVariableIsSet("KORVEX_NO_KEY_STORE") && !qEnvironmentVariableIsSet("KORVEX_WRITER")
            && !qEnvironmentVariableIsSet("KORVEX_HOLD_LOCK"))
            CredentialStore::keychainBackend(service())->remove(store->itemKey()); // a fresh item per test
    }
    void cleanup()
    {
        store.reset();
        env.reset();
    }

    void firstPasswordCreatesTheItem()
    {
        QVERIFY(readItem(service(), store->itemKey()).isEmpty());
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("s3cret pässword"));
        const QJsonObject doc = item();
        QCOMPARE(doc.value(QStringLiteral("uclist")).toArray().size(), 1);
        QCOMPARE(doc.value(QStringLiteral("localKeys")).toArray().size(), 0);
        QVERIFY(doc.value(QStringLiteral("localKeys")).isArray());
        const QJsonObject account = doc.value(QStringLiteral("uclist")).toArray().first().toObject();
        QCOMPARE(account.value(QStringLiteral("server")).toString(), QStringLiteral("PROD"));
        QCOMPARE(account.value(QStringLiteral("name")).toString(), QStringLiteral("alice"));
        QVERIFY(!account.contains(QStringLiteral("dsec"))); // written only when not empty
        const QString pw = account.value(QStringLiteral("pw")).toString();
        QVERIFY(!pw.contains(QStringLiteral("s3cret")));
        QCOMPARE(decryptStoredValue(pw), QStringLiteral("s3cret pässword"));
        // The stored text is compact JSON.
        QVERIFY(!readItem(service(), store->itemKey()).contains(QLatin1Char('\n')));
    }

    void absentEntriesReadEmpty()
    {
        QCOMPARE(store->readPassword(QStringLiteral("PROD"), QStringLiteral("nobody")), QString());
        QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), QStringLiteral("nobody")), QString());
        QCOMPARE(store->readEncryptionKey(7), QString());
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("x"));
        QCOMPARE(store->readPassword(QStringLiteral("INT"), QStringLiteral("alice")), QString()); // other server
    }

    void replacingAKeyLeavesTheRestIntact()
    {
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("a-pw"));
        store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("a-dsec"));
        store->storePassword(QStringLiteral("INT"), QStringLiteral("alice"), QStringLiteral("int-pw"));
        store->storeEncryptionKey(1, QByteArray::fromHex("0101010101010101"));
        store->storeEncryptionKey(2, QByteArray::fromHex("0202020202020202"));

        store->storeEncryptionKey(1, QByteArray::fromHex("A1A1A1A1A1A1A1A1"));

        QCOMPARE(store->readEncryptionKey(1), QStringLiteral("a1a1a1a1a1a1a1a1"));
        QCOMPARE(store->readEncryptionKey(2), QStringLiteral("0202020202020202"));
        QCOMPARE(store->readPassword(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("a-pw"));
        QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("a-dsec"));
        QCOMPARE(store->readPassword(QStringLiteral("INT"), QStringLiteral("alice")), QStringLiteral("int-pw"));
        QCOMPARE(item().value(QStringLiteral("localKeys")).toArray().size(), 2);
        QCOMPARE(item().value(QStringLiteral("uclist")).toArray().size(), 2);
    }

    void clearPasswordKeepsTheDoubleSec()
    {
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("pw"));
        store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ds"));
        store->clearPassword(QStringLiteral("PROD"), QStringLiteral("alice"));
        QCOMPARE(store->readPassword(QStringLiteral("PROD"), QStringLiteral("alice")), QString());
        QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("ds"));
        QCOMPARE(item().value(QStringLiteral("uclist")).toArray().first().toObject().value(QStringLiteral("pw")).toString(),
                 QString());
    }

    void argumentsAreChecked_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        for (const char *op : {"readPassword", "storePassword", "clearPassword", "storeDoubleSec"}) {
            QTest::addRow("%s without server -> serverId empty", op) << op << "" << "alice" << "serverId empty";
            QTest::addRow("%s without name -> accountName is empty", op) << op << "PROD" << "" << "accountName is empty";
        }
        QTest::newRow("readDoubleSec without server -> empty, no error") << "readDoubleSec" << "" << "alice" << "";
    }
    void argumentsAreChecked()
    {
        QFETCH(QString, op);
        QFETCH(QString, server);
        QFETCH(QString, name);
        QFETCH(QString, error);
        const QString what = thrownBy([&] {
            if (op == QLatin1String("readPassword"))
                store->readPassword(server, name);
            else if (op == QLatin1String("storePassword"))
                store->storePassword(server, name, QStringLiteral("pw"));
            else if (op == QLatin1String("clearPassword"))
                store->clearPassword(server, name);
            else if (op == QLatin1String("storeDoubleSec"))
                store->storeDoubleSec(server, name, QStringLiteral("ds"));
            else
                store->readDoubleSec(server, name);
        });
        QCOMPARE(what, error);
        QVERIFY(readItem(service(), store->itemKey()).isEmpty()); // nothing written
    }

    void unreadableItemFailsEveryOperation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("not JSON -> parser message") << "this is not json"
                                                    << "Cannot read UCL json document parse error: ";
        QTest::newRow("account that is not an object -> element index")
            << R"({"uclist":[1]})" << "Cannot read UCL json array: value 0 is not a json object";
        QTest::newRow("account without pw -> missing key")
            << R"({"uclist":[{"server":"PROD","name":"a"}]})" << "Cannot read UCL json object: missing key: 'pw'";
        QTest::newRow("key id of the wrong type -> not a number")
            << R"({"localKeys":[{"id":"1","key":"aa"}]})"
            << "Cannot read UCL json object: key 'id': value is not a number";
    }
    void unreadableItemFailsEveryOperation()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QVERIFY(writeItem(service(), store->itemKey(), text));
        const QString s = QStringLiteral("PROD"), n = QStringLiteral("alice");
        const QList<std::function<void()>> ops{
            [&] { store->readPassword(s, n); },
            [&] { store->storePassword(s, n, QStringLiteral("pw")); },
            [&] { store->clearPassword(s, n); },
            [&] { store->readDoubleSec(s, n); },
            [&] { store->storeDoubleSec(s, n, QStringLiteral("ds")); },
            [&] { store->readEncryptionKey(1); },
            [&] { store->storeEncryptionKey(1, QByteArray(16, '\x01')); },
        };
        for (int i = 0; i < ops.size(); ++i) {
            const QString what = thrownBy(ops.at(i));
            QVERIFY2(what.startsWith(error), qPrintable(QStringLiteral("operation %1: '%2'").arg(i).arg(what)));
        }
        QCOMPARE(readItem(service(), store->itemKey()), text); // neither repaired nor replaced
    }

    void emptyTextIsNeverWritten()
    {
        const auto backend = CredentialStore::keychainBackend(service());
        try {
            backend->write(QStringLiteral("some.key"), QString());
            QFAIL("an empty value was written");
        } catch (const KeychainException &e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Keychain value for key 'some.key' is empty"));
        }
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int writers = 4;
        constexpr int valuesEach = 6;
        auto account = [](int writer, int i) { return QStringLiteral("w%1-%2").arg(writer).arg(i); };
        auto value = [](int writer, int i) { return QStringLiteral("%1").arg(writer * 100 + i, 64, 10, QLatin1Char('0')); };
        if (qEnvironmentVariableIsSet("KORVEX_WRITER")) {
            // A child: one of several processes changing the item at once.
            const int writer = qEnvironmentVariableIntValue("KORVEX_WRITER");
            for (int i = 0; i < valuesEach; ++i)
                store->storeDoubleSec(QStringLiteral("PROD"), account(writer, i), value(writer, i));
            return;
        }
        std::vector<std::unique_ptr<QProcess>> children;
        for (int writer = 0; writer < writers; ++writer) {
            auto child = std::make_unique<QProcess>();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("KORVEX_WRITER"), QString::number(writer));
            child->setProcessEnvironment(environment);
            child->setProcessChannelMode(QProcess::MergedChannels);
            child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("concurrentWritersLoseNothing")});
            children.push_back(std::move(child));
        }
        for (auto &child : children) {
            QVERIFY(child->waitForFinished(60000));
            QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0, child->readAll().constData());
        }
        for (int writer = 0; writer < writers; ++writer)
            for (int i = 0; i < valuesEach; ++i)
                QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), account(writer, i)), value(writer, i));
    }

    void lockHeldTooLongFailsAndChangesNothing()
    {
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("pw"));
        const QString before = readItem(service(), store->itemKey());
        QLockFile other(store->lockFilePath()); // as another process would hold it
        QVERIFY(other.tryLock(0));
        store->setLockTimeout(200);
        const QString what = thrownBy([&] { store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab")); });
        QCOMPARE(what, QStringLiteral("Key store item KorvexSync.uclist is in use by another process"));
        QCOMPARE(readItem(service(), store->itemKey()), before);
        QCOMPARE(store->readPassword(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("pw")); // reading needs no lock
        other.unlock();
        store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab"));
        QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("ab"));
    }

    // A holder that waits long (on a key store prompt, say) still holds the
    // lock however old its file is: only a holder that is gone is stale.
    void oldLockOfALiveHolderIsNotTaken()
    {
        if (qEnvironmentVariableIsSet("KORVEX_HOLD_LOCK")) { // the child: holds the lock until told
            QLockFile lock(store->lockFilePath());
            QVERIFY(lock.tryLock(0));
            std::printf("held\n");
            std::fflush(stdout);
            QFile in;
            QVERIFY(in.open(stdin, QIODevice::ReadOnly));
            in.readLine();
            return;
        }
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("pw"));
        const QString before = readItem(service(), store->itemKey());
        QProcess holder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVEX_HOLD_LOCK"), QStringLiteral("1"));
        holder.setProcessEnvironment(environment);
        holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("oldLockOfALiveHolderIsNotTaken")});
        QByteArray line; // after the child's own test banner
        while (line != "held\n" && (holder.canReadLine() || holder.waitForReadyRead(20000)))
            line = holder.canReadLine() ? holder.readLine() : QByteArray();
        QCOMPARE(line, QByteArray("held\n"));
        // Held for two minutes already, as far as the file tells.
        const QByteArray lockFile = QFile::encodeName(store->lockFilePath());
        const struct utimbuf old{::time(nullptr) - 120, ::time(nullptr) - 120};
        QCOMPARE(::utime(lockFile.constData(), &old), 0);

        store->setLockTimeout(500);
        const QString what = thrownBy([&] { store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab")); });
        QCOMPARE(what, QStringLiteral("Key store item KorvexSync.uclist is in use by another process"));
        QCOMPARE(readItem(service(), store->itemKey()), before);
        holder.write("done\n");
        QVERIFY(holder.waitForFinished(20000));
        QCOMPARE(holder.exitCode(), 0);
    }

    void noKeyStoreMeansNoStorage()
    {
        if (qEnvironmentVariableIsSet("KORVEX_NO_KEY_STORE")) {
            // The child: no bus, no key store. Storing must fail loudly and
            // must not fall back to a file.
            const QString what = thrownBy([&] {
                store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("pw"));
            });
            QVERIFY2(what.contains(QLatin1String("while reading key")) || what.contains(QLatin1String("while writing key")),
                     qPrintable(what));
            QDirIterator it(QString::fromLocal8Bit(qgetenv("KORVEX_TEST_ROOT")), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile f(it.next());
                QVERIFY(f.open(QIODevice::ReadOnly));
                QVERIFY2(!f.readAll().contains("uclist"), qPrintable(f.fileName()));
            }
            return;
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVEX_NO_KEY_STORE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/korvex-bus"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("noKeyStoreMeansNoStorage")});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
    }
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "tst_credentialstore.moc"
