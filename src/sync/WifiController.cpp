#include "sync/WifiController.h"

#include "app/Settings.h"

#include <algorithm>

WifiController::WifiController(IWifiConfigurationSource *source, QObject *parent)
    : QObject(parent)
    , m_source(source)
{
    qRegisterMetaType<WifiConfiguration>();
    m_source->setParent(this);
    m_syncOnNewWifi = Settings::value(Settings::NetSyncNewWifis).toBool();
    connect(m_source, &IWifiConfigurationSource::configurationAdded, this, &WifiController::update);
    connect(m_source, &IWifiConfigurationSource::configurationChanged, this, &WifiController::update);
    connect(m_source, &IWifiConfigurationSource::configurationRemoved, this, &WifiController::update);
    m_source->updateConfigurations();
}

QList<WifiNetwork> WifiController::networks() const
{
    QList<WifiNetwork> list = m_networks.values();
    std::stable_sort(list.begin(), list.end(), [](const WifiNetwork &a, const WifiNetwork &b) {
        // Invalid times (never connected) go last.
        if (a.lastConnected().isValid() != b.lastConnected().isValid())
            return a.lastConnected().isValid();
        return a.lastConnected() > b.lastConnected();
    });
    return list;
}

void WifiController::setSyncOnNewWifi(bool value)
{
    m_syncOnNewWifi = value;
    Settings::setValue(Settings::NetSyncNewWifis, value);
}

void WifiController::setWifiSyncSetting(const QString &id, bool value)
{
    auto it = m_networks.find(id);
    if (it == m_networks.end())
        return;
    it->setSynchronize(value);
    if (id == m_currentWifiId) {
        m_autoSyncAllowed = value;
        emit autoSyncStateChanged(value);
    }
}

void WifiController::update(const WifiConfiguration &c)
{
    if (c.valid && c.isWireless() && c.isDefined()) {
        const bool known = WifiNetwork::isKnown(c.identifier);
        WifiNetwork network(c.identifier, m_source);
        if (!known)
            network.setSynchronize(m_syncOnNewWifi);
        if (c.isActive()) {
            m_autoSyncAllowed = network.synchronize();
            emit autoSyncStateChanged(network.synchronize());
            m_currentWifiId = c.identifier;
            network.setLastConnected(QDateTime::currentDateTimeUtc());
        }
        m_networks.insert(c.identifier, network);
        emit wifiStateChanged();
        return;
    }
    auto it = m_networks.find(c.identifier);
    if (it != m_networks.end()) {
        it->remove();
        m_networks.erase(it);
        emit wifiStateChanged();
    }
}
