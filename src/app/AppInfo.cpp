#include "app/AppInfo.h"

#include "app/ConfigurationManager.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString firstLocation(QStandardPaths::StandardLocation kind)
{
    const QStringList dirs = QStandardPaths::standardLocations(kind);
    return dirs.isEmpty() ? QDir::homePath() : dirs.first();
}
} // namespace

AppInfo::AppInfo(ConfigurationManager *config)
    : m_config(config)
    , m_appName(config->value(QStringLiteral("brand/appName")).toString())
    , m_appNameInternal(config->value(QStringLiteral("brand/appNameInternal")).toString())
    , m_domainReverse(config->value(QStringLiteral("brand/domainReverse")).toString())
    , m_appVersion(config->value(QStringLiteral("brand/appVersion")).toString())
    , m_localSyncDirName(config->value(QStringLiteral("brand/localSyncDirName")).toString())
    , m_apiVersion(config->value(QStringLiteral("brand/apiVersion"), 3).toInt())
    , m_brand(config->value(QStringLiteral("brand/brand")).toString())
{
}

QString AppInfo::appRevision() const
{
    return m_config->value(QStringLiteral("brand/appRev")).toString();
}

bool AppInfo::featureEncryption() const
{
    return m_config->value(QStringLiteral("feature/encryption"), false).toBool();
}

bool AppInfo::featureStatus() const
{
    return m_config->value(QStringLiteral("feature/status"), false).toBool();
}

// The cache folder is per application (…/.cache/<org>/<app> on Linux).
QString AppInfo::userCacheDir()
{
    return firstLocation(QStandardPaths::CacheLocation);
}

// Linux's ConfigLocation is the bare ~/.config that every program shares; the
// application's own folder below it is where our files belong.
QString AppInfo::userConfigDir()
{
#ifdef Q_OS_WIN
    return firstLocation(QStandardPaths::ConfigLocation);
#else
    return firstLocation(QStandardPaths::AppConfigLocation);
#endif
}

QString AppInfo::logFilePath() const
{
    return QStringLiteral("%1/%2.log").arg(userCacheDir(), m_appNameInternal);
}

QString AppInfo::databasePath() const
{
    return QStringLiteral("%1/%2.%3.db3").arg(userConfigDir(), m_domainReverse, m_appNameInternal);
}

QString AppInfo::databaseFolder() const
{
    return QFileInfo(databasePath()).absolutePath();
}

QString AppInfo::daemonLogPath(const QString &name, const QString &id) const
{
    return QStringLiteral("%1/%2.daemon.%3.log").arg(userCacheDir(), name, id);
}

QString AppInfo::crashDumpDir() const
{
    return userCacheDir() + QStringLiteral("/crashdumps");
}

QString AppInfo::oldHomeLogPath() const
{
    return QStringLiteral("%1/.%2.log").arg(QDir::homePath(), m_appNameInternal);
}

QString AppInfo::oldGenericCacheLogPath() const
{
    return QStringLiteral("%1/%2/%3.log")
        .arg(firstLocation(QStandardPaths::GenericCacheLocation), m_appNameInternal, m_appNameInternal);
}

QString AppInfo::oldHomeDatabasePath() const
{
    return QStringLiteral("%1/.%2.db3").arg(QDir::homePath(), m_appNameInternal);
}

QString AppInfo::oldGenericConfigDatabasePath() const
{
    return QStringLiteral("%1/%2.%3.db3")
        .arg(firstLocation(QStandardPaths::GenericConfigLocation), m_domainReverse, m_appNameInternal);
}
