#include "sync/WifiNetwork.h"

#include "sync/IWifiConfigurationSource.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>
#include <QUrl>

WifiNetwork::WifiNetwork(const QString &identifier, const IWifiConfigurationSource *source)
    : m_identifier(identifier)
    , m_source(source)
{
    QSettings s;
    s.beginGroup(groupOf(identifier));
    m_synchronize = s.value(QStringLiteral("synchronize"), false).toBool();
    const QString last = s.value(QStringLiteral("last_connected")).toString();
    if (!last.isEmpty()) {
        m_lastConnected = QDateTime::fromString(last, Qt::TextDate);
        m_lastConnected.setTimeSpec(Qt::UTC);
    }
}

QString WifiNetwork::groupOf(const QString &identifier)
{
    return QStringLiteral("net/wifi/") + QString::fromLatin1(QUrl::toPercentEncoding(identifier));
}

bool WifiNetwork::isKnown(const QString &identifier)
{
    QSettings s;
    return s.contains(groupOf(identifier) + QStringLiteral("/synchronize"));
}

QString WifiNetwork::name() const
{
    const auto c = m_source ? m_source->configuration(m_identifier) : std::nullopt;
    return c ? c->name : QString();
}

int WifiNetwork::state() const
{
    const auto c = m_source ? m_source->configuration(m_identifier) : std::nullopt;
    return c ? c->state : int(WifiConfiguration::Undefined);
}

QString WifiNetwork::statusText() const
{
    const auto c = m_source ? m_source->configuration(m_identifier) : std::nullopt;
    if (!c)
        return QString();
    if (c->isActive())
        return QCoreApplication::translate("WifiSettingsDialog", "Connected");
    if (m_lastConnected.isValid())
        return c->isDefined() ? QLocale().toString(m_lastConnected.toLocalTime(), QLocale::ShortFormat) : QString();
    return QCoreApplication::translate("WifiSettingsDialog", "Unknown");
}

void WifiNetwork::setSynchronize(bool value)
{
    m_synchronize = value;
    save();
}

void WifiNetwork::setLastConnected(const QDateTime &time)
{
    m_lastConnected = time.toUTC();
    save();
}

void WifiNetwork::save() const
{
    QSettings s;
    s.beginGroup(groupOf(m_identifier));
    s.setValue(QStringLiteral("SSID"), name());
    s.setValue(QStringLiteral("last_connected"),
               m_lastConnected.isValid() ? m_lastConnected.toString(Qt::TextDate) : QString());
    s.setValue(QStringLiteral("synchronize"), m_synchronize);
}

void WifiNetwork::remove()
{
    QSettings s;
    s.beginGroup(groupOf(m_identifier));
    s.remove(QStringLiteral("SSID"));
    s.remove(QStringLiteral("last_connected"));
    s.remove(QStringLiteral("synchronize"));
}
