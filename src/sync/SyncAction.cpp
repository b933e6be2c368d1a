#include "sync/SyncAction.h"

#include "sync/MoveToTrashUtil.h"
#include "sync/SyncPatterns.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaEnum>
#include <QSysInfo>

namespace {
QString translated(const char *text)
{
    return QCoreApplication::translate("SyncAction", text);
}

template<typename E>
QString enumName(int value)
{
    const char *key = QMetaEnum::fromType<E>().valueToKey(value);
    return key ? QString::fromLatin1(key) : QStringLiteral("%1[%2]").arg(QStringLiteral("UnknownEnumValue")).arg(value);
}

struct StatusText
{
    const char *label;
    const char *description;
};

const QHash<int, StatusText> &statusTexts()
{
    static const QHash<int, StatusText> texts{
        {SyncAction::STATUS_UNDEFINED,
         {QT_TRANSLATE_NOOP("SyncAction", "Undefined"),
          QT_TRANSLATE_NOOP("SyncAction", "The syncronization status of this file or folder is undefined.")}},
        {SyncAction::STATUS_OK,
         {QT_TRANSLATE_NOOP("SyncAction", "Ok"),
          QT_TRANSLATE_NOOP("SyncAction", "Synchronization of this file or folder was successful.")}},
        {SyncAction::STATUS_TODO,
         {QT_TRANSLATE_NOOP("SyncAction", "To do"),
          QT_TRANSLATE_NOOP("SyncAction", "This file or folder needs to be synchronized.")}},
        {SyncAction::STATUS_IN_PROGRESS,
         {QT_TRANSLATE_NOOP("SyncAction", "Syncing"), QT_TRANSLATE_NOOP("SyncAction", "Synchronizing...")}},
        {SyncAction::WARN_START,
         {QT_TRANSLATE_NOOP("SyncAction", "Warning"), QT_TRANSLATE_NOOP("SyncAction", "Unexpected error [code: %1]")}},
        {SyncAction::WARN_SKIPPED,
         {QT_TRANSLATE_NOOP("SyncAction", "Skipped"),
          QT_TRANSLATE_NOOP("SyncAction", "The file or folder will not be synchronized.")}},
        {SyncAction::WARN_EXCLUDED_BY_NAME,
         {QT_TRANSLATE_NOOP("SyncAction", "Skipped"),
          QT_TRANSLATE_NOOP("SyncAction", "The file or folder will not be synchronized because its name contains a "
                                          "problematic character.")}},
        {SyncAction::WARN_FILE_NAME_TOO_LONG,
         {QT_TRANSLATE_NOOP("SyncAction", "Skipped"),
          QT_TRANSLATE_NOOP("SyncAction", "The file will not be synchronized because its name is too long. Maximum "
                                          "length is %1 characters.")}},
        {SyncAction::WARN_DIR_NAME_TOO_LONG,
         {QT_TRANSLATE_NOOP("SyncAction", "Skipped"),
          QT_TRANSLATE_NOOP("SyncAction", "The folder will not be synchronized because its name is too long. "
                                          "Maximum length is %1 characters.")}},
        {SyncAction::WARN_PATH_TOO_LONG,
         {QT_TRANSLATE_NOOP("SyncAction", "Skipped"),
          QT_TRANSLATE_NOOP("SyncAction", "The object will not be synchronized because it is too deep in folder "
                                          "structure.")}},
        {SyncAction::WARN_AUTO_RESOLVED,
         {QT_TRANSLATE_NOOP("SyncAction", "Resolved"),
          QT_TRANSLATE_NOOP("SyncAction", "Possible conflict detected. A backup-copy of your local file marked "
                                          "'conflicted copy' has been created and stored in the same folder. To "
                                          "resolve the conflict, please check the two files.")}},
        {SyncAction::WARN_FILE_NO_REMOTE_CHECKSUM,
         {QT_TRANSLATE_NOOP("SyncAction", "Checksum error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to read the checksum of the remote file.")}},
        {SyncAction::ERR_START,
         {QT_TRANSLATE_NOOP("SyncAction", "Error"), QT_TRANSLATE_NOOP("SyncAction", "Unexpected error [code: %1]")}},
        {SyncAction::ERR_INTERNAL,
         {QT_TRANSLATE_NOOP("SyncAction", "Internal error"),
          QT_TRANSLATE_NOOP("SyncAction", "An internal error has occurred.")}},
        {SyncAction::ERR_OBJECT_TYPE_MISMATCH,
         {QT_TRANSLATE_NOOP("SyncAction", "Type mismatch"),
          QT_TRANSLATE_NOOP("SyncAction", "A file cannot be synchronized with a folder.")}},
        {SyncAction::ERR_FILE_NO_LOCAL_CHECKSUM,
         {QT_TRANSLATE_NOOP("SyncAction", "Checksum error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to calculate the checksum of the local file.")}},
        {SyncAction::ERR_FILE_BAD_NAME,
         {QT_TRANSLATE_NOOP("SyncAction", "Invalid name"),
          QT_TRANSLATE_NOOP("SyncAction", "The file name is invalid. It might contain illegal characters.")}},
        {SyncAction::ERR_FOLDER_BAD_NAME,
         {QT_TRANSLATE_NOOP("SyncAction", "Invalid name"),
          QT_TRANSLATE_NOOP("SyncAction", "The folder name is invalid. It might contain illegal characters.")}},
        {SyncAction::ERR_FILE_NO_LAST_LOCAL_MTIME,
         {QT_TRANSLATE_NOOP("SyncAction", "Attribute error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to read the local file's last modification time.")}},
        {SyncAction::ERR_FILE_NO_LAST_REMOTE_MTIME,
         {QT_TRANSLATE_NOOP("SyncAction", "Attribute error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to read the remote file's last modification time.")}},
        {SyncAction::ERR_FILE_NO_LOCAL_MTIME,
         {QT_TRANSLATE_NOOP("SyncAction", "Attribute error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to get the local file's modification time.")}},
        {SyncAction::ERR_FILE_NO_REMOTE_MTIME,
         {QT_TRANSLATE_NOOP("SyncAction", "Attribute error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to get the remote file's modification time.")}},
        {SyncAction::ERR_FILE_ATTR_CONFLICT,
         {QT_TRANSLATE_NOOP("SyncAction", "Attribute conflict"),
          QT_TRANSLATE_NOOP("SyncAction", "Conflict: Cannot decide how to synchronize this file.")}},
        {SyncAction::ERR_FILE_NAME_TOO_LONG,
         {QT_TRANSLATE_NOOP("SyncAction", "Name too long"),
          QT_TRANSLATE_NOOP("SyncAction", "The file name is too long. Maximum length is %1 characters.")}},
        {SyncAction::ERR_DIR_NAME_TOO_LONG,
         {QT_TRANSLATE_NOOP("SyncAction", "Name too long"),
          QT_TRANSLATE_NOOP("SyncAction", "The folder name is too long. Maximum length is %1 characters.")}},
        {SyncAction::ERR_OBJECT_NOT_IN_BASE,
         {QT_TRANSLATE_NOOP("SyncAction", "Settings Error"),
          QT_TRANSLATE_NOOP("SyncAction", "The file or folder is not in a sychronized folder. Please check the sync "
                                          "settings.")}},
        {SyncAction::ERR_FILE_TOO_BIG,
         {QT_TRANSLATE_NOOP("SyncAction", "Error"),
          QT_TRANSLATE_NOOP("SyncAction", "File is too big to synchronize. Maximum size is %1 MB.")}},
        {SyncAction::ERR_DIR_CREATE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to create the folder.")}},
        {SyncAction::ERR_DIR_DELETE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to delete the folder.")}},
        {SyncAction::ERR_DIR_ALREADY_EXISTS,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "The folder already exists.")}},
        {SyncAction::ERR_DIR_MISSING,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "The folder is missing.")}},
        {SyncAction::ERR_PARENT_DIR_MISSING,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "The parent folder is missing.")}},
        {SyncAction::ERR_REMOTE_DIR_CREATE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to create the remote folder.")}},
        {SyncAction::ERR_REMOTE_DIR_DELETE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to delete the remote folder.")}},
        {SyncAction::ERR_FILE_UPLOAD,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to upload the file.")}},
        {SyncAction::ERR_FILE_UPDATE_REMOTE_FILE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to update the file.")}},
        {SyncAction::ERR_FILE_DOWNLOAD,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to download the file.")}},
        {SyncAction::ERR_FILE_DELETE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to delete the file.")}},
        {SyncAction::ERR_FILE_BACKUP,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to backup the file.")}},
        {SyncAction::ERR_FILE_ALREADY_EXISTS,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "The file already exists.")}},
        {SyncAction::ERR_FILE_MISSING,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "The file is missing.")}},
        {SyncAction::ERR_FILE_NOT_READABLE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"), QT_TRANSLATE_NOOP("SyncAction", "Failed to read file.")}},
        {SyncAction::ERR_REMOTE_FILE_DELETE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to delete the remote file.")}},
        {SyncAction::ERR_LOCAL_FILE_DELETE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to delete the local file.")}},
        {SyncAction::ERR_QUOTA_EXCEEDED,
         {QT_TRANSLATE_NOOP("SyncAction", "Quota exceeded"),
          QT_TRANSLATE_NOOP("SyncAction", "This operation would exceed the available storage quota.")}},
        {SyncAction::ERR_NO_MODULE,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "The remote destination filesafe does not exist.")}},
        {SyncAction::ERR_DEST_NOT_FOUND,
         {QT_TRANSLATE_NOOP("SyncAction", "Failed"),
          QT_TRANSLATE_NOOP("SyncAction", "The remote destination folder does not exist.")}},
        {SyncAction::ERR_FILE_DOWNLOAD_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Download the file is not allowed.")}},
        {SyncAction::ERR_FILE_UPLOAD_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Upload the file is not allowed.")}},
        {SyncAction::ERR_FILE_UPDATE_REMOTE_FILE_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Update the file is not allowed.")}},
        {SyncAction::ERR_REMOTE_FILE_DELETE_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Delete the remote file is not allowed.")}},
        {SyncAction::ERR_REMOTE_DIR_CREATE_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Create the remote folder is not allowed.")}},
        {SyncAction::ERR_REMOTE_DIR_DELETE_DENIED,
         {QT_TRANSLATE_NOOP("SyncAction", "Not allowed"),
          QT_TRANSLATE_NOOP("SyncAction", "Delete the remote folder is not allowed.")}},
        {SyncAction::ERR_GET_FILESFE_OBJECTS,
         {QT_TRANSLATE_NOOP("SyncAction", "Error"),
          QT_TRANSLATE_NOOP("SyncAction", "Failed to get file and folder list.")}},
        {SyncAction::ERR_NETWORK,
         {QT_TRANSLATE_NOOP("SyncAction", "Network error"),
          QT_TRANSLATE_NOOP("SyncAction", "An network error has occurred.")}},
        {SyncAction::ERR_GENERIC,
         {QT_TRANSLATE_NOOP("SyncAction", "Error"), QT_TRANSLATE_NOOP("SyncAction", "An error has occurred.")}},
    };
    return texts;
}

QString joinPath(const QString &folder, const QString &relative)
{
    QString base = folder;
    if (!base.startsWith(QLatin1Char('/')))
        base.prepend(QLatin1Char('/'));
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (relative.isEmpty())
        return base;
    return base == QLatin1String("/") ? base + relative : base + QLatin1Char('/') + relative;
}
} // namespace

bool ObjectState::hasChecksum() const
{
    const int colon = checksum.indexOf(QLatin1Char(':'));
    if (checksum.isEmpty())
        return false;
    return colon < 0 ? true : colon + 1 < checksum.size();
}

QString SyncAction::typeName(int type)
{
    return enumName<ActionType>(type);
}

QString SyncAction::statusName(int status)
{
    return enumName<ActionStatus>(status);
}

QString SyncAction::displayText(int type)
{
    switch (type) {
    case ActionUndefined: return translated(QT_TRANSLATE_NOOP("SyncAction", "undefined"));
    case NoAction:
    case UpdateSyncState:
    case RemoveSyncState: return QStringLiteral("-");
    case Resolve: return translated(QT_TRANSLATE_NOOP("SyncAction", "resolve"));
    case CreateLocalDir: return translated(QT_TRANSLATE_NOOP("SyncAction", "create local folder"));
    case CreateRemoteDir: return translated(QT_TRANSLATE_NOOP("SyncAction", "create remote folder"));
    case DownloadFile: return translated(QT_TRANSLATE_NOOP("SyncAction", "download"));
    case UploadFile:
    case UpdateRemoteFile: return translated(QT_TRANSLATE_NOOP("SyncAction", "upload"));
    case DeleteLocalFile: return translated(QT_TRANSLATE_NOOP("SyncAction", "delete local file"));
    case DeleteRemoteFile: return translated(QT_TRANSLATE_NOOP("SyncAction", "delete remote file"));
    case DeleteLocalDir: return translated(QT_TRANSLATE_NOOP("SyncAction", "delete local folder"));
    case DeleteRemoteDir: return translated(QT_TRANSLATE_NOOP("SyncAction", "delete remote folder"));
    case BackupDownloadFile: return translated(QT_TRANSLATE_NOOP("SyncAction", "backup then download"));
    default: return translated(QT_TRANSLATE_NOOP("SyncAction", "invalid [%1]")).arg(type);
    }
}

QString SyncAction::statusLabel(int status)
{
    const auto it = statusTexts().constFind(status);
    return it == statusTexts().constEnd() ? translated("Error") : translated(it->label);
}

QString SyncAction::statusDescription(int status)
{
    const auto it = statusTexts().constFind(status);
    if (it == statusTexts().constEnd())
        return translated("Unexpected error [code: %1]").arg(status);
    const QString text = translated(it->description);
    switch (status) {
    case WARN_START:
    case ERR_START: return text.arg(status);
    case WARN_FILE_NAME_TOO_LONG:
    case WARN_DIR_NAME_TOO_LONG:
    case ERR_FILE_NAME_TOO_LONG:
    case ERR_DIR_NAME_TOO_LONG: return text.arg(MaxNameLength);
    case ERR_FILE_TOO_BIG: return text.arg(MaxFileSize / (1024 * 1024));
    default: return text;
    }
}

void SyncAction::setSetting(const SyncSetting &setting, qint64 runHistoryId)
{
    settingId = setting.id;
    safeId = setting.safeId;
    safeName = setting.safeName;
    localDir = setting.localDir;
    remoteDir = setting.remoteDir;
    historyId = runHistoryId;
}

bool SyncAction::isRemoteAction() const
{
    switch (type) {
    case CreateRemoteDir:
    case DownloadFile:
    case UploadFile:
    case UpdateRemoteFile:
    case DeleteRemoteFile:
    case DeleteRemoteDir:
    case BackupDownloadFile: return true;
    case ActionUndefined:
    case NoAction:
    case UpdateSyncState:
    case RemoveSyncState:
    case Resolve:
    case CreateLocalDir:
    case UpdateLocalFile:
    case DeleteLocalFile:
    case DeleteLocalDir: return false;
    }
    qWarning("SyncAction::isRemoteAction: Unexpected ActionType: %s", qUtf8Printable(typeName(type)));
    return false;
}

bool SyncAction::needsWork() const
{
    return !executed && type != NoAction && type != UpdateSyncState && type != RemoveSyncState
           && type != ActionUndefined && status == STATUS_TODO;
}

QString SyncAction::remotePath() const
{
    return joinPath(remoteDir, path);
}

QString SyncAction::remoteParentPath() const
{
    return joinPath(remoteDir, parentPath);
}

bool SyncAction::localFileUnchanged()
{
    const QFileInfo now(localPath());
    bool same;
    if (!local.isPresent())
        same = !now.exists() && !now.isSymLink();
    else
        same = now.isFile() && !now.isSymLink() && now.size() == local.size
               && now.lastModified().toUTC() == local.localMtime;
    if (same)
        return true;
    status = WARN_SKIPPED;
    message = translated(QT_TRANSLATE_NOOP("SyncAction", "'%1' changed after the synchronization was planned; it is left "
                                                 "as it is and synchronized next time"))
                  .arg(path);
    qWarning("SyncAction::localFileUnchanged: '%s' changed since planning; left alone", qUtf8Printable(localPath()));
    return false;
}

bool SyncAction::execCreateLocalDir()
{
    const QString target = localPath();
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink()) {
        status = ERR_DIR_ALREADY_EXISTS;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Folder already exists: '%1'")).arg(path);
    } else if (!QFileInfo(info.absolutePath()).isDir()) {
        status = ERR_PARENT_DIR_MISSING;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Missing parent folder: '%1'")).arg(path);
    } else if (!QDir().mkdir(target)) {
        status = ERR_DIR_CREATE;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Unable to create folder: '%1'")).arg(path);
    } else {
        status = STATUS_OK;
        qDebug("SyncAction::execCreateLocalDir: create local dir ok: '%s'/'%s'", qUtf8Printable(localDir),
               qUtf8Printable(path));
        return true;
    }
    qWarning("SyncAction::execCreateLocalDir: create local dir failed: '%s'/'%s'", qUtf8Printable(localDir),
             qUtf8Printable(path));
    return false;
}

bool SyncAction::execDeleteLocalFile()
{
    const QString target = localPath();
    const QFileInfo info(target);
    status = ERR_LOCAL_FILE_DELETE;
    if (!info.exists()) {
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Local file to delete not found: '%1'")).arg(path);
    } else if (!info.isFile() || info.isSymLink()) {
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "File to delete is not a file: '%1'")).arg(path);
    } else {
        bool done = MoveToTrashUtil::moveToTrash(target);
        if (!done) {
            qWarning("SyncAction::execDeleteLocalFile: Unable to trash local file: '%s'", qUtf8Printable(target));
            done = QFile::remove(target);
        }
        if (done) {
            status = STATUS_OK;
            qDebug("SyncAction::execDeleteLocalFile: delete local file ok: '%s'/'%s'", qUtf8Printable(localDir),
                   qUtf8Printable(path));
            return true;
        }
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Unable to delete local file: '%1'")).arg(path);
    }
    qWarning("SyncAction::execDeleteLocalFile: delete local file failed: '%s'/'%s'", qUtf8Printable(localDir),
             qUtf8Printable(path));
    return false;
}

SyncPatterns SyncAction::loadDeletablePatterns()
{
    return SyncPatterns::load(QString::fromLatin1(SyncPatterns::Deletable), "SyncAction::loadDeletablePatterns",
                              "deletable");
}

bool SyncAction::execDeleteLocalDir(const SyncPatterns &deletable)
{
    const QString target = localPath();
    const QFileInfo info(target);
    if (!info.isDir() || info.isSymLink()) {
        status = ERR_DIR_MISSING;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Missing folder: '%1'")).arg(path);
        return false;
    }
    const QFileInfoList entries =
        QDir(target).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList offending;
    for (const QFileInfo &e : entries)
        if (!deletable.matchesName(e.fileName()))
            offending << e.fileName();
    status = ERR_DIR_DELETE;
    if (!offending.isEmpty()) {
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Unable to delete local folder: '%1' (not empty: '%2')"))
                      .arg(path, offending.join(QStringLiteral("', '")));
        return false;
    }
    if (!MoveToTrashUtil::moveToTrash(target)) {
        message = entries.isEmpty()
                      ? translated(QT_TRANSLATE_NOOP("SyncAction", "Unable to delete local folder: '%1' (is empty)")).arg(path)
                      : translated(QT_TRANSLATE_NOOP("SyncAction", "Unable to delete local folder: '%1' (contains %2 "
                                                           "deletable objects)"))
                            .arg(path)
                            .arg(entries.size());
        return false;
    }
    status = STATUS_OK;
    return true;
}

QString SyncAction::conflictCopyName(const QString &folder, const QString &fileName, const QString &hostName,
                                     const QDate &date)
{
    const int dot = fileName.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot);
    const QString host = hostName.section(QLatin1Char('.'), 0, 0);
    const QString hostPart = host.isEmpty() ? QString() : host + QStringLiteral("'s ");
    const QString datePart = QLatin1Char(' ') + date.toString(QStringLiteral("yyyy-MM-dd"));
    QString counter;
    for (int n = 1;; ++n) {
        const QString name = base + QStringLiteral("(%1conflicted copy%2%3)").arg(hostPart, datePart, counter) + suffix;
        const QFileInfo candidate(QDir(folder).filePath(name));
        if (!candidate.exists() && !candidate.isSymLink())
            return name;
        counter = QStringLiteral(" %1").arg(n);
    }
}

bool SyncAction::execBackupLocalFile(QString *copyPath)
{
    const QString target = localPath();
    const QFileInfo info(target);
    if (!info.isFile()) {
        status = ERR_FILE_MISSING;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "File to rename not found: '%1'")).arg(path);
        return false;
    }
    const QString copy = QDir(info.absolutePath())
                             .filePath(conflictCopyName(info.absolutePath(), info.fileName(),
                                                        QSysInfo::machineHostName(), QDate::currentDate()));
    if (!QFile::rename(target, copy)) {
        status = ERR_FILE_BACKUP;
        message = translated(QT_TRANSLATE_NOOP("SyncAction", "Failed to rename file: '%1'")).arg(path);
        qWarning("SyncAction::execBackupLocalFile: backup local file failed: '%s'/'%s' to '%s'",
                 qUtf8Printable(localDir), qUtf8Printable(path), qUtf8Printable(copy));
        return false;
    }
    qInfo("SyncAction::execBackupLocalFile: backup local file ok: '%s'/'%s' to '%s'", qUtf8Printable(localDir),
          qUtf8Printable(path), qUtf8Printable(copy));
    if (copyPath)
        *copyPath = copy;
    return true;
}
