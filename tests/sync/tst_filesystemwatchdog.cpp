// The drive watchdog against real folders, with the test as its clock.
#include "DelayRecorder.h"
#include "MessageCapture.h"
#include "sync/FileSystemWatchdog.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestFileSystemWatchdog : public QObject
{
    Q_OBJECT

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private slots:
    // A folder that is its own storage writes through: every run passes and
    // the pause grows by 1.4 up to ten minutes.
    void aWorkingDriveBacksOff()
    {
        QTemporaryDir root;
        DelayRecorder clock;
        MessageCapture log;
        FileSystemWatchdog watchdog(root.path(), root.path(), nullptr, clock.schedule());
        QSignalSpy success(&watchdog, &FileSystemWatchdog::success);
        for (int run = 0; run < 20; ++run)
            QVERIFY(clock.fireNext());
        QCOMPARE(success.size(), 20);
        QCOMPARE(clock.delays(),
                 (QList<int>{10000, 2100, 2940, 4116, 5762, 8066, 11292, 15808, 22131, 30983, 43376, 60726, 85016,
                             119022, 166630, 233281, 326593, 457230, 600000, 600000, 600000}));
        QCOMPARE(log.containing(QStringLiteral("File system check of '%1' successful").arg(root.path())).size(), 1);
        QVERIFY(log.messages(QtCriticalMsg).isEmpty());
        QCOMPARE(entries(root.path()), QStringList()); // no test file left behind
    }

    // A "mount" whose writes never reach the storage passes every check but
    // the last; three failures in a row raise the alarm, and a success
    // afterwards starts the back-off again from 1.5 s.
    void aMountThatDoesNotWriteThrough()
    {
        QTemporaryDir root, storage;
        DelayRecorder clock;
        MessageCapture log;
        FileSystemWatchdog watchdog(root.path(), storage.path(), nullptr, clock.schedule());
        QSignalSpy error(&watchdog, &FileSystemWatchdog::error);
        QSignalSpy tooMany(&watchdog, &FileSystemWatchdog::tooManyErrors);
        for (int run = 0; run < 4; ++run)
            QVERIFY(clock.fireNext());
        QCOMPARE(log.messages(QtCriticalMsg),
                 QStringList(QVector<QString>(4, QStringLiteral("Stored file is not written through to the storage.")).toList()));
        QCOMPARE(error.size(), 4);
        QCOMPARE(error.last().first().toInt(), 4);
        QCOMPARE(tooMany.size(), 2); // at the third and the fourth
        QCOMPARE(clock.delays(), (QList<int>{10000, 1500, 1500, 1500, 1500}));
        QCOMPARE(entries(root.path()), QStringList());
        QCOMPARE(entries(storage.path()), QStringList());

        // The storage catches up (it is now the mount itself).
        FileSystemWatchdog healed(root.path(), root.path(), nullptr, clock.schedule());
        QVERIFY(clock.fireNext()); // the old watchdog's run: still failing
        QVERIFY(clock.fireNext()); // the healed one's first
        QCOMPARE(healed.successCount(), 1);
        QCOMPARE(healed.intervalMs(), 2100);
    }

    void aMissingRootFailsAtOnce()
    {
        QTemporaryDir parent;
        const QString root = parent.path() + QStringLiteral("/gone");
        DelayRecorder clock;
        MessageCapture log;
        FileSystemWatchdog watchdog(root, parent.path(), nullptr, clock.schedule());
        QSignalSpy tooMany(&watchdog, &FileSystemWatchdog::tooManyErrors);
        for (int run = 0; run < 3; ++run)
            QVERIFY(clock.fireNext());
        QCOMPARE(log.messages(QtCriticalMsg), QStringList(QVector<QString>(3, QStringLiteral("Root folder '%1' does not exist").arg(root)).toList()));
        QCOMPARE(tooMany.size(), 1);
        QCOMPARE(watchdog.successiveErrors(), 3);
    }

    void aDestroyedWatchdogRunsNoMore()
    {
        QTemporaryDir root;
        DelayRecorder clock;
        {
            FileSystemWatchdog watchdog(root.path(), root.path(), nullptr, clock.schedule());
        }
        QVERIFY(!clock.fireNext());
    }
};

QTEST_MAIN(TestFileSystemWatchdog)
#include "tst_filesystemwatchdog.moc"
