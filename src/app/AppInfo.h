#pragma once

#include <QString>

class ConfigurationManager;

// The application's identity and the places where it keeps its files.
class AppInfo
{
public:
    explicit AppInfo(ConfigurationManager *config);

    ConfigurationManager *config() const { return m_config; }
    const QString &appName() const { return m_appName; }
    const QString &appNameInternal() const { return m_appNameInternal; }
    const QString &domainReverse() const { return m_domainReverse; }
    const QString &appVersion() const { return m_appVersion; }
    const QString &localSyncDirName() const { return m_localSyncDirName; }
    int apiVersion() const { return m_apiVersion; }
    const QString &brand() const { return m_brand; }
    QString appRevision() const;

    bool featureEncryption() const;
    bool featureStatus() const;

    // Current locations.
    QString logFilePath() const;
    QString databasePath() const;
    // The folder of the database, where the lock files of its users lie.
    QString databaseFolder() const;
    QString daemonLogPath(const QString &name, const QString &id) const;
    QString crashDumpDir() const;

    // Where earlier versions kept their files (moved or removed at start).
    QString oldHomeLogPath() const;
    QString oldGenericCacheLogPath() const;
    QString oldHomeDatabasePath() const;
    QString oldGenericConfigDatabasePath() const;

    static QString userCacheDir();
    static QString userConfigDir();

private:
    ConfigurationManager *m_config;
    QString m_appName;
    QString m_appNameInternal;
    QString m_domainReverse;
    QString m_appVersion;
    QString m_localSyncDirName;
    int m_apiVersion;
    QString m_brand;
};
