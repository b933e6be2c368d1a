#include "sync/SettingDetails.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

SettingDetails SettingDetails::of(const SyncSetting &s)
{
    SettingDetails d;
    d.localDir = QDir::toNativeSeparators(s.localDir);
    const QFileInfo folder(s.localDir);
    d.localReadable = folder.isDir() && folder.isReadable();
    d.safeName = s.safeName;
    d.remoteAvailable = s.remoteState == SyncSetting::RemoteAvailable;
    if (!d.remoteAvailable)
        d.icon = Icon::Warning;
    else if (s.safeType == QLatin1String("PRIVATE"))
        d.icon = Icon::PrivateSafe;
    else if (s.safeType == QLatin1String("TEAMSAFE"))
        d.icon = Icon::TeamSafe;
    else
        d.icon = Icon::OtherSafe;
    d.remoteDir = s.remoteDir;
    if (s.safeType == QLatin1String("TEAMSAFE"))
        d.role = roleName(s.roleType);
    d.automatic = s.mode == 0;
    return d;
}

QString SettingDetails::roleName(int roleType)
{
    switch (roleType) {
    case 1: return QCoreApplication::translate("FileSyncSettingsView", "Administrator");
    case 2: return QCoreApplication::translate("FileSyncSettingsView", "Editor");
    case 3: return QCoreApplication::translate("FileSyncSettingsView", "Restricted Viewer");
    case 4: return QCoreApplication::translate("FileSyncSettingsView", "Viewer");
    default: return QString();
    }
}

QString SettingDetails::labelStyle(bool ok)
{
    return ok ? QStringLiteral("QLabel { color: black }") : QStringLiteral("QLabel { color: red }");
}
