#pragma once

#include "db/DbInfo.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>

class QSqlQuery;

// The client's local SQLite database on the default connection: creates
// missing tables, walks an older file up the migration chain, and runs every
// statement of the data access objects through exec() so that failures are
// logged and signalled in one way.
class OndoDatabase : public QObject
{
    Q_OBJECT
public:
    static const QString CurrentVersion; // "1.0.2"

    explicit OndoDatabase(QObject *parent = nullptr);
    ~OndoDatabase() override;

    // Opens (creating the folder and file when missing) and prepares the
    // database. Failures are reported through the signals.
    void init(const QString &databasePath, const QString &appName);

    // One step of the migration chain; runs only when the held version is `from`.
    void migration(const QString &from, const QString &to, const QStringList &statements);

    // Runs a prepared query with its bound values; logs and signals a failure.
    bool exec(QSqlQuery &query);

    // The newest db_info row, or nothing when none can be read.
    std::optional<DbInfo> currentDbInfo();
    QList<DbInfo> allDbInfos();
    QStringList tables();

    bool isInitialised() const { return m_initialised; }
    // The version held by init (the file's version after migration).
    QString version() const { return m_version; }
    QSqlDatabase database() const { return m_db; }

    // The statements run during its lifetime in one transaction; one begun
    // inside another is a savepoint of it, so that ending it without success
    // undoes its own statements only.
    class Transaction
    {
    public:
        explicit Transaction(OndoDatabase *database);
        ~Transaction(); // ends without success unless end() was called
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        // Ends it; true when `ok` and, for the outermost, the commit succeeded.
        bool end(bool ok);

    private:
        OndoDatabase *m_database;
        bool m_open;
    };

signals:
    void incompatibleDatabase(const QString &localVersion, const QString &expectedVersion);
    void unableToOpenDatabase(const QString &msg);
    void sqlQueryFailure(const QString &msg);

private:
    void createMissingTables();
    QString readVersion();
    void tuneConnection();
    void repairUsers();

    QSqlDatabase m_db;
    QString m_version;
    bool m_initialised = false;
    int m_transactionDepth = 0;
};
