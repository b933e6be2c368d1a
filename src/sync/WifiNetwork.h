#pragma once

#include <QDateTime>
#include <QString>

class IWifiConfigurationSource;

// One remembered wireless network and the user's choice for it, kept in the
// settings group "net/wifi/<identifier>" ("SSID", "last_connected",
// "synchronize").
class WifiNetwork
{
public:
    WifiNetwork() = default;
    // Loads the stored values of the network's sub-group.
    WifiNetwork(const QString &identifier, const IWifiConfigurationSource *source);

    QString identifier() const { return m_identifier; }
    QString name() const;
    // The platform's state flags, or 0 when it does not know the network.
    int state() const;
    // "Connected", the time of the last connection, "Unknown" or empty.
    QString statusText() const;
    QDateTime lastConnected() const { return m_lastConnected; }
    bool synchronize() const { return m_synchronize; }

    void setSynchronize(bool value);
    void setLastConnected(const QDateTime &time);
    void remove();

    // The settings group of a network: "net/wifi/" and the identifier, its
    // slashes encoded so that one network is one sub-group.
    static QString groupOf(const QString &identifier);
    static bool isKnown(const QString &identifier);

private:
    void save() const;

    QString m_identifier;
    const IWifiConfigurationSource *m_source = nullptr;
    QDateTime m_lastConnected;
    bool m_synchronize = false;
};
