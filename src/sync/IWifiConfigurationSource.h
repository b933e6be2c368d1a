#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

// One network configuration as the platform reports it.
struct WifiConfiguration
{
    // State flags as the platform's configuration manager has them.
    enum State { Undefined = 0, Defined = 2, Discovered = 6, Active = 14 };

    QString identifier; // stable per network
    QString name;       // the SSID for a wireless network
    QString bearerTypeName;
    int state = Undefined;
    bool valid = false;

    bool isWireless() const { return bearerTypeName == QLatin1String("WLAN"); }
    bool isDefined() const { return (state & Defined) == Defined; }
    bool isActive() const { return (state & Active) == Active; }
};
Q_DECLARE_METATYPE(WifiConfiguration)

// Where the Wi-Fi rule learns about network configurations: the platform's
// configuration manager in the client, a source of their own in tests.
class IWifiConfigurationSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // The configuration with this identifier, when the platform knows it.
    virtual std::optional<WifiConfiguration> configuration(const QString &identifier) const = 0;
    // Asks the platform for its configurations; they arrive as notifications.
    virtual void updateConfigurations() = 0;

signals:
    void configurationAdded(const WifiConfiguration &configuration);
    void configurationChanged(const WifiConfiguration &configuration);
    void configurationRemoved(const WifiConfiguration &configuration);
};
