#include "net/OndoSession.h"
#include "net/TcpNoDelay.h"

#include "net/CaFile.h"
#include "net/SslUtil.h"
#include "net/TrackingCookieJar.h"

#include <QCoreApplication>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <atomic>

namespace {
std::atomic<int> s_instanceCounter{0};
QPointer<OndoSession> s_instance;

// Scheduled deletion of a replaced network access manager: its replies in
// flight end with their own errors meanwhile.
const int OldManagerLifetimeMs = 50000;
const int SessionRequestTimeoutMs = 15000;

QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

// The session id is a bearer secret: logs get its first characters only.
QString sessionIdPrefix(const QByteArray &value)
{
    return QString::fromLatin1(value.left(8));
}
} // namespace

OndoSession::OndoSession(const SessionOptions &options, QObject *parent)
    : ISession(parent)
    , m_instanceNumber(++s_instanceCounter)
    , m_ignoreSslErrors(options.ignoreSslErrors)
    , m_apiVersion(options.apiVersion)
    , m_namFactory(options.networkAccessManagerFactory)
{
    qRegisterMetaType<OndoSession::SessionState>("OndoSession::SessionState");
    qRegisterMetaType<EmptyResult>("EmptyResult");
    qInfo("OndoSession: init %p instance: %d", static_cast<void *>(this), m_instanceNumber);
    m_sslConfiguration = QSslConfiguration::defaultConfiguration();
    m_nam = createNetworkAccessManager(QStringLiteral("NAM-s%1").arg(m_instanceNumber));
    // TLS 1.2 or later: a server that speaks only TLS 1.3 must be reachable.
    m_sslConfiguration.setProtocol(QSsl::TlsV1_2OrLater);
    if (!options.caFile.isEmpty()) {
        const CaFile::Loaded loaded = CaFile::read(options.caFile);
        if (loaded.ok()) {
            // Setting CAs ends the platform's on-demand loading of its store,
            // so the store goes in explicitly, the extra CAs after it.
            QList<QSslCertificate> cas = m_sslConfiguration.caCertificates();
            if (cas.isEmpty())
                cas = QSslConfiguration::systemCaCertificates();
            cas += loaded.certificates;
            m_sslConfiguration.setCaCertificates(cas);
            qInfo("OndoSession: trusting %d certificate(s) of CA file '%s'", int(loaded.certificates.size()),
                  qUtf8Printable(options.caFile));
        } else {
            qWarning("OndoSession: ignoring CA file: %s", qUtf8Printable(loaded.error));
        }
    }
    qInfo("OndoSession: ca certs: %d", int(m_sslConfiguration.caCertificates().size()));
    m_sslUtil = new SslUtil(this);
}

OndoSession::~OndoSession()
{
    qInfo("OndoSession::destructor instance %d", m_instanceNumber);
}

OndoSession *OndoSession::instance(const ConfigurationManager *config)
{
    if (!s_instance) {
        s_instance = new OndoSession(SessionOptions::fromSettings(config));
        qInfo("OndoSession::instance: new OndoSession %p", static_cast<void *>(s_instance.data()));
    }
    return s_instance;
}

void OndoSession::releaseInstance()
{
    delete s_instance.data();
}

QString OndoSession::sessionStateName(int state)
{
    const char *key = QMetaEnum::fromType<SessionState>().valueToKey(state);
    return key ? QString::fromLatin1(key) : QStringLiteral("undefined[%1]").arg(state);
}

QString OndoSession::proxyAuthStateName(int state)
{
    const char *key = QMetaEnum::fromType<ProxyAuthState>().valueToKey(state);
    return key ? QString::fromLatin1(key) : QStringLiteral("PROXYAUTH_UNKNOWN");
}

QNetworkAccessManager *OndoSession::createNetworkAccessManager(const QString &name)
{
    QNetworkAccessManager *nam = m_namFactory ? m_namFactory(this) : new QNetworkAccessManager(this);
    if (!nam->parent())
        nam->setParent(this);
    nam->setObjectName(name);
    auto *jar = new TrackingCookieJar(nam);
    nam->setCookieJar(jar);
    connect(jar, &TrackingCookieJar::setCookieJsessionidReceived, this, &OndoSession::on_setCookieJsessionidReceived,
            Qt::UniqueConnection);
    connect(nam, &QNetworkAccessManager::sslErrors, this, &OndoSession::on_networkAccessManagerSslErrors,
            Qt::UniqueConnection);
    // A new connection is switched after its handshake or its first reply
    // (a connection opened ahead announces no handshake); the next requests
    // on it go out at once. Sockets already switched are passed over.
    connect(nam, &QNetworkAccessManager::encrypted, this, [] { TcpNoDelay::applyToOwnSockets(); });
    connect(nam, &QNetworkAccessManager::finished, this, [] { TcpNoDelay::applyToOwnSockets(); });
    connect(nam, &QNetworkAccessManager::authenticationRequired, this, &OndoSession::on_serverAuthenticationRequired,
            Qt::UniqueConnection);
    connect(nam, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &OndoSession::on_proxyAuthenticationRequired, Qt::UniqueConnection);
    return nam;
}

QString OndoSession::baseUrl() const
{
    return m_server ? m_server->url : QString();
}

QNetworkAccessManager *OndoSession::networkAccessManager()
{
    return m_nam;
}

int OndoSession::nextRequestNumber()
{
    return Request::nextNumber();
}

QString OndoSession::serverId() const
{
    return m_server ? m_server->prefix : QString();
}

void OndoSession::setServer(const ServerTO &server)
{
    m_server = server;
    const QUrl url(server.url);
    if (!url.isValid() || url.port() < 0 || !m_nam)
        return;
    // Open the connection ahead of the first request.
    if (url.scheme() == QLatin1String("http"))
        m_nam->connectToHost(url.host(), quint16(url.port()));
    else if (url.scheme() == QLatin1String("https"))
        m_nam->connectToHostEncrypted(url.host(), quint16(url.port()), m_sslConfiguration);
}

QString OndoSession::clientVersionPath() const
{
    return m_apiVersion == 1 ? QStringLiteral("/rest/public/1/version/sync")
                             : QStringLiteral("/api/sync/1/public/version");
}

QString OndoSession::clientValidationPath() const
{
    return m_apiVersion == 1 ? QStringLiteral("/rest/loggedin/1/clientvalidation/loggedin")
                             : QStringLiteral("/api/sync/1/account/clientvalidation");
}

void OndoSession::getClientVersion(Callback<ClientVersionTO_v1> callback)
{
    Request *request = Request::createGet(clientVersionPath());
    request->setTimeout(SessionRequestTimeoutMs);
    send<ClientVersionTO_v1>(request, std::move(callback));
}

void OndoSession::checkSessionStatus()
{
    Request *request = Request::createGet(clientValidationPath());
    request->setTimeout(SessionRequestTimeoutMs);
    send<Nothing>(request, this, [this](const EmptyResult &result) { on_finishedCheckSessionStatus(result); });
}

void OndoSession::on_finishedCheckSessionStatus(const EmptyResult &result)
{
    if (result.isOk())
        return;
    qWarning("OndoSession::on_finishedCheckSessionStatus: server session lost (%s): %s",
             qUtf8Printable(errorCodeName(result.code)), qUtf8Printable(result.message));
    emit sessionTimeout(SERVER_SESSION_TIMEOUT, result.code);
}

void OndoSession::requestSuccessful()
{
    m_sessionChecked = false;
    if (m_proxyAuthState == PROXYAUTH_PENDING_SAVED) {
        qInfo("OndoSession::requestSuccessful: Proxy authentication ok");
        setProxyAuthState(PROXYAUTH_SUCCESS);
    } else if (m_proxyAuthState == PROXYAUTH_PENDING_NEW) {
        qInfo("OndoSession::requestSuccessful: New proxy authentication ok");
        if (m_pendingProxy)
            m_pendingProxy->saveToSettings();
        qInfo("OndoSession::requestSuccessful: New proxy authentication saved");
        setProxyAuthState(PROXYAUTH_SUCCESS);
    }
}

void OndoSession::requestFailed(ErrorCode code)
{
    ++m_failedRequests;
    if (code == ERR_PROXY_AUTH_REQUIRED
        && (m_proxyAuthState == PROXYAUTH_PENDING_SAVED || m_proxyAuthState == PROXYAUTH_PENDING_NEW)) {
        m_pendingProxy.reset();
        setProxyAuthState(PROXYAUTH_FAILED);
        return;
    }
    // Without a selected server there is no server session to check.
    if (code != ERR_STATUS_10907 && !m_sessionChecked && m_server) {
        // Set first: the check's own failure must not start another.
        m_sessionChecked = true;
        checkSessionStatus();
    }
    m_sessionChecked = true;
}

void OndoSession::resetSession()
{
    qInfo("OndoSession::resetSession; instance: %d", m_instanceNumber);
    if (m_nam) {
        QTimer::singleShot(OldManagerLifetimeMs, m_nam.data(), &QObject::deleteLater);
        m_nam = nullptr;
    }
    m_nam = createNetworkAccessManager(QStringLiteral("NAM-r%1").arg(m_instanceNumber));
    setProxyAuthState(PROXYAUTH_NONE);
    m_pendingProxy.reset();
}

void OndoSession::setProxyAuthState(ProxyAuthState state)
{
    m_proxyAuthState = state;
    if (state == PROXYAUTH_NONE)
        m_proxyAuthCalls = 0;
}

void OndoSession::on_setCookieJsessionidReceived(const QNetworkCookie &cookie, const QUrl &url)
{
    const QString shortId = sessionIdPrefix(cookie.value());
    qInfo("OndoSession::on_setJsessionCookieReceived: url:'%s' name:'%s' value:'%s...' path:'%s'",
          qUtf8Printable(url.toString()), cookie.name().constData(), qUtf8Printable(shortId),
          qUtf8Printable(cookie.path()));
    qInfo("## OndoSession: sid: s%8.8s '%s...'", qUtf8Printable(shortId), qUtf8Printable(shortId));
}

void OndoSession::on_networkAccessManagerSslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    qWarning("OndoSession::on_networkAccessManagerSslErrors: SSL errors: %s",
             qUtf8Printable(SslUtil::sslErrorList(errors)));
    // Also the connection opened ahead by setServer, which no request owns.
    if (m_ignoreSslErrors && reply)
        reply->ignoreSslErrors();
    emit sslErrors(errors);
}

void OndoSession::on_serverAuthenticationRequired(QNetworkReply *reply, QAuthenticator *auth)
{
    qWarning("OndoSession::on_serverAuthenticationRequired: Authentication required for http call");
    emit serverAuthenticationRequired(reply, auth);
}

void OndoSession::on_proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth)
{
    ++m_proxyAuthCalls;
    qInfo("OndoSession::on_proxyAuthenticationRequired: Proxy auth state: %s (%d calls)",
          qUtf8Printable(proxyAuthStateName(m_proxyAuthState)), m_proxyAuthCalls);
    switch (m_proxyAuthState) {
    case PROXYAUTH_NONE: {
        qInfo("OndoSession::on_proxyAuthenticationRequired: Proxy auth required");
        setProxyAuthState(PROXYAUTH_REQUESTED);
        auto saved = std::make_unique<NetProxy>();
        saved->setHost(proxy.hostName(), proxy.port());
        const bool found = saved->loadFromSettings(saved->url());
        qInfo("OndoSession::on_proxyAuthenticationRequired: Search proxy creds for: %s:%d (found:%s)",
              qUtf8Printable(proxy.hostName()), int(proxy.port()), qUtf8Printable(yesNo(found)));
        if (found) {
            auth->setUser(saved->user());
            auth->setPassword(saved->password());
            m_pendingProxy = std::move(saved);
            setProxyAuthState(PROXYAUTH_PENDING_SAVED);
        } else {
            askForProxyCredentials(proxy, auth);
        }
        break;
    }
    case PROXYAUTH_PENDING_SAVED:
        qInfo("OndoSession::on_proxyAuthenticationRequired: Previous proxy auth from settings did not work");
        if (m_pendingProxy)
            m_pendingProxy->removeFromSettings();
        askForProxyCredentials(proxy, auth);
        break;
    case PROXYAUTH_PENDING_NEW:
        qInfo("OndoSession::on_proxyAuthenticationRequired: Previous proxy auth by user did not work, ask again");
        askForProxyCredentials(proxy, auth);
        break;
    case PROXYAUTH_REQUESTED:
        qWarning("OndoSession::on_proxyAuthenticationRequired: %s: Invalid proxy auth state here",
                 qUtf8Printable(proxyAuthStateName(m_proxyAuthState)));
        break;
    case PROXYAUTH_SUCCESS:
    case PROXYAUTH_FAILED: {
        // A new challenge after the machine ended: the credentials that
        // worked stopped working, or the last attempt gave up. Doing nothing
        // would fail every later request without ever asking again, and the
        // saved credentials are the ones the proxy refuses: drop them and ask.
        qWarning("OndoSession::on_proxyAuthenticationRequired: %s: Invalid proxy auth state here",
                 qUtf8Printable(proxyAuthStateName(m_proxyAuthState)));
        NetProxy refused;
        refused.setHost(proxy.hostName(), proxy.port());
        refused.removeFromSettings();
        askForProxyCredentials(proxy, auth);
        break;
    }
    default:
        qWarning("OndoSession::on_proxyAuthenticationRequired: Invalid proxy auth state (reset to NONE)");
        setProxyAuthState(PROXYAUTH_NONE);
        break;
    }
    qInfo("OndoSession::on_proxyAuthenticationRequired: Proxy auth new state: %s",
          qUtf8Printable(proxyAuthStateName(m_proxyAuthState)));
}

void OndoSession::askForProxyCredentials(const QNetworkProxy &proxy, QAuthenticator *auth)
{
    bool canceled = false;
    emit pause();
    emit proxyAuthenticationRequired(proxy, auth, &canceled);
    emit resume();
    qInfo("OndoSession::askForProxyCredentials: Proxy auth creds received (user: %s, canceled:%s)",
          qUtf8Printable(auth->user()), qUtf8Printable(yesNo(canceled)));
    if (canceled) {
        resetSession();
        return;
    }
    auto pending = std::make_unique<NetProxy>();
    pending->setHost(proxy.hostName(), proxy.port());
    pending->setUser(auth->user());
    pending->setPassword(auth->password());
    m_pendingProxy = std::move(pending);
    setProxyAuthState(PROXYAUTH_PENDING_NEW);
}
