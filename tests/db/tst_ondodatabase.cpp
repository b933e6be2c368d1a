#include "LegacyDatabase.h"
#include "MessageCapture.h"
#include "db/OndoDatabase.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using LegacyDatabase::query;

namespace {
const QString kAppName = QStringLiteral("Korvex Sync");

// The tables as sqlite_master keeps their statements (SQLite writes the
// leading keywords in upper case, the rest as given).
const QMap<QString, QString> kStoredSchema = {
    {"db_info", "CREATE TABLE db_info (id INTEGER PRIMARY KEY, db_version TEXT, device_id TEXT, device_name TEXT, "
                "creation_time TEXT)"},
    {"file_safe", "CREATE TABLE file_safe (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER, safe_id TEXT, "
                  "safe_name TEXT, safe_type TEXT, access TEXT, storage_quota INTEGER, storage_used INTEGER, "
                  "has_trash INTEGER, root_folder_id TEXT, role_type INTEGER, last_event TEXT, expiry_date TEXT)"},
    {"user", "CREATE TABLE user (id INTEGER PRIMARY KEY AUTOINCREMENT, server_id TEXT, account_name TEXT, "
             "last_login INTEGER)"},
    {"fs_object", "CREATE TABLE fs_object (id INTEGER PRIMARY KEY AUTOINCREMENT, setting_id INTEGER, path TEXT, "
                  "checksum TEXT, local_mtime INTEGER, remote_mtime INTEGER, type TEXT, size INTEGER, object_id TEXT)"},
    {"sync_history", "CREATE TABLE sync_history (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time INTEGER, end_time "
                     "INTEGER, state INTEGER, user_id INTEGER)"},
    {"sync_setting", "CREATE TABLE sync_setting (id INTEGER PRIMARY KEY AUTOINCREMENT, file_safe_id INTEGER, "
                     "remote_dir TEXT, local_dir TEXT, last_sync INTEGER, mode INTEGER, remote_state INTEGER, "
                     "root_folder_id TEXT, synced_last_event TEXT, encryption INTEGER)"},
    {"sync_history_object", "CREATE TABLE sync_history_object (id INTEGER PRIMARY KEY AUTOINCREMENT, sync_history_id "
                            "INTEGER, local_dir TEXT, remote_dir TEXT, type TEXT, state INTEGER, action INTEGER, "
                            "timestamp INTEGER)"},
};
const QString kIndex = "CREATE INDEX sync_history_object_timestamp ON sync_history_object(timestamp)";

QString storedSql(const QString &path, const QString &name)
{
    return query(path, QString("select sql from sqlite_master where name = '%1'").arg(name)).value(0);
}

// Column names in order (table_info rows read "cid|name|type|notnull|default|pk").
QStringList columnNames(const QString &path, const QString &table)
{
    return query(path, QString("PRAGMA table_info(%1)").arg(table))
        .replaceInStrings(QRegularExpression("^\\d+\\|([^|]*)\\|.*$"), "\\1");
}

// The column names a current table has, in the order its statement lists them.
QStringList currentColumns(const QString &table)
{
    const QString sql = kStoredSchema.value(table);
    return sql.mid(sql.indexOf('(') + 1).chopped(1).split(", ").replaceInStrings(QRegularExpression(" .*$"), QString());
}

QStringList migrationSteps(const MessageCapture &log)
{
    QStringList steps;
    for (const QString &line : log.startingWith("OndoDatabase::migration: from "))
        steps << line.mid(QString("OndoDatabase::migration: from ").size()).replace(" to ", "->");
    return steps;
}
} // namespace

class TestOndoDatabase : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QString path;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        // Folders that do not exist yet, as on a first start.
        path = dir->filePath("config/Korvex/KorvexSync/example.korvex.KorvexSync.db3");
    }
    void cleanup() { dir.reset(); }

    // A first start writes the current schema and the device row (the
    // application's name goes into it quoted); a later start leaves both.
    void missingFileGetsCurrentSchema()
    {
        MessageCapture log;
        auto db = std::make_unique<OndoDatabase>();
        QSignalSpy incompatible(db.get(), &OndoDatabase::incompatibleDatabase);
        QSignalSpy unable(db.get(), &OndoDatabase::unableToOpenDatabase);
        QSignalSpy failure(db.get(), &OndoDatabase::sqlQueryFailure);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        db->init(path, "O'Neil Sync");

        QVERIFY(db->isInitialised());
        QCOMPARE(db->version(), QString("1.0.2"));
        QCOMPARE(incompatible.count() + unable.count() + failure.count(), 0);
        for (const QString &table : kStoredSchema.keys())
            QCOMPARE(storedSql(path, table), kStoredSchema.value(table));
        QStringList tables = db->tables();
        QStringList expectedTables = kStoredSchema.keys() << "sqlite_sequence";
        tables.sort();
        expectedTables.sort();
        QCOMPARE(tables, expectedTables);
        QCOMPARE(storedSql(path, "sync_history_object_timestamp"), kIndex);

        const QStringList rows = query(path, "select id, db_version, device_id, device_name, creation_time from db_info");
        QCOMPARE(rows.size(), 1);
        const QStringList f = rows.first().split('|');
        QCOMPARE(f.at(1), QString("1.0.2"));
        QVERIFY2(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$").match(f.at(2)).hasMatch(),
                 qPrintable(f.at(2)));
        QVERIFY2(QRegularExpression("^O'Neil Sync-\\d+$").match(f.at(3)).hasMatch(), qPrintable(f.at(3)));
        QVERIFY2(QRegularExpression("^[A-Z][a-z]{2} [A-Z][a-z]{2} +\\d{1,2} \\d\\d:\\d\\d:\\d\\d \\d{4}$")
                     .match(f.at(4))
                     .hasMatch(),
                 qPrintable(f.at(4)));
        const QDateTime created = QDateTime::fromString(f.at(4), Qt::TextDate);
        QVERIFY(created >= before && created <= QDateTime::currentDateTime().addSecs(1));

        QCOMPARE(migrationSteps(log), QStringList());
        QCOMPARE(log.messages(QtDebugMsg).filter("OndoDatabase::init: DB version is up to date: 1.0.2").size(), 1);

        const DbInfo current = db->currentDbInfo().value_or(DbInfo());
        QCOMPARE((QStringList{current.device_id, current.creation_time}), (QStringList{f.at(2), f.at(4)}));
        QCOMPARE(db->allDbInfos().size(), 1);

        db.reset();
        db = std::make_unique<OndoDatabase>();
        QSignalSpy reopenedIncompatible(db.get(), &OndoDatabase::incompatibleDatabase);
        db->init(path, "Another Name");
        QCOMPARE(query(path, "select * from db_info"), rows);
        QCOMPARE(reopenedIncompatible.count(), 0);
        QCOMPARE(migrationSteps(log), QStringList());
        QCOMPARE(log.messages(QtWarningMsg), QStringList()); // nothing failed, not even quietly logged
    }

    void migratesFromEveryVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("historyRows");
        QTest::addColumn<QString>("settings"); // remote_state, root_folder_id, synced_last_event, encryption
        QTest::addColumn<QString>("objectIds");
        const QStringList all{"0.2.8->0.2.9", "0.2.9->1.0.0", "1.0.0->1.0.1", "1.0.1->1.0.2"};
        QTest::newRow("0.2.8 -> four steps, history emptied, root '0', encryption 0")
            << "0.2.8" << all << 0 << "NULL|0|NULL|0,NULL|0|NULL|0" << "NULL,NULL";
        QTest::newRow("0.2.9 -> three steps, history emptied at 1.0.1")
            << "0.2.9" << QStringList(all.mid(1)) << 0 << "NULL|0|NULL|0,NULL|0|NULL|0" << "NULL,NULL";
        QTest::newRow("1.0.0 -> two steps, remote_state kept")
            << "1.0.0" << QStringList(all.mid(2)) << 0 << "1|0|NULL|0,2|0|NULL|0" << "NULL,NULL";
        QTest::newRow("1.0.1 -> one step, history and roots kept, encryption 0")
            << "1.0.1" << QStringList(all.mid(3)) << 5 << "1|root-1|ev-1|0,2|root-2|ev-2|0" << "obj-1,obj-2";
        QTest::newRow("1.0.2 -> untouched") << "1.0.2" << QStringList() << 5 << "1|root-1|ev-1|1,2|root-2|ev-2|0"
                                            << "obj-1,obj-2";
    }
    void migratesFromEveryVersion()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, steps);
        QFETCH(int, historyRows);
        QFETCH(QString, settings);
        QFETCH(QString, objectIds);
        QCOMPARE(LegacyDatabase::write(path, version), QString());
        const QString identity = query(path, "select id, device_id, device_name, creation_time from db_info").join('\n');

        MessageCapture log;
        OndoDatabase db;
        QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
        QSignalSpy failure(&db, &OndoDatabase::sqlQueryFailure);
        db.init(path, kAppName);

        QCOMPARE(migrationSteps(log), steps);
        QCOMPARE(log.startingWith("OndoDatabase::init: migrated DB to ").size(), steps.size());
        QCOMPARE(log.startingWith("OndoDatabase::init: Error: ").size(), 0);
        QCOMPARE(incompatible.count() + failure.count(), 0);
        QCOMPARE(db.version(), QString("1.0.2"));
        QCOMPARE(query(path, "select db_version from db_info"), QStringList{"1.0.2"});
        QCOMPARE(query(path, "select id, device_id, device_name, creation_time from db_info").join('\n'), identity);

        // Every table ends with the current columns in the current order.
        for (const QString &table : kStoredSchema.keys())
            QCOMPARE(columnNames(path, table), currentColumns(table));
        QVERIFY(!db.tables().contains("sync_queue"));

        // The user table is the untyped copy without AUTOINCREMENT; ids survive.
        QCOMPARE(storedSql(path, "user"), QString("CREATE TABLE user(id,server_id,account_name,last_login)"));
        QCOMPARE(query(path, "select * from user order by id"),
                 (QStringList{"3|srv-a|alice|1451988000000", "7|srv-b|bob|1451988001000"}));

        QCOMPARE(query(path, "select count(*) from sync_history").value(0).toInt() +
                     query(path, "select count(*) from sync_history_object").value(0).toInt(),
                 historyRows);
        QCOMPARE(query(path, "select remote_state, root_folder_id, synced_last_event, encryption from sync_setting "
                             "order by id")
                     .join(','),
                 settings);
        QCOMPARE(query(path, "select local_dir from sync_setting order by id"),
                 (QStringList{"/home/u/Docs", "/home/u/Team"}));
        QCOMPARE(query(path, "select object_id from fs_object order by id").join(','), objectIds);
        QCOMPARE(query(path, "select path, size from fs_object order by id"), (QStringList{"a.txt|5", "dir|0"}));
        QCOMPARE(query(path, "select safe_name from file_safe order by id"), (QStringList{"Docs", "Team"}));
    }

    // A step that fails is undone whole, so the file stays at the step's old
    // version with what the steps before it did, and the next start walks on
    // from there once the obstacle is gone.
    void failedStepIsUndoneAndRetriedAtTheNextStart_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("removal");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("failedQuery");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("kept"); // "query => result" after the failed step
        QTest::addColumn<QStringList>("absent"); // "table.column" the failed step adds
        QTest::newRow("0.2.8 without sync_queue -> first step kept, second fails at its first statement")
            << "0.2.8" << "DROP TABLE sync_queue" << "CREATE TABLE sync_queue (id INTEGER)"
            << QStringList{"0.2.8->0.2.9", "0.2.9->1.0.0"} << "DROP TABLE sync_queue;" << "no such table: sync_queue"
            << QStringList{"select count(*) from sync_history => 0", "select count(*) from sync_history_object => 0",
                           "select type from pragma_table_info('user') where cid = 0 => INTEGER"}
            << QStringList{"sync_setting.remote_state"};
        QTest::newRow("1.0.0 with last_event -> fails at its third statement, the first two undone")
            << "1.0.0" << "ALTER TABLE file_safe ADD COLUMN last_event TEXT" << "ALTER TABLE file_safe DROP COLUMN last_event"
            << QStringList{"1.0.0->1.0.1"} << "ALTER TABLE file_safe ADD COLUMN last_event TEXT;"
            << "duplicate column name: last_event" << QStringList{"select count(*) from sync_history => 2"}
            << QStringList{"file_safe.root_folder_id", "file_safe.role_type", "file_safe.expiry_date"};
    }
    void failedStepIsUndoneAndRetriedAtTheNextStart()
    {
        QFETCH(QString, version);
        QFETCH(QString, obstacle);
        QFETCH(QString, removal);
        QFETCH(QStringList, steps);
        QFETCH(QString, failedQuery);
        QFETCH(QString, reason);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, absent);
        const QString stoppedAt = steps.last().section("->", 0, 0);
        QCOMPARE(LegacyDatabase::write(path, version, {obstacle}), QString());
        {
            MessageCapture log;
            OndoDatabase db;
            QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
            db.init(path, kAppName);

            QVERIFY(db.isInitialised());
            QCOMPARE(db.version(), stoppedAt);
            QCOMPARE(query(path, "select db_version from db_info"), QStringList{stoppedAt});
            QCOMPARE(incompatible, (QList<QVariantList>{{stoppedAt, "1.0.2"}}));
            QCOMPARE(migrationSteps(log), steps);
            for (const QString &column : absent)
                QVERIFY2(!columnNames(path, column.section('.', 0, 0)).contains(column.section('.', 1)), qPrintable(column));
            for (const QString &check : kept)
                QCOMPARE(query(path, check.section(" => ", 0, 0)), QStringList{check.section(" => ", 1)});
            // The step stops at its first failure.
            QCOMPARE(log.startingWith("OndoDatabase::init: Query: ").last(), "OndoDatabase::init: Query: " + failedQuery);
            const QStringList errors = log.startingWith("OndoDatabase::init: Error: ");
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors.first().startsWith("OndoDatabase::init: Error: 1 [") && errors.first().contains(reason),
                     qPrintable(errors.first()));
            QCOMPARE(log.startingWith("OndoDatabase::init: DB migration errors: "),
                     QStringList{"OndoDatabase::init: DB migration errors: 1"});
        }
        QCOMPARE(query(path, removal), QStringList());
        OndoDatabase db;
        QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
        db.init(path, kAppName);
        QCOMPARE(incompatible.count(), 0);
        QCOMPARE(db.version(), QString("1.0.2"));
        for (const QString &table : kStoredSchema.keys())
            QCOMPARE(columnNames(path, table), currentColumns(table));
    }

    // Only its user may read the database, its write-ahead log and its
    // shared-memory file; a folder the database creates is private too, and
    // a start tightens what an earlier version left open. Commits must not
    // wait for a disk flush, and the file must stay a plain SQLite database
    // that other tools read while the client has it open.
    void filesArePrivateAndReadable_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("first start -> 0700 folders, 0600 files") << false;
        QTest::newRow("0755 folder and 0644 file of before -> tightened") << true;
    }
    void filesArePrivateAndReadable()
    {
        QFETCH(bool, existing);
        const QString folder = QFileInfo(path).absolutePath();
        if (existing) {
            QCOMPARE(LegacyDatabase::write(path, "1.0.2"), QString());
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755)));
            QVERIFY(QFile::setPermissions(path, QFile::Permissions(0x6644)));
        }
        auto mode = [](const QString &p) {
            struct stat st {};
            return ::stat(QFile::encodeName(p).constData(), &st) == 0 ? QString::number(st.st_mode & 0777, 8) : QString();
        };
        {
            OndoDatabase db;
            db.init(path, kAppName);
            QSqlQuery q(db.database());
            QVERIFY(q.exec("PRAGMA journal_mode") && q.next());
            QCOMPARE(q.value(0).toString(), QString("wal"));
            QVERIFY(q.exec("PRAGMA synchronous") && q.next());
            QCOMPARE(q.value(0).toInt(), 1); // NORMAL
            QVERIFY(q.exec("insert into user (server_id, account_name) values ('s', 'while-open')"));
            // Another program reads the file while the client has it open
            // (bootstrap installs the tool; a machine without it checks the rest).
            if (const QString sqlite3 = QStandardPaths::findExecutable("sqlite3"); !sqlite3.isEmpty()) {
                QProcess other;
                other.start(sqlite3, {path, "select account_name from user where account_name = 'while-open'"});
                QVERIFY(other.waitForFinished(10000));
                QCOMPARE(other.readAllStandardOutput().trimmed(), QByteArray("while-open"));
            }
            for (const QString &file : {path, path + "-wal", path + "-shm"}) {
                QVERIFY2(QFileInfo::exists(file), qPrintable(file));
                QCOMPARE(mode(file), QString("600"));
            }
            QCOMPARE(mode(folder), QString("700"));
            if (!existing) // every folder the database made on its way
                QCOMPARE(mode(QFileInfo(folder).absolutePath()), QString("700"));
        }
        QCOMPARE(query(path, "PRAGMA integrity_check"), QStringList{"ok"});
        QCOMPARE(query(path, "select db_version from db_info"), QStringList{"1.0.2"});
        QVERIFY(!QFile::exists(path + "-wal")); // folded back into the file on close
    }

    void emptyVersionTableIsIncompatible()
    {
        QCOMPARE(LegacyDatabase::write(path, "1.0.2", {"DELETE FROM db_info"}), QString());
        MessageCapture log;
        OndoDatabase db;
        QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
        db.init(path, kAppName);
        QCOMPARE(incompatible, (QList<QVariantList>{{"", "1.0.2"}}));
        QCOMPARE(migrationSteps(log), QStringList());
        QCOMPARE(query(path, "select count(*) from db_info"), QStringList{"0"}); // no row made up
        QVERIFY(!db.currentDbInfo());
        QVERIFY(db.allDbInfos().isEmpty());
    }

    void missingTableIsCreated_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("fs_object missing -> current columns") << "fs_object";
        QTest::newRow("sync_history_object missing -> table and index") << "sync_history_object";
        QTest::newRow("user missing -> typed current table") << "user";
        QTest::newRow("sync_setting missing -> with encryption") << "sync_setting";
    }
    void missingTableIsCreated()
    {
        QFETCH(QString, table);
        QCOMPARE(LegacyDatabase::write(path, "1.0.2", {"DROP TABLE " + table}), QString());
        const QString identity = query(path, "select * from db_info").join('\n');
        OndoDatabase db;
        QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
        db.init(path, kAppName);
        QCOMPARE(incompatible.count(), 0);
        QCOMPARE(storedSql(path, table), kStoredSchema.value(table));
        QCOMPARE(storedSql(path, "sync_history_object_timestamp"), kIndex);
        QCOMPARE(query(path, "select * from db_info").join('\n'), identity);
        QCOMPARE(query(path, "select count(*) from " + table), QStringList{"0"});
        QCOMPARE(query(path, "select count(*) from file_safe"), QStringList{"2"}); // others untouched
    }

    void unopenableFileIsReported_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("path is a folder -> unableToOpenDatabase") << "folder";
        QTest::newRow("parent is a file -> unableToOpenDatabase") << "file";
    }
    void unopenableFileIsReported()
    {
        QFETCH(QString, where);
        const QString blocker = dir->filePath("blocker");
        QVERIFY(where == "folder" ? QDir().mkpath(blocker) : QFile(blocker).open(QIODevice::WriteOnly));
        const QString target = where == "folder" ? blocker : blocker + "/db.db3";
        MessageCapture log;
        OndoDatabase db;
        QSignalSpy unable(&db, &OndoDatabase::unableToOpenDatabase);
        QSignalSpy incompatible(&db, &OndoDatabase::incompatibleDatabase);
        QSignalSpy failure(&db, &OndoDatabase::sqlQueryFailure);
        db.init(target, kAppName);
        QCOMPARE(unable.count(), 1);
        const QString error = unable.first().first().toString();
        QVERIFY(!error.isEmpty());
        QCOMPARE(incompatible.count() + failure.count(), 0);
        QVERIFY(!db.isInitialised());
        QCOMPARE(log.messages(QtWarningMsg),
                 QStringList{QString("OndoDatabase::init: Unable to open database: %1 error: %2")
                                 .arg(QDir::toNativeSeparators(target), error)});
    }

    void execFailureIsLoggedAndSignalledOnce_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("type");
        QTest::newRow("unknown column -> SQLite's reason, StatementError")
            << "select nope from db_info" << "no such column: nope" << "StatementError";
        QTest::newRow("unknown table with a parameter -> SQLite's reason, StatementError")
            << "delete from nowhere where id = ?" << "no such table: nowhere" << "StatementError";
        QTest::newRow("duplicate key -> constraint text, ConnectionError")
            << "insert into db_info (id, db_version) values (?, 'x')" << "UNIQUE constraint failed: db_info.id"
            << "ConnectionError";
    }
    void execFailureIsLoggedAndSignalledOnce()
    {
        QFETCH(QString, sql);
        QFETCH(QString, detail);
        QFETCH(QString, type);
        OndoDatabase db;
        db.init(path, kAppName);
        const qint64 existingId = db.currentDbInfo().value().id;

        MessageCapture log;
        QSignalSpy failure(&db, &OndoDatabase::sqlQueryFailure);
        QSqlQuery q(db.database());
        q.prepare(sql);
        if (sql.contains('?'))
            q.addBindValue(existingId);
        QVERIFY(!db.exec(q));

        QCOMPARE(failure.count(), 1);
        const QString msg = failure.first().first().toString();
        const QRegularExpression shape(QString("^DB error: (.*) \\(type: %1\\)\n query: \\(%2\\)$")
                                           .arg(type, QRegularExpression::escape(sql)),
                                       QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = shape.match(msg);
        QVERIFY2(m.hasMatch(), qPrintable(msg));
        QVERIFY2(m.captured(1).contains(detail), qPrintable(msg));
        QCOMPARE(log.messages(QtWarningMsg), QStringList{"OndoDatabase::exec: " + msg});
    }
};

QTEST_GUILESS_MAIN(TestOndoDatabase)
#include "tst_ondodatabase.moc"
