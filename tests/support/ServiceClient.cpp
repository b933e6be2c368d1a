#include "ServiceClient.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <openssl/rand.h>

QByteArray ServiceClient::Reply::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

ServiceClient::~ServiceClient() = default;

QByteArray ServiceClient::percent(const QString &text)
{
    return QUrl::toPercentEncoding(text, QByteArray(), QByteArray("/"));
}

QNetworkReply *ServiceClient::startRequest(const QByteArray &method, const QString &path, const QByteArray &body,
                                          const QList<QPair<QByteArray, QByteArray>> &headers,
                                          const QByteArray &contentType)
{
    QNetworkRequest request(QUrl(m_baseUrl + path, QUrl::TolerantMode));
    if (m_baseUrl.startsWith(QLatin1String("https:")))
        request.setSslConfiguration(m_ssl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept", "application/json");
    for (const auto &h : headers)
        request.setRawHeader(h.first, h.second);
    if (!body.isEmpty() || method == "POST" || method == "PUT")
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!m_xsrf.isEmpty())
        request.setRawHeader("X-XSRF-TOKEN", m_xsrf);
    return m_nam->sendCustomRequest(request, method, body);
}

ServiceClient::Reply ServiceClient::readReply(QNetworkReply *reply)
{
    Reply r;
    r.http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // HTTP statuses are in `http`; `error` keeps the failures below HTTP.
    r.error = reply->error() < QNetworkReply::ContentAccessDenied ? reply->error() : QNetworkReply::NoError;
    r.body = reply->readAll();
    r.headers = reply->rawHeaderPairs();
    const QJsonObject envelope = QJsonDocument::fromJson(r.body).object();
    r.status = envelope.value(QStringLiteral("status")).toInt();
    r.message = envelope.value(QStringLiteral("message")).toString();
    r.data = envelope.value(QStringLiteral("data")).toObject();
    return r;
}

ServiceClient::Reply ServiceClient::request(const QByteArray &method, const QString &path, const QByteArray &body,
                                            const QList<QPair<QByteArray, QByteArray>> &headers,
                                            const QByteArray &contentType)
{
    return wait(startRequest(method, path, body, headers, contentType));
}

ServiceClient::Reply ServiceClient::wait(QNetworkReply *reply) const
{
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Reply r;
    if (reply->isFinished()) {
        r = readReply(reply);
    } else {
        reply->abort();
        r.error = QNetworkReply::TimeoutError;
    }
    delete reply;
    return r;
}

ServiceClient::Reply ServiceClient::loginStep(const QJsonObject &body)
{
    return request("POST", QStringLiteral("/api/sync/1/auth/login"), QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QByteArray ServiceClient::cookieHeader() const
{
    for (const QNetworkCookie &cookie : m_nam->cookieJar()->cookiesForUrl(QUrl(m_baseUrl + QStringLiteral("/")))) {
        if (cookie.name() == "JSESSIONID")
            return cookie.name() + '=' + cookie.value();
    }
    return {};
}

ServiceClient::LoginResult ServiceClient::login(const QString &user, const QString &password,
                                                const LoginOptions &options)
{
    LoginResult result;
    m_xsrf.clear();
    m_key.clear();
    auto failed = [&](const QString &what) {
        result.error = what + QStringLiteral(": HTTP %1, status %2, %3").arg(result.last.http).arg(result.last.status).arg(result.last.message);
        return result;
    };
    result.last = loginStep({{"step", "CREATE_SESSION"},
                             {"deviceIdentifier", options.deviceId},
                             {"client", "SYNC"},
                             {"version", options.clientVersion}});
    if (!result.last.ok())
        return failed(QStringLiteral("CREATE_SESSION"));
    m_srp = std::make_unique<SrpTestClient>(user, password);
    result.last = loginStep({{"step", "IDENTIFY_USER"}, {"username", user.toLower()}, {"a", QString::fromLatin1(m_srp->hexA())}});
    result.state = result.last.data.value("loginState").toString();
    if (!result.last.ok() || result.state != QLatin1String("IDENTIFIED"))
        return failed(QStringLiteral("IDENTIFY_USER"));
    if (!m_srp->setServerValues(result.last.data.value("salt").toString().toLatin1(),
                                result.last.data.value("b").toString().toLatin1()))
        return failed(QStringLiteral("server values"));
    m_key = m_srp->key();
    result.last = loginStep({{"step", "VERIFY_M1"}, {"m1", QString::fromLatin1(m_srp->hexM1())}});
    result.state = result.last.data.value("loginState").toString();
    if (!result.last.ok())
        return failed(QStringLiteral("VERIFY_M1"));

    QJsonObject conclude{{"step", "CONCLUDE_WITH_KEY"}, {"userKey", QString::fromLatin1(m_srp->userKeyHex(options.iterations))}};
    if (result.state == QLatin1String("PRE_AUTHENTICATED_SELECT_2FA_METHOD")) {
        for (const auto &m : result.last.data.value("supported2faMethods").toArray())
            result.methods << m.toString();
        result.thirdParty = result.last.data.value("thirdParty").toObject();
        result.last = loginStep({{"step", "SELECT_2FA_METHOD"}, {"used2faMethod", options.method}});
        result.state = result.last.data.value("loginState").toString();
        result.challenge = result.last.data.value("code").toString();
        if (!result.last.ok())
            return failed(QStringLiteral("SELECT_2FA_METHOD"));
        if (!options.tan)
            return result;
        const QString typed = options.tan(options.method, result.challenge);
        result.nextDoubleSec = QString::fromLatin1(m_srp->hmacHex(typed.toLatin1()));
        conclude.insert("step", "CONCLUDE_WITH_KEY_AND_TAN");
        conclude.insert("tan", QString::fromLatin1(m_srp->encryptHex(typed.toUpper().toLatin1(), 0)));
        conclude.insert("deviceName", QString::fromLatin1(m_srp->encryptHex(options.deviceName.toUtf8(), 64)));
        conclude.insert("initDoubleSec", true); // starts the chain a client keeps for its next login
    } else if (result.state != QLatin1String("PRE_AUTHENTICATED")) {
        return failed(QStringLiteral("unexpected state ") + result.state);
    }
    result.last = loginStep(conclude);
    result.state = result.last.data.value("loginState").toString();
    if (!result.last.ok() || result.state != QLatin1String("LOGGED_IN"))
        return failed(QStringLiteral("CONCLUDE"));
    const Reply token = request("GET", QStringLiteral("/api/sync/1/account/xsrfToken"));
    if (token.http != 200 || token.body.isEmpty()) {
        result.last = token;
        return failed(QStringLiteral("xsrfToken"));
    }
    m_xsrf = token.body;
    result.loggedIn = true;
    return result;
}

ServiceClient::Reply ServiceClient::logout()
{
    return request("POST", QStringLiteral("/api/sync/1/account/logout"), QByteArray(), {},
                   "application/x-www-form-urlencoded");
}

QByteArray ServiceClient::encryptForTransport(const QByteArray &plain, QByteArray *ivHex) const
{
    QByteArray iv(16, '\0');
    RAND_bytes(reinterpret_cast<unsigned char *>(iv.data()), 16);
    bool ok = false;
    const QByteArray out = SrpTestClient::aesCbc(true, m_key, iv, plain, &ok);
    *ivHex = iv.toHex();
    return out;
}

ServiceClient::Reply ServiceClient::objects(const QString &safeId, const QString &folder, int depth, const QString &type)
{
    return request("GET", filesBase() + QStringLiteral("info/%1?depth=%2&type=%3").arg(safeId).arg(depth).arg(type), {},
                   {{"X-Object-Path", percent(folder)}});
}

QString ServiceClient::filePath(const QString &objectId) const
{
    return filesBase() + (objectId.isEmpty() ? QStringLiteral("file") : QStringLiteral("file/") + objectId);
}

QNetworkReply *ServiceClient::startUpload(const QString &destination, const QString &name, const QByteArray &content,
                                         const QString &objectId)
{
    QByteArray ivHex;
    const QByteArray body = encryptForTransport(content, &ivHex);
    return startRequest("POST", filePath(objectId), body,
                        {{"X-Filename", percent(name)}, {"X-Transport-Iv", ivHex}, {"X-Destination", percent(destination)}},
                        "application/octet-stream");
}

ServiceClient::Reply ServiceClient::upload(const QString &destination, const QString &name, const QByteArray &content,
                                           const QString &objectId)
{
    return wait(startUpload(destination, name, content, objectId));
}

ServiceClient::Reply ServiceClient::uploadRaw(const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &headers,
                                              const QString &objectId)
{
    return request("POST", filePath(objectId), body, headers, "application/octet-stream");
}

ServiceClient::Reply ServiceClient::download(const QString &objectId, QByteArray *plain, bool *decrypted)
{
    const Reply r = request("GET", filesBase() + QStringLiteral("file/") + objectId);
    *decrypted = false;
    plain->clear();
    if (r.http == 200 && r.error == QNetworkReply::NoError) {
        const QByteArray iv = QByteArray::fromHex(r.header("X-Transport-Iv"));
        *plain = SrpTestClient::aesCbc(false, m_key, iv, r.body, decrypted);
    }
    return r;
}

ServiceClient::Reply ServiceClient::createFolder(const QString &destination, const QString &name)
{
    return request("POST", filesBase() + QStringLiteral("folder"), QByteArray(),
                   {{"X-Foldername", percent(name)}, {"X-Destination", percent(destination)}},
                   "text/plain; charset=UTF-8");
}

ServiceClient::Reply ServiceClient::deleteObject(const QString &objectId, bool folder, const QString &mode)
{
    return request("DELETE", filesBase() + (folder ? QStringLiteral("folder/") : QStringLiteral("file/")) + objectId
                                 + QStringLiteral("?mode=") + mode);
}
