#pragma once

#include "db/FileSafe.h"
#include "db/SyncSetting.h"

#include <QString>

#include <optional>

class ISession;
class ISetupPrompts;
class SyncSettingsDao;

// Setting up a sync folder: the record the set-up view stores, and the rule
// that local folders of sync settings never overlap (equal, containing or
// inside), whichever account on this computer stored them. A conflict is
// put to the user, who may replace the stored setting; a missing folder is
// created on request. The set-up view and the folder pickers show these
// steps; tests drive them without widgets.
class SettingSetup
{
public:
    // What the user chose in the set-up view.
    struct Choice
    {
        FileSafe safe;
        QString remotePath;     // empty or "/" for the safe's root
        QString remoteFolderId; // the chosen remote folder's id
        QString localDir;
        bool automatic = true;
        bool encryption = false;
    };

    SettingSetup(SyncSettingsDao *settings, ISession *session, ISetupPrompts *prompts);

    SyncSetting buildRecord(const Choice &choice) const;
    // The first stored setting whose folder overlaps `path` (cleaned, absolute).
    std::optional<SyncSetting> firstConflict(const QString &path) const;
    // "The local folder ... used by <b>yourself</b>. " or "... used by
    // ${SERVICE_NAME} user <b>"name"</b>. ", without the closing question.
    QString conflictText(const QString &candidate, const SyncSetting &conflict) const;

    // The set-up view's save: the stored setting, or an invalid one when the
    // user declined or a step failed (the reason was told).
    SyncSetting save(const Choice &choice);
    // The folder picker's checks of a chosen folder: the path to use, or
    // empty. With `offerReplace` a conflict may replace the stored setting
    // and a missing folder is created; without it (the base folder) a
    // conflict is refused.
    QString checkPickedFolder(const QString &picked, bool offerReplace);

    static QString cleanPath(const QString &path);
    // Whether a folder may become an encrypted one: its drive is mounted
    // over it, so files already in it would be hidden, and the next sync
    // would take them for deleted. A missing folder is empty.
    static bool emptyForDrive(const QString &path);
    // The key of a new encrypted folder's drive: 16 random bytes, or empty
    // when the random generator fails.
    static QByteArray newDriveKey();

private:
    // Asks to replace a conflicting setting; false when the user declined
    // or the removal failed.
    bool resolveConflict(const QString &path, const QString &removeFailedText);
    bool ensureFolder(const QString &path, const QString &question, const QString &failure);

    SyncSettingsDao *m_settings;
    ISession *m_session;
    ISetupPrompts *m_prompts;
};
