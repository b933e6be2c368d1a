#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class ConfigurationManager;
class QSettings;

// One user setting: its key and the default it reads as when absent.
struct SettingKey
{
    const char *key;
    QVariant defaultValue;
    // When set, the default comes from this built-in configuration key.
    const char *configDefault = nullptr;

    QString name() const { return QString::fromLatin1(key); }
    QVariant defaultFor(const ConfigurationManager *config) const;
    QVariant read(const QSettings &settings, const ConfigurationManager *config = nullptr) const;
    void write(QSettings &settings, const QVariant &value) const;
};

// Every key of the user settings with its default, in one place.
namespace Settings {
extern const SettingKey UiMainWindowGeometry;
extern const SettingKey UiLogDialogGeometry;
extern const SettingKey UiDbgDialogGeometry;
extern const SettingKey UiDbgDialogIgnoreSsl;
extern const SettingKey UiDbgDialogServerUrl;
extern const SettingKey UiLanguage;
extern const SettingKey UiShowDeleteFilesWarning;
extern const SettingKey UiShowEncryptionIntroduction;
extern const SettingKey WarningEncryptionUnderstood;
extern const SettingKey AppLogLevel;
extern const SettingKey AppLastStart;
extern const SettingKey AppDefaultFolderName;
extern const SettingKey AppAutoLogin;
extern const SettingKey AppStartMinimized;
extern const SettingKey AppCheckUpdates;
extern const SettingKey AppSyncIntervalMinutes;
extern const SettingKey AppShowPwdSafe;
extern const SettingKey AppAutoUnlockPwdSafe;
extern const SettingKey AppDecryptWhenOffline;
extern const SettingKey AppAllowLocalEncryption; // defined, read by nobody
extern const SettingKey NetServer;
extern const SettingKey AccountSaveUsername;
extern const SettingKey AccountSavedUsername;
extern const SettingKey AccountSavePassword;
extern const SettingKey NetLogNetTraffic;
extern const SettingKey NetProxyCreatedTs;
extern const SettingKey NetProxyUrl;
extern const SettingKey NetProxyUser;
extern const SettingKey NetProxyPassword;
extern const SettingKey NetSyncNewWifis;
extern const SettingKey NetWifi; // a group
extern const SettingKey NetCaFile;
extern const SettingKey PasswordTimeoutSeconds;
extern const SettingKey PasswordLockSeconds;
extern const SettingKey PasswordLastOperationTimestamp;
extern const SettingKey PasswordLocked;

QList<const SettingKey *> all();

// Short-lived access on the application's settings store.
QVariant value(const SettingKey &key, const ConfigurationManager *config = nullptr);
void setValue(const SettingKey &key, const QVariant &value);
} // namespace Settings
