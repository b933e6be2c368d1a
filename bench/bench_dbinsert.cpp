// Insert rate of autocommitted fs_object rows, as the sync engine writes
// them (one statement per file, each its own transaction), on the client's
// tuned connection and, for comparison, on SQLite's defaults. Rates are
// given per wall-clock second and per CPU second of this process (user and
// system: most of the work is system calls), which a busy machine disturbs
// less.
//
//   bench_dbinsert [rows, default 10000] [folder for the files, default: a
//                   temporary folder beside this program, on a real disk]
//
// The defaults' run takes a tenth of the rows (at least 100): with a flush
// per commit it would otherwise take minutes.

#include "db/OndoDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>
#include <sys/resource.h>

namespace {
const char *kInsert = "INSERT INTO fs_object (setting_id, path, checksum, local_mtime, remote_mtime, type, size, "
                      "object_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";

struct Rate
{
    double perWallSecond = -1;
    double perCpuSecond = -1;
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Rows per second; a data access object prepares, binds and runs each row.
template <typename Run>
Rate insertRows(const QSqlDatabase &db, int rows, Run run)
{
    QElapsedTimer t;
    const double cpuStart = cpuSeconds();
    t.start();
    for (int i = 0; i < rows; ++i) {
        QSqlQuery q(db);
        q.prepare(QString::fromLatin1(kInsert));
        q.addBindValue(1);
        q.addBindValue(QStringLiteral("Docs/folder %1/file %2.txt").arg(i / 100).arg(i));
        q.addBindValue(QStringLiteral("%1").arg(i, 64, 16, QLatin1Char('0')));
        q.addBindValue(qint64(1700000000000) + i);
        q.addBindValue(qint64(1700000000500) + i);
        q.addBindValue(QStringLiteral("F"));
        q.addBindValue(qint64(i) * 17);
        q.addBindValue(QStringLiteral("obj-%1").arg(i));
        if (!run(q))
            return {};
    }
    return {rows / (t.nsecsElapsed() / 1e9), rows / qMax(1e-9, cpuSeconds() - cpuStart)};
}

int count(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    return q.exec("select count(*) from fs_object") && q.next() ? q.value(0).toInt() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 10000;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QCoreApplication::applicationDirPath();
    QTemporaryDir dir(base + QStringLiteral("/bench_dbinsert-XXXXXX"));
    if (!dir.isValid()) {
        std::printf("cannot make a folder below %s\n", qPrintable(base));
        return 1;
    }
    std::printf("%d autocommitted fs_object rows in %s\n", rows, qPrintable(QDir::toNativeSeparators(dir.path())));

    Rate tuned;
    {
        OndoDatabase db;
        db.init(dir.filePath("tuned.db3"), QStringLiteral("Bench"));
        if (!db.isInitialised())
            return 1;
        tuned = insertRows(db.database(), rows, [&](QSqlQuery &q) { return db.exec(q); });
        if (count(db.database()) != rows)
            tuned = {};
    }

    Rate plain;
    const int plainRows = qMax(100, rows / 10);
    {
        // SQLite's defaults: rollback journal, a full flush per commit.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
        db.setDatabaseName(dir.filePath("plain.db3"));
        QSqlQuery create(db);
        if (db.open()
            && create.exec("create table fs_object (id INTEGER PRIMARY KEY AUTOINCREMENT, setting_id INTEGER, path "
                           "TEXT, checksum TEXT, local_mtime INTEGER, remote_mtime INTEGER, type TEXT, size INTEGER, "
                           "object_id TEXT)"))
            plain = insertRows(db, plainRows, [](QSqlQuery &q) { return q.exec(); });
        if (count(db) != plainRows)
            plain = {};
        create = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("plain"));

    std::printf("%-36s %14s %14s\n", "connection", "rows/wall s", "rows/CPU s");
    std::printf("%-36s %14.0f %14.0f\n", "client (WAL, synchronous=NORMAL)", tuned.perWallSecond, tuned.perCpuSecond);
    std::printf("%-36s %14.0f %14.0f   (%d rows)\n", "SQLite defaults (rollback, FULL)", plain.perWallSecond,
                plain.perCpuSecond, plainRows);
    return tuned.perWallSecond > 0 && plain.perWallSecond > 0 ? 0 : 1;
}
