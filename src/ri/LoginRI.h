#pragma once

#include "db/User.h"
#include "net/GenericRI.h"
#include "net/ISession.h"
#include "ri/ILoginRI.h"
#include "ri/LoginTypes.h"

#include <QPointer>

#include <memory>

class AppInfo;
class CredentialStore;
class Request;
class SrpClient;
class UserDao;

// Logs a user in to the service with the four-step SRP handshake over
// "/api/sync/1/auth/login", optionally interrupted by a second factor, and
// out again. The session receives the 32-byte key K, the XSRF token and the
// account; the device-bound "doubleSec" value is kept in the credential
// store for the next login.
class LoginRI : public GenericRI, public ILoginRI
{
    Q_OBJECT
public:
    // The local database's device record, sent to the server at login.
    struct Device
    {
        QString id;
        QString name;
    };

    LoginRI(ISession *session, UserDao *userDao, const AppInfo *appInfo, CredentialStore *credentials,
            const Device &device, QObject *parent = nullptr);
    ~LoginRI() override;

    void doLogin(const QString &username, const QString &password, Callback<Nothing> continuation) override;
    void logout(Callback<LogoutTO_v1> continuation) override;

    void selectTanMethod(TwoFactorMethod method);
    void setTanCode(const QString &code);

    bool isLoginInProgress() const { return bool(m_srp); }
    const TwoFactorMethods &methods() const { return m_methods; }

    static QString loginPath();
    static QString xsrfPath();
    static QString logoutPath();

signals:
    void tanRequired(bool userError);
    void twoFactorMethodsChanged(const TwoFactorMethods &supported2fa);
    void mobileNumberChanged(const QString &mobileNumber);
    void smsCodeReferenceChanged(const QString &reference);
    void photoTanChanged(const QString &photoTan);
    void iTanChanged(const QString &iTan);
    void progress(ILoginRI::Step loginStep);

private:
    void onCreateSessionResponse(const EmptyResult &result);
    void onIdentifyUserResponse(const Result<IdentifyUserTO> &result);
    void onVerifyM1Response(const Result<VerifyM1TO> &result);
    void onSelectTanMethodResponse(const Result<TanMethodResponseTO> &result, TwoFactorMethod method);
    void onConcludeResponse(const Result<ConcludeWithKeyTO> &result);
    void onXsrfTokenRetrieved(const Result<QByteArray> &result);

    // Sends one step of the handshake; a reply of an earlier attempt is dropped.
    template<typename T>
    void sendStep(const QJsonObject &body, void (LoginRI::*handler)(const Result<T> &));
    void conclude();
    void succeed();
    void fail(ErrorCode code, const QString &message);
    void reset();

    UserDao *m_userDao;
    std::unique_ptr<SrpClient> m_srp;
    const AppInfo *m_appInfo;
    CredentialStore *m_credentials;
    Callback<Nothing> m_continuation;
    Device m_device;
    TwoFactorMethods m_methods;
    QString m_doubleSecValue;
    QString m_tan;
    User m_user;
    TwoFactorMethod m_selectedMethod = TwoFactorMethod::None;
    bool m_twoFactorFlow = false;
    quint64 m_attempt = 0; // tells replies of a replaced attempt apart
    // The attempt's request in flight. A replaced attempt's request is
    // aborted, so that its late reply cannot hand the session another
    // server session's cookie.
    QPointer<Request> m_inFlight;
};
