#include "SqliteDb.h"

#include <QtGlobal>

#include <sqlite3.h>

SqliteDb::Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteDb::Statement::reset()
{
    m_failed = false;
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

SqliteDb::Statement &SqliteDb::Statement::bind(int index, std::int64_t value)
{
    if (m_stmt)
        sqlite3_bind_int64(m_stmt, index, value);
    return *this;
}

SqliteDb::Statement &SqliteDb::Statement::bind(int index, const std::string &text)
{
    if (m_stmt)
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteDb::Statement &SqliteDb::Statement::bindBlob(int index, const std::string &bytes)
{
    if (m_stmt)
        sqlite3_bind_blob(m_stmt, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteDb::Statement &SqliteDb::Statement::bindNull(int index)
{
    if (m_stmt)
        sqlite3_bind_null(m_stmt, index);
    return *this;
}

bool SqliteDb::Statement::step()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        qWarning("SqliteDb::step: %s", sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
    }
    return false;
}

bool SqliteDb::Statement::execute()
{
    while (step()) {
    }
    return !m_failed && m_stmt;
}

std::int64_t SqliteDb::Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteDb::Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
}

std::string_view SqliteDb::Statement::textView(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string_view();
}

std::string SqliteDb::Statement::blob(int column) const
{
    const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
}

bool SqliteDb::Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

SqliteDb::Transaction::Transaction(SqliteDb &db) : m_db(db)
{
    m_db.exec("BEGIN IMMEDIATE");
}

SqliteDb::Transaction::~Transaction()
{
    if (!m_done)
        m_db.exec("ROLLBACK");
}

bool SqliteDb::Transaction::commit()
{
    m_done = true;
    if (m_db.exec("COMMIT"))
        return true;
    m_db.exec("ROLLBACK");
    return false;
}

std::unique_ptr<SqliteDb> SqliteDb::open(const std::string &path, std::string &error)
{
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        error = handle ? sqlite3_errmsg(handle) : "out of memory";
        sqlite3_close(handle);
        return nullptr;
    }
    sqlite3_busy_timeout(handle, 10000);
    std::unique_ptr<SqliteDb> db(new SqliteDb(handle));
    if (!db->exec("PRAGMA journal_mode=WAL") || !db->exec("PRAGMA synchronous=NORMAL")
        || !db->exec("PRAGMA foreign_keys=ON")) {
        error = db->lastError();
        return nullptr;
    }
    return db;
}

SqliteDb::~SqliteDb()
{
    m_cache.clear();
    sqlite3_close(m_db);
}

bool SqliteDb::exec(const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        qWarning("SqliteDb::exec: %s (%s)", message ? message : "?", sql);
        sqlite3_free(message);
        return false;
    }
    return true;
}

SqliteDb::Statement &SqliteDb::prepare(const char *sql)
{
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            qWarning("SqliteDb::prepare: %s (%s)", sqlite3_errmsg(m_db), sql);
        it = m_cache.emplace(sql, std::make_unique<Statement>(stmt)).first;
    }
    Statement &statement = *it->second;
    // A statement left mid-way by an earlier caller starts afresh.
    statement.reset();
    return statement;
}

void SqliteDb::resetAll()
{
    for (auto &entry : m_cache)
        entry.second->reset();
}

std::int64_t SqliteDb::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDb::changes() const
{
    return sqlite3_changes(m_db);
}

std::string SqliteDb::lastError() const
{
    return sqlite3_errmsg(m_db);
}
