#include "app/AppContext.h"

#include <QCoreApplication>

AppContext::AppContext(const QString &revision)
    : m_config(std::make_unique<ConfigurationManager>())
{
    m_config->load(QStringLiteral(":/config.json"));
    m_config->setDefault(QStringLiteral("brand/appRev"), revision);

    QCoreApplication::setOrganizationName(m_config->value(QStringLiteral("brand/orgName")).toString());
    QCoreApplication::setOrganizationDomain(m_config->value(QStringLiteral("brand/orgDomain")).toString());
    QCoreApplication::setApplicationName(m_config->value(QStringLiteral("brand/appNameInternal")).toString());
    QCoreApplication::setApplicationVersion(m_config->value(QStringLiteral("brand/appVersion")).toString());

    m_appInfo = std::make_unique<AppInfo>(m_config.get());
    m_settings = std::make_unique<QSettings>();
    m_config->setSettings(m_settings.get());
}

// Torn down in reverse: the settings are unregistered before they go.
AppContext::~AppContext()
{
    m_config->setSettings(nullptr);
    m_settings.reset();
    m_appInfo.reset();
    m_config.reset();
}
