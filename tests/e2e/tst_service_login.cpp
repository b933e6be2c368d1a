#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QImage>
#include <QJsonArray>
#include <QtTest>

// The login as the service plays it, driven by SrpTestClient's own
// implementation of the client's mathematics over real HTTPS.
class TestServiceLogin : public QObject
{
    Q_OBJECT

    ServiceProcess m_service;

    // A TAN source that reads the service's out-of-band outbox.
    std::function<QString(const QString &, const QString &)> outbox(const QString &user, bool lowerCase = false)
    {
        return [this, user, lowerCase](const QString &, const QString &) {
            const auto oob = m_service.latestTan(user);
            const QString tan = oob ? oob->tan : QString();
            return lowerCase ? tan.toLower() : tan;
        };
    }

    // A login up to the proof, returning the client for the next steps.
    std::unique_ptr<ServiceClient> untilVerify(const QString &user, const QString &password, QString *state,
                                               const QString &device = QStringLiteral("dev-x"))
    {
        auto client = std::make_unique<ServiceClient>(m_service);
        ServiceClient::LoginOptions options;
        options.deviceId = device;
        const auto result = client->login(user, password, options); // stops at a challenge-less 2FA selection
        *state = result.state;
        return client;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_service.start(), qPrintable(m_service.errorString()));
        QVERIFY(m_service.addUser("plain", "Secret-1").ok());
        QVERIFY(m_service.addUser("saltzero", "pw", {"--salt", "00007f1e2d3c4b5a69788796a5b4c3d2"}).ok());
        QVERIFY(m_service.addUser("sms", "pw-sms", {"--2fa", "SMS", "--mobile", "+49 170 5551234"}).ok());
        QVERIFY(m_service.addUser("mtan", "pw-mtan", {"--2fa", "MTAN"}).ok());
        QVERIFY(m_service.addUser("photo", "pw-photo", {"--2fa", "PHOTOTAN"}).ok());
        QVERIFY(m_service.addUser("itan", "pw-itan", {"--2fa", "ITAN"}).ok());
        QVERIFY(m_service.addUser("mixed", "pw", {"--2fa", "SMS=inactive", "--2fa", "ITAN=temporarily.locked", "--2fa", "MTAN"}).ok());
        QVERIFY(m_service.addUser("chain", "pw-chain", {"--2fa", "SMS"}).ok());
        QVERIFY(m_service.addUser("expired", "pw", {"--state", "EXPIRED"}).ok());
        QVERIFY(m_service.addUser("inherited", "pw", {"--state", "INHERITANCE_EXECUTED"}).ok());
        QVERIFY(m_service.addUser("locked", "pw", {"--state", "LOCKED"}).ok());
    }

    void loginWithoutSecondFactor_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("iterations");
        QTest::newRow("plain user, 500 iterations -> logged in") << "plain" << "Secret-1" << 500;
        QTest::newRow("name typed in capitals -> same account") << "PLAIN" << "Secret-1" << 500;
        QTest::newRow("telvo's 15000 iterations -> logged in") << "plain" << "Secret-1" << 15000;
        QTest::newRow("salt starting with 00 -> logged in") << "saltzero" << "pw" << 500;
    }
    void loginWithoutSecondFactor()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, iterations);
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.iterations = iterations;
        const auto result = client.login(user, password, options);
        QVERIFY2(result.loggedIn, qPrintable(result.error));
        QCOMPARE(client.xsrfToken().size(), 64);
        // The session key works: client validation needs the cookie and the token.
        QVERIFY(client.request("GET", "/api/sync/1/account/clientvalidation").ok());
        QVERIFY(client.request("GET", "/rest/loggedin/1/clientvalidation/loggedin").ok());
    }

    void saltIsSentWithoutLeadingZeros()
    {
        ServiceClient client(m_service);
        QVERIFY(client.loginStep({{"step", "CREATE_SESSION"}, {"deviceIdentifier", "d"}, {"client", "SYNC"}, {"version", "1.1.0"}}).ok());
        SrpTestClient srp("saltzero", "pw");
        const auto r = client.loginStep({{"step", "IDENTIFY_USER"}, {"username", "saltzero"}, {"a", QString(srp.hexA())}});
        QCOMPARE(r.data.value("salt").toString(), QStringLiteral("7f1e2d3c4b5a69788796a5b4c3d2"));
    }

    void wrongCredentialsFailAlike_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password -> 401 at VERIFY_M1") << "plain" << "Secret-2";
        QTest::newRow("unknown user -> the same answer") << "nobody" << "whatever";
    }
    void wrongCredentialsFailAlike()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        ServiceClient client(m_service);
        const auto result = client.login(user, password);
        QVERIFY(!result.loggedIn);
        QCOMPARE(result.last.status, 401);
        QCOMPARE(result.last.message, QStringLiteral("Invalid username or password"));
        QCOMPARE(client.request("GET", "/api/sync/1/account/xsrfToken").http, 401);
    }

    void unknownUserGetsAStableSalt()
    {
        QByteArray salts[2];
        for (auto &salt : salts) {
            ServiceClient client(m_service);
            client.loginStep({{"step", "CREATE_SESSION"}, {"deviceIdentifier", "d"}, {"client", "SYNC"}, {"version", "1"}});
            SrpTestClient srp("ghost", "x");
            salt = client.loginStep({{"step", "IDENTIFY_USER"}, {"username", "ghost"}, {"a", QString(srp.hexA())}})
                       .data.value("salt").toString().toLatin1();
        }
        QVERIFY(!salts[0].isEmpty());
        QCOMPARE(salts[0], salts[1]);
    }

    void wrongUserKeyIsRefused()
    {
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.iterations = 1000; // neither 500 nor 15000
        const auto result = client.login("plain", "Secret-1", options);
        QVERIFY(!result.loggedIn);
        QCOMPARE(result.last.status, 401);
        QVERIFY(result.last.message.contains("user key"));
    }

    void protocolViolations_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("no step -> 400") << QByteArray(R"({"x":1})") << 400;
        QTest::newRow("unknown step -> 400") << QByteArray(R"({"step":"HACK"})") << 400;
        QTest::newRow("VERIFY_M1 before IDENTIFY_USER -> 409") << QByteArray(R"({"step":"VERIFY_M1","m1":"00ff"})") << 409;
        QTest::newRow("conclude at once -> 409") << QByteArray(R"({"step":"CONCLUDE_WITH_KEY","userKey":"00"})") << 409;
        QTest::newRow("A = N (0 mod N) -> 400")
            << QByteArray(R"({"step":"IDENTIFY_USER","username":"plain","a":"eeaf0ab9adb38dd69c33f80afa8fc5e86072618775ff3c0b9ea2314c9c256576d674df7496ea81d3383b4813d692c6e0e0d5d8e250b98be48e495c1d6089dad15dc7d7b46154d6b6ce8ef4ad69b15d4982559b297bcf1885c529f566660e57ec68edbc3c05726cc02fd4cbf4976eaa9afd5138fe8376435b9fc61d2fc0eb06e3"})")
            << 400;
        QTest::newRow("a not hex -> 400") << QByteArray(R"({"step":"IDENTIFY_USER","username":"plain","a":"xyz"})") << 400;
        QTest::newRow("numbers instead of texts -> 400") << QByteArray(R"({"step":"IDENTIFY_USER","username":5,"a":2})") << 400;
        QTest::newRow("not an object -> 400") << QByteArray("[1,2]") << 400;
        QTest::newRow("not JSON -> 400") << QByteArray("step=CREATE_SESSION") << 400;
    }
    void protocolViolations()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        ServiceClient client(m_service);
        QVERIFY(client.loginStep({{"step", "CREATE_SESSION"}, {"deviceIdentifier", "d"}, {"client", "SYNC"}, {"version", "1"}}).ok());
        const auto r = client.request("POST", "/api/sync/1/auth/login", body);
        QCOMPARE(r.http, 200);
        QCOMPARE(r.status, status);
        QVERIFY(!r.message.isEmpty());
    }

    void stepsNeedTheSessionCookie()
    {
        ServiceClient client(m_service);
        SrpTestClient srp("plain", "Secret-1");
        const auto r = client.loginStep({{"step", "IDENTIFY_USER"}, {"username", "plain"}, {"a", QString(srp.hexA())}});
        QCOMPARE(r.status, 401);
    }

    void secondFactorMethods_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("method");
        QTest::newRow("SMS -> reference challenge, TAN by SMS") << "sms" << "pw-sms" << "SMS";
        QTest::newRow("mTAN -> reference challenge") << "mtan" << "pw-mtan" << "MTAN";
        QTest::newRow("photoTAN -> Base64 PNG challenge") << "photo" << "pw-photo" << "PHOTOTAN";
        QTest::newRow("iTAN -> index challenge from the list") << "itan" << "pw-itan" << "ITAN";
    }
    void secondFactorMethods()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, method);
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.method = method;
        options.tan = outbox(user);
        const auto result = client.login(user, password, options);
        QVERIFY2(result.loggedIn, qPrintable(result.error));
        QVERIFY(result.methods.contains(method));
        QCOMPARE(result.thirdParty.value(method + "_status").toString(), QStringLiteral("active"));
        const auto oob = m_service.latestTan(user);
        QVERIFY(oob.has_value());
        QCOMPARE(oob->method, method);
        QCOMPARE(oob->tan.size(), 4);
        if (method == "PHOTOTAN") {
            const QImage image = QImage::fromData(QByteArray::fromBase64(result.challenge.toLatin1()), "PNG");
            QVERIFY(!image.isNull());
        } else if (method == "ITAN") {
            QCOMPARE(result.challenge.right(3).toInt(), oob->index);
        } else {
            QVERIFY(oob->reference.contains(result.challenge));
            QCOMPARE(result.thirdParty.value("MTAN_mobilePhoneNumber").toString().right(3),
                     method == "SMS" ? QStringLiteral("234") : QStringLiteral("567"));
        }
    }

    void usedItanIsNotAskedAgain()
    {
        QSet<int> indexes;
        for (int i = 0; i < 3; ++i) {
            ServiceClient client(m_service);
            ServiceClient::LoginOptions options;
            options.method = "ITAN";
            options.tan = outbox("itan");
            QVERIFY(client.login("itan", "pw-itan", options).loggedIn);
            indexes.insert(m_service.latestTan("itan")->index);
        }
        QCOMPARE(indexes.size(), 3);
        const auto list = m_service.run({"itans", "itan"});
        QCOMPARE(list.out.count('\n'), 100 - 3 - 1); // one more from secondFactorMethods
    }

    void wrongTanThenRightTan()
    {
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        const auto first = client.login("sms", "pw-sms", options); // stops at the challenge
        QCOMPARE(first.state, QStringLiteral("PRE_AUTHENTICATED_2FA"));
        SrpTestClient *srp = client.srp();
        const QString tan = m_service.latestTan("sms")->tan;
        auto conclude = [&](const QString &typed) {
            return client.loginStep({{"step", "CONCLUDE_WITH_KEY_AND_TAN"},
                                     {"userKey", QString(srp->userKeyHex(500))},
                                     {"tan", QString(srp->encryptHex(typed.toUpper().toLatin1(), 0))}});
        };
        QCOMPARE(conclude(tan == "2222" ? "3333" : "2222").data.value("loginState").toString(),
                 QStringLiteral("PRE_AUTHENTICATED_2FA"));
        QCOMPARE(conclude(tan.toLower()).data.value("loginState").toString(), QStringLiteral("LOGGED_IN"));
    }

    void threeWrongTansNeedANewChallenge()
    {
        ServiceClient client(m_service);
        QCOMPARE(client.login("sms", "pw-sms").state, QStringLiteral("PRE_AUTHENTICATED_2FA"));
        SrpTestClient *srp = client.srp();
        const QString tan = m_service.latestTan("sms")->tan;
        const QString wrong = tan == "2222" ? "3333" : "2222";
        auto conclude = [&](const QString &typed) {
            return client.loginStep({{"step", "CONCLUDE_WITH_KEY_AND_TAN"},
                                     {"userKey", QString(srp->userKeyHex(500))},
                                     {"tan", QString(srp->encryptHex(typed.toLatin1(), 0))}})
                .data.value("loginState").toString();
        };
        for (int i = 0; i < 3; ++i)
            QCOMPARE(conclude(wrong), QStringLiteral("PRE_AUTHENTICATED_2FA"));
        QCOMPARE(conclude(tan), QStringLiteral("PRE_AUTHENTICATED_2FA")); // the old TAN is void now
        const auto again = client.loginStep({{"step", "SELECT_2FA_METHOD"}, {"used2faMethod", "SMS"}});
        QVERIFY(again.ok());
        QCOMPARE(conclude(m_service.latestTan("sms")->tan), QStringLiteral("LOGGED_IN"));
    }

    void methodStatesAreOfferedAndEnforced_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("status");
        QTest::newRow("inactive SMS -> 10920") << "SMS" << 10920;
        QTest::newRow("temporarily locked iTAN -> 10920") << "ITAN" << 10920;
        QTest::newRow("photoTAN not configured -> 10920") << "PHOTOTAN" << 10920;
        QTest::newRow("active mTAN -> challenge") << "MTAN" << 200;
        QTest::newRow("lower-case name -> challenge") << "mtan" << 200;
    }
    void methodStatesAreOfferedAndEnforced()
    {
        QFETCH(QString, method);
        QFETCH(int, status);
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.method = method;
        const auto result = client.login("mixed", "pw", options);
        QCOMPARE(result.thirdParty.value("SMS_status").toString(), QStringLiteral("inactive"));
        QCOMPARE(result.thirdParty.value("ITAN_status").toString(), QStringLiteral("temporarily.locked"));
        QCOMPARE(result.methods, QStringList({"SMS", "ITAN", "MTAN"}));
        QCOMPARE(result.last.status, status);
    }

    void doubleSecChainOverThreeLogins()
    {
        ServiceClient::LoginOptions options;
        options.deviceId = "laptop-1";
        options.tan = outbox("chain", true); // typed in lower case on purpose
        ServiceClient first(m_service);
        const auto one = first.login("chain", "pw-chain", options);
        QVERIFY2(one.loggedIn, qPrintable(one.error));
        QVERIFY(!one.methods.contains("doubleSec"));
        const QString afterFirst = one.nextDoubleSec;

        options.doubleSec = afterFirst;
        options.tan = nullptr; // the second and third login need no TAN
        ServiceClient second(m_service);
        const auto two = second.login("chain", "pw-chain", options);
        QVERIFY2(two.loggedIn, qPrintable(two.error));
        QVERIFY(two.methods.contains("doubleSec"));
        QCOMPARE(two.thirdParty.value("doubleSec_status").toString(), QStringLiteral("active"));
        QVERIFY(two.nextDoubleSec != afterFirst);

        // The value is rotated: the one of the first login is spent.
        ServiceClient replay(m_service);
        const auto stale = replay.login("chain", "pw-chain", options);
        QVERIFY(!stale.loggedIn);
        QCOMPARE(stale.state, QStringLiteral("PRE_AUTHENTICATED_2FA"));

        options.doubleSec = two.nextDoubleSec;
        ServiceClient third(m_service);
        const auto three = third.login("chain", "pw-chain", options);
        QVERIFY2(three.loggedIn, qPrintable(three.error));

        // Another device has no chain: doubleSec is not offered there.
        options.deviceId = "phone-2";
        ServiceClient other(m_service);
        QVERIFY(!other.login("chain", "pw-chain", options).methods.contains("doubleSec"));
    }

    void accountStatesEndTheLogin_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("EXPIRED -> loginState EXPIRED") << "expired";
        QTest::newRow("INHERITANCE_EXECUTED -> loginState INHERITANCE_EXECUTED") << "inherited";
        QTest::newRow("LOCKED -> loginState LOCKED") << "locked";
    }
    void accountStatesEndTheLogin()
    {
        QFETCH(QString, user);
        ServiceClient client(m_service);
        const auto result = client.login(user, "pw");
        QVERIFY(!result.loggedIn);
        QCOMPARE(result.last.status, 200);
        QCOMPARE(result.state, user == "expired" ? QStringLiteral("EXPIRED")
                                : user == "inherited" ? QStringLiteral("INHERITANCE_EXECUTED")
                                                      : QStringLiteral("LOCKED"));
        QCOMPARE(client.request("GET", "/api/sync/1/account/xsrfToken").http, 401);
    }

    void xsrfTokenIsRequiredAfterLogin()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("plain", "Secret-1").loggedIn);
        const QByteArray token = client.xsrfToken();
        client.setXsrfToken({});
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 403);
        client.setXsrfToken(QByteArray(64, 'a'));
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 403);
        QCOMPARE(client.request("GET", "/api/sync/1/files/info").http, 403);
        client.setXsrfToken(token);
        QVERIFY(client.request("GET", "/api/sync/1/files/info").ok());
    }

    void logoutEndsTheSession()
    {
        ServiceClient client(m_service);
        QVERIFY(client.login("plain", "Secret-1").loggedIn);
        const auto bye = client.logout();
        QVERIFY(bye.ok());
        QCOMPARE(bye.data.value("success").toBool(), true);
        QCOMPARE(client.request("GET", "/api/sync/1/account/clientvalidation").http, 401);
        QCOMPARE(client.logout().data.value("success").toBool(), false);
    }

    void outdatedClientFailsValidation()
    {
        ServiceClient client(m_service);
        ServiceClient::LoginOptions options;
        options.clientVersion = "0.9.7";
        QVERIFY(client.login("plain", "Secret-1", options).loggedIn);
        const auto r = client.request("GET", "/api/sync/1/account/clientvalidation");
        QCOMPARE(r.status, 10930);
        QVERIFY(r.message.contains("0.9.7"));
    }

    void idleSessionsExpire()
    {
        ServiceProcess service({false, 1, {}, {}});
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.addUser("idle", "pw").ok());
        ServiceClient client(service);
        QVERIFY(client.login("idle", "pw").loggedIn);
        QVERIFY(client.request("GET", "/api/sync/1/account/clientvalidation").ok());
        QTest::qWait(600);
        QVERIFY(client.request("GET", "/api/sync/1/account/clientvalidation").ok()); // use keeps it alive
        QTest::qWait(1600);
        const auto lost = client.request("GET", "/api/sync/1/account/clientvalidation");
        QCOMPARE(lost.http, 401);
        QCOMPARE(lost.status, 401);
    }

    void restartKeepsLoggedInSessions()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.addUser("stay", "pw").ok());
        ServiceClient client(service);
        QVERIFY(client.login("stay", "pw").loggedIn);
        QVERIFY2(service.restart(), qPrintable(service.errorString()));
        // Cookies do not depend on the port: the same cookie and token reach the new process.
        client.setBaseUrl(service.baseUrl());
        QVERIFY(client.request("GET", "/api/sync/1/account/clientvalidation").ok());
    }
};

QTEST_MAIN(TestServiceLogin)
#include "tst_service_login.moc"
