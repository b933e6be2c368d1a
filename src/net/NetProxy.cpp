#include "net/NetProxy.h"

#include "app/Settings.h"
#include "sync/Crypto.h"

#include <QAuthenticator>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QSettings>
#include <QUrl>

#include <stdexcept>

namespace {
QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}
} // namespace

void NetProxy::setHost(const QString &host, int port)
{
    m_url = QStringLiteral("%1:%2").arg(host).arg(port);
}

bool NetProxy::loadFromSettings(const QString &url)
{
    if (url.isEmpty() || Settings::value(Settings::NetProxyUrl).toString() != url)
        return false;
    try {
        const QString password = decryptStoredValue(Settings::value(Settings::NetProxyPassword).toString());
        m_url = url;
        m_user = Settings::value(Settings::NetProxyUser).toString();
        m_password = password;
        m_created = Settings::value(Settings::NetProxyCreatedTs).toDateTime();
        return true;
    } catch (const std::exception &e) {
        qWarning("NetProxy::loadFromSettings: Unabel to load proxy credentials: %s", e.what());
        return false;
    }
}

void NetProxy::saveToSettings()
{
    QString encrypted;
    try {
        encrypted = encryptStoredValue(m_password);
    } catch (const std::exception &e) {
        qWarning("NetProxy::saveToSettings: unable to save proxy settings: %s", e.what());
        return;
    }
    m_created = QDateTime::currentDateTimeUtc();
    QSettings settings;
    Settings::NetProxyCreatedTs.write(settings, m_created);
    Settings::NetProxyUrl.write(settings, m_url);
    Settings::NetProxyUser.write(settings, m_user);
    Settings::NetProxyPassword.write(settings, encrypted);
}

void NetProxy::removeFromSettings()
{
    QSettings settings;
    if (m_url.isEmpty() || Settings::NetProxyUrl.read(settings).toString() != m_url)
        return;
    settings.remove(Settings::NetProxyCreatedTs.name());
    settings.remove(Settings::NetProxyUrl.name());
    settings.remove(Settings::NetProxyUser.name());
    settings.remove(Settings::NetProxyPassword.name());
}

void NetProxy::checkNetworkProxy(const QString &url)
{
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(QUrl(url)));
    if (proxies.isEmpty()) {
        qInfo("NetProxy::checkNetworkProxy: no system proxies found");
        return;
    }
    if (proxies.size() == 1 && proxies.first().type() == QNetworkProxy::NoProxy) {
        qInfo("NetProxy::checkNetworkProxy: no system proxy required");
        return;
    }
    for (int i = 0; i < proxies.size(); ++i) {
        const QNetworkProxy &p = proxies.at(i);
        qInfo("NetProxy::checkNetworkProxy: system proxy[%d of %d]: type:%s(%d) host:'%s' port:%d caching:%s "
              "transparent:%s",
              i + 1, int(proxies.size()), qUtf8Printable(proxyTypeName(p.type())), int(p.type()),
              qUtf8Printable(p.hostName()), int(p.port()), qUtf8Printable(yesNo(p.capabilities() & QNetworkProxy::CachingCapability)),
              qUtf8Printable(yesNo(p.capabilities() & QNetworkProxy::TunnelingCapability)));
    }
}

QString NetProxy::proxyTypeName(QNetworkProxy::ProxyType type)
{
    switch (type) {
    case QNetworkProxy::DefaultProxy: return QStringLiteral("DefaultProxy");
    case QNetworkProxy::Socks5Proxy: return QStringLiteral("Socks5Proxy");
    case QNetworkProxy::NoProxy: return QStringLiteral("NoProxy");
    case QNetworkProxy::HttpProxy: return QStringLiteral("HttpProxy");
    case QNetworkProxy::HttpCachingProxy: return QStringLiteral("HttpCachingProxy");
    case QNetworkProxy::FtpCachingProxy: return QStringLiteral("FtpCachingProxy");
    }
    return QStringLiteral("Unknown(%1)").arg(int(type));
}

QString NetProxy::proxyText(const QNetworkProxy &proxy)
{
    return QStringList{QStringLiteral("proxy host: %1").arg(proxy.hostName()),
                       QStringLiteral("port: %1").arg(proxy.port()),
                       QStringLiteral("type: %1").arg(proxyTypeName(proxy.type())),
                       QStringLiteral("caching: %1").arg(yesNo(proxy.capabilities() & QNetworkProxy::CachingCapability)),
                       QStringLiteral("transparent: %1").arg(yesNo(proxy.capabilities() & QNetworkProxy::TunnelingCapability))}
        .join(QLatin1Char(' '));
}

QString NetProxy::authenticatorText(const QAuthenticator *auth)
{
    if (!auth)
        return QStringLiteral("auth: none");
    QString text = QStringLiteral("auth realm:'%1'").arg(auth->realm());
    const QVariantHash options = auth->options();
    if (options.isEmpty())
        return text + QStringLiteral(" options: none");
    text += QStringLiteral(" options [%1]:").arg(options.size());
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        text += QStringLiteral(" %1=%2").arg(it.key(), it.value().toString());
    return text;
}
