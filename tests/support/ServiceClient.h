#pragma once

#include "ServiceProcess.h"
#include "SrpTestClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <functional>
#include <memory>

// A synchronous client of the reference service for tests: raw requests, the
// whole login (with SrpTestClient's independent mathematics), and the file
// and password operations with their transport encryption. Each call runs a
// local event loop until the reply is complete and returns it as a value.
class ServiceClient
{
public:
    struct Reply
    {
        int http = 0;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        int status = 0;        // the envelope's "status" (0 when the body is no envelope)
        QString message;       // the envelope's "message"
        QJsonObject data;      // the envelope's "data"
        bool ok() const { return error == QNetworkReply::NoError && http == 200 && status == 200; }
        QByteArray header(const QByteArray &name) const;
    };

    struct LoginOptions
    {
        QString deviceId = QStringLiteral("test-device-1");
        QString deviceName = QStringLiteral("Test device");
        QString clientVersion = QStringLiteral("1.1.0");
        int iterations = 500;
        QString method = QStringLiteral("SMS"); // the second factor to pick when asked
        // The TAN for a challenge: gets the method and the challenge ("code").
        // Default: none, the login stops at the challenge.
        std::function<QString(const QString &method, const QString &challenge)> tan;
    };
    struct LoginResult
    {
        bool loggedIn = false;
        QString state;            // the last loginState seen
        QString error;            // what went wrong, if anything
        QStringList methods;      // offered second factors
        QJsonObject thirdParty;
        QString challenge;        // the last challenge ("code")
        QString nextDoubleSec;    // the value a client keeps for its next login
        Reply last;               // the last reply
    };

    explicit ServiceClient(const ServiceProcess &service)
        : ServiceClient(service.baseUrl(), service.sslConfiguration()) {}
    ServiceClient(const QString &baseUrl, const QSslConfiguration &ssl)
        : m_nam(std::make_unique<QNetworkAccessManager>()), m_baseUrl(baseUrl), m_ssl(ssl) {}
    ~ServiceClient();

    // 1: "/rest/..." paths of the first generation; anything else "/api/sync/1/...".
    void setApiGeneration(int generation) { m_generation = generation; }
    QString filesBase() const
    {
        return m_generation == 1 ? QStringLiteral("/rest/loggedin/3/filesafe/") : QStringLiteral("/api/sync/1/files/");
    }
    QString passwordsBase() const
    {
        return m_generation == 1 ? QStringLiteral("/rest/loggedin/2/passwords") : QStringLiteral("/api/sync/1/passwords");
    }
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // After a restart of the service on another port.
    void setBaseUrl(const QString &baseUrl) { m_baseUrl = baseUrl; }

    Reply request(const QByteArray &method, const QString &path, const QByteArray &body = {},
                  const QList<QPair<QByteArray, QByteArray>> &headers = {},
                  const QByteArray &contentType = "application/json");
    Reply loginStep(const QJsonObject &body);
    // The same request without waiting: the caller runs the event loop and
    // owns the reply; readReply() turns a finished one into a Reply.
    QNetworkReply *startRequest(const QByteArray &method, const QString &path, const QByteArray &body = {},
                                const QList<QPair<QByteArray, QByteArray>> &headers = {},
                                const QByteArray &contentType = "application/json");
    QNetworkReply *startUpload(const QString &destination, const QString &name, const QByteArray &content,
                               const QString &objectId = {});
    static Reply readReply(QNetworkReply *reply);

    LoginResult login(const QString &user, const QString &password, const LoginOptions &options);
    LoginResult login(const QString &user, const QString &password) { return login(user, password, LoginOptions()); }
    Reply logout();
    // "JSESSIONID=..." as this client sends it (empty without a session).
    QByteArray cookieHeader() const;

    QByteArray sessionKey() const { return m_key; }
    QByteArray xsrfToken() const { return m_xsrf; }
    void setXsrfToken(const QByteArray &token) { m_xsrf = token; }

    // File safes (paths below filesBase()).
    Reply safes() { return request("GET", filesBase() + QStringLiteral("info")); }
    Reply objects(const QString &safeId, const QString &folder = QStringLiteral("/"), int depth = 0,
                  const QString &type = QStringLiteral("any"));
    // Encrypts `content` under the session key and a fresh IV. Destination
    // "<safe id>/<folder>"; an object id makes it a new version.
    Reply upload(const QString &destination, const QString &name, const QByteArray &content,
                 const QString &objectId = {});
    // The same with the raw body and headers given by the test.
    Reply uploadRaw(const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &headers,
                    const QString &objectId = {});
    // Downloads and decrypts; `plain` is empty and `decrypted` false when that fails.
    Reply download(const QString &objectId, QByteArray *plain, bool *decrypted);
    Reply createFolder(const QString &destination, const QString &name);
    Reply deleteObject(const QString &objectId, bool folder, const QString &mode = QStringLiteral("trash"));

    // The password list (its secrets travel encrypted under the session key).
    Reply passwords() { return request("GET", passwordsBase()); }

    // Percent-encoding as the client does it: all but letters, digits and "-._~".
    static QByteArray percent(const QString &text);
    QByteArray encryptForTransport(const QByteArray &plain, QByteArray *ivHex) const;

private:
    Reply wait(QNetworkReply *reply) const;
    QString filePath(const QString &objectId) const;

    std::unique_ptr<QNetworkAccessManager> m_nam;
    QString m_baseUrl;
    QSslConfiguration m_ssl;
    int m_generation = 3;
    int m_timeoutMs = 60000;
    std::unique_ptr<SrpTestClient> m_srp;
    QByteArray m_key;
    QByteArray m_xsrf;
};
