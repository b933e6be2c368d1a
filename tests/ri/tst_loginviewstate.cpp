#include "ri/LoginViewState.h"

#include <QtTest>

// The login page's decisions: input rules, what the button does in each
// state, where a second-factor request leads, failure texts, automatic login.
class TestLoginViewState : public QObject
{
    Q_OBJECT
    using S = LoginViewState;

private slots:
    void inputRules_data()
    {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("state");
        QTest::newRow("4 letters and a password -> valid") << "anna" << "x" << int(S::EnterUsernamePassword_Valid);
        QTest::newRow("3 letters -> invalid") << "ann" << "secret" << int(S::EnterUsernamePassword_Invalid);
        QTest::newRow("a blank in the name -> invalid") << "an na" << "secret" << int(S::EnterUsernamePassword_Invalid);
        QTest::newRow("51 letters -> invalid") << QString(51, 'a') << "secret" << int(S::EnterUsernamePassword_Invalid);
        QTest::newRow("no password -> invalid") << "anna" << "" << int(S::EnterUsernamePassword_Invalid);
        QTest::newRow("257-character password -> invalid") << "anna" << QString(257, 'p')
                                                          << int(S::EnterUsernamePassword_Invalid);
    }
    void inputRules()
    {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(int, state);
        S s;
        s.credentialsEdited(username, password);
        QCOMPARE(int(s.state()), state);
        QCOMPARE(s.startOrProceed() == S::Proceed::Login, state == S::EnterUsernamePassword_Valid);
    }

    void tanCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("sent");
        QTest::newRow("4 letters and digits -> sent") << "a1B2" << true;
        QTest::newRow("3 characters -> not sent") << "a1B" << false;
        QTest::newRow("a hyphen -> not sent") << "a1-2" << false;
        QTest::newRow("5 characters -> not sent") << "a1B2c" << false;
    }
    void tanCodes()
    {
        QFETCH(QString, code);
        QFETCH(bool, sent);
        S s;
        TwoFactorMethods methods{{TwoFactorMethod::Sms, TwoFactorMethodState::Active}};
        QCOMPARE(s.tanRequired(false, methods, false), S::TanPage::CodePage);
        s.tanCodeEdited(code);
        QCOMPARE(s.startOrProceed() == S::Proceed::SendTan, sent);
        QCOMPARE(s.inputsOpen(), !sent);
    }

    void doubleSecIsChosenWithoutAPage()
    {
        S s;
        TwoFactorMethods methods{{TwoFactorMethod::DoubleSec, TwoFactorMethodState::Active},
                                 {TwoFactorMethod::Sms, TwoFactorMethodState::Active}};
        QCOMPARE(s.tanRequired(false, methods, true), S::TanPage::SelectDoubleSec);
        QCOMPARE(s.state(), S::Wait4MtanResponse);
        QVERIFY(!methods.contains(TwoFactorMethod::DoubleSec));
        // Rejected: the next request offers what is left.
        QCOMPARE(s.tanRequired(true, methods, true), S::TanPage::TelvoPage);
        QCOMPARE(s.state(), S::BadMtanResponse);
    }

    void failureTextDependsOnTheState()
    {
        S s;
        s.credentialsEdited(QStringLiteral("anna"), QStringLiteral("pw"));
        QCOMPARE(s.startOrProceed(), S::Proceed::Login);
        QVERIFY(!S::autoLoginAllowed()); // a password login stops automatic ones
        QCOMPARE(s.loginFailed(ERR_LOGIN_FAILED, QString(), QString()), QStringLiteral("Invalid username or password"));
        QCOMPARE(s.state(), S::LoginFailed);
        QCOMPARE(s.loginFailed(ERR_LOGIN_FAILED, QString(), QString()), QStringLiteral("Login failed"));
        // From the failed state the button tries again.
        QCOMPARE(s.startOrProceed(), S::Proceed::Login);
        QVERIFY(s.loginFailed(ERR_TIMEOUT, QString(), QStringLiteral("<a>status</a>")).endsWith(QLatin1String("<a>status</a>")));
    }

    void automaticLogin_data()
    {
        QTest::addColumn<bool>("rememberPassword");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("expected");
        QTest::newRow("everything remembered -> logs in") << true << "pw" << true << true;
        QTest::newRow("password not remembered -> no") << false << "pw" << true << false;
        QTest::newRow("no password restored -> no") << true << "" << true << false;
        QTest::newRow("after a password login -> no") << true << "pw" << false << false;
    }
    void automaticLogin()
    {
        QFETCH(bool, rememberPassword);
        QFETCH(QString, password);
        QFETCH(bool, allowed);
        QFETCH(bool, expected);
        S::AutoLoginInput in{allowed, true, QStringLiteral("anna"), true, password, rememberPassword};
        QCOMPARE(S::mayLoginAutomatically(in), expected);
    }

    void charCodes()
    {
        QCOMPARE(S::charCodes(QStringLiteral("aä ")), QStringLiteral("[3] UTF-8: 61 c3 a4 20"));
    }
};

QTEST_GUILESS_MAIN(TestLoginViewState)
#include "tst_loginviewstate.moc"
