#include "TestEnv.h"
#include "db/OndoDatabase.h"
#include "db/UserDao.h"
#include "drive/CredentialStore.h"
#include "net/OndoSession.h"
#include "net/Request.h"
#include "net/ServerList.h"
#include "ri/LoginController.h"
#include "ri/LoginRI.h"
#include "support/ServiceProcess.h"

#include <QImage>
#include <QSqlQuery>
#include <QtTest>

// The login against the reference service over HTTPS with full certificate
// verification, with the real database and the real key store.
class TestLoginRI : public QObject
{
    Q_OBJECT

    struct Client
    {
        std::unique_ptr<OndoSession> session;
        std::unique_ptr<UserDao> users;
        std::unique_ptr<LoginRI> login;
    };

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ServiceProcess> service;
    std::unique_ptr<OndoDatabase> database;
    std::unique_ptr<CredentialStore> credentials;

    std::unique_ptr<Client> makeClient()
    {
        auto c = std::make_unique<Client>();
        SessionOptions options;
        options.caFile = service->caFile();
        c->session = std::make_unique<OndoSession>(options);
        c->session->setServer(ServerTO{"CUSTOM", "Custom", "CUSTOM", service->baseUrl(), true});
        c->users = std::make_unique<UserDao>(database.get());
        c->login = std::make_unique<LoginRI>(c->session.get(), c->users.get(), env->appInfo(), credentials.get(),
                                             LoginRI::Device{"device-1", "Korvex Sync-42"});
        return c;
    }

    // Runs doLogin; returns the outcome once it arrived (code -1: none in time).
    static std::pair<int, QString> waitFor(std::optional<EmptyResult> &outcome, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!outcome && t.elapsed() < ms)
            QTest::qWait(20);
        return outcome ? std::make_pair(int(outcome->code), outcome->message) : std::make_pair(-1, QString());
    }

    // The steps a progress spy saw, in order.
    static QList<int> steps(const QSignalSpy &progress)
    {
        QList<int> steps;
        for (const auto &args : progress)
            steps << args.at(0).value<ILoginRI::Step>();
        return steps;
    }

    // A plain login of `c`; its outcome.
    static std::pair<int, QString> login(Client &c, const QString &user, const QString &password)
    {
        std::optional<EmptyResult> outcome;
        c.login->doLogin(user, password, [&](const EmptyResult &r) { outcome = r; });
        return waitFor(outcome);
    }

    // A login that answers the second factor with `method`, reading the TAN
    // the service delivered out of band; `wrongFirst` types a wrong TAN first.
    std::pair<int, QString> loginWithTan(Client &c, const QString &user, const QString &password,
                                         TwoFactorMethod method, bool wrongFirst = false)
    {
        std::optional<EmptyResult> outcome;
        int asked = 0;
        QObject ctx;
        auto answer = [&] {
            const auto tan = service->latestTan(user);
            c.login->setTanCode(tan ? tan->tan.toLower() : QStringLiteral("0000"));
        };
        connect(c.login.get(), &LoginRI::tanRequired, &ctx, [&](bool userError) {
            ++asked;
            if (!userError)
                c.login->selectTanMethod(method);
            else
                answer(); // the challenge stays; only the TAN was wrong
        });
        auto onChallenge = [&](const QString &) {
            if (wrongFirst) {
                wrongFirst = false;
                c.login->setTanCode(QStringLiteral("ZZZZ"));
            } else {
                answer();
            }
        };
        connect(c.login.get(), &LoginRI::smsCodeReferenceChanged, &ctx, onChallenge);
        connect(c.login.get(), &LoginRI::photoTanChanged, &ctx, onChallenge);
        connect(c.login.get(), &LoginRI::iTanChanged, &ctx, onChallenge);
        c.login->doLogin(user, password, [&](const EmptyResult &r) { outcome = r; });
        return waitFor(outcome);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        registerErrorCodeMetaType();
        qRegisterMetaType<ILoginRI::Step>();
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("alice", "alice-pw").ok());
        QVERIFY(service->addUser("sms", "pw-sms", {"--2fa", "SMS", "--mobile", "+49170123456"}).ok());
        QVERIFY(service->addUser("mtan", "pw-mtan", {"--2fa", "MTAN", "--mobile", "+49170999"}).ok());
        QVERIFY(service->addUser("photo", "pw-photo", {"--2fa", "PHOTOTAN"}).ok());
        QVERIFY(service->addUser("itan", "pw-itan", {"--2fa", "ITAN"}).ok());
        QVERIFY(service->addUser("chain", "pw-chain", {"--2fa", "SMS"}).ok());
        QVERIFY(service->addUser("old", "pw-old", {"--state", "EXPIRED"}).ok());
        QVERIFY(service->addUser("heir", "pw-heir", {"--state", "INHERITANCE_EXECUTED"}).ok());
        database = std::make_unique<OndoDatabase>();
        database->init(env->appInfo()->databasePath(), env->appInfo()->appName());
        QVERIFY(database->isInitialised());
        credentials = std::make_unique<CredentialStore>(env->appInfo());
    }

    void loginWithoutSecondFactor()
    {
        auto c = makeClient();
        QSignalSpy progress(c->login.get(), &LoginRI::progress);
        // Capitals in the name: the handshake always uses the lower-case name.
        QCOMPARE(login(*c, "Alice", "alice-pw").first, 0);
        QCOMPARE(c->session->sessionKey().size(), 32);
        QVERIFY(!c->session->xsrfToken().isEmpty());
        QCOMPARE(c->session->account().name, QString("alice"));
        QVERIFY(c->session->account().id > 0);
        QVERIFY(!c->login->isLoginInProgress());
        QCOMPARE(steps(progress), (QList<int>{0, 1, 1, 2, 14, 2, 8}));

        const User user = c->users->loadUser("alice", "CUSTOM");
        QVERIFY(user.isValid());
        QVERIFY(user.lastLogin.isValid());
        QVERIFY(qAbs(user.lastLogin.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }

    void secondFactor_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("wrongFirst");
        QTest::newRow("SMS, a wrong TAN first -> asked again, logged in")
            << "sms" << "pw-sms" << int(TwoFactorMethod::Sms) << true;
        QTest::newRow("mTAN -> logged in") << "mtan" << "pw-mtan" << int(TwoFactorMethod::Mtan) << false;
        QTest::newRow("photoTAN -> logged in") << "photo" << "pw-photo" << int(TwoFactorMethod::PhotoTan) << false;
        QTest::newRow("iTAN -> logged in") << "itan" << "pw-itan" << int(TwoFactorMethod::ITan) << false;
    }
    void secondFactor()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, method);
        QFETCH(bool, wrongFirst);
        auto c = makeClient();
        QSignalSpy progress(c->login.get(), &LoginRI::progress);
        QSignalSpy tanRequired(c->login.get(), &LoginRI::tanRequired);
        QSignalSpy methods(c->login.get(), &LoginRI::twoFactorMethodsChanged);
        QSignalSpy mobile(c->login.get(), &LoginRI::mobileNumberChanged);
        QSignalSpy photo(c->login.get(), &LoginRI::photoTanChanged);
        QSignalSpy itan(c->login.get(), &LoginRI::iTanChanged);
        const auto [code, message] = loginWithTan(*c, user, password, TwoFactorMethod(method), wrongFirst);
        QVERIFY2(code == 0, qPrintable(message));
        // The challenge stays after a wrong TAN; only the TAN is asked again.
        QCOMPARE(tanRequired.count(), wrongFirst ? 2 : 1);
        QCOMPARE(tanRequired.last().at(0).toBool(), wrongFirst);
        QCOMPARE(steps(progress).contains(ILoginRI::TanRejected), wrongFirst);
        QCOMPARE(methods.count(), 1);
        const auto offered = methods.first().at(0).value<TwoFactorMethods>();
        QVERIFY(offered.contains(TwoFactorMethod(method)));
        QCOMPARE(offered.value(TwoFactorMethod(method)), TwoFactorMethodState::Active);
        QVERIFY(!offered.contains(TwoFactorMethod::DoubleSec)); // nothing stored for this device yet
        if (TwoFactorMethod(method) == TwoFactorMethod::Mtan)
            QCOMPARE(mobile.first().at(0).toString().isEmpty(), false);
        if (TwoFactorMethod(method) == TwoFactorMethod::PhotoTan) {
            QCOMPARE(photo.count(), 1);
            QVERIFY(!QImage::fromData(QByteArray::fromBase64(photo.first().at(0).toString().toLatin1())).isNull());
        }
        if (TwoFactorMethod(method) == TwoFactorMethod::ITan) {
            QCOMPARE(itan.count(), 1);
            const auto tan = service->latestTan(user);
            QVERIFY(tan);
            QVERIFY(itan.first().at(0).toString().endsWith(QString::number(tan->index).right(3)));
        }
        QCOMPARE(c->session->sessionKey().size(), 32);
        // The TAN set up doubleSec for this device.
        QVERIFY(!credentials->readDoubleSec("CUSTOM", user).isEmpty());
    }

    void doubleSecChainOverThreeLogins()
    {
        // First login: a TAN, which sets the device-bound value up.
        auto first = makeClient();
        QCOMPARE(loginWithTan(*first, "chain", "pw-chain", TwoFactorMethod::Sms).first, 0);
        QString previous = credentials->readDoubleSec("CUSTOM", "chain");
        QCOMPARE(previous.size(), 64);

        for (int round = 2; round <= 3; ++round) {
            auto c = makeClient();
            QSignalSpy challenges(c->login.get(), &LoginRI::smsCodeReferenceChanged);
            QSignalSpy progress(c->login.get(), &LoginRI::progress);
            QObject ctx;
            connect(c->login.get(), &LoginRI::twoFactorMethodsChanged, &ctx, [&](const TwoFactorMethods &m) {
                if (m.contains(TwoFactorMethod::DoubleSec))
                    c->login->selectTanMethod(TwoFactorMethod::DoubleSec);
            });
            const auto [code, message] = login(*c, "chain", "pw-chain");
            QVERIFY2(code == 0, qPrintable(QString("round %1: %2").arg(round).arg(message)));
            QCOMPARE(challenges.count(), 0); // no TAN was sent
            QVERIFY(steps(progress).contains(ILoginRI::ConcludeWithDoubleSec));
            const QString next = credentials->readDoubleSec("CUSTOM", "chain");
            QCOMPARE(next.size(), 64);
            QVERIFY2(next != previous, "the value is rotated after each login");
            previous = next;
        }
    }

    // Refused logins leave the session without key or account.
    void refusedLogins_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // empty: not compared
        QTest::newRow("wrong password -> login failed") << "alice" << "not-the-password" << int(ERR_LOGIN_FAILED) << "";
        QTest::newRow("unknown user -> login failed") << "nobody" << "x" << int(ERR_LOGIN_FAILED) << "";
        QTest::newRow("expired -> 19") << "old" << "pw-old" << int(ERR_ACCOUNT_EXPIRED) << "Account expired";
        QTest::newRow("inherited -> 20") << "heir" << "pw-heir" << int(ERR_ACCOUNT_INHERITED) << "Account inherited";
    }
    void refusedLogins()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, code);
        QFETCH(QString, message);
        auto c = makeClient();
        const auto result = login(*c, user, password);
        QCOMPARE(result.first, code);
        if (!message.isEmpty())
            QCOMPARE(result.second, message);
        QVERIFY(c->session->sessionKey().isEmpty());
        QVERIFY(!c->session->account().isValid());
    }

    void secondLoginWhileOneRuns()
    {
        auto c = makeClient();
        int firstCalls = 0;
        std::optional<EmptyResult> second;
        // The first attempt's opening reply comes late, after the second
        // attempt has logged in; it would carry another server session's cookie.
        QVERIFY(service->delay(QStringLiteral("/api/sync/1/auth/login"), 700, QStringLiteral("POST")));
        c->login->doLogin("alice", "wrong-and-slow", [&](const EmptyResult &) { ++firstCalls; });
        // The second attempt replaces the first before its replies arrive.
        c->login->doLogin("alice", "alice-pw", [&](const EmptyResult &r) { second = r; });
        QCOMPARE(waitFor(second).first, 0);
        QTest::qWait(1000); // late replies of the first attempt change nothing
        QCOMPARE(firstCalls, 0);
        QCOMPARE(c->session->sessionKey().size(), 32);
        QVERIFY(c->session->account().isValid());
        // The session still talks to the server session it logged in to.
        std::optional<Result<QByteArray>> token;
        c->session->sendRaw(Request::createGet(QStringLiteral("/api/sync/1/account/xsrfToken")), nullptr,
                            [&](const Result<QByteArray> &r) { token = r; });
        QVERIFY(QTest::qWaitFor([&] { return token.has_value(); }, 20000));
        QVERIFY2(token->isOk(), qPrintable(token->message));
    }

    // Out-of-order second-factor input ends the login with its reason.
    void secondFactorMisuse_data()
    {
        QTest::addColumn<bool>("tanFirst");
        QTest::addColumn<QString>("message");
        QTest::newRow("TAN before a method -> refused") << true << "Supplied TAN code while no authentication is in progress";
        QTest::newRow("method the user lacks -> refused") << false << "Selected 2FA method is not supported";
    }
    void secondFactorMisuse()
    {
        QFETCH(bool, tanFirst);
        QFETCH(QString, message);
        auto c = makeClient();
        QObject ctx;
        connect(c->login.get(), &LoginRI::tanRequired, &ctx, [&] {
            tanFirst ? c->login->setTanCode("1234") : c->login->selectTanMethod(TwoFactorMethod::ITan);
        });
        QCOMPARE(login(*c, "sms", "pw-sms"), std::make_pair(int(ERR_INTERNAL), message));
    }

    void controllerLoginAndLogout()
    {
        auto c = makeClient();
        ServerList servers(env->config());
        servers.setCustomUrl(service->baseUrl());
        LoginController controller(c->session.get(), &servers, c->login.get());
        QSignalSpy loggedIn(&controller, &LoginController::loggedIn);
        QSignalSpy failed(&controller, &LoginController::loginFailed);
        QSignalSpy loggedOut(&controller, &LoginController::loggedOut);
        controller.doLogout(); // not logged in: only a warning
        QCOMPARE(loggedOut.count(), 0);
        controller.doLogin("ALICE", "alice-pw");
        QVERIFY(loggedIn.wait(20000));
        QVERIFY(controller.isLoggedIn());
        controller.doLogin("alice", "alice-pw"); // already logged in: nothing happens
        QTest::qWait(200);
        QCOMPARE(loggedIn.count(), 1);
        QCOMPARE(failed.count(), 0);

        // The server ends the session first: logging out still ends ours.
        QVERIFY(service->expireSessions("alice").has_value());
        controller.doLogout();
        QVERIFY(loggedOut.wait(20000));
        QVERIFY(!controller.isLoggedIn());
        QVERIFY(c->session->sessionKey().isEmpty());
    }

    void cleanupTestCase()
    {
        credentials.reset();
        database.reset();
        service.reset();
    }
};

QTEST_GUILESS_MAIN(TestLoginRI)
#include "tst_loginri.moc"
