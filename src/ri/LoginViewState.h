#pragma once

#include "net/ErrorCode.h"
#include "ri/LoginTypes.h"

#include <QString>

// The decisions of the login page: its state (which inputs are open), the
// input rules, what the login button or Return does, where a second-factor
// request leads, the text of a failure, and whether an automatic login may
// start. The page only shows this state; tests drive it without widgets.
class LoginViewState
{
public:
    enum UiState {
        Initial = 0,
        EnterUsernamePassword_Invalid = 1,
        EnterUsernamePassword_Valid = 2,
        Wait4UsernamePasswordLoginResponse = 3,
        BadUsernamePasswordResponse = 4,
        EnterMtan_Invalid = 5,
        EnterMtan_Valid = 6,
        Wait4MtanResponse = 7,
        BadMtanResponse = 8,
        LoginFailed = 9,
        LoginSuccessful = 10,
    };

    // What the login button (or Return) asks for.
    enum class Proceed { Nothing, Login, SendTan };
    // Where a second-factor request leads.
    enum class TanPage { SelectDoubleSec, TelvoPage, CodePage };

    static constexpr int UsernameMin = 4;
    static constexpr int UsernameMax = 50;
    static constexpr int PasswordMax = 256;

    UiState state() const { return m_state; }
    void setState(UiState state);
    static QString stateName(int state);
    // Closed states disable both input layouts and the login button.
    static bool inputsOpen(int state);
    bool inputsOpen() const { return inputsOpen(m_state); }
    // The progress line is cleared on entering these states.
    static bool clearsProgress(int state);

    static bool isValidUsername(const QString &username);
    static bool isValidPassword(const QString &password);
    static bool isValidTanCode(const QString &code);

    // The user edited the user name or the password.
    void credentialsEdited(const QString &username, const QString &password);
    // The user edited the second-factor code.
    void tanCodeEdited(const QString &code);
    // The login button or Return; enters the waiting state when it sends.
    Proceed startOrProceed();
    // The server asks for a second factor; `methods` loses DoubleSec when
    // it is chosen here.
    TanPage tanRequired(bool userError, TwoFactorMethods &methods, bool telvoBrand);
    // The text for the progress line; enters LoginFailed.
    QString loginFailed(ErrorCode code, const QString &message, const QString &statusSuffix);
    void loggedIn() { setState(LoginSuccessful); }

    // "[%1] UTF-8: " and the text's UTF-8 bytes as lower-case hex pairs.
    static QString charCodes(const QString &text);

    struct AutoLoginInput
    {
        bool allowed = false; // the process-wide flag
        bool autoLoginChecked = false;
        QString username;
        bool rememberUsername = false;
        QString password;
        bool rememberPassword = false;
    };
    static bool mayLoginAutomatically(const AutoLoginInput &in);

    // Automatic login is allowed until a user-name/password login starts,
    // and again once the server connection is confirmed.
    static bool autoLoginAllowed();
    static void setAutoLoginAllowed(bool allowed);

private:
    UiState m_state = Initial;
};
