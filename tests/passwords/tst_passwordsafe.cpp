#include "SafeClient.h"
#include "TestEnv.h"
#include "app/Settings.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

// Stands in for the desktop's browser, which cannot run here.
class FakeBrowser : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// The password API and controller against the reference service: entries
// and their secrets, the clipboard with its wipe, and the lock by inactivity.
class TestPasswordSafe : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ServiceProcess> service;
    SafeClient client;

    // The stored secrets of the service's database, by entry title.
    QMap<QString, QByteArray> storedSecrets() const
    {
        QMap<QString, QByteArray> secrets;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "service");
            db.setDatabaseName(service->dataDir() + "/service.db3");
            db.setConnectOptions("QSQLITE_OPEN_READONLY");
            if (db.open()) {
                QSqlQuery q("SELECT title, secret FROM passwords", db);
                while (q.next())
                    secrets.insert(q.value(0).toString(), q.value(1).toByteArray());
            }
        }
        QSqlDatabase::removeDatabase("service");
        return secrets;
    }

    QString clipboardText() const { return QGuiApplication::clipboard()->text(); }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("pia", "pia-pw").ok());
        QVERIFY(service->addUser("max", "max-pw", {"--passwords-max", "2"}).ok());
        QCOMPARE(client.logIn(*service, "pia", "pia-pw"), QString());
    }
    void init() { QVERIFY(client.clear()); }

    void entriesRoundTrip_data()
    {
        QTest::addColumn<int>("generation");
        QTest::newRow("api generation 3 -> /api/sync/1/passwords") << 3;
        QTest::newRow("api generation 1 -> /rest/loggedin/2/passwords") << 1;
    }
    void entriesRoundTrip()
    {
        QFETCH(int, generation);
        SafeClient c;
        QCOMPARE(c.logIn(*service, "pia", "pia-pw", generation), QString());
        QCOMPARE(c.api->basePath(), generation == 1 ? QString("/rest/loggedin/2/passwords")
                                                    : QString("/api/sync/1/passwords"));
        const QString secret = QString::fromUtf8("Zürich-Pässwort ✓ 1");
        const auto created = c.create("Mail", secret, "pia@example.org", "https://mail.example.org", "two\nlines");
        QVERIFY2(created.isOk(), qPrintable(created.message));
        const auto listed = c.list();
        QVERIFY(listed.isOk());
        QCOMPARE(listed.value.passwordsMax, 100);
        QCOMPARE(listed.value.passwords.size(), 1);
        const EmptyPasswordTO entry = listed.value.passwords.first();
        QCOMPARE((QStringList{entry.id, entry.title, entry.username, entry.url, entry.comment}),
                 (QStringList{created.value.id, "Mail", "pia@example.org", "https://mail.example.org", "two\nlines"}));
        QCOMPARE(c.password(entry.id), std::optional<QString>(secret));

        // At rest the service keeps neither the clear text nor the transport form.
        const QByteArray stored = storedSecrets().value("Mail");
        QVERIFY(!stored.isEmpty());
        QVERIFY(!stored.contains(secret.toUtf8()));

        PasswordRecord record = PasswordRecord::from(entry);
        record.title = "Mail (new)";
        const auto changed =
            SafeClient::wait<EmptyPasswordTO>([&](auto cb) { c.controller->updatePassword(record, "second", cb); });
        QVERIFY2(changed.isOk(), qPrintable(changed.message));
        QCOMPARE(c.list().value.passwords.first().title, QString("Mail (new)"));
        QCOMPARE(c.password(entry.id), std::optional<QString>("second"));

        QVERIFY(c.remove(entry.id).isOk());
        QVERIFY(c.list().value.passwords.isEmpty());
        QVERIFY(!c.remove(entry.id).isOk());
    }

    void emptyPasswordAndFreshIvs()
    {
        const auto created = client.create("Empty", "");
        QVERIFY(created.isOk());
        const auto secret = client.secret(created.value.id);
        QCOMPARE(secret.value.password.size(), 32); // one block of padding
        QCOMPARE(client.controller->decryptPassword(secret.value), std::optional<QString>(QString()));

        PasswordRecord first, second;
        QVERIFY(client.controller->encryptPassword(first, "same"));
        QVERIFY(client.controller->encryptPassword(second, "same"));
        QVERIFY(first.transportIv != second.transportIv);
        QVERIFY(first.encryptedPassword != second.encryptedPassword);
    }

    void wrongSessionKeyIsAFailure()
    {
        const auto created = client.create("Bank", "s3cr3t-bank");
        client.controller->setClipboardTimeoutSeconds(2);
        client.controller->loadPasswordForClipboard(QPoint(), created.value.id, QString());
        QTRY_COMPARE(clipboardText(), QString("s3cr3t-bank"));
        const QByteArray key = client.session->sessionKey();
        client.session->setSessionKey(QByteArray(32, '\x5a'));
        const auto secret = client.secret(created.value.id);
        QVERIFY(secret.isOk());
        QCOMPARE(client.controller->decryptPassword(secret.value), std::nullopt);
        // A copy that fails says so, and the earlier copy is still wiped.
        QSignalSpy notices(client.controller.get(), &PasswordController::notice);
        QSignalSpy wiped(client.controller.get(), &PasswordController::clipboardWiped);
        client.controller->loadPasswordForClipboard(QPoint(), created.value.id, QString());
        QTRY_COMPARE(notices.count(), 2);
        QCOMPARE(notices.last().at(1).toString(), QString("Failed to retrieve password from server!"));
        QCOMPARE(clipboardText(), QString("s3cr3t-bank"));
        QVERIFY(wiped.wait(5000));
        QCOMPARE(clipboardText(), QString());
        client.controller->setClipboardTimeoutSeconds(10);
        // A session without key cannot encrypt: nothing is sent.
        client.session->setSessionKey(QByteArray());
        QCOMPARE(client.create("Nope", "x").code, ERR_INTERNAL);
        client.session->setSessionKey(key);
        QCOMPARE(client.password(created.value.id), std::optional<QString>("s3cr3t-bank"));
    }

    void maximumOfEntries()
    {
        SafeClient c;
        QCOMPARE(c.logIn(*service, "max", "max-pw"), QString());
        QVERIFY(c.clear());
        QVERIFY(c.create("one", "1").isOk());
        QVERIFY(c.create("two", "2").isOk());
        const auto full = c.create("three", "3");
        QCOMPARE(full.code, ERR_SERVER_STATUS);
        QVERIFY2(full.message.contains("code:10912"), qPrintable(full.message));
        const auto listed = c.list();
        QCOMPARE(listed.value.passwordsMax, 2);
        QCOMPARE(listed.value.passwords.size(), 2);
    }

    void breachedCheck()
    {
        const int a = client.create("a", "letmein").value.id.toInt();
        const int b = client.create("b", "letmein").value.id.toInt();
        QVERIFY(client.create("c", "c0rrect-h0rse-battery").isOk());
        auto check = [this](const QString &password) {
            auto r = SafeClient::wait<PasswordIdListTO>(
                [&](auto cb) { client.controller->checkBreached(QString(password), cb); });
            std::sort(r.value.ids.begin(), r.value.ids.end());
            return r.isOk() ? r.value.ids : QList<int>{-1};
        };
        QCOMPARE(check("letmein"), (QList<int>{qMin(a, b), qMax(a, b)}));
        QCOMPARE(check("c0rrect-h0rse-battery"), QList<int>());
    }

    void clipboardWipe_data()
    {
        QTest::addColumn<bool>("userCopiesMeanwhile");
        QTest::newRow("nothing copied meanwhile -> wiped after the time-out") << false;
        QTest::newRow("the user copied something else -> theirs stays") << true;
    }
    void clipboardWipe()
    {
        QFETCH(bool, userCopiesMeanwhile);
        const auto created = client.create("Copy me", "clip-secret");
        client.controller->setClipboardTimeoutSeconds(1);
        QSignalSpy notices(client.controller.get(), &PasswordController::notice);
        QSignalSpy wiped(client.controller.get(), &PasswordController::clipboardWiped);
        client.controller->loadPasswordForClipboard(QPoint(5, 5), created.value.id, QString());
        QTRY_COMPARE(clipboardText(), QString("clip-secret"));
        QCOMPARE(notices.count(), 2);
        QCOMPARE(notices.at(0).at(1).toString(), QString("Retrieving remote password..."));
        QCOMPARE(notices.at(1).at(1).toString(), QString("Password copied to clipboard"));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat("x-kde-passwordManagerHint"));
        if (userCopiesMeanwhile) {
            QGuiApplication::clipboard()->setText("my own text");
            QTest::qWait(1500); // past the time-out
            QCOMPARE(clipboardText(), QString("my own text"));
            QCOMPARE(wiped.count(), 0);
        } else {
            QVERIFY(wiped.wait(5000));
            QCOMPARE(clipboardText(), QString());
        }
        client.controller->setClipboardTimeoutSeconds(10);
    }

    void lockByInactivity_data()
    {
        QTest::addColumn<int>("lockSeconds");
        QTest::addColumn<int>("secondsLater"); // since the last operation, the client closed meanwhile
        QTest::addColumn<bool>("expired");
        QTest::newRow("60 s, 30 s later -> open") << 60 << 30 << false;
        QTest::newRow("60 s, 61 s later with the client closed -> locks") << 60 << 61 << true;
        QTest::newRow("never (-1), a day later -> open") << -1 << 86400 << false;
        QTest::newRow("clock set back an hour -> open") << 60 << -3600 << false;
    }
    void lockByInactivity()
    {
        QFETCH(int, lockSeconds);
        QFETCH(int, secondsLater);
        QFETCH(bool, expired);
        qint64 now = 1'900'000'000;
        Settings::setValue(Settings::PasswordLockSeconds, lockSeconds);
        {
            // One run of the client: an operation, then it quits.
            PasswordController first(client.api.get(), client.session.get(), nullptr, [&] { return now; });
            first.setLocked(false);
            QVERIFY(!first.isLockTimeoutExpired());
        }
        now += secondsLater;
        PasswordController second(client.api.get(), client.session.get(), nullptr, [&] { return now; });
        QCOMPARE(second.isLockTimeoutExpired(), expired);
    }

    void lockSettings()
    {
        PasswordController controller(client.api.get(), client.session.get());
        controller.setLockIntervalMinutes(0);
        QCOMPARE(Settings::value(Settings::PasswordLockSeconds).toInt(), -1);
        controller.setLockIntervalMinutes(5);
        QCOMPARE(Settings::value(Settings::PasswordLockSeconds).toInt(), 300);
        QCOMPARE(controller.lockIntervalMinutes(), 5);

        QSignalSpy changed(&controller, &PasswordController::lockedChanged);
        controller.setLocked(true);
        QCOMPARE(changed.count(), 1);
        // The locked state survives a restart, unless automatic unlock is on.
        QVERIFY(PasswordController(client.api.get(), client.session.get()).isLocked());
        controller.setAutoUnlock(true);
        QVERIFY(!PasswordController(client.api.get(), client.session.get()).isLocked());
        controller.setAutoUnlock(false);
    }

    void webAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("opened"); // empty: refused
        QTest::newRow("no scheme -> completed to http") << "example.org/login" << "http://example.org/login";
        QTest::newRow("https -> as typed") << "https://bank.example" << "https://bank.example";
        QTest::newRow("file: -> refused") << "file:///etc/passwd" << "";
        QTest::newRow("javascript: -> refused") << "javascript:alert(1)" << "";
    }
    void webAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, opened);
        FakeBrowser browser;
        for (const char *scheme : {"http", "https", "file", "javascript"})
            QDesktopServices::setUrlHandler(scheme, &browser, "open");
        const bool ok = client.controller->openUrlInBrowser(QPoint(), "1", typed);
        for (const char *scheme : {"http", "https", "file", "javascript"})
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(ok, !opened.isEmpty());
        QCOMPARE(browser.urls, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
    }
};

QTEST_MAIN(TestPasswordSafe)
#include "tst_passwordsafe.moc"
