#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection shared by the service's threads. Every use holds the
// lock returned by lock(): statements are cached per connection and SQLite
// connections must not run two statements from two threads at once. The
// command line opens its own connection to the same file; WAL mode and the
// busy time-out let both work while the service runs.
class SqliteDb
{
public:
    class Statement
    {
    public:
        explicit Statement(sqlite3_stmt *stmt) : m_stmt(stmt) {}
        ~Statement();
        Statement(const Statement &) = delete;
        Statement &operator=(const Statement &) = delete;

        bool valid() const { return m_stmt != nullptr; }
        void reset();
        Statement &bind(int index, std::int64_t value);
        Statement &bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
        Statement &bind(int index, const std::string &text);
        Statement &bindBlob(int index, const std::string &bytes);
        Statement &bindNull(int index);
        // True while a row is available; false at the end or on an error.
        bool step();
        bool execute(); // steps to the end; true on success
        bool failed() const { return m_failed; }

        std::int64_t int64(int column) const;
        std::string text(int column) const;
        // Valid until the next step of this statement.
        std::string_view textView(int column) const;
        std::string blob(int column) const;
        bool isNull(int column) const;

    private:
        sqlite3_stmt *m_stmt;
        bool m_failed = false;
    };

    // Scoped transaction: begins immediately, rolls back unless committed.
    class Transaction
    {
    public:
        explicit Transaction(SqliteDb &db);
        ~Transaction();
        bool commit();

    private:
        SqliteDb &m_db;
        bool m_done = false;
    };

    // Holds the connection. When the outermost lock ends, every cached
    // statement is reset: a statement left on a row would keep its read
    // snapshot open, and a later write would then fail as "database is
    // locked" once the command line changed the file meanwhile.
    class Lock
    {
    public:
        explicit Lock(SqliteDb &db) : m_db(db), m_lock(db.m_mutex) { ++m_db.m_depth; }
        ~Lock()
        {
            if (--m_db.m_depth == 0)
                m_db.resetAll();
        }
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        SqliteDb &m_db;
        std::unique_lock<std::recursive_mutex> m_lock;
    };

    static std::unique_ptr<SqliteDb> open(const std::string &path, std::string &error);
    ~SqliteDb();

    Lock lock() { return Lock(*this); }

    bool exec(const char *sql);
    // A statement from the cache (reset, bindings cleared), valid until the
    // next call with the same text; callers hold the lock.
    Statement &prepare(const char *sql);
    std::int64_t lastInsertId() const;
    int changes() const;
    std::string lastError() const;

private:
    explicit SqliteDb(sqlite3 *db) : m_db(db) {}
    void resetAll();

    sqlite3 *m_db;
    std::recursive_mutex m_mutex;
    int m_depth = 0;
    std::map<std::string, std::unique_ptr<Statement>> m_cache;
};
