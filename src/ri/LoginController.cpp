#include "ri/LoginController.h"

#include "net/OndoSession.h"
#include "net/ServerList.h"
#include "ri/LoginRI.h"

LoginController::LoginController(OndoSession *session, ServerList *servers, LoginRI *loginRI, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_servers(servers)
    , m_loginRI(loginRI)
    , m_loginObject(loginRI)
{
    registerErrorCodeMetaType();
    connect(loginRI, &LoginRI::tanRequired, this, &LoginController::tanRequired);
    connect(loginRI, &LoginRI::twoFactorMethodsChanged, this, &LoginController::twoFactorMethodsChanged);
    connect(loginRI, &LoginRI::mobileNumberChanged, this, &LoginController::mobileNumberChanged);
    connect(loginRI, &LoginRI::smsCodeReferenceChanged, this, &LoginController::smsCodeReferenceChanged);
    connect(loginRI, &LoginRI::photoTanChanged, this, &LoginController::photoTanChanged);
    connect(loginRI, &LoginRI::iTanChanged, this, &LoginController::iTanChanged);
    connect(loginRI, &LoginRI::progress, this, &LoginController::progress);
}

bool LoginController::isLoggedIn() const
{
    return m_session->account().isValid() && !m_session->sessionKey().isEmpty();
}

void LoginController::doLogin(const QString &username, const QString &password)
{
    if (isLoggedIn()) {
        qWarning("Already logged in!");
        return;
    }
    const ServerTO &server = m_servers->selected();
    qDebug("LoginController::doLogin (server: '%s' (%s) username: '%s')", qUtf8Printable(server.name),
           qUtf8Printable(server.url), qUtf8Printable(username));
    m_session->setServer(server);
    m_session->resetSession();
    m_loginRI->doLogin(username.toLower(), password, [this](const EmptyResult &r) { on_loginFinished(r); });
}

void LoginController::doLogout()
{
    if (!isLoggedIn()) {
        qWarning("Not logged in!");
        return;
    }
    emit logoutStarted();
    m_loginRI->logout([this](const Result<LogoutTO_v1> &r) { on_logoutFinished(r); });
}

void LoginController::selectTanMethod(TwoFactorMethod method)
{
    m_loginObject->selectTanMethod(method);
}

void LoginController::setTanCode(const QString &code)
{
    m_loginObject->setTanCode(code);
}

void LoginController::on_loginFinished(const EmptyResult &result)
{
    qInfo("LoginController::on_loginFinished: ok: %s", result.isOk() ? "true" : "false");
    if (!result.isOk()) {
        emit loginFailed(result.code, result.message);
        return;
    }
    // The application follows the session's time-out signal itself, from
    // the moment it created the session.
    qInfo("LoginController: connecting session and filesafes signals");
    emit loggedIn();
}

void LoginController::on_logoutFinished(const Result<LogoutTO_v1> &result)
{
    qInfo("LoginController::on_logoutFinished: ok: %s", result.isOk() ? "true" : "false");
    emit loggedOut();
    m_session->setAccount(AccountIdentity());
    m_session->setSessionKey(QByteArray());
    m_session->setXsrfToken(QByteArray());
    m_session->resetSession();
}
