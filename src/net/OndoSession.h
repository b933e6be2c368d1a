#pragma once

#include "net/ClientVersionTO_v1.h"
#include "net/ISession.h"
#include "net/NetProxy.h"
#include "net/ServerTO.h"
#include "net/SessionOptions.h"

#include <QAuthenticator>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QUrl>

#include <memory>
#include <optional>

class ConfigurationManager;
class QNetworkReply;
class SslUtil;

// The client's connection context with the service: the selected server,
// the network access manager and its cookies (the server session), the TLS
// configuration, the XSRF token and session key, the logged-in account and
// the proxy authentication state machine.
//
// After a failed request it checks once whether the server session still
// exists (client validation) and reports a lost one as
// sessionTimeout(SERVER_SESSION_TIMEOUT, code); the next success re-arms
// the check.
class OndoSession : public ISession
{
    Q_OBJECT
public:
    enum SessionState { SESSION_OK = 0, SESSION_RESET = 1, SERVER_SESSION_TIMEOUT = 2, CLIENT_SESSION_TIMEOUT = 3 };
    Q_ENUM(SessionState)

    enum ProxyAuthState {
        PROXYAUTH_NONE = 0,
        PROXYAUTH_REQUESTED = 1,
        PROXYAUTH_PENDING_SAVED = 2,
        PROXYAUTH_PENDING_NEW = 3,
        PROXYAUTH_SUCCESS = 4,
        PROXYAUTH_FAILED = 5
    };
    Q_ENUM(ProxyAuthState)

    explicit OndoSession(const SessionOptions &options, QObject *parent = nullptr);
    ~OndoSession() override;

    // The application's session, created on first use from the built-in
    // configuration and the user settings (later calls ignore `config`).
    // Tests construct sessions of their own instead.
    static OndoSession *instance(const ConfigurationManager *config = nullptr);
    // Destroys the application's session (at the end of the application).
    static void releaseInstance();

    static QString sessionStateName(int state);
    static QString proxyAuthStateName(int state);

    // ISession
    QString baseUrl() const override;
    QNetworkAccessManager *networkAccessManager() override;
    QSslConfiguration sslConfiguration() const override { return m_sslConfiguration; }
    int nextRequestNumber() override;
    void setXsrfToken(const QByteArray &token) override { m_xsrfToken = token; }
    QByteArray xsrfToken() const override { return m_xsrfToken; }
    QByteArray sessionKey() const override { return m_sessionKey; }
    void setSessionKey(const QByteArray &key) override { m_sessionKey = key; }
    QString serverId() const override;
    void setAccount(const AccountIdentity &account) override { m_account = account; }
    AccountIdentity account() const override { return m_account; }
    void requestSuccessful() override;
    void requestFailed(ErrorCode code) override;
    void setIgnoreSslErrors(bool ignore) override { m_ignoreSslErrors = ignore; }
    bool ignoreSslErrors() const override { return m_ignoreSslErrors; }
    int apiVersion() const override { return m_apiVersion; }

    int instanceNumber() const { return m_instanceNumber; }
    void setServer(const ServerTO &server);
    std::optional<ServerTO> server() const { return m_server; }
    QString currentServerName() const { return m_account.name; }
    qint64 accountId() const { return m_account.id; }
    ProxyAuthState proxyAuthState() const { return m_proxyAuthState; }
    int failedRequests() const { return m_failedRequests; }

    // The session-level paths of the configured API generation.
    QString clientVersionPath() const;
    QString clientValidationPath() const;

    void getClientVersion(Callback<ClientVersionTO_v1> callback);
    void checkSessionStatus();
    // Drops the server session: a fresh network access manager (so no
    // cookie of the old one is sent again) and a fresh proxy state.
    void resetSession();

signals:
    void sessionTimeout(OndoSession::SessionState errCode, ErrorCode netErrCode);
    void serverAuthenticationRequired(QNetworkReply *reply, QAuthenticator *auth);
    void proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth, bool *canceled);
    void sslErrors(const QList<QSslError> &errors);

public slots:
    void on_finishedCheckSessionStatus(const EmptyResult &result);
    void on_serverAuthenticationRequired(QNetworkReply *reply, QAuthenticator *auth);
    void on_proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth);
    void on_networkAccessManagerSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    void on_setCookieJsessionidReceived(const QNetworkCookie &cookie, const QUrl &url);

private:
    QNetworkAccessManager *createNetworkAccessManager(const QString &name);
    void askForProxyCredentials(const QNetworkProxy &proxy, QAuthenticator *auth);
    void setProxyAuthState(ProxyAuthState state);

    int m_instanceNumber;
    std::optional<ServerTO> m_server;
    QPointer<QNetworkAccessManager> m_nam;
    QSslConfiguration m_sslConfiguration;
    SslUtil *m_sslUtil = nullptr; // child
    ProxyAuthState m_proxyAuthState = PROXYAUTH_NONE;
    int m_proxyAuthCalls = 0;
    std::unique_ptr<NetProxy> m_pendingProxy;
    bool m_ignoreSslErrors = false;
    AccountIdentity m_account;
    QByteArray m_sessionKey;
    QByteArray m_xsrfToken;
    int m_failedRequests = 0;
    bool m_sessionChecked = false;
    int m_apiVersion;
    std::function<QNetworkAccessManager *(QObject *)> m_namFactory;
};
