#pragma once

#include "db/SyncSetting.h"
#include "sync/ObjectState.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

class SyncPatterns;

// One planned and executed step of a sync: what to do with one path, why,
// and how it ended. A plain value (copied freely); its two enumerations are
// meta-enumerations so that logs print them by name.
class SyncAction
{
    Q_GADGET
public:
    enum ActionType {
        ActionUndefined = -1,
        NoAction = 0,
        UpdateSyncState = 1,
        RemoveSyncState = 2,
        Resolve = 3,
        CreateLocalDir = 4,
        CreateRemoteDir = 5,
        DownloadFile = 6,
        UpdateLocalFile = 7,
        UploadFile = 8,
        UpdateRemoteFile = 9,
        DeleteLocalFile = 10,
        DeleteRemoteFile = 11,
        DeleteLocalDir = 12,
        DeleteRemoteDir = 13,
        BackupDownloadFile = 14,
    };
    Q_ENUM(ActionType)

    // 1..19 normal, 20..99 warnings, 100 and above errors.
    enum ActionStatus {
        STATUS_UNDEFINED = -1,
        STATUS_OK = 1,
        STATUS_TODO = 10,
        STATUS_IN_PROGRESS = 11,
        WARN_START = 20,
        WARN_SKIPPED = 21,
        WARN_EXCLUDED_BY_NAME = 22,
        WARN_FILE_NAME_TOO_LONG = 25,
        WARN_DIR_NAME_TOO_LONG = 26,
        WARN_PATH_TOO_LONG = 27,
        WARN_AUTO_RESOLVED = 31,
        WARN_FILE_NO_REMOTE_CHECKSUM = 41,
        ERR_START = 100,
        ERR_INTERNAL = 101,
        ERR_OBJECT_TYPE_MISMATCH = 120,
        ERR_FILE_NO_LOCAL_CHECKSUM = 121,
        ERR_FILE_BAD_NAME = 123,
        ERR_FOLDER_BAD_NAME = 124,
        ERR_FILE_NO_LAST_LOCAL_MTIME = 125,
        ERR_FILE_NO_LAST_REMOTE_MTIME = 126,
        ERR_FILE_NO_LOCAL_MTIME = 127,
        ERR_FILE_NO_REMOTE_MTIME = 128,
        ERR_FILE_ATTR_CONFLICT = 129,
        ERR_FILE_NAME_TOO_LONG = 130,
        ERR_DIR_NAME_TOO_LONG = 131,
        ERR_OBJECT_NOT_IN_BASE = 140,
        ERR_FILE_TOO_BIG = 141,
        ERR_DIR_CREATE = 200,
        ERR_DIR_DELETE = 201,
        ERR_DIR_ALREADY_EXISTS = 202,
        ERR_DIR_MISSING = 203,
        ERR_PARENT_DIR_MISSING = 204,
        ERR_REMOTE_DIR_CREATE = 205,
        ERR_REMOTE_DIR_DELETE = 206,
        ERR_FILE_UPLOAD = 300,
        ERR_FILE_UPDATE_REMOTE_FILE = 301,
        ERR_FILE_DOWNLOAD = 302,
        ERR_FILE_DELETE = 303,
        ERR_FILE_BACKUP = 304,
        ERR_FILE_ALREADY_EXISTS = 305,
        ERR_FILE_MISSING = 306,
        ERR_FILE_NOT_READABLE = 307,
        ERR_REMOTE_FILE_DELETE = 308,
        ERR_LOCAL_FILE_DELETE = 309,
        ERR_QUOTA_EXCEEDED = 400,
        ERR_NO_MODULE = 401,
        ERR_DEST_NOT_FOUND = 402,
        ERR_FILE_DOWNLOAD_DENIED = 500,
        ERR_FILE_UPLOAD_DENIED = 501,
        ERR_FILE_UPDATE_REMOTE_FILE_DENIED = 502,
        ERR_REMOTE_FILE_DELETE_DENIED = 503,
        ERR_REMOTE_DIR_CREATE_DENIED = 504,
        ERR_REMOTE_DIR_DELETE_DENIED = 505,
        ERR_GET_FILESFE_OBJECTS = 910,
        ERR_NETWORK = 980,
        ERR_GENERIC = 999,
    };
    Q_ENUM(ActionStatus)

    static constexpr int MaxNameLength = 128;
    static constexpr qint64 MaxFileSize = 2147483648LL; // 2 GiB, inclusive

    SyncAction() = default;

    // What the action is about.
    ActionType type = ActionUndefined;
    ActionStatus status = STATUS_UNDEFINED;
    QString reason;  // why the planner chose it
    QString message; // how the execution ended
    QString path;    // relative, "/"-separated
    QString name;    // the last component
    QString parentPath;
    QString objectType; // "f" or "d"
    int settingId = 0;
    QString safeId;
    QString safeName;
    QString localDir;  // the setting's local folder, ending in "/"
    QString remoteDir; // the setting's remote folder

    // The three states as planned (absent ones have an empty path).
    ObjectState last;
    ObjectState local;
    ObjectState remote;
    // After a transfer: what the server reported and the local file now is.
    QString newObjectId;
    QDateTime newRemoteMtime;
    QString newChecksum;
    qint64 newSize = -1;
    QDateTime newLocalMtime;

    qint64 historyObjectId = 0; // sync_history_object row, 0 until stored
    qint64 historyId = 0;       // the run's sync_history row
    bool skipped = false;
    bool executed = false;

    // The setting's id, safe and folders, and the run's history row.
    void setSetting(const SyncSetting &setting, qint64 runHistoryId);

    bool isWarning() const { return status >= WARN_START && status < ERR_START; }
    bool isError() const { return status >= ERR_START; }
    bool isRemoteAction() const;
    // Needs execution: a type with work that is still to do.
    bool needsWork() const;

    // The absolute local path of the object.
    QString localPath() const { return localDir + path; }
    // The object's path inside the safe ("/Docs/a.txt").
    QString remotePath() const;
    // The remote folder that holds the object ("/Docs").
    QString remoteParentPath() const;

    // Names and texts.
    static QString typeName(int type);
    static QString statusName(int status);
    static QString displayText(int type);
    static QString statusLabel(int status);
    static QString statusDescription(int status);
    QString typeName() const { return typeName(type); }
    QString statusName() const { return statusName(status); }

    // Local operations: each sets status and message and returns success.
    bool execCreateLocalDir();
    bool execDeleteLocalFile();
    bool execDeleteLocalDir(const SyncPatterns &deletable);
    // Renames the local file to its conflict copy ("a(pc7's conflicted copy
    // 2026-12-04).txt"); the new name in `*copyPath`.
    bool execBackupLocalFile(QString *copyPath = nullptr);
    // The name of the conflict copy of `fileName` in `folder` on `date`.
    static QString conflictCopyName(const QString &folder, const QString &fileName, const QString &hostName,
                                    const QDate &date);

    // The local file still is what the plan saw: same size and time, or
    // still absent. Otherwise a warning status naming the file is set.
    bool localFileUnchanged();

    static SyncPatterns loadDeletablePatterns();
};
Q_DECLARE_METATYPE(SyncAction)

using SyncActions = QList<SyncAction>;
