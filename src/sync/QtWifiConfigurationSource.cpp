#include "sync/QtWifiConfigurationSource.h"

// The configuration manager is deprecated in Qt 5.15 but still the only
// portable source of the Wi-Fi configurations.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
#include <QNetworkConfigurationManager>

QtWifiConfigurationSource::QtWifiConfigurationSource(QObject *parent)
    : IWifiConfigurationSource(parent)
    , m_manager(new QNetworkConfigurationManager(this))
{
    connect(m_manager, &QNetworkConfigurationManager::configurationAdded, this,
            [this](const QNetworkConfiguration &c) { emit configurationAdded(fromQt(c)); });
    connect(m_manager, &QNetworkConfigurationManager::configurationChanged, this,
            [this](const QNetworkConfiguration &c) { emit configurationChanged(fromQt(c)); });
    connect(m_manager, &QNetworkConfigurationManager::configurationRemoved, this,
            [this](const QNetworkConfiguration &c) { emit configurationRemoved(fromQt(c)); });
    // The configurations known at start arrive as changes after the update.
    connect(m_manager, &QNetworkConfigurationManager::updateCompleted, this, [this] {
        const auto all = m_manager->allConfigurations();
        for (const QNetworkConfiguration &c : all)
            emit configurationChanged(fromQt(c));
    });
}

WifiConfiguration QtWifiConfigurationSource::fromQt(const QNetworkConfiguration &c)
{
    WifiConfiguration w;
    w.identifier = c.identifier();
    w.name = c.name();
    w.bearerTypeName = c.bearerTypeName();
    w.state = int(c.state());
    w.valid = c.isValid();
    return w;
}

std::optional<WifiConfiguration> QtWifiConfigurationSource::configuration(const QString &identifier) const
{
    const QNetworkConfiguration c = m_manager->configurationFromIdentifier(identifier);
    if (!c.isValid())
        return std::nullopt;
    return fromQt(c);
}

void QtWifiConfigurationSource::updateConfigurations()
{
    m_manager->updateConfigurations();
}

QT_WARNING_POP
