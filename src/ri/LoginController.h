#pragma once

#include "net/ErrorCode.h"
#include "net/Result.h"
#include "ri/ILoginRI.h"
#include "ri/LoginTypes.h"

#include <QObject>

class LoginRI;
class OndoSession;
class ServerList;

// Between the views and the login API: refuses a second login and a logout
// without login, passes the lower-case user name on, forwards the API's
// two-factor signals and turns its results into loggedIn / loginFailed /
// logoutStarted / loggedOut.
class LoginController : public QObject
{
    Q_OBJECT
public:
    LoginController(OndoSession *session, ServerList *servers, LoginRI *loginRI, QObject *parent = nullptr);

    bool isLoggedIn() const;

signals:
    void loginFailed(ErrorCode code, const QString &message);
    void loggedIn();
    void loggedOut();
    void logoutStarted();
    void tanRequired(bool userError);
    void twoFactorMethodsChanged(const TwoFactorMethods &supported2fa);
    void mobileNumberChanged(const QString &mobileNumber);
    void smsCodeReferenceChanged(const QString &reference);
    void photoTanChanged(const QString &photoTan);
    void iTanChanged(const QString &iTan);
    void progress(ILoginRI::Step loginStep);

public slots:
    void doLogin(const QString &username, const QString &password);
    void doLogout();
    void selectTanMethod(TwoFactorMethod method);
    void setTanCode(const QString &code);

private:
    void on_loginFinished(const EmptyResult &result);
    void on_logoutFinished(const Result<LogoutTO_v1> &result);

    OndoSession *m_session;
    ServerList *m_servers;
    ILoginRI *m_loginRI;
    LoginRI *m_loginObject;
};
