#pragma once

#include "app/AppInfo.h"
#include "app/ConfigurationManager.h"

#include <QSettings>

#include <memory>

// What every program of the client sets up first, in this order: the
// built-in configuration, the Qt application identity (which decides where
// QSettings keeps the user settings), AppInfo and the user settings
// registered with the configuration. The desktop client and korvexcmd share
// it so that they read the same settings and files.
class AppContext
{
public:
    explicit AppContext(const QString &revision);
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;
    ~AppContext();

    ConfigurationManager *config() const { return m_config.get(); }
    AppInfo *appInfo() const { return m_appInfo.get(); }
    QSettings *settings() const { return m_settings.get(); }

private:
    void makePrivate() const;

    std::unique_ptr<ConfigurationManager> m_config;
    std::unique_ptr<AppInfo> m_appInfo;
    std::unique_ptr<QSettings> m_settings;
};
