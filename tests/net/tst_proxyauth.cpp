#include "NetTestUtil.h"
#include "ScriptedPeer.h"
#include "TestEnv.h"
#include "app/Settings.h"
#include "net/NetProxy.h"
#include "net/OndoSession.h"
#include "sync/Crypto.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

namespace {
// Basic credentials as the platform sends them without a charset in the
// challenge: Latin-1.
QByteArray basic(const QString &user, const QString &password)
{
    return "Basic " + (user + QLatin1Char(':') + password).toLatin1().toBase64();
}

// What the settings hold under `key`.
QVariant saved(const SettingKey &key)
{
    return QSettings().value(key.name());
}
QString savedPassword()
{
    return decryptStoredValue(saved(Settings::NetProxyPassword).toString());
}
} // namespace

// The proxy authentication state machine against a scripted HTTP proxy that
// wants Basic credentials: saved credentials go only to their own proxy,
// failing ones are dropped and the user is asked, credentials that worked
// are saved (password encrypted, as hexadecimal text).
class TestProxyAuth : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ScriptedPeer> proxy;
    QList<QByteArray> seenAuthorizations;
    // What the "user" answers, in order; an empty user cancels.
    QList<QPair<QString, QString>> answers;
    int asked = 0;
    const QString goodUser = QStringLiteral("bob");
    const QString goodPassword = QStringLiteral("pr0xy pässword");

    QString proxyUrl() const { return QStringLiteral("127.0.0.1:%1").arg(proxy->port()); }

    std::unique_ptr<OndoSession> newSession()
    {
        SessionOptions options;
        const quint16 port = proxy->port();
        options.networkAccessManagerFactory = [port](QObject *parent) {
            auto *nam = new QNetworkAccessManager(parent);
            nam->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
            return nam;
        };
        auto session = std::make_unique<OndoSession>(options);
        session->setServer(testServer(QStringLiteral("http://service.test:8080")));
        connect(session.get(), &OndoSession::proxyAuthenticationRequired, this,
                [this](const QNetworkProxy &, QAuthenticator *auth, bool *canceled) {
                    ++asked;
                    const auto answer = answers.isEmpty() ? qMakePair(QString(), QString()) : answers.takeFirst();
                    if (answer.first.isEmpty()) {
                        *canceled = true;
                        return;
                    }
                    auth->setUser(answer.first);
                    auth->setPassword(answer.second);
                });
        return session;
    }

    // Saves credentials for the proxy on 127.0.0.1:`port`.
    static void save(quint16 port, const QString &user, const QString &password)
    {
        NetProxy saved;
        saved.setHost(QStringLiteral("127.0.0.1"), port);
        saved.setUser(user);
        saved.setPassword(password);
        saved.saveToSettings();
    }

    // The proxy lets through only `expected` and challenges everything else.
    void acceptOnly(const QByteArray &expected)
    {
        proxy->setScript([this, expected](const PeerRequest &r, PeerConnection *c) {
            const QByteArray given = r.header("proxy-authorization");
            if (!given.isEmpty())
                seenAuthorizations << given;
            if (given == expected)
                c->reply(200, envelope());
            else
                c->reply(407, "denied", {"Proxy-Authenticate: Basic realm=\"korvex-test\""}, "text/plain");
        });
    }

    ErrorCode getThroughProxy(OndoSession &session)
    {
        auto outcomes = std::make_shared<Outcomes>();
        session.send<Nothing>(Request::createGet(QStringLiteral("/api/sync/1/public/version")), recordInto<Nothing>(outcomes));
        if (!QTest::qWaitFor([&] { return outcomes->calls > 0; }, 10000))
            return ERR_INTERNAL;
        return outcomes->lastCode();
    }

private slots:
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
        env->settings()->sync();
        seenAuthorizations.clear();
        answers.clear();
        asked = 0;
        proxy = std::make_unique<ScriptedPeer>();
        QVERIFY(proxy->start());
        acceptOnly(basic(goodUser, goodPassword));
    }
    void cleanup()
    {
        proxy.reset();
        env.reset();
    }

    // Saved credentials are neither sent to nor removed for another proxy.
    void savedCredentialsGoOnlyToTheirProxy()
    {
        save(1, QStringLiteral("alice"), QStringLiteral("for proxy A"));
        auto session = newSession();
        answers << qMakePair(QString(), QString()); // the user cancels
        QCOMPARE(getThroughProxy(*session), ERR_PROXY_AUTH_REQUIRED);
        QCOMPARE(asked, 1);
        QVERIFY(!seenAuthorizations.contains(basic(QStringLiteral("alice"), QStringLiteral("for proxy A"))));
        QCOMPARE(session->proxyAuthState(), OndoSession::PROXYAUTH_NONE); // canceled: session reset
        NetProxy other, own;
        other.setHost(QStringLiteral("127.0.0.1"), proxy->port());
        other.removeFromSettings();
        QCOMPARE(saved(Settings::NetProxyUrl).toString(), QStringLiteral("127.0.0.1:1"));
        QCOMPARE(saved(Settings::NetProxyUser).toString(), QStringLiteral("alice"));
        QCOMPARE(savedPassword(), QStringLiteral("for proxy A"));
        own.setHost(QStringLiteral("127.0.0.1"), 1);
        own.removeFromSettings();
        QVERIFY(!saved(Settings::NetProxyUrl).isValid());
    }

    void failingSavedCredentialsAreRemovedAndTheUserAsked_data()
    {
        QTest::addColumn<bool>("userAnswers");
        QTest::newRow("user gives working credentials -> success, they are saved") << true;
        QTest::newRow("user cancels -> failure, nothing saved any more") << false;
    }
    void failingSavedCredentialsAreRemovedAndTheUserAsked()
    {
        QFETCH(bool, userAnswers);
        save(proxy->port(), goodUser, QStringLiteral("outdated"));
        auto session = newSession();
        answers << (userAnswers ? qMakePair(goodUser, goodPassword) : qMakePair(QString(), QString()));
        const ErrorCode code = getThroughProxy(*session);
        QCOMPARE(asked, 1);
        QVERIFY(seenAuthorizations.contains(basic(goodUser, QStringLiteral("outdated"))));
        if (userAnswers) {
            QCOMPARE(code, ERR_NONE);
            QCOMPARE(session->proxyAuthState(), OndoSession::PROXYAUTH_SUCCESS);
            QCOMPARE(savedPassword(), goodPassword);
        } else {
            QCOMPARE(code, ERR_PROXY_AUTH_REQUIRED);
            QVERIFY(!saved(Settings::NetProxyUrl).isValid()); // nothing saved any more
        }
    }

    void newCredentialsThatWorkAreSavedEncrypted_askNobodyUntilChallengedAgain()
    {
        auto session = newSession();
        // A wrong answer is asked again; only what worked is saved.
        answers << qMakePair(goodUser, QStringLiteral("typo")) << qMakePair(goodUser, goodPassword);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QCOMPARE(getThroughProxy(*session), ERR_NONE);
        QCOMPARE(asked, 2);
        QCOMPARE(session->proxyAuthState(), OndoSession::PROXYAUTH_SUCCESS);
        QCOMPARE(saved(Settings::NetProxyUrl).toString(), proxyUrl());
        QCOMPARE(saved(Settings::NetProxyUser).toString(), goodUser);
        const QDateTime created = saved(Settings::NetProxyCreatedTs).toDateTime();
        QVERIFY(created.isValid() && created >= before);
        const QString passwordText = saved(Settings::NetProxyPassword).toString();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]+$")).match(passwordText).hasMatch());
        QVERIFY(!passwordText.contains(goodPassword));
        QCOMPARE(savedPassword(), goodPassword);

        // The next session sends the saved credentials and asks nobody ...
        auto next = newSession();
        QCOMPARE(getThroughProxy(*next), ERR_NONE);
        QCOMPARE(asked, 2);
        QCOMPARE(next->proxyAuthState(), OndoSession::PROXYAUTH_SUCCESS);
        QCOMPARE(seenAuthorizations.last(), basic(goodUser, goodPassword));
        // ... until they stop working (changed on the proxy): the user is
        // asked again instead of every request failing for good.
        acceptOnly(basic(goodUser, QStringLiteral("rotated")));
        answers << qMakePair(goodUser, QStringLiteral("rotated"));
        QCOMPARE(getThroughProxy(*next), ERR_NONE);
        QCOMPARE(asked, 3);
        QCOMPARE(savedPassword(), QStringLiteral("rotated"));
    }

    void undecryptableSavedPasswordCountsAsNone()
    {
        save(proxy->port(), goodUser, goodPassword);
        QSettings().setValue(Settings::NetProxyPassword.name(), QStringLiteral("zz-not-hex"));
        NetProxy p;
        QVERIFY(!p.loadFromSettings(proxyUrl()));
        QVERIFY(p.password().isEmpty());
        auto session = newSession();
        answers << qMakePair(goodUser, goodPassword);
        QCOMPARE(getThroughProxy(*session), ERR_NONE);
        QCOMPARE(asked, 1);
    }
};

QTEST_GUILESS_MAIN(TestProxyAuth)
#include "tst_proxyauth.moc"
