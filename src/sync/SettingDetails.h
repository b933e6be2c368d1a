#pragma once

#include "db/SyncSetting.h"

#include <QString>

// What the detail panel of the sync settings list shows for one setting:
// the folder (red when it cannot be read), the safe (a warning in red when
// the server no longer lists it), the folder in the safe, the role (team
// safes only) and the automatic-synchronisation box.
struct SettingDetails
{
    enum class Icon { None, PrivateSafe, TeamSafe, OtherSafe, Warning };

    QString localDir; // native separators
    bool localReadable = false;
    QString safeName;
    Icon icon = Icon::None;
    bool remoteAvailable = false;
    QString remoteDir;
    QString role;
    bool automatic = false;

    static SettingDetails of(const SyncSetting &setting);
    // Nothing selected: every label empty, the box unchecked.
    static SettingDetails none() { return SettingDetails(); }
    static QString roleName(int roleType);
    // "QLabel { color: black }" or "QLabel { color: red }".
    static QString labelStyle(bool ok);
};
