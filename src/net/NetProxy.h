#pragma once

#include <QDateTime>
#include <QNetworkProxy>
#include <QString>

class QAuthenticator;

// Credentials for one web proxy, kept in the user settings ("net/proxy_url",
// "net/proxy_user", "net/proxy_password", "net/proxy_created_ts"). Only one
// proxy's credentials are kept; the password is stored encrypted
// (encryptStoredValue, hexadecimal text), never in clear.
class NetProxy
{
public:
    NetProxy() = default;

    // The url becomes "host:port".
    void setHost(const QString &host, int port);
    void setUser(const QString &user) { m_user = user; }
    void setPassword(const QString &password) { m_password = password; }

    const QString &url() const { return m_url; }
    const QString &user() const { return m_user; }
    const QString &password() const { return m_password; }
    const QDateTime &created() const { return m_created; }

    // Takes the saved credentials when they belong to `url` ("host:port").
    // A password that cannot be decrypted counts as no credentials.
    bool loadFromSettings(const QString &url);
    // Writes all four keys; on an encryption failure nothing further is written.
    void saveToSettings();
    // Removes the saved credentials when they belong to this url.
    void removeFromSettings();

    // Logs the system's proxies for a request to `url`; it only logs.
    static void checkNetworkProxy(const QString &url);

    static QString proxyTypeName(QNetworkProxy::ProxyType type);
    // "proxy host: .. port: .. type: .. caching: .. transparent: .."
    static QString proxyText(const QNetworkProxy &proxy);
    // "auth realm:'..' options: none" or "auth realm:'..' options [n]: k=v ..."
    static QString authenticatorText(const QAuthenticator *auth);

private:
    QString m_url;
    QString m_user;
    QString m_password;
    QDateTime m_created;
};
