#include "TestEnv.h"
#include "ThrownBy.h"
#include "drive/CredentialStore.h"
#include "sync/Crypto.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <ctime>
#include <functional>
#include <utime.h>

namespace {
// This program again, running only `test` as the child side, with KORVEX_CHILD
// set to `role` (and `extra` on top of the environment).
std::unique_ptr<QProcess> startChild(const char *test, const QString &role, QProcess::ProcessChannelMode channels,
                                     const QProcessEnvironment &extra = {})
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVEX_CHILD"), role);
    environment.insert(extra);
    child->setProcessEnvironment(environment);
    child->setProcessChannelMode(channels);
    child->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(test)});
    return child;
}

QString childRole()
{
    return qEnvironmentVariable("KORVEX_CHILD");
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
    // The item's text as the key store holds it (empty when absent).
    QString rawItem() const { return CredentialStore::keychainBackend(service())->read(store->itemKey()); }
    QJsonObject item() const { return QJsonDocument::fromJson(rawItem().toUtf8()).object(); }
    // Waits for a child started by startChild; true when its test passed.
    static bool passed(QProcess &child)
    {
        return child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    }
    // Every operation of the store, on account `n` of server `s`, by name.
    QMap<QString, std::function<void()>> operations(const QString &s, const QString &n)
    {
        return {{"readPassword", [=] { store->readPassword(s, n); }},
                {"storePassword", [=] { store->storePassword(s, n, QStringLiteral("pw")); }},
                {"clearPassword", [=] { store->clearPassword(s, n); }},
                {"readDoubleSec", [=] { store->readDoubleSec(s, n); }},
                {"storeDoubleSec", [=] { store->storeDoubleSec(s, n, QStringLiteral("ds")); }},
                {"readEncryptionKey", [=] { store->readEncryptionKey(1); }},
                {"storeEncryptionKey", [=] { store->storeEncryptionKey(1, QByteArray(16, '\x01')); }}};
    }

private slots:
    void initTestCase()
    {
        if (childRole() == QLatin1String("no-key-store"))
            return; // the child of noKeyStoreMeansNoStorage runs without a bus
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"),
                 "needs a D-Bus session with an unlocked key store: run under scripts/with-keyring");
    }
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        store = std::make_unique<CredentialStore>(env->appInfo());
        if (childRole().isEmpty())
            CredentialStore::keychainBackend(service())->remove(store->itemKey()); // a fresh item per test
    }
    void cleanup()
    {
        store.reset();
        env.reset();
    }

    void firstPasswordCreatesTheItem()
    {
        QVERIFY(rawItem().isEmpty());
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("s3cret pässword"));
        const QJsonObject doc = item();
        QCOMPARE(doc.value(QStringLiteral("uclist")).toArray().size(), 1);
        QCOMPARE(doc.value(QStringLiteral("localKeys")), QJsonValue(QJsonArray()));
        const QJsonObject account = doc.value(QStringLiteral("uclist")).toArray().first().toObject();
        QCOMPARE(account.value(QStringLiteral("server")).toString(), QStringLiteral("PROD"));
        QCOMPARE(account.value(QStringLiteral("name")).toString(), QStringLiteral("alice"));
        QVERIFY(!account.contains(QStringLiteral("dsec"))); // written only when not empty
        const QString pw = account.value(QStringLiteral("pw")).toString();
        QVERIFY(!pw.contains(QStringLiteral("s3cret")));
        QCOMPARE(decryptStoredValue(pw), QStringLiteral("s3cret pässword"));
        // The stored text is compact JSON.
        QVERIFY(!rawItem().contains(QLatin1Char('\n')));
    }

    // Replacing one entry or clearing a password leaves every other entry as
    // it was; entries never stored read empty.
    void changesLeaveTheRestIntact()
    {
        const QString prod("PROD"), test("INT"), alice("alice"), nobody("nobody");
        store->storePassword(prod, alice, QStringLiteral("a-pw"));
        store->storeDoubleSec(prod, alice, QStringLiteral("a-dsec"));
        store->storePassword(test, alice, QStringLiteral("int-pw"));
        store->storeEncryptionKey(1, QByteArray::fromHex("0101010101010101"));
        store->storeEncryptionKey(2, QByteArray::fromHex("0202020202020202"));

        store->storeEncryptionKey(1, QByteArray::fromHex("A1A1A1A1A1A1A1A1"));

        // Every entry stored above, then three never stored.
        const auto reads = [&] {
            return QStringList{store->readEncryptionKey(1), store->readEncryptionKey(2), store->readPassword(prod, alice),
                               store->readDoubleSec(prod, alice), store->readPassword(test, alice),
                               store->readPassword(prod, nobody), store->readDoubleSec(test, nobody),
                               store->readEncryptionKey(7)};
        };
        QCOMPARE(reads(), (QStringList{"a1a1a1a1a1a1a1a1", "0202020202020202", "a-pw", "a-dsec", "int-pw", "", "", ""}));
        QCOMPARE(item().value(QStringLiteral("localKeys")).toArray().size(), 2);
        QCOMPARE(item().value(QStringLiteral("uclist")).toArray().size(), 2);

        store->clearPassword(prod, alice);
        QCOMPARE(reads(), (QStringList{"a1a1a1a1a1a1a1a1", "0202020202020202", "", "a-dsec", "int-pw", "", "", ""}));
        QCOMPARE(item().value(QStringLiteral("uclist")).toArray().first().toObject().value(QStringLiteral("pw")),
                 QJsonValue(QString()));
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
        QCOMPARE(thrownBy(operations(server, name).value(op)), error);
        if (op == QLatin1String("readDoubleSec"))
            QCOMPARE(store->readDoubleSec(server, name), QString());
        QVERIFY(rawItem().isEmpty()); // nothing written
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
        CredentialStore::keychainBackend(service())->write(store->itemKey(), text);
        const auto ops = operations(QStringLiteral("PROD"), QStringLiteral("alice"));
        for (auto op = ops.cbegin(); op != ops.cend(); ++op) {
            const QString what = thrownBy(op.value());
            QVERIFY2(what.startsWith(error), qPrintable(QStringLiteral("%1: '%2'").arg(op.key(), what)));
        }
        QCOMPARE(rawItem(), text); // neither repaired nor replaced
    }

    void emptyTextIsNeverWritten()
    {
        const auto backend = CredentialStore::keychainBackend(service());
        QCOMPARE(thrownBy([&] { backend->write(QStringLiteral("some.key"), QString()); }),
                 QStringLiteral("Keychain value for key 'some.key' is empty"));
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int writers = 4;
        constexpr int valuesEach = 6;
        auto account = [](int writer, int i) { return QStringLiteral("w%1-%2").arg(writer).arg(i); };
        auto value = [](int writer, int i) { return QStringLiteral("%1").arg(writer * 100 + i, 64, 10, QLatin1Char('0')); };
        if (childRole().startsWith(QLatin1String("writer"))) {
            // A child: one of several processes changing the item at once.
            const int writer = childRole().mid(6).toInt();
            for (int i = 0; i < valuesEach; ++i)
                store->storeDoubleSec(QStringLiteral("PROD"), account(writer, i), value(writer, i));
            return;
        }
        std::vector<std::unique_ptr<QProcess>> children;
        for (int writer = 0; writer < writers; ++writer)
            children.push_back(startChild("concurrentWritersLoseNothing", QStringLiteral("writer%1").arg(writer),
                                          QProcess::MergedChannels));
        for (auto &child : children)
            QVERIFY2(passed(*child), child->readAll().constData());
        for (int writer = 0; writer < writers; ++writer)
            for (int i = 0; i < valuesEach; ++i)
                QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), account(writer, i)), value(writer, i));
    }

    void lockHeldTooLongFailsAndChangesNothing()
    {
        store->storePassword(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("pw"));
        const QString before = rawItem();
        QLockFile other(store->lockFilePath()); // as another process would hold it
        QVERIFY(other.tryLock(0));
        store->setLockTimeout(200);
        const QString what = thrownBy([&] { store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab")); });
        QCOMPARE(what, QStringLiteral("Key store item KorvexSync.uclist is in use by another process"));
        QCOMPARE(rawItem(), before);
        QCOMPARE(store->readPassword(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("pw")); // reading needs no lock
        other.unlock();
        store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab"));
        QCOMPARE(store->readDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice")), QStringLiteral("ab"));
    }

    // A holder that waits long (on a key store prompt, say) still holds the
    // lock however old its file is: only a holder that is gone is stale.
    void oldLockOfALiveHolderIsNotTaken()
    {
        if (childRole() == QLatin1String("holder")) { // the child: holds the lock until told
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
        const QString before = rawItem();
        const auto holder = startChild("oldLockOfALiveHolderIsNotTaken", QStringLiteral("holder"),
                                       QProcess::ForwardedErrorChannel);
        QByteArray line; // after the child's own test banner
        while (line != "held\n" && (holder->canReadLine() || holder->waitForReadyRead(20000)))
            line = holder->canReadLine() ? holder->readLine() : QByteArray();
        QCOMPARE(line, QByteArray("held\n"));
        // Held for two minutes already, as far as the file tells.
        const QByteArray lockFile = QFile::encodeName(store->lockFilePath());
        const struct utimbuf old{::time(nullptr) - 120, ::time(nullptr) - 120};
        QCOMPARE(::utime(lockFile.constData(), &old), 0);

        store->setLockTimeout(500);
        const QString what = thrownBy([&] { store->storeDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"), QStringLiteral("ab")); });
        QCOMPARE(what, QStringLiteral("Key store item KorvexSync.uclist is in use by another process"));
        QCOMPARE(rawItem(), before);
        holder->write("done\n");
        QVERIFY(holder->waitForFinished(20000));
        QCOMPARE(holder->exitCode(), 0);
    }

    void noKeyStoreMeansNoStorage()
    {
        if (childRole() == QLatin1String("no-key-store")) {
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
        QProcessEnvironment noBus;
        noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/korvex-bus"));
        const auto child = startChild("noKeyStoreMeansNoStorage", QStringLiteral("no-key-store"), QProcess::MergedChannels, noBus);
        QVERIFY2(passed(*child), child->readAll().constData());
    }
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "tst_credentialstore.moc"
