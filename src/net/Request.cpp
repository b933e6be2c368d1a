#include "net/Request.h"

#include "net/ISession.h"
#include "net/JsonReader.h"
#include "net/SslUtil.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTimer>
#include <QUrlQuery>

#include <atomic>

Q_LOGGING_CATEGORY(lcNetTraffic, "net.traffic")

namespace {
std::atomic<int> s_requestCounter{0};

const int ContentLogLimit = 1400;

// Members whose values are secrets (or ciphertexts of secrets) never reach
// the traffic log.
bool isSecretKey(const QString &key)
{
    static const QSet<QString> keys{QStringLiteral("password"), QStringLiteral("pw"),    QStringLiteral("tan"),
                                    QStringLiteral("userKey"),  QStringLiteral("dsec"),  QStringLiteral("key"),
                                    QStringLiteral("m1"),       QStringLiteral("m2"),    QStringLiteral("xsrfToken"),
                                    QStringLiteral("token"),    QStringLiteral("deviceName")};
    return keys.contains(key);
}

QJsonValue redact(const QJsonValue &value)
{
    if (value.isObject()) {
        QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            it.value() = isSecretKey(it.key()) ? QJsonValue(QStringLiteral("<redacted>")) : redact(it.value());
        return o;
    }
    if (value.isArray()) {
        QJsonArray a = value.toArray();
        for (int i = 0; i < a.size(); ++i)
            a[i] = redact(a.at(i));
        return a;
    }
    return value;
}

// A session token shows only its first characters.
QByteArray shortened(const QByteArray &secret)
{
    if (secret.size() <= 8)
        return QByteArray("<") + QByteArray::number(secret.size()) + " bytes>";
    return secret.left(8) + "...";
}

QByteArray redactHeader(const QByteArray &name, const QByteArray &value)
{
    const QByteArray lower = name.toLower();
    if (lower == "x-xsrf-token" || lower == "proxy-authorization" || lower == "authorization")
        return shortened(value);
    if (lower == "cookie" || lower == "set-cookie") {
        // name=value; attributes: keep the name and the attributes.
        QList<QByteArray> out;
        for (const QByteArray &line : value.split('\n')) {
            const int eq = line.indexOf('=');
            if (eq < 0) {
                out << line;
                continue;
            }
            int end = line.indexOf(';', eq);
            if (end < 0)
                end = line.size();
            out << line.left(eq + 1) + shortened(line.mid(eq + 1, end - eq - 1)) + line.mid(end);
        }
        return out.join('\n');
    }
    return value;
}

ErrorCode mapNetworkError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError: return ERR_CONNECTION_REFUSED;
    case QNetworkReply::HostNotFoundError: return ERR_HOST_NOT_FOUND;
    case QNetworkReply::SslHandshakeFailedError: return ERR_SSL;
    case QNetworkReply::UnknownNetworkError: return ERR_NO_INTERNET;
    case QNetworkReply::ProxyAuthenticationRequiredError: return ERR_PROXY_AUTH_REQUIRED;
    case QNetworkReply::ServiceUnavailableError: return ERR_SERVICE_UNAVAILABLE;
    default: return ERR_NETWORK;
    }
}

QString networkErrorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? QString::fromLatin1(name) : QStringLiteral("Unknown(%1)").arg(int(error));
}

// "network reply ssl errors: [#2]{(22:HostNameMismatch),(9:SelfSignedCertificate)}"
QString sslErrorsText(const QList<QSslError> &errors)
{
    QStringList items;
    for (const QSslError &e : errors)
        items << QStringLiteral("(%1:%2)").arg(int(e.error())).arg(SslUtil::sslErrorName(e.error()));
    return QStringLiteral("network reply ssl errors: [#%1]{%2}").arg(errors.size()).arg(items.join(QLatin1Char(',')));
}

void logLines(const QByteArray &text)
{
    for (const QByteArray &line : text.split('\n'))
        qCDebug(lcNetTraffic, "%s", line.constData());
}
} // namespace

int Request::nextNumber()
{
    return ++s_requestCounter;
}

Request::Request(Type type, const QString &path, QObject *parent)
    : QObject(parent)
    , m_type(type)
    , m_path(path)
    , m_number(nextNumber())
{
    registerErrorCodeMetaType();
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, qOverload<>(&Request::abort));
}

Request::~Request()
{
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        if (m_reply->isRunning()) {
            m_aborting = true;
            m_reply->abort();
        }
        delete m_reply.data();
    }
}

Request *Request::createGet(const QString &path)
{
    return new Request(Get, path);
}

Request *Request::createDelete(const QString &path)
{
    return new Request(Delete, path);
}

Request *Request::createPut(const QString &path, const QJsonDocument &document)
{
    auto *r = new Request(Put, path);
    r->m_bodyBytes = document.toJson(QJsonDocument::Indented);
    r->m_contentType = QStringLiteral("application/json");
    r->m_body = new QBuffer(&r->m_bodyBytes, r);
    return r;
}

Request *Request::createPost(const QString &path, const QJsonDocument &document)
{
    auto *r = createPost(path, document.toJson(QJsonDocument::Indented), QStringLiteral("application/json"));
    return r;
}

Request *Request::createPost(const QString &path, const QByteArray &body, const QString &contentType)
{
    auto *r = new Request(Post, path);
    r->m_bodyBytes = body;
    r->m_contentType = contentType;
    r->m_body = new QBuffer(&r->m_bodyBytes, r);
    return r;
}

Request *Request::createPost(const QString &path, QIODevice *body, const QString &contentType)
{
    auto *r = new Request(Post, path);
    r->m_contentType = contentType;
    if (body)
        body->setParent(r);
    r->m_body = body;
    return r;
}

Request *Request::createPostForm(const QString &path, const QMap<QString, QString> &items,
                                 const QString &contentType)
{
    QByteArray form;
    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        if (!form.isEmpty())
            form += '&';
        form += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return createPost(path, form, contentType);
}

QJsonValue Request::replyData() const
{
    return m_replyDocument.isObject() ? m_replyDocument.object().value(QStringLiteral("data"))
                                      : QJsonValue(QJsonValue::Undefined);
}

void Request::send(ISession *session)
{
    m_session = session;
    if (m_finished) {
        qWarning("Request::send: request %d '%s' is single-use", m_number, qUtf8Printable(m_path));
        return;
    }
    if (!session) {
        onError(ERR_INTERNAL, QStringLiteral("No session"));
        return;
    }

    // 1. URL: base URL and path, the query encoded fully.
    QUrl url(session->baseUrl() + m_path, QUrl::TolerantMode);
    if (!m_queryItems.isEmpty()) {
        QByteArray query;
        for (auto it = m_queryItems.cbegin(); it != m_queryItems.cend(); ++it) {
            if (!query.isEmpty())
                query += '&';
            query += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
        }
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    if (!url.isValid() || url.isRelative() || url.host().isEmpty()) {
        // Without a selected server the URL has no scheme or host; say so
        // instead of letting the network layer guess.
        const QString why = url.isValid() ? QStringLiteral("no server selected ('%1')").arg(url.toString())
                                          : url.errorString();
        onError(ERR_INVALID_URL, QStringLiteral("Invalid URL: %1").arg(why));
        return;
    }

    // 2-4. The HTTP request.
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A redirect is a failure of its own (ERR_HTTP_REDIRECT), never followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept", "application/json");
    for (auto it = m_headers.cbegin(); it != m_headers.cend(); ++it)
        request.setRawHeader(it.key(), it.value());
    if (m_body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, m_contentType);
        if (!m_body->isSequential() || m_body->size() > 0)
            request.setHeader(QNetworkRequest::ContentLengthHeader, m_body->size());
        // A streamed body (an encrypting device over a file) must not be
        // copied into memory whole; with its length known it need not be.
        if (m_body->isSequential() && m_body->size() > 0)
            request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    }
    const QByteArray xsrf = session->xsrfToken();
    if (!xsrf.isEmpty())
        request.setRawHeader("X-XSRF-TOKEN", xsrf);
    if (url.scheme() == QLatin1String("https"))
        request.setSslConfiguration(session->sslConfiguration());

    // 5. Traffic log.
    logRequest(request);

    // 6. Issue it.
    QNetworkAccessManager *nam = session->networkAccessManager();
    if (!nam) {
        onError(ERR_INTERNAL, QStringLiteral("No network access manager"));
        return;
    }
    QNetworkReply *reply = nullptr;
    switch (m_type) {
    case Get: reply = nam->get(request); break;
    case Put: reply = m_body ? nam->put(request, m_body) : nam->put(request, QByteArray()); break;
    case Post: reply = m_body ? nam->post(request, m_body) : nam->post(request, QByteArray()); break;
    case Delete: reply = nam->deleteResource(request); break;
    }
    if (!reply) {
        // Only a forged type gets here; a programming error, not worth a crash.
        qWarning("Request::send: Invalid request type %d", int(m_type));
        onError(ERR_INTERNAL, QStringLiteral("Invalid request type"));
        return;
    }

    // A request can ride on a connection that was opened ahead (the
    // session's setServer); that connection's certificate problems reach
    // only the manager, and the request just sees "handshake failed". Keep
    // them, so the failure can still say what was wrong.
    connect(nam, &QNetworkAccessManager::sslErrors, this,
            [this](QNetworkReply *other, const QList<QSslError> &errors) {
                if (other != m_reply)
                    m_connectionSslErrors = errors;
            });

    // 7. The reply belongs to the request. It stays a child of the network
    // access manager, though: a manager that goes away (the session ends, a
    // replaced manager expires) takes its replies with it, and a reply that
    // outlived its manager would crash on the next touch. Such a request
    // ends as aborted instead.
    m_reply = reply;
    connect(reply, &QObject::destroyed, this, [this] {
        if (!m_finished)
            onError(ERR_ABORTED, QStringLiteral("Aborted:the connection was closed"));
    });
    connect(reply, &QNetworkReply::finished, this, &Request::onFinished);
    connect(reply, &QNetworkReply::sslErrors, this, &Request::onSslErrors);
    connect(reply, &QNetworkReply::uploadProgress, this, &Request::restartTimer);
    connect(reply, &QNetworkReply::downloadProgress, this, &Request::restartTimer);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] { refuseOversizedReply(); });
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        if (!m_reply || m_finished)
            return;
        if (m_raw) {
            // A JSON reply of a raw request is an envelope (a service error);
            // keep it for onFinished instead of handing it to the consumer.
            const QString type = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
            m_rawJson = type.startsWith(QLatin1String("application/json"), Qt::CaseInsensitive);
            if (!m_rawJson)
                emit readyRead();
        }
        // What the consumer left unread is what the reply holds.
        refuseOversizedReply();
    });

    // 8. Time-out supervision.
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setSingleShot(true);
    m_timer->setInterval(m_timeoutMs);
    connect(m_timer, &QTimer::timeout, this, &Request::onTimeout);
    if (!m_paused)
        m_timer->start();
    if (m_deadlineMs > 0) {
        m_deadlineTimer = new QTimer(this);
        m_deadlineTimer->setTimerType(Qt::PreciseTimer);
        m_deadlineTimer->setSingleShot(true);
        m_deadlineTimer->setInterval(m_deadlineMs);
        m_deadlineLeftMs = m_deadlineMs;
        connect(m_deadlineTimer, &QTimer::timeout, this, &Request::onDeadline);
        if (!m_paused)
            m_deadlineTimer->start();
    }

    // 9. The session can abort, pause and resume everything in flight.
    connect(session, &ISession::abort, this, qOverload<>(&Request::abort));
    connect(session, &ISession::pause, this, &Request::pauseTimer);
    connect(session, &ISession::resume, this, &Request::resumeTimer);
}

void Request::logRequest(const QNetworkRequest &request) const
{
    if (!lcNetTraffic().isDebugEnabled())
        return;
    const QByteArray frame = QByteArray("---------------- NetworkRequest[") + QByteArray::number(m_number) +
                             "] ----------------";
    qCDebug(lcNetTraffic, "%s", frame.constData());
    qCDebug(lcNetTraffic, "URL: %s", qUtf8Printable(request.url().toString()));
    const auto headerNames = request.rawHeaderList();
    for (const QByteArray &name : headerNames)
        qCDebug(lcNetTraffic, "%s: %s", name.constData(), redactHeader(name, request.rawHeader(name)).constData());
    if (m_contentType.startsWith(QLatin1String("application/json")) && !m_bodyBytes.isEmpty()) {
        const QJsonDocument doc = QJsonDocument::fromJson(m_bodyBytes);
        if (doc.isObject())
            logLines(QJsonDocument(redact(doc.object()).toObject()).toJson(QJsonDocument::Compact));
    }
    qCDebug(lcNetTraffic, "%s", frame.constData());
}

void Request::logReply() const
{
    if (!lcNetTraffic().isDebugEnabled() || !m_reply)
        return;
    const QByteArray frame = QByteArray("----------------- NetworkReply[") + QByteArray::number(m_number) +
                             "] -----------------";
    qCDebug(lcNetTraffic, "%s", frame.constData());
    qCDebug(lcNetTraffic, "URL: %s", qUtf8Printable(m_reply->url().toString()));
    qCDebug(lcNetTraffic, "HTTP: %d error: %d",
            m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), int(m_reply->error()));
    for (const auto &pair : m_reply->rawHeaderPairs())
        qCDebug(lcNetTraffic, "%s: %s", pair.first.constData(), redactHeader(pair.first, pair.second).constData());
    qCDebug(lcNetTraffic, "%s", frame.constData());
}

void Request::onFinished()
{
    if (!m_reply)
        return;
    logReply();
    const QNetworkReply::NetworkError netError = m_reply->error();

    // 2. Our own abort or time-out delivers the outcome itself.
    if (netError == QNetworkReply::OperationCanceledError) {
        if (m_aborting || m_finished)
            return;
        // Canceled by someone else (the network access manager went away):
        // the caller must still hear of it once.
        onError(ERR_ABORTED, QStringLiteral("Network error: %1 [%2:%3]; HTTP: %4")
                                 .arg(m_reply->errorString())
                                 .arg(int(netError))
                                 .arg(networkErrorName(netError))
                                 .arg(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()));
        return;
    }
    if (m_finished)
        return;

    const int http = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // 3. Network errors.
    if (netError != QNetworkReply::NoError) {
        QString message = QStringLiteral("Network error: %1 [%2:%3]; HTTP: %4")
                              .arg(m_reply->errorString())
                              .arg(int(netError))
                              .arg(networkErrorName(netError))
                              .arg(http);
        if (netError == QNetworkReply::SslHandshakeFailedError && !m_connectionSslErrors.isEmpty())
            message += QStringLiteral("; ") + sslErrorsText(m_connectionSslErrors);
        qWarning("Request::onFinished: %s", qUtf8Printable(message));
        onError(mapNetworkError(netError), message);
        return;
    }
    // 4. HTTP status.
    if (http >= 300 && http <= 399) {
        onError(ERR_HTTP_REDIRECT, QStringLiteral("HTTP status: %1").arg(http));
        return;
    }
    if (http < 200 || http >= 400) {
        onError(ERR_HTTP_STATUS, QStringLiteral("HTTP status: %1").arg(http));
        return;
    }

    // 5. The body.
    if (refuseOversizedReply())
        return;
    QByteArray body = m_reply->readAll();
    if (m_raw && !m_rawJson) {
        const QString type = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
        m_rawJson = type.startsWith(QLatin1String("application/json"), Qt::CaseInsensitive);
    }
    if (m_raw && !m_rawJson) {
        m_rawBody = body;
        qCDebug(lcNetTraffic, "Content: <%d bytes>", int(body.size()));
        succeed();
        return;
    }
    parseEnvelope(std::move(body));
}

void Request::parseEnvelope(QByteArray body)
{
    if (body.isEmpty()) {
        onError(ERR_EMPTY_RESPONSE, QStringLiteral("Received empty response"));
        return;
    }
    if (lcNetTraffic().isDebugEnabled()) {
        const QJsonDocument doc = QJsonDocument::fromJson(body);
        const QByteArray shown = doc.isObject() ? QJsonDocument(redact(doc.object()).toObject()).toJson(QJsonDocument::Compact)
                                                : body;
        qCDebug(lcNetTraffic, "Content: %s", shown.left(ContentLogLimit).constData());
    }
    // "data" is not checked here: its shape is the operation's to judge.
    JsonReader reader = JsonReader::fromText(body);
    // The parsed document is all that is needed from here on; a large
    // listing's text need not stay beside it.
    body = QByteArray();
    const int status = reader.toInt(QStringLiteral("status"));
    const QString serverMessage = reader.toString(QStringLiteral("message"), JsonReader::Optional);
    if (!reader.ok()) {
        onError(ERR_BAD_RESPONSE, QStringLiteral("Bad response: %1").arg(reader.error()));
        return;
    }
    const ErrorCode code = errorCodeForServerStatus(status);
    if (code != ERR_NONE) {
        onError(code, QStringLiteral("Response status: code:%1 message: %2").arg(status).arg(serverMessage));
        return;
    }
    m_replyDocument = QJsonDocument(reader.object());
    if (m_dataParser) {
        const QJsonValue data = replyData();
        const QString problem = m_dataParser(data);
        if (!problem.isEmpty()) {
            onError(ERR_BAD_RESPONSE, QStringLiteral("Response data: %1 in %2")
                                          .arg(problem, JsonReader::compact(data).left(ContentLogLimit)));
            return;
        }
        // The parser made its own copy; a listing's document is large.
        m_replyDocument = QJsonDocument();
    }
    succeed();
}

bool Request::refuseOversizedReply()
{
    if (m_maxReplySize <= 0 || !m_reply || m_finished)
        return false;
    // A raw reply may be longer than its ceiling: it is read as it comes.
    // Only what it holds unread counts.
    const bool streamed = m_raw && !m_rawJson;
    const qint64 announced =
        streamed ? -1 : m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const qint64 held = m_reply->bytesAvailable();
    if (announced <= m_maxReplySize && held <= m_maxReplySize)
        return false;
    const QString message =
        announced > m_maxReplySize
            ? QStringLiteral("Reply too large: %1 bytes announced, at most %2 accepted").arg(announced).arg(m_maxReplySize)
            : QStringLiteral("Reply too large: more than %1 bytes").arg(m_maxReplySize);
    stopReply();
    onError(ERR_BAD_RESPONSE, message);
    return true;
}

void Request::succeed()
{
    if (m_finished)
        return;
    const int elapsed = elapsedMs();
    stopTimers();
    m_finished = true;
    qDebug("Request::onFinished: Request '%s' was successful. Elapsed time: %d ms.", qUtf8Printable(m_path), elapsed);
    if (m_session)
        m_session->requestSuccessful();
    emit success();
    if (m_onSuccess)
        m_onSuccess();
    deleteLater();
}

int Request::elapsedMs() const
{
    if (!m_timer || !m_timer->isActive())
        return 0;
    return m_timer->interval() - m_timer->remainingTime();
}

void Request::onError(ErrorCode code, const QString &message)
{
    if (m_finished)
        return;
    if (m_timer && m_timer->isActive())
        qWarning("Request::onError: Request '%s' failed. Elapsed time %d ms. %s", qUtf8Printable(m_path), elapsedMs(),
                 qUtf8Printable(message));
    else
        qWarning("Request::onError: Request '%s' failed: %s", qUtf8Printable(m_path), qUtf8Printable(message));
    stopTimers();
    m_finished = true;
    m_errorMessage = message;
    if (m_session)
        m_session->requestFailed(code);
    qDebug("Request::onError: Emitting error, code: %d, message: %s", int(code), qUtf8Printable(message));
    emit error(code, message);
    if (m_onError)
        m_onError(code, message);
    deleteLater();
}

void Request::stopReply()
{
    if (m_timer)
        m_timer->stop();
    if (m_reply && m_reply->isRunning()) {
        m_aborting = true;
        m_reply->abort();
        m_aborting = false;
    }
}

void Request::onTimeout()
{
    if (m_finished)
        return;
    stopReply();
    onError(ERR_TIMEOUT, QStringLiteral("Timeout"));
}

void Request::onDeadline()
{
    if (m_finished)
        return;
    stopReply();
    onError(ERR_TIMEOUT, QStringLiteral("Timeout: no complete reply within %1 ms").arg(m_deadlineMs));
}

void Request::abort()
{
    if (m_finished)
        return;
    stopReply();
    onError(ERR_ABORTED, QStringLiteral("Aborted by user."));
}

void Request::abort(ErrorCode code, const QString &reason)
{
    if (m_finished)
        return;
    stopReply();
    onError(code, QStringLiteral("Aborted:%1").arg(reason));
}

void Request::onSslErrors(const QList<QSslError> &errors)
{
    const QString list = sslErrorsText(errors);
    qWarning("OndoSession::networkReplySslErrors: SSL errors: %s", qUtf8Printable(list));
    if (m_session && m_session->ignoreSslErrors()) {
        qWarning("Request::onSslErrors: Ignoring SSL errors as per setting");
        if (m_reply)
            m_reply->ignoreSslErrors();
        return;
    }
    // Not ignored: the handshake fails by itself; the outcome is ours to
    // deliver now, the late finished signal finds it delivered.
    onError(ERR_SSL, list);
}

void Request::restartTimer(qint64 done, qint64 all)
{
    if (m_onProgress && !m_finished)
        m_onProgress(done, all);
    if (m_finished || m_paused || !m_timer)
        return;
    m_timer->start();
}

// While the user is asked something (proxy credentials), neither the
// silence nor the whole run counts.
void Request::stopTimers()
{
    if (m_timer)
        m_timer->stop();
    if (m_deadlineTimer)
        m_deadlineTimer->stop();
}

void Request::pauseTimer()
{
    if (!m_paused && m_deadlineTimer && m_deadlineTimer->isActive())
        m_deadlineLeftMs = qMax(1, m_deadlineTimer->remainingTime());
    m_paused = true;
    stopTimers();
}

void Request::resumeTimer()
{
    m_paused = false;
    if (m_finished)
        return;
    if (m_timer)
        m_timer->start();
    if (m_deadlineTimer)
        m_deadlineTimer->start(m_deadlineLeftMs);
}
