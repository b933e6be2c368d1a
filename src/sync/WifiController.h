#pragma once

#include "sync/IWifiConfigurationSource.h"
#include "sync/WifiNetwork.h"

#include <QList>
#include <QMap>
#include <QObject>

#include <optional>

// Remembers every wireless network seen and the user's choice for it, and
// tells the scheduler whether automatic syncs are allowed on the wireless
// network now connected. A network seen for the first time gets the choice
// "net/sync_new_wifis" (default true). A wired connection changes nothing.
class WifiController : public QObject
{
    Q_OBJECT
public:
    // Takes the source over (it becomes a child) and asks it for its
    // configurations.
    explicit WifiController(IWifiConfigurationSource *source, QObject *parent = nullptr);

    // Remembered networks, most recently connected first.
    QList<WifiNetwork> networks() const;
    bool syncOnNewWifi() const { return m_syncOnNewWifi; }
    std::optional<bool> autoSyncAllowed() const { return m_autoSyncAllowed; }
    QString currentWifiId() const { return m_currentWifiId; }
    IWifiConfigurationSource *source() const { return m_source; }

public slots:
    void setSyncOnNewWifi(bool value);
    void setWifiSyncSetting(const QString &id, bool value);

signals:
    void autoSyncStateChanged(bool newStatus);
    void wifiStateChanged();

private:
    void update(const WifiConfiguration &configuration);

    QMap<QString, WifiNetwork> m_networks;
    IWifiConfigurationSource *m_source;
    std::optional<bool> m_autoSyncAllowed;
    QString m_currentWifiId;
    bool m_syncOnNewWifi = true;
};
