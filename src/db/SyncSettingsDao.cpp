#include "db/SyncSettingsDao.h"

#include "db/DaoUtil.h"
#include "db/OndoDatabase.h"
#include "drive/CredentialStore.h"
#include "net/ISession.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

SyncSettingsDao::SyncSettingsDao(OndoDatabase *database, ISession *session, CredentialStore *credentials,
                                 QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_session(session)
    , m_credentials(credentials)
{
    qRegisterMetaType<SyncSetting>();
    qRegisterMetaType<SyncSetting::RemoteState>();
}

QString SyncSettingsDao::normalizedLocalDir(const QString &path)
{
    QString dir = QDir::fromNativeSeparators(path);
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (dir.size() > 1 && dir.endsWith(QLatin1String("//")))
        dir.chop(1);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

SyncSettings SyncSettingsDao::getList(bool automaticOnly) const
{
    Filter filter;
    filter.automaticOnly = automaticOnly;
    const SyncSettings list = getListInternal(filter);
    qDebug("SyncSettingsDao::getList: loaded %d entries (%s)", int(list.size()), automaticOnly ? "autosync" : "all");
    return list;
}

std::optional<SyncSetting> SyncSettingsDao::getSetting(int settingId) const
{
    Filter filter;
    filter.settingId = settingId;
    const SyncSettings list = getListInternal(filter);
    if (list.isEmpty())
        return std::nullopt;
    return list.first();
}

SyncSettings SyncSettingsDao::overlappingSettings(const QString &localDir) const
{
    Filter filter;
    filter.currentUser = false;
    filter.overlapping = normalizedLocalDir(localDir);
    return getListInternal(filter);
}

SyncSettings SyncSettingsDao::getListInternal(const Filter &filter) const
{
    const AccountIdentity account = m_session ? m_session->account() : AccountIdentity();
    const QString serverId = m_session ? m_session->serverId() : QString();
    QStringList clauses;
    if (filter.currentUser)
        clauses << QStringLiteral("(f.user_id = :user_id AND u.account_name = :account_name AND u.server_id = :server_id)");
    if (filter.automaticOnly)
        clauses << QStringLiteral("(s.mode = 0)");
    // In parentheses: joined to the other clauses by AND, the OR must not
    // escape them.
    if (!filter.overlapping.isEmpty())
        clauses << QStringLiteral("(instr(:new_local_path, s.local_dir) == 1 OR instr(s.local_dir,:new_local_path) == 1)");
    if (filter.settingId > 0)
        clauses << QStringLiteral("s.id = :setting_id");
    // " AND " with a blank after it: the id clause has no parenthesis to
    // stand against.
    const QString where = clauses.isEmpty() ? QStringLiteral("1") : clauses.join(QStringLiteral(" AND "));
    qDebug("SyncSettingsDao::getListInternal: server: '%s' userid: %lld username: '%s'", qUtf8Printable(serverId),
           account.id, qUtf8Printable(account.name));

    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("SELECT   s.id,   f.safe_id,   f.safe_name,   f.safe_type,   s.remote_dir,   s.local_dir,   "
                             "s.last_sync,   s.mode,   s.remote_state,   s.root_folder_id,   f.role_type,   "
                             "s.synced_last_event,   f.expiry_date,   f.access,   s.encryption,   u.account_name FROM file_safe as f "
                             "JOIN sync_setting as s ON s.file_safe_id = f.id JOIN user AS u ON u.id = f.user_id "
                             "WHERE %1 ORDER BY f.safe_name")
                  .arg(where));
    if (filter.currentUser) {
        q.bindValue(QStringLiteral(":user_id"), account.id);
        q.bindValue(QStringLiteral(":account_name"), account.name);
        q.bindValue(QStringLiteral(":server_id"), serverId);
    }
    if (!filter.overlapping.isEmpty())
        q.bindValue(QStringLiteral(":new_local_path"), filter.overlapping);
    if (filter.settingId > 0)
        q.bindValue(QStringLiteral(":setting_id"), filter.settingId);
    SyncSettings list;
    if (!m_database->exec(q)) {
        qWarning("SyncSettingsDao::getListInternal: query failed: %s", qUtf8Printable(q.lastError().text()));
        return list;
    }
    while (q.next())
        list << buildFromCursor(q);
    return list;
}

SyncSetting SyncSettingsDao::buildFromCursor(const QSqlQuery &q) const
{
    SyncSetting s;
    s.id = q.value(0).toInt();
    s.safeId = q.value(1).toString();
    s.safeName = q.value(2).toString();
    s.safeType = q.value(3).toString();
    s.remoteDir = q.value(4).toString();
    s.localDir = q.value(5).toString();
    s.lastSync = DaoUtil::fromMs(q.value(6));
    s.mode = q.value(7).toInt();
    s.remoteState = q.value(8).toInt() == 1 ? SyncSetting::RemoteRemoved : SyncSetting::RemoteAvailable;
    s.rootFolderId = q.value(9).toString();
    s.roleType = q.value(10).toInt();
    s.syncedLastEvent = q.value(11).toString();
    s.expiryDate = QDateTime::fromString(q.value(12).toString(), Qt::ISODate);
    s.access = q.value(13).toString();
    s.encryption = q.value(14).toInt() != 0;
    s.accountName = q.value(15).toString();
    if (s.encryption && m_credentials) {
        // The key was stored under the setting's id when it was added.
        try {
            s.encryptionKey = QByteArray::fromHex(m_credentials->readEncryptionKey(s.id).toLatin1());
            if (s.encryptionKey.isEmpty())
                throw std::runtime_error("no key stored");
        } catch (const std::exception &e) {
            qWarning("SyncSettingsDao::buildFromCursor: unable to get encryption key for safe %s (%s): %s",
                     qUtf8Printable(s.safeId), qUtf8Printable(s.safeName), e.what());
            s.encryptionKey.clear();
        }
    }
    return s;
}

SyncSetting SyncSettingsDao::add(const SyncSetting &setting)
{
    SyncSetting stored = setting;
    stored.localDir = normalizedLocalDir(setting.localDir);
    const qint64 userId = m_session ? m_session->account().id : 0;
    // Without its safe the row would be stored with no safe and never be
    // listed again.
    QSqlQuery safe(m_database->database());
    safe.prepare(QStringLiteral("SELECT f.id FROM file_safe AS f WHERE f.safe_id = :safe_id AND f.user_id = :user_id"));
    safe.bindValue(QStringLiteral(":safe_id"), stored.safeId);
    safe.bindValue(QStringLiteral(":user_id"), userId);
    if (!m_database->exec(safe) || !safe.next()) {
        qWarning("SyncSettingsDao::add: query failed: %s", qUtf8Printable(QStringLiteral("unknown file safe %1").arg(stored.safeId)));
        return SyncSetting();
    }
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("INSERT INTO sync_setting (  file_safe_id,   remote_dir,   local_dir,   mode,   "
                             "remote_state,   root_folder_id,   encryption )  VALUES (  (     SELECT f.id     FROM "
                             "file_safe AS f     WHERE f.safe_id = :safe_id     AND f.user_id = :user_id   ),   "
                             ":remote_dir,   :local_dir,   :mode,   :remote_state,   :root_folder_id,   :encryption)"));
    q.bindValue(QStringLiteral(":safe_id"), stored.safeId);
    q.bindValue(QStringLiteral(":user_id"), userId);
    q.bindValue(QStringLiteral(":remote_dir"), stored.remoteDir);
    q.bindValue(QStringLiteral(":local_dir"), stored.localDir);
    q.bindValue(QStringLiteral(":mode"), stored.mode);
    q.bindValue(QStringLiteral(":remote_state"), int(stored.remoteState));
    q.bindValue(QStringLiteral(":root_folder_id"), stored.rootFolderId);
    q.bindValue(QStringLiteral(":encryption"), stored.encryption ? 1 : 0);
    if (!m_database->exec(q)) {
        qWarning("SyncSettingsDao::add: query failed: %s", qUtf8Printable(q.lastError().text()));
        return SyncSetting();
    }
    stored.id = q.lastInsertId().toInt();
    if (stored.encryption && m_credentials) {
        try {
            m_credentials->storeEncryptionKey(stored.id, stored.encryptionKey);
        } catch (const std::exception &e) {
            qWarning("SyncSettingsDao::add: unable to store encryption key for safe %s (%s): %s",
                     qUtf8Printable(stored.safeId), qUtf8Printable(stored.safeName), e.what());
        }
    }
    qInfo("SyncSettingsDao::add: new setting for safe %s (%s)", qUtf8Printable(stored.safeId),
          qUtf8Printable(stored.safeName));
    emit settingAdded(stored);
    return stored;
}

bool SyncSettingsDao::run(const QString &statement, const QList<QPair<QString, QVariant>> &values)
{
    QSqlQuery q(m_database->database());
    q.prepare(statement);
    for (const auto &v : values)
        q.bindValue(v.first, v.second);
    return m_database->exec(q);
}

bool SyncSettingsDao::remove(int settingId)
{
    const QVariant id(settingId);
    bool ok = run(QStringLiteral("DELETE FROM fs_object WHERE setting_id = :setting_id"), {{":setting_id", id}});
    ok = run(QStringLiteral("DELETE FROM sync_setting WHERE id = :setting_id"), {{":setting_id", id}}) && ok;
    emit settingRemoved(settingId);
    return ok;
}

bool SyncSettingsDao::setMode(int settingId, int mode)
{
    return run(QStringLiteral("UPDATE sync_setting SET mode = :mode WHERE id = :setting_id"),
               {{":mode", mode}, {":setting_id", settingId}});
}

bool SyncSettingsDao::setRemoteState(int settingId, SyncSetting::RemoteState state)
{
    const std::optional<SyncSetting> current = getSetting(settingId);
    if (!current || current->remoteState == state)
        return false;
    if (!run(QStringLiteral("UPDATE sync_setting SET remote_state = :remote_state WHERE id = :setting_id"),
             {{":remote_state", int(state)}, {":setting_id", settingId}}))
        return false;
    emit remoteStateChanged(settingId, state);
    return true;
}

bool SyncSettingsDao::setRootFolderId(int settingId, const QString &rootFolderId)
{
    const std::optional<SyncSetting> current = getSetting(settingId);
    if (!current || current->rootFolderId == rootFolderId)
        return false;
    return run(QStringLiteral("UPDATE sync_setting SET root_folder_id = :root_folder_id WHERE id = :setting_id"),
               {{":root_folder_id", rootFolderId}, {":setting_id", settingId}});
}

bool SyncSettingsDao::setLastSync(int settingId, const QDateTime &time, const QString &lastEvent)
{
    return run(QStringLiteral("UPDATE sync_setting SET last_sync = :lastSync,   synced_last_event = :lastEvent WHERE "
                              "id=:setting_id"),
               {{":lastSync", DaoUtil::toMs(time)}, {":lastEvent", lastEvent}, {":setting_id", settingId}});
}

QStringList SyncSettingsDao::localDirs(const QString &statement, bool userOnly) const
{
    QSqlQuery q(m_database->database());
    q.prepare(statement);
    if (userOnly)
        q.bindValue(QStringLiteral(":user_id"), m_session ? m_session->account().id : 0);
    QStringList dirs;
    if (!m_database->exec(q))
        return dirs;
    while (q.next())
        dirs << q.value(0).toString();
    return dirs;
}

QStringList SyncSettingsDao::allLocalDirs() const
{
    return localDirs(QStringLiteral("SELECT local_dir FROM sync_setting"), false);
}

QStringList SyncSettingsDao::userLocalDirs() const
{
    return localDirs(QStringLiteral("SELECT ss.local_dir FROM sync_setting AS ss JOIN file_safe AS f ON "
                                    "ss.file_safe_id = f.id WHERE f.user_id = :user_id"),
                     true);
}
