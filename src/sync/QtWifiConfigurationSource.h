#pragma once

#include "sync/IWifiConfigurationSource.h"

class QNetworkConfiguration;
class QNetworkConfigurationManager;

// The platform's network configurations through Qt's configuration manager.
class QtWifiConfigurationSource : public IWifiConfigurationSource
{
    Q_OBJECT
public:
    explicit QtWifiConfigurationSource(QObject *parent = nullptr);

    std::optional<WifiConfiguration> configuration(const QString &identifier) const override;
    void updateConfigurations() override;

    static WifiConfiguration fromQt(const QNetworkConfiguration &configuration);

private:
    QNetworkConfigurationManager *m_manager;
};
