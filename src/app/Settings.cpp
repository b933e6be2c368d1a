#include "app/Settings.h"

#include "app/ConfigurationManager.h"

#include <QDateTime>
#include <QSettings>

QVariant SettingKey::defaultFor(const ConfigurationManager *config) const
{
    if (configDefault && config)
        return config->value(QString::fromLatin1(configDefault), defaultValue);
    return defaultValue;
}

QVariant SettingKey::read(const QSettings &settings, const ConfigurationManager *config) const
{
    const QVariant fallback = defaultFor(config);
    QVariant v = settings.value(name(), fallback);
    // Convert by the platform's rules to the declared type ("abc" as int is 0).
    if (fallback.isValid() && v.userType() != fallback.userType() && v.canConvert(fallback.userType())) {
        QVariant converted = v;
        if (converted.convert(fallback.userType()))
            return converted;
        return QVariant(fallback.userType(), nullptr);
    }
    return v;
}

void SettingKey::write(QSettings &settings, const QVariant &value) const
{
    settings.setValue(name(), value);
}

namespace Settings {
const SettingKey UiMainWindowGeometry{"ui/main_window_geometry", QByteArray()};
const SettingKey UiLogDialogGeometry{"ui/log_dialog_geometry", QByteArray()};
const SettingKey UiDbgDialogGeometry{"ui/dbg_dialog_geometry", QByteArray()};
const SettingKey UiDbgDialogIgnoreSsl{"ui/dbg_dialog_ignore_ssl", false};
const SettingKey UiDbgDialogServerUrl{"ui/dbg_dialog_server_url", QString()};
const SettingKey UiLanguage{"ui/language", QString()};
const SettingKey UiShowDeleteFilesWarning{"ui/show_delete_files_warning", true};
const SettingKey UiShowEncryptionIntroduction{"ui/show_encryption_introduction", true};
const SettingKey WarningEncryptionUnderstood{"warning/encryption_understood", false};
const SettingKey AppLogLevel{"app/log_level", QString()};
const SettingKey AppLastStart{"app/last_start", QVariant()};
const SettingKey AppDefaultFolderName{"app/default_folder_name", QStringLiteral("${HOME}/${FOLDER_NAME}")};
const SettingKey AppAutoLogin{"app/auto_login", false};
const SettingKey AppStartMinimized{"app/start_minimized", false};
const SettingKey AppCheckUpdates{"app/check_updates", true};
const SettingKey AppSyncIntervalMinutes{"app/sync_interval_minutes", 5};
const SettingKey AppShowPwdSafe{"app/show_pwd_safe", true};
const SettingKey AppAutoUnlockPwdSafe{"app/auto_unlock_pwd_safe", false};
const SettingKey AppDecryptWhenOffline{"app/decrypt_when_offline", false, "feature/defaultDecryptWhenOffline"};
const SettingKey AppAllowLocalEncryption{"app/allow_local_encryption", false};
const SettingKey NetServer{"net/server", QString()};
const SettingKey AccountSaveUsername{"account/save_username", false};
const SettingKey AccountSavedUsername{"account/saved_username", QString()};
const SettingKey AccountSavePassword{"account/save_password", false};
const SettingKey NetLogNetTraffic{"net/log_net_traffic", false};
const SettingKey NetProxyCreatedTs{"net/proxy_created_ts", QVariant()};
const SettingKey NetProxyUrl{"net/proxy_url", QString()};
const SettingKey NetProxyUser{"net/proxy_user", QString()};
const SettingKey NetProxyPassword{"net/proxy_password", QString()};
const SettingKey NetSyncNewWifis{"net/sync_new_wifis", true};
const SettingKey NetWifi{"net/wifi", QVariant()};
const SettingKey NetCaFile{"net/ca_file", QString()};
const SettingKey PasswordTimeoutSeconds{"password/timeoutSeconds", 10};
const SettingKey PasswordLockSeconds{"password/lockSeconds", 60};
const SettingKey PasswordLastOperationTimestamp{"password/lastOperationTimestamp", 0};
const SettingKey PasswordLocked{"password/locked", false};

QList<const SettingKey *> all()
{
    return {&UiMainWindowGeometry, &UiLogDialogGeometry, &UiDbgDialogGeometry, &UiDbgDialogIgnoreSsl,
            &UiDbgDialogServerUrl, &UiLanguage, &UiShowDeleteFilesWarning, &UiShowEncryptionIntroduction,
            &WarningEncryptionUnderstood, &AppLogLevel, &AppLastStart, &AppDefaultFolderName,
            &AppAutoLogin, &AppStartMinimized, &AppCheckUpdates, &AppSyncIntervalMinutes,
            &AppShowPwdSafe, &AppAutoUnlockPwdSafe, &AppDecryptWhenOffline, &AppAllowLocalEncryption,
            &NetServer, &AccountSaveUsername, &AccountSavedUsername, &AccountSavePassword,
            &NetLogNetTraffic, &NetProxyCreatedTs, &NetProxyUrl, &NetProxyUser, &NetProxyPassword,
            &NetSyncNewWifis, &NetWifi, &NetCaFile, &PasswordTimeoutSeconds, &PasswordLockSeconds,
            &PasswordLastOperationTimestamp, &PasswordLocked};
}

QVariant value(const SettingKey &key, const ConfigurationManager *config)
{
    QSettings settings;
    return key.read(settings, config);
}

void setValue(const SettingKey &key, const QVariant &value)
{
    QSettings settings;
    key.write(settings, value);
}
} // namespace Settings
