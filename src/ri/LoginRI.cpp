#include "ri/LoginRI.h"

#include "app/AppInfo.h"
#include "db/UserDao.h"
#include "drive/CredentialStore.h"
#include "net/ISession.h"
#include "net/Request.h"
#include "ri/SrpClient.h"
#include "sync/Crypto.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <exception>

namespace {
QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

// The service refusing a step is a failed login. A step that never got a
// sensible answer (network, time-out, HTTP status, a reply that is no
// envelope) keeps its own code: nobody is told that the password is wrong
// when the server was not even reached.
ErrorCode loginFailure(ErrorCode code)
{
    switch (code) {
    case ERR_SERVER_STATUS:
    case ERR_STATUS_10904:
    case ERR_STATUS_10907:
    case ERR_STATUS_10910:
    case ERR_STATUS_10911:
        return ERR_LOGIN_FAILED;
    default:
        return code;
    }
}
} // namespace

LoginRI::LoginRI(ISession *session, UserDao *userDao, const AppInfo *appInfo, CredentialStore *credentials,
                 const Device &device, QObject *parent)
    : GenericRI(session, parent)
    , m_userDao(userDao)
    , m_appInfo(appInfo)
    , m_credentials(credentials)
    , m_device(device)
{
    qRegisterMetaType<ILoginRI::Step>("ILoginRI::Step");
    qRegisterMetaType<TwoFactorMethods>("TwoFactorMethods");
}

LoginRI::~LoginRI() = default;

QString LoginRI::loginPath()
{
    return QStringLiteral("/api/sync/1/auth/login");
}

QString LoginRI::xsrfPath()
{
    return QStringLiteral("/api/sync/1/account/xsrfToken");
}

QString LoginRI::logoutPath()
{
    return QStringLiteral("/api/sync/1/account/logout");
}

template<typename T>
void LoginRI::sendStep(const QJsonObject &body, void (LoginRI::*handler)(const Result<T> &))
{
    Request *request = Request::createPost(loginPath(), QJsonDocument(body));
    m_inFlight = request;
    const quint64 attempt = m_attempt;
    session()->send<T>(request, this, [this, attempt, handler](const Result<T> &result) {
        if (attempt != m_attempt || !m_srp)
            return; // this attempt was replaced or has ended meanwhile
        if (!result.isOk())
            qWarning("Response status: code:%d message: %s", int(result.code), qUtf8Printable(result.message));
        (this->*handler)(result);
    });
}

void LoginRI::doLogin(const QString &username, const QString &password, Callback<Nothing> continuation)
{
    qInfo("LoginRI::doLogin");
    ++m_attempt;
    if (m_inFlight) // the outcome goes nowhere: the attempt number moved on
        m_inFlight->abort(ERR_ABORTED, QStringLiteral("login attempt replaced"));
    reset();
    const QString name = username.toLower();
    try {
        m_srp = std::make_unique<SrpClient>(name, password);
    } catch (const std::exception &e) {
        m_continuation = std::move(continuation);
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    const QString serverId = session()->serverId();
    m_user = m_userDao ? m_userDao->loadUser(name, serverId) : User();
    if (!m_user.isValid() && m_userDao)
        m_user = m_userDao->recordLogin(name, serverId, QDateTime());
    m_continuation = std::move(continuation);
    if (!m_user.isValid()) {
        qCritical("LoginRI::doLogin: User from settings db is not valid (id:%lld, name:'%s', server:'%s')",
                  m_user.id, qUtf8Printable(name), qUtf8Printable(serverId));
        // A local fault, not the account's: a locked or broken database.
        fail(ERR_INTERNAL, QStringLiteral("Database error"));
        return;
    }

    qInfo("SRP-0 Started");
    sendStep<Nothing>(QJsonObject{{QStringLiteral("step"), QStringLiteral("CREATE_SESSION")},
                                  {QStringLiteral("deviceIdentifier"), m_device.id},
                                  {QStringLiteral("client"), QStringLiteral("SYNC")},
                                  {QStringLiteral("version"), m_appInfo->appVersion()}},
                      &LoginRI::onCreateSessionResponse);
}

void LoginRI::onCreateSessionResponse(const EmptyResult &result)
{
    if (!result.isOk()) {
        fail(result.code, result.message);
        return;
    }
    emit progress(SessionCreated);
    qInfo("SRP-1 Started");
    emit progress(Identify);
    QString hexA;
    try {
        hexA = m_srp->calculatePubA();
    } catch (const std::exception &e) {
        qCritical("SRP-1 Internal Error: calculatePubA failed: %s", e.what());
        emit progress(ErrorA);
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    sendStep<IdentifyUserTO>(QJsonObject{{QStringLiteral("step"), QStringLiteral("IDENTIFY_USER")},
                                         {QStringLiteral("username"), m_srp->username()},
                                         {QStringLiteral("a"), hexA}},
                             &LoginRI::onIdentifyUserResponse);
}

void LoginRI::onIdentifyUserResponse(const Result<IdentifyUserTO> &result)
{
    if (!result.isOk()) {
        fail(loginFailure(result.code), result.message);
        return;
    }
    if (Login::stateFromText(result.value.loginState) != Login::IDENTIFIED) {
        fail(ERR_LOGIN_FAILED, QStringLiteral("Incorrect login state ") + result.value.loginState);
        return;
    }
    try {
        m_srp->setB(result.value.b);
        m_srp->setSalt(result.value.salt);
    } catch (const std::exception &e) {
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    emit progress(Identify);

    qInfo("SRP-2 Started");
    emit progress(Verify);
    QByteArray key;
    try {
        key = m_srp->calculateK();
    } catch (const std::exception &e) {
        qCritical("Internal Error: calculateK failed: %s", e.what());
        emit progress(ErrorK);
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    QString m1;
    try {
        m1 = m_srp->calculateM1();
    } catch (const std::exception &e) {
        qCritical("Internal Error: calculateM1 failed: %s", e.what());
        emit progress(ErrorM1);
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    session()->setSessionKey(key);
    emit progress(M1Computed);
    sendStep<VerifyM1TO>(QJsonObject{{QStringLiteral("step"), QStringLiteral("VERIFY_M1")}, {QStringLiteral("m1"), m1}},
                         &LoginRI::onVerifyM1Response);
}

void LoginRI::onVerifyM1Response(const Result<VerifyM1TO> &result)
{
    if (!result.isOk()) {
        fail(loginFailure(result.code), result.message);
        return;
    }
    const Login::State state = Login::stateFromText(result.value.loginState);
    if (state != Login::PRE_AUTHENTICATED_SELECT_2FA_METHOD && state != Login::PRE_AUTHENTICATED) {
        qWarning("On verifyM1response");
        fail(ERR_LOGIN_FAILED, QStringLiteral("Unexpected login state ") + result.value.loginState);
        return;
    }
    try {
        m_srp->setM2(result.value.m2);
    } catch (const std::exception &e) {
        fail(ERR_LOGIN_FAILED, QString::fromUtf8(e.what()));
        return;
    }
    if (state == Login::PRE_AUTHENTICATED) {
        conclude();
        return;
    }

    m_twoFactorFlow = true;
    m_methods = result.value.methods;
    if (m_methods.contains(TwoFactorMethod::DoubleSec)) {
        try {
            m_doubleSecValue = m_credentials ? m_credentials->readDoubleSec(session()->serverId(), m_srp->username())
                                             : QString();
            if (m_doubleSecValue.isEmpty())
                qWarning("LoginRI::onVerifyM1Response: Failed to retrieve previous doublesec value");
        } catch (const std::exception &e) {
            m_doubleSecValue.clear();
            qWarning("LoginRI::onVerifyM1Response: Failed to retrieve previous doublesec value: %s", e.what());
        }
        if (m_doubleSecValue.isEmpty())
            m_methods.remove(TwoFactorMethod::DoubleSec);
    }
    emit mobileNumberChanged(result.value.mobileNumber);
    emit twoFactorMethodsChanged(m_methods);
    emit tanRequired(false);
}

void LoginRI::selectTanMethod(TwoFactorMethod method)
{
    if (!m_srp)
        return;
    if (!m_methods.contains(method)) {
        fail(ERR_INTERNAL, QStringLiteral("Selected 2FA method is not supported"));
        return;
    }
    m_selectedMethod = method;
    Request *request = Request::createPost(
        loginPath(), QJsonDocument(QJsonObject{{QStringLiteral("step"), QStringLiteral("SELECT_2FA_METHOD")},
                                               {QStringLiteral("used2faMethod"), twoFactorMethodName(method)}}));
    m_inFlight = request;
    const quint64 attempt = m_attempt;
    session()->send<TanMethodResponseTO>(request, this, [this, attempt, method](const Result<TanMethodResponseTO> &r) {
        if (attempt == m_attempt && m_srp)
            onSelectTanMethodResponse(r, method);
    });
}

void LoginRI::onSelectTanMethodResponse(const Result<TanMethodResponseTO> &result, TwoFactorMethod method)
{
    if (!result.isOk()) {
        fail(loginFailure(result.code), result.message);
        return;
    }
    const QString &code = result.value.code;
    qInfo("Received TAN challenge of %d bytes", int(code.size()));
    switch (method) {
    case TwoFactorMethod::Mtan:
    case TwoFactorMethod::Sms:
        emit smsCodeReferenceChanged(code);
        break;
    case TwoFactorMethod::PhotoTan:
        emit photoTanChanged(code);
        break;
    case TwoFactorMethod::ITan:
        emit iTanChanged(code);
        break;
    case TwoFactorMethod::DoubleSec:
        m_doubleSecValue = m_srp->deriveDoubleSec(m_doubleSecValue);
        m_tan = m_doubleSecValue;
        conclude();
        break;
    default:
        fail(ERR_INTERNAL, QStringLiteral("Unknown TAN method"));
        break;
    }
}

void LoginRI::setTanCode(const QString &code)
{
    if (!m_srp || m_selectedMethod == TwoFactorMethod::None) {
        // Not an attempt's failure: there is no attempt to end.
        qWarning("Login error: %d (%s)", int(ERR_INTERNAL), "Supplied TAN code while no authentication is in progress");
        if (m_srp)
            fail(ERR_INTERNAL, QStringLiteral("Supplied TAN code while no authentication is in progress"));
        return;
    }
    m_tan = QString::fromLatin1(code.toLatin1().toUpper());
    if (m_twoFactorFlow)
        m_doubleSecValue = hexOf(hmacSha256(m_srp->keyBytes(), code.toLatin1()));
    conclude();
}

void LoginRI::conclude()
{
    qInfo("SRP-3 Started");
    emit progress(Verify);
    const QByteArray userKey = m_srp->calculateUserKey(SrpClient::userKeyIterations(m_appInfo->brand()));
    if (userKey.isEmpty()) {
        qCritical("Internal Error: Unable to get userkey.");
        emit progress(ErrorUserKey);
        fail(ERR_LOGIN_FAILED, QStringLiteral("Internal Error: Unable to get userkey."));
        return;
    }
    QJsonObject body{{QStringLiteral("userKey"), hexOf(userKey)}};
    if (!m_doubleSecValue.isEmpty())
        body.insert(QStringLiteral("deviceName"), hexOf(m_srp->encryptDeviceName(m_device.name)));
    if (m_selectedMethod == TwoFactorMethod::None) {
        body.insert(QStringLiteral("step"), QStringLiteral("CONCLUDE_WITH_KEY"));
        emit progress(ConcludeWithoutTan);
    } else {
        if (m_twoFactorFlow) {
            if (m_selectedMethod == TwoFactorMethod::DoubleSec) {
                emit progress(ConcludeWithDoubleSec);
            } else {
                emit progress(ConcludeWithTanInitDoubleSec);
                body.insert(QStringLiteral("initDoubleSec"), true);
            }
        } else {
            emit progress(ConcludeWithTan);
        }
        body.insert(QStringLiteral("step"), QStringLiteral("CONCLUDE_WITH_KEY_AND_TAN"));
        body.insert(QStringLiteral("tan"), hexOf(m_srp->encryptTan(m_tan)));
    }
    sendStep<ConcludeWithKeyTO>(body, &LoginRI::onConcludeResponse);
}

void LoginRI::onConcludeResponse(const Result<ConcludeWithKeyTO> &result)
{
    if (!result.isOk()) {
        fail(loginFailure(result.code), result.message);
        return;
    }
    const QString &text = result.value.loginState;
    switch (Login::stateFromText(text)) {
    case Login::LOGGED_IN: {
        qInfo("XSRF token request started");
        const quint64 attempt = m_attempt;
        Request *request = Request::createGet(xsrfPath());
        m_inFlight = request;
        session()->sendRaw(request, this, [this, attempt](const Result<QByteArray> &r) {
            if (attempt == m_attempt && m_srp)
                onXsrfTokenRetrieved(r);
        });
        break;
    }
    case Login::PRE_AUTHENTICATED_2FA:
        emit progress(m_selectedMethod == TwoFactorMethod::DoubleSec ? DoubleSecRejected : TanRejected);
        emit tanRequired(true);
        break;
    case Login::EXPIRED:
        fail(ERR_ACCOUNT_EXPIRED, QStringLiteral("Account expired"));
        break;
    case Login::INHERITANCE_EXECUTED:
        fail(ERR_ACCOUNT_INHERITED, QStringLiteral("Account inherited"));
        break;
    case Login::INVALID:
        fail(ERR_LOGIN_FAILED, QStringLiteral("Incorrect login state"));
        break;
    default:
        qWarning("Unexpected login state %s", qUtf8Printable(text));
        fail(ERR_LOGIN_FAILED, QStringLiteral("Unexpected login state ") + text);
        break;
    }
}

void LoginRI::onXsrfTokenRetrieved(const Result<QByteArray> &result)
{
    qInfo("XSRF token request finished");
    if (!result.isOk()) {
        if (result.code == ERR_SERVER_STATUS || result.code == ERR_HTTP_STATUS)
            fail(loginFailure(result.code),
                 QStringLiteral("Response status: code:%1 message: %2").arg(int(result.code)).arg(result.message));
        else
            fail(loginFailure(result.code), QStringLiteral("Bad response: %1").arg(result.message));
        return;
    }
    const QByteArray token = result.value.trimmed();
    if (token.isEmpty()) {
        fail(ERR_LOGIN_FAILED, QStringLiteral("Received empty XSRF response"));
        return;
    }
    session()->setXsrfToken(token);
    if (!m_doubleSecValue.isEmpty() && m_credentials) {
        try {
            m_credentials->storeDoubleSec(session()->serverId(), m_srp->username(), m_doubleSecValue);
        } catch (const std::exception &e) {
            qWarning("LoginRI::onXsrfTokenRetrieved: Failed to store next doublesec value: %s", e.what());
        }
    }
    succeed();
}

void LoginRI::succeed()
{
    qInfo("Login successful for user '%s'", qUtf8Printable(m_srp->username()));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (m_userDao) {
        const User recorded = m_userDao->recordLogin(m_srp->username(), session()->serverId(), now);
        if (recorded.isValid())
            m_user = recorded;
    }
    session()->setAccount(AccountIdentity{m_user.id, m_srp->username(), m_srp->username(), now});
    Callback<Nothing> continuation = std::move(m_continuation);
    reset();
    if (continuation)
        continuation(EmptyResult::success(Nothing()));
}

void LoginRI::fail(ErrorCode code, const QString &message)
{
    qWarning("Login error: %d (%s)", int(code), qUtf8Printable(message));
    session()->setSessionKey(QByteArray());
    Callback<Nothing> continuation = std::move(m_continuation);
    reset();
    if (continuation)
        continuation(EmptyResult(code, message));
}

void LoginRI::reset()
{
    m_srp.reset();
    m_methods.clear();
    m_doubleSecValue.clear();
    m_tan.clear();
    m_selectedMethod = TwoFactorMethod::None;
    m_twoFactorFlow = false;
    m_continuation = nullptr;
}

void LoginRI::logout(Callback<LogoutTO_v1> continuation)
{
    Request *request = Request::createPostForm(logoutPath(), {}, QStringLiteral("application/x-www-form-urlencoded"));
    request->setTimeout(15000);
    session()->send<LogoutTO_v1>(request, this, std::move(continuation));
}
