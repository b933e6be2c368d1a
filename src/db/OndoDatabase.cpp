#include "db/OndoDatabase.h"

#include "app/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>

const QString OndoDatabase::CurrentVersion = QStringLiteral("1.0.2");

namespace {
struct Table
{
    const char *name;
    const char *create;
};

// The current schema, in creation order. The keyword case differs between
// statements on purpose: it is how the files in the field were written.
const Table kTables[] = {
    {"db_info", "create table db_info (id INTEGER PRIMARY KEY, db_version TEXT, device_id TEXT, device_name TEXT, "
                "creation_time TEXT)"},
    {"file_safe", "create table file_safe (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER, safe_id TEXT, "
                  "safe_name TEXT, safe_type TEXT, access TEXT, storage_quota INTEGER, storage_used INTEGER, "
                  "has_trash INTEGER, root_folder_id TEXT, role_type INTEGER, last_event TEXT, expiry_date TEXT)"},
    {"user", "create table user (id INTEGER PRIMARY KEY AUTOINCREMENT, server_id TEXT, account_name TEXT, "
             "last_login INTEGER)"},
    {"fs_object", "create table fs_object (id INTEGER PRIMARY KEY AUTOINCREMENT, setting_id INTEGER, path TEXT, "
                  "checksum TEXT, local_mtime INTEGER, remote_mtime INTEGER, type TEXT, size INTEGER, object_id TEXT)"},
    {"sync_history", "create table sync_history (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time INTEGER, end_time "
                     "INTEGER, state INTEGER, user_id INTEGER)"},
    {"sync_setting", "CREATE TABLE sync_setting (id INTEGER PRIMARY KEY AUTOINCREMENT, file_safe_id INTEGER, "
                     "remote_dir TEXT, local_dir TEXT, last_sync INTEGER, mode INTEGER, remote_state INTEGER, "
                     "root_folder_id TEXT, synced_last_event TEXT, encryption INTEGER)"},
    {"sync_history_object", "CREATE TABLE sync_history_object (id INTEGER PRIMARY KEY AUTOINCREMENT, sync_history_id "
                            "INTEGER, local_dir TEXT, remote_dir TEXT, type TEXT, state INTEGER, action INTEGER, "
                            "timestamp INTEGER)"},
};

const char *kHistoryIndex = "CREATE INDEX sync_history_object_timestamp ON sync_history_object(timestamp)";

struct Step
{
    const char *from;
    const char *to;
    QStringList statements;
};

const QList<Step> &migrationChain()
{
    static const QList<Step> chain = {
        {"0.2.8", "0.2.9", {"DELETE FROM sync_history_object;", "DELETE FROM sync_history;"}},
        {"0.2.9",
         "1.0.0",
         {"DROP TABLE sync_queue;", "ALTER TABLE sync_setting ADD COLUMN remote_state INTEGER;",
          "CREATE TEMPORARY TABLE user_backup(id,server_id,account_name,last_login);",
          "INSERT INTO user_backup SELECT id,server_id,account_name,last_login FROM user;", "DROP TABLE user;",
          "CREATE TABLE user(id,server_id,account_name,last_login);",
          "INSERT INTO user SELECT id,server_id,account_name,last_login FROM user_backup;",
          "DROP TABLE user_backup;"}},
        {"1.0.0",
         "1.0.1",
         {"ALTER TABLE file_safe ADD COLUMN root_folder_id TEXT;", "ALTER TABLE file_safe ADD COLUMN role_type INTEGER;",
          "ALTER TABLE file_safe ADD COLUMN last_event TEXT;", "ALTER TABLE file_safe ADD COLUMN expiry_date TEXT;",
          "ALTER TABLE sync_setting ADD COLUMN root_folder_id TEXT;",
          "ALTER TABLE sync_setting ADD COLUMN synced_last_event TEXT;",
          "ALTER TABLE fs_object ADD COLUMN object_id TEXT;", "DELETE FROM sync_history_object;",
          "DELETE FROM sync_history;", "UPDATE sync_setting SET root_folder_id = '0';"}},
        {"1.0.1",
         "1.0.2",
         {"ALTER TABLE sync_setting ADD COLUMN encryption INTEGER;", "UPDATE sync_setting SET encryption = 0;"}},
    };
    return chain;
}

// Values spliced into SQL text must not end the literal they stand in.
QString sqlText(const QString &value)
{
    QString escaped = value;
    return escaped.replace(QLatin1Char('\''), QLatin1String("''"));
}

const char *errorTypeName(QSqlError::ErrorType type)
{
    switch (type) {
    case QSqlError::NoError:
        return "NoError";
    case QSqlError::ConnectionError:
        return "ConnectionError";
    case QSqlError::StatementError:
        return "StatementError";
    case QSqlError::TransactionError:
        return "TransactionError";
    case QSqlError::UnknownError:
        return "UnknownError";
    }
    return "unknown";
}

DbInfo dbInfoFrom(const QSqlQuery &q)
{
    DbInfo info;
    info.id = q.value(0).toLongLong();
    info.db_version = q.value(1).toString();
    info.device_id = q.value(2).toString();
    info.device_name = q.value(3).toString();
    info.creation_time = q.value(4).toString();
    return info;
}
} // namespace

OndoDatabase::OndoDatabase(QObject *parent)
    : QObject(parent)
{
}

OndoDatabase::~OndoDatabase()
{
    if (!m_db.isValid())
        return;
    const QString name = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

void OndoDatabase::init(const QString &databasePath, const QString &appName)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    m_db.setDatabaseName(databasePath);
    // A first start finds no application folder yet; SQLite creates the
    // file, not the folders above it. Only the user may read the state: the
    // file is made 0600 before SQLite opens it, and SQLite gives its
    // write-ahead log and shared-memory file the mode of the database.
    PrivateFiles::makeFolder(QFileInfo(databasePath).absolutePath());
    PrivateFiles::makeFile(databasePath);
    PrivateFiles::tighten(databasePath + QStringLiteral("-wal"));
    PrivateFiles::tighten(databasePath + QStringLiteral("-shm"));
    if (!m_db.open()) {
        const QString error = m_db.lastError().text();
        qWarning("OndoDatabase::init: Unable to open database: %s error: %s",
                 qUtf8Printable(QDir::toNativeSeparators(databasePath)), qUtf8Printable(error));
        emit unableToOpenDatabase(error);
        return;
    }
    tuneConnection();

    const QStringList existing = tables();
    for (const Table &table : kTables) {
        const QString name = QString::fromLatin1(table.name);
        if (existing.contains(name))
            continue;
        m_db.exec(QString::fromLatin1(table.create));
        if (name == QLatin1String("db_info")) {
            const QString deviceId = QUuid::createUuid().toString(QUuid::WithoutBraces);
            const QString deviceName = QStringLiteral("%1-%2").arg(appName).arg(std::rand());
            const QString created = QDateTime::currentDateTime().toString(Qt::TextDate);
            m_db.exec(QStringLiteral("insert into db_info (db_version, device_id, device_name, creation_time) "
                                     "values('%1','%2', '%3', '%4')")
                          .arg(sqlText(CurrentVersion), sqlText(deviceId), sqlText(deviceName), sqlText(created)));
        } else if (name == QLatin1String("sync_history_object")) {
            m_db.exec(QString::fromLatin1(kHistoryIndex));
        }
    }

    m_version = readVersion();
    if (m_version == CurrentVersion)
        qDebug("OndoDatabase::init: DB version is up to date: %s", qUtf8Printable(m_version));

    for (const Step &step : migrationChain())
        migration(QString::fromLatin1(step.from), QString::fromLatin1(step.to), step.statements);

    if (m_version != CurrentVersion)
        emit incompatibleDatabase(m_version, CurrentVersion);
    repairUsers();

    // Only files older than 1.0.0 have this table; elsewhere this fails quietly.
    m_db.exec(QStringLiteral("delete from sync_queue"));
    // The sync engine replaces the state row of a path for every object it
    // touches; without this index each replacement scans the whole table.
    // An index changes nothing a reader of the file relies on.
    m_db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS fs_object_setting_path ON fs_object(setting_id, path)"));
    m_initialised = true;
}

// The sync engine writes a state row and a history row for every file it
// touches, each in its own implicit transaction. With the write-ahead log and
// synchronous=NORMAL a commit no longer waits for its disk flush; the file
// stays consistent after a crash (at worst the last commits are lost) and any
// SQLite 3.7 or later opens it as usual.
void OndoDatabase::tuneConnection()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()
        || q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        qWarning("OndoDatabase::tuneConnection: write-ahead log not available, keeping the rollback journal");
    if (!q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        qWarning("OndoDatabase::tuneConnection: %s", qUtf8Printable(q.lastError().text()));
}

QString OndoDatabase::readVersion()
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("select db_version from db_info order by creation_time desc limit 1"));
    if (!exec(q) || !q.next())
        return QString();
    return q.value(0).toString();
}

// A step runs in a transaction of its own: a statement that fails undoes
// the whole step, so the file stays at the step's "from" version, whole,
// and the next start can try the step again.
void OndoDatabase::migration(const QString &from, const QString &to, const QStringList &statements)
{
    if (m_version != from)
        return;
    qDebug("OndoDatabase::migration: from %s to %s", qUtf8Printable(from), qUtf8Printable(to));
    const auto logError = [](const QSqlError &error) {
        qWarning("OndoDatabase::init: Error: %s [%s]", qUtf8Printable(error.nativeErrorCode()),
                 qUtf8Printable(error.text()));
    };
    const auto logErrors = [](int errors) { qWarning("OndoDatabase::init: DB migration errors: %d", errors); };
    if (!m_db.transaction()) {
        logError(m_db.lastError());
        logErrors(1);
        return;
    }
    QSqlQuery q(m_db);
    int errors = 0;
    for (const QString &statement : statements) {
        qWarning("OndoDatabase::init: Query: %s", qUtf8Printable(statement));
        if (!q.exec(statement)) {
            ++errors;
            logError(q.lastError());
            break; // the rest would be undone with it
        }
    }
    q.finish();
    if (errors == 0) {
        QSqlQuery update(m_db);
        update.prepare(QStringLiteral("UPDATE db_info SET db_version = '%1';").arg(sqlText(to)));
        // A version that did not reach the file must not be believed either.
        if (exec(update) && m_db.commit()) {
            m_version = to;
            qDebug("OndoDatabase::init: migrated DB to %s", qUtf8Printable(to));
            return;
        }
        ++errors;
    }
    m_db.rollback();
    logErrors(errors);
}

// Files that went through the 0.2.9 step have a user table whose id is a
// plain column: earlier clients inserted rows without an id there (one more
// at every failed login), and two first logins at once could add an
// account twice. Each account keeps one row: the rows that file safes or
// history refer to, else the one with the lowest id; a row left without an
// id gets the next free one. Rows something refers to are never removed.
void OndoDatabase::repairUsers()
{
    struct Row
    {
        qint64 rowid;
        QVariant id;
    };
    QSqlQuery q(m_db);
    // Most starts find nothing to repair; that one look must stay cheap (the
    // history table below grows without bound).
    if (q.exec(QStringLiteral("SELECT 1 FROM user WHERE id IS NULL OR id <= 0 UNION ALL "
                              "SELECT 1 FROM user GROUP BY server_id, account_name HAVING count(*) > 1 LIMIT 1"))
        && !q.next())
        return;
    if (!q.exec(QStringLiteral("SELECT rowid, id, server_id, account_name FROM user ORDER BY rowid")))
        return;
    QHash<QPair<QString, QString>, QList<Row>> accounts;
    QList<QPair<QString, QString>> order;
    while (q.next()) {
        const QPair<QString, QString> account(q.value(2).toString(), q.value(3).toString());
        if (!accounts.contains(account))
            order << account;
        accounts[account] << Row{q.value(0).toLongLong(), q.value(1)};
    }
    auto valid = [](const Row &r) { return !r.id.isNull() && r.id.toLongLong() > 0; };
    QSet<qint64> referenced;
    if (q.exec(QStringLiteral("SELECT user_id FROM file_safe UNION SELECT user_id FROM sync_history")))
        while (q.next())
            referenced.insert(q.value(0).toLongLong());

    QList<qint64> remove;  // rowids
    QList<qint64> renumber; // rowids, in order
    for (const auto &account : order) {
        const QList<Row> &rows = accounts.value(account);
        QList<Row> keep;
        for (const Row &r : rows)
            if (valid(r) && referenced.contains(r.id.toLongLong()))
                keep << r;
        if (keep.isEmpty()) {
            Row best = rows.first();
            for (const Row &r : rows)
                if (valid(r) && (!valid(best) || r.id.toLongLong() < best.id.toLongLong()))
                    best = r;
            keep << best;
        }
        for (const Row &r : rows) {
            const bool kept = std::any_of(keep.cbegin(), keep.cend(), [&r](const Row &k) { return k.rowid == r.rowid; });
            if (!kept)
                remove << r.rowid;
            else if (!valid(r))
                renumber << r.rowid;
        }
    }
    if (remove.isEmpty() && renumber.isEmpty())
        return;
    qWarning("OndoDatabase::repairUsers: removing %d surplus user rows, numbering %d rows without an id",
             int(remove.size()), int(renumber.size()));
    Transaction transaction(this);
    bool ok = true;
    for (qint64 rowid : remove) {
        QSqlQuery del(m_db);
        del.prepare(QStringLiteral("DELETE FROM user WHERE rowid = :rowid"));
        del.bindValue(QStringLiteral(":rowid"), rowid);
        ok = ok && exec(del);
    }
    for (qint64 rowid : renumber) {
        QSqlQuery upd(m_db);
        upd.prepare(QStringLiteral("UPDATE user SET id = (SELECT IFNULL(MAX(id), 0) + 1 FROM user) WHERE rowid = :rowid"));
        upd.bindValue(QStringLiteral(":rowid"), rowid);
        ok = ok && exec(upd);
    }
    transaction.end(ok);
}

bool OndoDatabase::exec(QSqlQuery &query)
{
    // A statement that SQLite refused to prepare carries that reason; exec()
    // would replace it by Qt's generic "No query" or "Parameter count
    // mismatch", which tells nobody what was wrong.
    const QSqlError prepareError = query.lastError();
    if (query.exec())
        return true;
    QSqlError error = query.lastError();
    if (prepareError.isValid() && error.nativeErrorCode().isEmpty())
        error = prepareError;
    const QString msg = QStringLiteral("DB error: %1 (type: %2)\n query: (%3)")
                            .arg(error.text(), QString::fromLatin1(errorTypeName(error.type())), query.lastQuery());
    qWarning("OndoDatabase::exec: %s", qUtf8Printable(msg));
    emit sqlQueryFailure(msg);
    return false;
}

std::optional<DbInfo> OndoDatabase::currentDbInfo()
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "select id, db_version, device_id, device_name, creation_time from db_info order by creation_time desc limit 1"));
    if (!exec(q) || !q.next())
        return std::nullopt;
    return dbInfoFrom(q);
}

QList<DbInfo> OndoDatabase::allDbInfos()
{
    QList<DbInfo> rows;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "SELECT   id,   db_version,   device_id,   device_name,   creation_time FROM db_info ORDER BY id"));
    if (!exec(q))
        return rows;
    while (q.next())
        rows << dbInfoFrom(q);
    return rows;
}

QStringList OndoDatabase::tables()
{
    QStringList names;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    if (!exec(q))
        return names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

OndoDatabase::Transaction::Transaction(OndoDatabase *database)
    : m_database(database)
    , m_open(false)
{
    if (!m_database)
        return;
    const int depth = m_database->m_transactionDepth;
    const bool begun = depth == 0 ? m_database->m_db.transaction()
                                  : QSqlQuery(m_database->m_db).exec(QStringLiteral("SAVEPOINT nested%1").arg(depth));
    if (!begun)
        return; // the statements run on their own
    ++m_database->m_transactionDepth;
    m_open = true;
}

OndoDatabase::Transaction::~Transaction()
{
    end(false);
}

bool OndoDatabase::Transaction::end(bool ok)
{
    if (!m_open)
        return ok;
    m_open = false;
    const int depth = --m_database->m_transactionDepth;
    if (depth == 0) {
        if (ok && m_database->m_db.commit())
            return true;
        // A commit that failed (a busy file) leaves the transaction open;
        // later writes would run inside it and be lost with it.
        m_database->m_db.rollback();
        return false;
    }
    // A nested one undoes only its own statements.
    QSqlQuery q(m_database->m_db);
    if (!ok)
        q.exec(QStringLiteral("ROLLBACK TO nested%1").arg(depth));
    return q.exec(QStringLiteral("RELEASE nested%1").arg(depth)) && ok;
}
