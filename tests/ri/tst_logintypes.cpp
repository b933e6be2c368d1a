#include "ri/LoginFailureText.h"
#include "ri/LoginTO.h"
#include "ri/LoginTypes.h"

#include <QJsonDocument>
#include <QtTest>

namespace {
QJsonValue json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}
} // namespace

class TestLoginTypes : public QObject
{
    Q_OBJECT
private slots:
    // The names as they travel: states and methods in any case, method
    // states exactly; what is unknown reads as such.
    void names()
    {
        QCOMPARE(Login::stateFromText(""), Login::INVALID);
        QCOMPARE(Login::stateFromText("logged_in"), Login::LOGGED_IN);
        QCOMPARE(Login::stateFromText("PRE_AUTHENTICATED_SELECT_2FA_METHOD"), Login::PRE_AUTHENTICATED_SELECT_2FA_METHOD);
        QCOMPARE(int(Login::stateFromText("DANCING")), -1);
        QCOMPARE(twoFactorMethodFromName("sms"), TwoFactorMethod::Sms);
        QCOMPARE(twoFactorMethodFromName("PhotoTan"), TwoFactorMethod::PhotoTan);
        QCOMPARE(twoFactorMethodFromName(""), TwoFactorMethod::None);
        QCOMPARE(twoFactorMethodName(TwoFactorMethod::DoubleSec), QString("doubleSec"));
        QCOMPARE(twoFactorMethodFromName("DOUBLESEC"), TwoFactorMethod::DoubleSec);
        QCOMPARE(twoFactorStateName(TwoFactorMethodState::PermanentlyLocked), QString("permanently.locked"));
        QCOMPARE(twoFactorStateFromName("ACTIVE"), TwoFactorMethodState::Unknown);
    }

    void verifyM1_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("methods"); // "METHOD=state,..."
        QTest::newRow("no thirdParty -> every method active")
            << R"({"loginState":"X","m2":"ab","supported2faMethods":["SMS","ITAN"]})" << true << ""
            << "ITAN=active,SMS=active";
        QTest::newRow("thirdParty states -> per method")
            << R"({"loginState":"X","m2":"ab","supported2faMethods":["MTAN","PHOTOTAN"],)"
               R"("thirdParty":{"MTAN_status":"temporarily.locked","PHOTOTAN_status":"inactive"}})"
            << true << "" << "MTAN=temporarily.locked,PHOTOTAN=inactive";
        QTest::newRow("state missing in thirdParty -> unknown")
            << R"({"loginState":"X","m2":"ab","supported2faMethods":["SMS"],"thirdParty":{"other":"x"}})" << true
            << "" << "SMS=unknown";
        QTest::newRow("unknown method skipped")
            << R"({"loginState":"X","m2":"ab","supported2faMethods":["FAX","SMS"]})" << true << "" << "SMS=active";
        QTest::newRow("number in methods -> parse fails")
            << R"({"loginState":"X","m2":"ab","supported2faMethods":["SMS",7]})" << false
            << "json array: value 1 is not a string" << "";
        QTest::newRow("m2 missing -> parse fails") << R"({"loginState":"X"})" << false
                                                   << "json object: missing key: 'm2'" << "";
        QTest::newRow("no methods -> none") << R"({"loginState":"X","m2":"ab"})" << true << "" << "";
    }
    void verifyM1()
    {
        QFETCH(QString, reply);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        QFETCH(QString, methods);
        VerifyM1TO to;
        QString problem;
        QCOMPARE(fromJson(json(reply.toUtf8().constData()), to, problem), ok);
        QCOMPARE(problem, error);
        if (!ok)
            return;
        QStringList got;
        for (auto it = to.methods.cbegin(); it != to.methods.cend(); ++it)
            got << twoFactorMethodName(it.key()) + "=" + twoFactorStateName(it.value());
        got.sort();
        QCOMPARE(got.join(','), methods);
    }

    void otherReplies()
    {
        IdentifyUserTO identify;
        QString problem;
        QVERIFY(!fromJson(json(R"({"loginState":"IDENTIFIED","salt":"00ab"})"), identify, problem));
        QCOMPARE(problem, QString("json object: missing key: 'b'"));
        LogoutTO_v1 logout;
        QVERIFY(!fromJson(json(R"({"success":"yes"})"), logout, problem));
        QVERIFY(problem.contains("'success'"));
        QVERIFY(fromJson(json(R"({"success":true})"), logout, problem));
        QVERIFY(logout.success);
        TanMethodResponseTO tan;
        QVERIFY(fromJson(json(R"({"loginState":"PRE_AUTHENTICATED_2FA"})"), tan, problem));
        QVERIFY(tan.code.isEmpty()); // the challenge is optional
    }

    void failureTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("afterPassword");
        QTest::addColumn<QString>("text");
        QTest::newRow("13 -> unable to connect") << int(ERR_SSL) << true << "Unable to connect to ${SERVICE_NAME}.";
        QTest::newRow("19 -> expired with link")
            << int(ERR_ACCOUNT_EXPIRED) << true
            << "Account is expired. &nbsp;&nbsp;&nbsp;<a href=\"${URL_SUBSCRIPTION}\" style=\"color: black;\">More &gt;</a>";
        QTest::newRow("26 -> internal error with message") << int(ERR_BAD_RESPONSE) << true
                                                            << "Internal error. &nbsp;&nbsp;a &lt;b&gt;";
    }
    void failureTexts()
    {
        QFETCH(int, code);
        QFETCH(bool, afterPassword);
        QFETCH(QString, text);
        QCOMPARE(LoginFailureText::forCode(ErrorCode(code), "a <b>", afterPassword), text);
    }

    void plainText()
    {
        QCOMPARE(LoginFailureText::toPlainText(
                     "Account is expired. &nbsp;&nbsp;&nbsp;<a href=\"https://x.example/s\" style=\"color: "
                     "black;\">More &gt;</a>"),
                 QString("Account is expired. (more: https://x.example/s)"));
        QCOMPARE(LoginFailureText::toPlainText("Internal error. &nbsp;&nbsp;a &lt;b&gt; &amp; c"),
                 QString("Internal error. a <b> & c"));
    }
};

QTEST_GUILESS_MAIN(TestLoginTypes)
#include "tst_logintypes.moc"
