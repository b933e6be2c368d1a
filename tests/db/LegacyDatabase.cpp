#include "LegacyDatabase.h"

#include "app/VersionOrder.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>

namespace {
bool atLeast(const QString &version, const char *other)
{
    return !VersionOrder::isGreater(QString::fromLatin1(other), version);
}

QStringList schema(const QString &v)
{
    QStringList s;
    s << "create table db_info (id INTEGER PRIMARY KEY, db_version TEXT, device_id TEXT, device_name TEXT, "
         "creation_time TEXT)";
    QString fileSafe = "create table file_safe (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER, safe_id TEXT, "
                       "safe_name TEXT, safe_type TEXT, access TEXT, storage_quota INTEGER, storage_used INTEGER, "
                       "has_trash INTEGER";
    if (atLeast(v, "1.0.1"))
        fileSafe += ", root_folder_id TEXT, role_type INTEGER, last_event TEXT, expiry_date TEXT";
    s << fileSafe + ")";
    // From 1.0.0 on the user table is the untyped copy that migration made.
    s << (atLeast(v, "1.0.0") ? QString("CREATE TABLE user(id,server_id,account_name,last_login)")
                              : QString("create table user (id INTEGER PRIMARY KEY AUTOINCREMENT, server_id TEXT, "
                                        "account_name TEXT, last_login INTEGER)"));
    QString fsObject = "create table fs_object (id INTEGER PRIMARY KEY AUTOINCREMENT, setting_id INTEGER, path TEXT, "
                       "checksum TEXT, local_mtime INTEGER, remote_mtime INTEGER, type TEXT, size INTEGER";
    if (atLeast(v, "1.0.1"))
        fsObject += ", object_id TEXT";
    s << fsObject + ")";
    s << "create table sync_history (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time INTEGER, end_time INTEGER, "
         "state INTEGER, user_id INTEGER)";
    QString setting = "CREATE TABLE sync_setting (id INTEGER PRIMARY KEY AUTOINCREMENT, file_safe_id INTEGER, "
                      "remote_dir TEXT, local_dir TEXT, last_sync INTEGER, mode INTEGER";
    if (atLeast(v, "1.0.0"))
        setting += ", remote_state INTEGER";
    if (atLeast(v, "1.0.1"))
        setting += ", root_folder_id TEXT, synced_last_event TEXT";
    if (atLeast(v, "1.0.2"))
        setting += ", encryption INTEGER";
    s << setting + ")";
    s << "CREATE TABLE sync_history_object (id INTEGER PRIMARY KEY AUTOINCREMENT, sync_history_id INTEGER, "
         "local_dir TEXT, remote_dir TEXT, type TEXT, state INTEGER, action INTEGER, timestamp INTEGER)";
    s << "CREATE INDEX sync_history_object_timestamp ON sync_history_object(timestamp)";
    if (!atLeast(v, "1.0.0"))
        s << "create table sync_queue (id INTEGER PRIMARY KEY AUTOINCREMENT, setting_id INTEGER, path TEXT, "
             "action INTEGER)";
    return s;
}

QStringList rows(const QString &v)
{
    QStringList s;
    s << QString("insert into db_info (db_version, device_id, device_name, creation_time) values('%1', "
                 "'0b9e3f4c-5d2a-4e61-9c7b-2f8a1d3e4c5b', 'Korvex Sync-1804289383', 'Tue Jan 5 10:00:00 2016')")
             .arg(v);
    s << "insert into user (id, server_id, account_name, last_login) values (3, 'srv-a', 'alice', 1451988000000)";
    s << "insert into user (id, server_id, account_name, last_login) values (7, 'srv-b', 'bob', 1451988001000)";
    const QString safeCols = "user_id, safe_id, safe_name, safe_type, access, storage_quota, storage_used, has_trash";
    s << QString("insert into file_safe (%1) values (3, 's-1', 'Docs', 'PRIVATE', 'RW', 1000, 10, 1)").arg(safeCols);
    s << QString("insert into file_safe (%1) values (7, 's-2', 'Team', 'SHARED', 'R', 2000, 20, 0)").arg(safeCols);
    const QString fsCols = "setting_id, path, checksum, local_mtime, remote_mtime, type, size";
    s << QString("insert into fs_object (%1) values (1, 'a.txt', 'c1', 100, 200, 'F', 5)").arg(fsCols);
    s << QString("insert into fs_object (%1) values (2, 'dir', '', 300, 400, 'D', 0)").arg(fsCols);
    s << "insert into sync_history (start_time, end_time, state, user_id) values (1, 2, 0, 3)";
    s << "insert into sync_history (start_time, end_time, state, user_id) values (3, 4, 0, 7)";
    for (int i = 0; i < 3; ++i)
        s << QString("insert into sync_history_object (sync_history_id, local_dir, remote_dir, type, state, action, "
                     "timestamp) values (1, 'l%1', 'r%1', 'F', 1, 2, %1)")
                 .arg(i);
    const QString settingCols = "file_safe_id, remote_dir, local_dir, last_sync, mode";
    s << QString("insert into sync_setting (%1) values (1, '/', '/home/u/Docs', 5, 0)").arg(settingCols);
    s << QString("insert into sync_setting (%1) values (2, '/sub', '/home/u/Team', 6, 1)").arg(settingCols);
    // The columns later versions added, filled in as those versions did.
    if (atLeast(v, "1.0.0"))
        s << "update sync_setting set remote_state = id";
    if (atLeast(v, "1.0.1"))
        s << "update sync_setting set root_folder_id = 'root-' || id, synced_last_event = 'ev-' || id"
          << "update fs_object set object_id = 'obj-' || id";
    if (atLeast(v, "1.0.2"))
        s << "update sync_setting set encryption = (id = 1)";
    if (!atLeast(v, "1.0.0"))
        s << "insert into sync_queue (setting_id, path, action) values (1, 'a.txt', 1)";
    return s;
}

// Runs `work` on a connection of its own that is closed and gone again afterwards.
template <typename Work>
auto withConnection(const QString &path, Work work)
{
    const QString name = QUuid::createUuid().toString();
    auto result = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        return work(db);
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}
} // namespace

QString LegacyDatabase::write(const QString &path, const QString &version, const QStringList &extraStatements)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return withConnection(path, [&](QSqlDatabase &db) -> QString {
        if (!db.open())
            return db.lastError().text();
        QSqlQuery q(db);
        db.transaction(); // one flush for the whole file
        for (const QString &sql : schema(version) + rows(version) + extraStatements)
            if (!q.exec(sql))
                return sql + ": " + q.lastError().text();
        if (!db.commit())
            return db.lastError().text();
        return QString();
    });
}

QStringList LegacyDatabase::query(const QString &path, const QString &sql)
{
    return withConnection(path, [&](QSqlDatabase &db) -> QStringList {
        if (!db.open())
            return {"ERROR: " + db.lastError().text()};
        QSqlQuery q(db);
        if (!q.exec(sql))
            return {"ERROR: " + q.lastError().text()};
        QStringList out;
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QString("NULL") : q.value(i).toString());
            out << cols.join('|');
        }
        return out;
    });
}
