#include "TestEnv.h"
#include "TestFiles.h"
#include "sync/SyncPlanner.h"
#include "sync/SyncState.h"

#include <QtTest>

#include <algorithm>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// The decision table where no transfer is needed to see it: limits, times
// that cannot be compared, and the order of the list. (The rows that move
// files are played end to end against the service in tst_sync.)
class TestSyncPlanner : public QObject
{
    Q_OBJECT

    static ObjectState state(const QString &path, const QString &type, qint64 size, qint64 localMs, qint64 remoteMs,
                             const QString &id = QStringLiteral("7"))
    {
        ObjectState s;
        s.path = path;
        s.type = type;
        s.size = size;
        s.objectId = id;
        if (localMs > 0)
            s.localMtime = QDateTime::fromMSecsSinceEpoch(localMs, Qt::UTC);
        if (remoteMs > 0)
            s.remoteMtime = QDateTime::fromMSecsSinceEpoch(remoteMs, Qt::UTC);
        return s;
    }

    static SyncActions plan(const ObjectStates &local, const ObjectStates &last, const ObjectStates &remote)
    {
        SyncSetting setting;
        setting.localDir = QDir::homePath() + QLatin1Char('/');
        static const SyncPatterns silent =
            SyncPatterns::load(QString::fromLatin1(SyncPatterns::ExcludeSilently), "TestSyncPlanner");
        SyncPlanner planner(setting, silent);
        return planner.build(local, last, remote);
    }

    static ObjectStates one(const ObjectState &s)
    {
        return s.isPresent() ? ObjectStates{{s.path, s}} : ObjectStates{};
    }

private slots:
    void initTestCase() { QVERIFY(TestEnv::isolated()); }

    void oneFile_data()
    {
        QTest::addColumn<ObjectState>("lo");
        QTest::addColumn<ObjectState>("la");
        QTest::addColumn<ObjectState>("re");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        const ObjectState none;
        const QString f = QStringLiteral("f");
        const QString d = QStringLiteral("d");
        QTest::newRow("2 GiB remote file -> download")
            << none << none << state("a.bin", f, 2147483648LL, 0, 5) << int(SyncAction::DownloadFile)
            << int(SyncAction::STATUS_TODO) << "(F)";
        QTest::newRow("2 GiB + 1 remote file -> too big")
            << none << none << state("a.bin", f, 2147483649LL, 0, 5) << int(SyncAction::NoAction)
            << int(SyncAction::ERR_FILE_TOO_BIG) << "(S) excluded due to remote file size (2147483649)";
        QTest::newRow("2 GiB + 1 local file -> too big")
            << state("a.bin", f, 2147483649LL, 5, 0) << none << none << int(SyncAction::NoAction)
            << int(SyncAction::ERR_FILE_TOO_BIG) << "(S) excluded due to local file size (2147483649)";
        QTest::newRow("empty local file -> nothing, no warning")
            << state("e.txt", f, 0, 5, 0) << none << none << int(SyncAction::NoAction) << int(SyncAction::STATUS_OK)
            << "(S) excluded due to local file size (0)";
        QTest::newRow("file of 50 components -> upload")
            << state(QString("d/").repeated(49) + "f", f, 1, 5, 0) << none << none << int(SyncAction::UploadFile)
            << int(SyncAction::STATUS_TODO) << "(D)";
        QTest::newRow("file of 51 components -> too deep")
            << state(QString("d/").repeated(50) + "f", f, 1, 5, 0) << none << none << int(SyncAction::NoAction)
            << int(SyncAction::WARN_PATH_TOO_LONG) << "(S) excluded due to folder depth";
        QTest::newRow("folder of 50 components -> too deep")
            << state(QString("d/").repeated(49) + "d", d, 0, 5, 0) << none << none << int(SyncAction::NoAction)
            << int(SyncAction::WARN_PATH_TOO_LONG) << "(S) excluded due to folder depth";
        QTest::newRow("file here, folder there -> type mismatch")
            << state("x", f, 1, 5, 0) << none << state("x", d, 0, 0, 5) << int(SyncAction::NoAction)
            << int(SyncAction::ERR_OBJECT_TYPE_MISMATCH) << "(Ta) object type mismatch";
        QTest::newRow("no last local time -> Z1")
            << state("a", f, 2, 5, 0) << state("a", f, 1, 0, 5) << state("a", f, 1, 0, 5) << int(SyncAction::NoAction)
            << int(SyncAction::ERR_FILE_NO_LAST_LOCAL_MTIME) << "(Z1)";
        QTest::newRow("no remote time -> Z4")
            << state("a", f, 1, 5, 0) << state("a", f, 1, 5, 5) << state("a", f, 1, 0, 0) << int(SyncAction::NoAction)
            << int(SyncAction::ERR_FILE_NO_REMOTE_MTIME) << "(Z4)";
        QTest::newRow("unchanged -> nothing")
            << state("a", f, 1, 5, 0) << state("a", f, 1, 5, 9) << state("a", f, 1, 0, 9) << int(SyncAction::NoAction)
            << int(SyncAction::STATUS_OK) << "(N1)";
        QTest::newRow("new remote object id -> state only")
            << state("a", f, 1, 5, 0) << state("a", f, 1, 5, 9) << state("a", f, 1, 0, 9, "8")
            << int(SyncAction::UpdateSyncState) << int(SyncAction::STATUS_TODO) << "(Hf) file";
        QTest::newRow("local size changed, remote time backdated -> Z9")
            << state("a", f, 2, 5, 0) << state("a", f, 1, 5, 9) << state("a", f, 1, 0, 8) << int(SyncAction::NoAction)
            << int(SyncAction::ERR_FILE_ATTR_CONFLICT)
            << "(Z9) file attributes conflict: local size changed, local mtime unchanged, remote mtime backdated";
        QTest::newRow("remote size changed, local time updated -> B7")
            << state("a", f, 1, 6, 0) << state("a", f, 1, 5, 9) << state("a", f, 2, 0, 10)
            << int(SyncAction::BackupDownloadFile) << int(SyncAction::STATUS_TODO) << "(B7)";
        QTest::newRow("silent name anywhere in the path -> nothing")
            << state(".svn/entries", f, 1, 5, 0) << none << none << int(SyncAction::NoAction)
            << int(SyncAction::STATUS_OK) << "(X) skip (silent exclude)";
    }
    void oneFile()
    {
        QFETCH(ObjectState, lo);
        QFETCH(ObjectState, la);
        QFETCH(ObjectState, re);
        QFETCH(int, type);
        QFETCH(int, status);
        QFETCH(QString, reason);
        const SyncActions actions = plan(one(lo), one(la), one(re));
        // A path that needs nothing is not in the list at all.
        if (type == SyncAction::NoAction && status == SyncAction::STATUS_OK) {
            QCOMPARE(actions.size(), 0);
            return;
        }
        QCOMPARE(actions.size(), 1);
        const SyncAction &a = actions.first();
        QCOMPARE(SyncAction::typeName(a.type), SyncAction::typeName(type));
        QCOMPARE(SyncAction::statusName(a.status), SyncAction::statusName(status));
        QVERIFY2(a.reason.startsWith(reason), qPrintable(a.reason));
    }

    void order()
    {
        ObjectStates last, remote, local;
        // Folders a and a/b deleted locally, a file deleted remotely, a new
        // local file, new remote folders.
        for (const QString &p : {QStringLiteral("a"), QStringLiteral("a/b")}) {
            last.insert(p, state(p, "d", 0, 5, 5));
            remote.insert(p, state(p, "d", 0, 0, 5));
        }
        last.insert("gone.txt", state("gone.txt", "f", 1, 5, 5));
        local.insert("gone.txt", state("gone.txt", "f", 1, 5, 0));
        local.insert("b-new.txt", state("b-new.txt", "f", 1, 5, 0));
        remote.insert("z", state("z", "d", 0, 0, 5));
        remote.insert("z/y", state("z/y", "d", 0, 0, 5));
        QStringList got;
        for (const SyncAction &a : plan(local, last, remote))
            got << SyncAction::typeName(a.type) + QLatin1Char(' ') + a.path;
        QCOMPARE(got, QStringList({"CreateLocalDir z", "CreateLocalDir z/y", "DeleteLocalFile gone.txt",
                                   "DeleteRemoteDir a/b", "DeleteRemoteDir a", "UploadFile b-new.txt"}));
    }

    // A folder that cannot be read must be named, not left out: its
    // contents would look deleted and be deleted in the safe. Root reads
    // every folder, so the scan runs without that override here.
    void unreadableFolderIsNamed()
    {
        QTemporaryDir dir;
        QVERIFY(TestFiles::writeFile(dir.filePath("open/a.txt"), "a") && TestFiles::writeFile(dir.filePath("closed/b.txt"), "b"));
        QVERIFY(QFile::setPermissions(dir.filePath("closed"), QFile::Permissions()));
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct saved[2]{}, reduced[2]{};
        QCOMPARE(syscall(SYS_capget, &header, saved), 0L);
        std::copy(saved, saved + 2, reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        QCOMPARE(syscall(SYS_capset, &header, reduced), 0L);
        QStringList unreadable;
        const ObjectStates states = SyncState::scan(dir.path(), {}, &unreadable);
        syscall(SYS_capset, &header, saved);
        QVERIFY(QFile::setPermissions(dir.filePath("closed"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(unreadable, QStringList{"closed"});
        QCOMPARE(QStringList(states.keys()).filter(".txt"), QStringList{"open/a.txt"});
        QVERIFY(states.contains("closed"));
    }
};

QTEST_GUILESS_MAIN(TestSyncPlanner)
#include "tst_syncplanner.moc"
