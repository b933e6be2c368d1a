#pragma once

#include "net/ErrorCode.h"
#include "ri/ILoginRI.h"
#include "ri/LoginTypes.h"
#include "ri/LoginViewState.h"

#include <QWidget>

#include <functional>

class CredentialStore;
class LoginController;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class ServerList;
class TelvoTwoFactorView;

// The login page: user name and password, the remember and automatic-login
// options, the second-factor code, the progress and error line. What is open
// and what a click does is decided by LoginViewState.
class LoginView : public QWidget
{
    Q_OBJECT
public:
    struct Parts
    {
        LoginController *controller = nullptr;
        CredentialStore *credentials = nullptr;
        ServerList *servers = nullptr;
        // Keeps a one-way check of the password in memory; false on failure.
        std::function<bool(const QString &)> keepPasswordHash;
        bool telvoBrand = false;
        bool statusLink = false; // the brand has a status page
    };

    explicit LoginView(const Parts &parts, QWidget *parent = nullptr);

    LoginViewState::UiState uiState() const { return m_state.state(); }
    QString progressText() const;

public slots:
    // Fresh page: fields from the settings, credentials page shown.
    void init();
    void loggedIn();
    // The server connection is confirmed: automatic login may run.
    void on_readyForLogin();
    void displayTanChallenge(bool userError);
    void on_loginFailed(ErrorCode code, const QString &message);
    void on_loginProgress(ILoginRI::Step step);
    void setTwoFactorMethods(const TwoFactorMethods &methods);
    void on_loginButton_clicked();
    void on_helpButton_clicked();
    void on_signupButton_clicked();
    void on_cancelButton_clicked();
    void on_toggleExtendedLoginOptions(bool show);

private:
    void buildCredentialsPage(QWidget *page);
    void buildCodePage(QWidget *page);
    void credentialsEdited();
    void tanEdited();
    void applyState();
    void setProgress(const QString &text, bool error = false);
    void evAutoLogin();
    void loadFromSettings();
    void saveToSettings();
    void rememberPasswordToggled(bool on);
    void updateCharCodes();
    QString statusSuffix() const;

    Parts m_parts;
    LoginViewState m_state;
    TwoFactorMethods m_methods;
    QStackedWidget *m_pages;
    QLineEdit *m_username;
    QLineEdit *m_password;
    QLabel *m_usernameCodes;
    QLabel *m_passwordCodes;
    QCheckBox *m_showPassword;
    QCheckBox *m_showCodes;
    QToolButton *m_extendedToggle;
    QWidget *m_extended;
    QCheckBox *m_rememberUsername;
    QCheckBox *m_rememberPassword;
    QCheckBox *m_autoLogin;
    QLabel *m_progress;
    QPushButton *m_loginButton;
    QLineEdit *m_code;
    QLabel *m_codeInfo;
    QLabel *m_codeProgress;
    QPushButton *m_codeButton;
    QPushButton *m_cancelButton;
    TelvoTwoFactorView *m_telvo;
};
