#include "db/FileSafeDao.h"

#include "app/ConfigurationManager.h"
#include "db/OndoDatabase.h"
#include "db/SyncSetting.h"
#include "net/ISession.h"
#include "ri/FilesafeRI.h"

#include <QPointer>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace {
const char kColumns[] = "SELECT   safe_id,   safe_name,   safe_type,   access,   storage_quota,   storage_used,   "
                        "has_trash,   root_folder_id,   role_type,   last_event FROM file_safe ";

FileSafe fromCursor(const QSqlQuery &q)
{
    FileSafe s;
    s.safeId = q.value(0).toString();
    s.safeName = q.value(1).toString();
    s.safeType = q.value(2).toString();
    s.access = q.value(3).toString();
    s.storageQuota = q.value(4).toLongLong();
    s.storageUsed = q.value(5).toLongLong();
    s.hasTrash = q.value(6).toBool();
    s.rootFolderId = q.value(7).toString();
    s.roleType = q.value(8).toInt();
    s.lastEvent = q.value(9).toString();
    return s;
}

void bindSafe(QSqlQuery &q, const FileSafe &s, qint64 userId)
{
    q.bindValue(QStringLiteral(":safe_id"), s.safeId);
    q.bindValue(QStringLiteral(":safe_name"), s.safeName);
    q.bindValue(QStringLiteral(":access"), s.access);
    q.bindValue(QStringLiteral(":storage_quota"), s.storageQuota);
    q.bindValue(QStringLiteral(":storage_used"), s.storageUsed);
    q.bindValue(QStringLiteral(":has_trash"), s.hasTrash ? 1 : 0);
    q.bindValue(QStringLiteral(":user_id"), userId);
    q.bindValue(QStringLiteral(":root_folder_id"), s.rootFolderId);
    q.bindValue(QStringLiteral(":role_type"), s.roleType);
    q.bindValue(QStringLiteral(":last_event"), s.lastEvent);
    q.bindValue(QStringLiteral(":expiry_date"), s.expiryDate);
}
} // namespace

FileSafeDao::FileSafeDao(OndoDatabase *database, ISession *session, FilesafeRI *filesafeRI,
                         const ConfigurationManager *config, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_session(session)
    , m_filesafeRI(filesafeRI)
    , m_config(config)
{
}

qint64 FileSafeDao::userId() const
{
    return m_session ? m_session->account().id : 0;
}

void FileSafeDao::syncFileSafes(Callback<FileSafes> callback)
{
    QPointer<FileSafeDao> self(this);
    m_filesafeRI->getFilesafes([self, callback](const Result<FilesafesTO_v2> &result) {
        if (!self)
            return;
        if (!result.isOk()) {
            qWarning("FileSafeDao::syncFileSafes: failed to retrieve file safes %s", qUtf8Printable(result.message));
            callback(Result<FileSafes>(result.code, result.message));
            return;
        }
        callback(Result<FileSafes>::success(self->mergeFileSafes(result.value.filesafes)));
    });
}

FileSafes FileSafeDao::mergeFileSafes(const FileSafes &serverList)
{
    QSet<QString> local;
    for (const FileSafe &s : getFileSafes())
        local.insert(s.safeId);
    const bool inbox = m_config && m_config->value(QStringLiteral("feature/inbox"), false).toBool();
    FileSafes filtered;
    int added = 0;
    int ignored = 0;
    for (const FileSafe &safe : serverList) {
        if (!inbox && safe.safeType == QLatin1String("INBOX")) {
            ++ignored;
            continue;
        }
        filtered << safe;
        if (local.contains(safe.safeId)) {
            updateFileSafe(safe);
        } else {
            insertFileSafe(safe);
            ++added;
        }
        local.remove(safe.safeId);
    }
    for (const QString &gone : qAsConst(local))
        removeFileSafe(gone);
    qInfo("FileSafeDao::syncFileSafes: Received filesafe list (%d rows, %d new, %d removed, %d ignored)",
          int(filtered.size()), added, int(local.size()), ignored);
    return filtered;
}

FileSafes FileSafeDao::getFileSafes() const
{
    QSqlQuery q(m_database->database());
    q.prepare(QString::fromLatin1(kColumns) + QStringLiteral("WHERE user_id = :user_id ORDER BY safe_name"));
    q.bindValue(QStringLiteral(":user_id"), userId());
    FileSafes list;
    if (!m_database->exec(q))
        return list;
    while (q.next())
        list << fromCursor(q);
    return list;
}

std::optional<FileSafe> FileSafeDao::getFileSafe(const QString &safeId) const
{
    QSqlQuery q(m_database->database());
    q.prepare(QString::fromLatin1(kColumns) + QStringLiteral("WHERE user_id = :user_id AND safe_id = :safe_id"));
    q.bindValue(QStringLiteral(":user_id"), userId());
    q.bindValue(QStringLiteral(":safe_id"), safeId);
    if (!m_database->exec(q) || !q.next())
        return std::nullopt;
    return fromCursor(q);
}

bool FileSafeDao::insertFileSafe(const FileSafe &safe)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral(
        "INSERT INTO file_safe (  safe_id,   safe_name,   safe_type,   access,   storage_quota,   storage_used,   "
        "has_trash,   user_id,   root_folder_id,   role_type,   last_event,   expiry_date) VALUES (  :safe_id,   "
        ":safe_name,   :safe_type,   :access,   :storage_quota,   :storage_used,   :has_trash,   :user_id,   "
        ":root_folder_id,   :role_type,   :last_event,   :expiry_date)"));
    bindSafe(q, safe, userId());
    q.bindValue(QStringLiteral(":safe_type"), safe.safeType);
    return m_database->exec(q);
}

bool FileSafeDao::updateFileSafe(const FileSafe &safe)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral(
        "UPDATE file_safe SET   safe_name = :safe_name,   access = :access,   storage_quota = :storage_quota,   "
        "storage_used = :storage_used,   has_trash = :has_trash,   root_folder_id = :root_folder_id,   role_type = "
        ":role_type,   last_event = :last_event,   expiry_date = :expiry_date WHERE user_id = :user_id AND safe_id "
        "= :safe_id"));
    bindSafe(q, safe, userId());
    if (!m_database->exec(q))
        return false;
    // Settings of the whole safe made before its root folder id was known
    // carry the placeholder '0'.
    QSqlQuery root(m_database->database());
    root.prepare(QStringLiteral(
        "UPDATE sync_setting SET root_folder_id = (  SELECT fs.root_folder_id   FROM file_safe AS fs   WHERE "
        "sync_setting.file_safe_id = fs.id) WHERE remote_dir = '/' AND root_folder_id == 0 AND file_safe_id = (  "
        "SELECT id   FROM file_safe   WHERE safe_id = :safe_id   AND user_id = :user_id)"));
    root.bindValue(QStringLiteral(":safe_id"), safe.safeId);
    root.bindValue(QStringLiteral(":user_id"), userId());
    return m_database->exec(root);
}

bool FileSafeDao::removeFileSafe(const QString &safeId)
{
    const qint64 user = userId();
    // Every setting of the safe loses its state, not just the first one: a
    // state left behind would read as remote deletions if the safe came back.
    QSqlQuery objects(m_database->database());
    objects.prepare(QStringLiteral(
        "DELETE FROM fs_object WHERE setting_id IN (   SELECT s.id   FROM sync_setting as s   JOIN file_safe as f "
        "ON f.id = s.file_safe_id   WHERE f.safe_id = :safe_id   AND f.user_id = :user_id )"));
    objects.bindValue(QStringLiteral(":safe_id"), safeId);
    objects.bindValue(QStringLiteral(":user_id"), user);
    bool ok = m_database->exec(objects);

    QSqlQuery mark(m_database->database());
    mark.prepare(QStringLiteral(
        "UPDATE sync_setting SET remote_state = :remote_state WHERE file_safe_id = (  SELECT id   FROM file_safe   "
        "WHERE safe_id = :safe_id   AND user_id = :user_id)"));
    mark.bindValue(QStringLiteral(":remote_state"), int(SyncSetting::RemoteRemoved));
    mark.bindValue(QStringLiteral(":safe_id"), safeId);
    mark.bindValue(QStringLiteral(":user_id"), user);
    ok = m_database->exec(mark) && ok;

    QSqlQuery safe(m_database->database());
    safe.prepare(QStringLiteral("DELETE FROM file_safe WHERE safe_id = :safe_id AND user_id = :user_id AND id NOT IN "
                                "(  SELECT file_safe_id FROM sync_setting)"));
    safe.bindValue(QStringLiteral(":safe_id"), safeId);
    safe.bindValue(QStringLiteral(":user_id"), user);
    return m_database->exec(safe) && ok;
}
