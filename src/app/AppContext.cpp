#include "app/AppContext.h"

#include "app/PrivateFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

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
    makePrivate();
}

// The settings keep the proxy password under a key that every copy of the
// client knows, the database and the log name accounts: the client's files
// are its user's alone, also those an earlier version left readable. The
// settings file is made before QSettings first writes it, which then keeps
// the mode of the file it replaces.
void AppContext::makePrivate() const
{
    const QString settingsFile = m_settings->fileName();
    PrivateFiles::makeFolder(QFileInfo(settingsFile).absolutePath());
    PrivateFiles::makeFile(settingsFile);
    PrivateFiles::makeFolder(AppInfo::userConfigDir());
    const QString cache = AppInfo::userCacheDir();
    PrivateFiles::makeFolder(cache);
    PrivateFiles::tighten(QFileInfo(cache).absolutePath()); // the organisation's folder
    PrivateFiles::tighten(m_appInfo->logFilePath());
}

// Torn down in reverse: the settings are unregistered before they go.
AppContext::~AppContext()
{
    m_config->setSettings(nullptr);
    m_settings.reset();
    m_appInfo.reset();
    m_config.reset();
}
