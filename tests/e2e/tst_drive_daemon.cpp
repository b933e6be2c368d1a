// The real drive daemon over gocryptfs and FUSE, supervised as the client
// does it: manager, daemon processes, watchdog and the local socket.
#include "FuseCheck.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "drive/ClientConnection.h"
#include "drive/DaemonProcess.h"
#include "drive/FileSystemDriverManager.h"
#include "drive/LocalServer.h"
#include "sync/Crypto.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

using namespace quarnet::daemon::api;

namespace {
const QByteArray kPlain = "KORVEX-PLAINTEXT-MARKER: the quick brown fox, not for the storage folder\n";

const QString daemonBinary = QStringLiteral(KORVEX_BINARY_DIR "/daemon_exe/encrypted");
} // namespace
using FuseCheck::isMounted;
using FuseCheck::readFile;

class TestDriveDaemon : public QObject
{
    Q_OBJECT

    TestEnv m_env;
    QTemporaryDir m_work;
    LocalServer m_server;

    SyncSetting setting(int id, const QByteArray &key) const
    {
        SyncSetting s;
        s.id = id;
        s.localDir = m_work.filePath(QStringLiteral("Safe%1/").arg(id));
        s.encryption = true;
        s.encryptionKey = key;
        return s;
    }
    // A manager whose daemons are real DaemonProcess children.
    std::unique_ptr<FileSystemDriverManager> newManager(bool online)
    {
        auto m = std::make_unique<FileSystemDriverManager>(
            [] { return SyncSettings(); },
            [this](const SyncSetting &s, QObject *parent) { return new DaemonProcess(m_env.appInfo(), s, parent); }, online);
        connect(&m_server, &LocalServer::newClient, m.get(), &FileSystemDriverManager::observeClient);
        return m;
    }
    QString mountOf(int id) const { return m_work.filePath(QStringLiteral("Safe%1").arg(id)); }
    QString storageOf(int id) const { return m_work.filePath(QStringLiteral(".Safe%1-encrypted").arg(id)); }
    QString logOf(int id) const { return m_env.appInfo()->daemonLogPath(m_env.appInfo()->appNameInternal(), QString::number(id)); }
    QProcessEnvironment daemonEnvironment(const QString &mount, const QString &key) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVEX_MOUNT"), mount);
        env.insert(QStringLiteral("KORVEX_STORAGE"), mount + QStringLiteral("-storage"));
        env.insert(QStringLiteral("KORVEX_KEY"), key);
        env.insert(QStringLiteral("KORVEX_LOG_FILE"), mount + QStringLiteral(".log"));
        return env;
    }
    // Waits (serving the socket meanwhile) until the daemon ended; its exit code.
    static int exitCodeOf(QProcess &daemon)
    {
        const bool ended = QTest::qWaitFor([&] { return daemon.state() == QProcess::NotRunning; }, 30000);
        return ended && daemon.exitStatus() == QProcess::NormalExit ? daemon.exitCode() : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        qRegisterMetaType<ClientConnection *>();
        const QString problem = FuseCheck::problem();
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("needs FUSE: ") + problem));
        QVERIFY(QFileInfo(daemonBinary).isExecutable());
        qputenv("PATH", QFileInfo(daemonBinary).absolutePath().toLocal8Bit() + ':' + qgetenv("PATH"));
        m_server.listen(QStringLiteral("korx"));
    }
    void cleanup()
    {
        for (const QString &name : QDir(m_work.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            FuseCheck::unmount(m_work.filePath(name));
    }

    // Mount, files encrypted in the storage, the watchdog's verdict, a
    // killed daemon coming back, and "exit" over the pipe unmounting.
    void aDriveRunsRestartsAndStops()
    {
        const QByteArray key = randomBytes(16);
        const auto manager = newManager(false);
        manager->setOnline(true);
        const SyncSetting drive = setting(1, key);
        manager->addSetting(drive);
        QTRY_COMPARE_WITH_TIMEOUT(int(manager->daemonStatus(drive)), int(Running), 30000);
        QVERIFY(isMounted(mountOf(1)));

        QVERIFY(TestFiles::writeFile(mountOf(1) + "/Docs/letter.txt", kPlain.repeated(100)));
        QCOMPARE(readFile(mountOf(1) + QStringLiteral("/Docs/letter.txt")), kPlain.repeated(100));
        const QByteArray stored = readFile(storageOf(1) + QStringLiteral("/Docs/letter.txt"));
        QVERIFY(stored.size() >= kPlain.size() * 100);
        QVERIFY(!stored.contains("KORVEX-PLAINTEXT-MARKER"));
        QVERIFY(!stored.contains("quick brown fox"));

        // The level reaches the registered daemon over the pipe.
        manager->setLogLevel(ApplicationLog::DBG);
        QTRY_VERIFY(readFile(logOf(1)).contains("DriveDaemon: log level DEBUG"));

        // Killed hard: gocryptfs follows it, the client restarts it.
        IDaemonProcess *daemon = manager->daemons().first();
        const qint64 firstPid = daemon->processId();
        QVERIFY(firstPid > 0);
        ::kill(pid_t(firstPid), SIGKILL);
        QTRY_COMPARE(int(daemon->status()), int(Crashed));
        QTRY_COMPARE_WITH_TIMEOUT(int(daemon->status()), int(Running), 30000);
        QVERIFY(daemon->processId() != firstPid);
        QCOMPARE(readFile(mountOf(1) + QStringLiteral("/Docs/letter.txt")), kPlain.repeated(100));

        // Offline and at once online again: the new mount is news once a
        // watchdog run has seen it (the desktop syncs the drive on that).
        QSignalSpy statuses(manager.get(), &IFileSystemDriverManager::daemonStatusChanged);
        manager->setOnline(false);
        manager->setOnline(true);
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(statuses.cbegin(), statuses.cend(),
                                             [](const QVariantList &s) { return s.at(1).toInt() == int(Running); }),
                                 30000);
        QCOMPARE(readFile(mountOf(1) + QStringLiteral("/Docs/letter.txt")), kPlain.repeated(100));

        // Removing the setting says "exit" over the pipe: unmounted, exit 0.
        const QPointer<QObject> guard(daemon);
        const qint64 pid = daemon->processId();
        manager->removeSettingById(1);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 10000);
        QTRY_VERIFY(!isMounted(mountOf(1)));
        QCOMPARE(QDir(mountOf(1)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(readFile(logOf(1)).contains("DriveDaemon: exiting: the client asked to exit"));
        QVERIFY(readFile(logOf(1)).contains(QStringLiteral("GocryptfsMount: %1 unmounted").arg(mountOf(1)).toUtf8()));
        QVERIFY(!readFile(logOf(1)).contains(key.toHex()));

        // Another key does not open that storage.
        const auto other = newManager(true);
        other->addSetting(setting(1, randomBytes(16)));
        QTRY_COMPARE_WITH_TIMEOUT(int(other->daemonStatus(drive)), 211, 20000);
        QVERIFY(!isMounted(mountOf(1)));
    }

    void theDaemonRefusesWhatItCannotServe_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("fileInMount");
        QTest::addColumn<int>("code");
        QTest::newRow("no key -> 212") << QString() << false << 212;
        QTest::newRow("short key -> 212") << QStringLiteral("00ff") << false << 212;
        QTest::newRow("files in the mount folder -> 209")
            << QStringLiteral("000102030405060708090a0b0c0d0e0f") << true << 209;
    }
    void theDaemonRefusesWhatItCannotServe()
    {
        QFETCH(QString, key);
        QFETCH(bool, fileInMount);
        QFETCH(int, code);
        const QString mount = m_work.filePath(QStringLiteral("Refused"));
        QDir(mount).removeRecursively();
        QVERIFY(QDir().mkpath(mount));
        if (fileInMount)
            QVERIFY(TestFiles::writeFile(mount + "/kept.txt", {}));
        QProcess daemon;
        daemon.setProcessEnvironment(daemonEnvironment(mount, key));
        daemon.start(daemonBinary, QStringList());
        QCOMPARE(exitCodeOf(daemon), code);
        QVERIFY(!isMounted(mount));
        QCOMPARE(QFileInfo::exists(mount + QStringLiteral("/kept.txt")), fileInMount);
    }

    // The client goes away (its end of the socket closes): unmount, exit 0.
    void theClientsLossUnmounts()
    {
        const QString mount = m_work.filePath(QStringLiteral("Orphan"));
        QSignalSpy accepted(&m_server, &LocalServer::newClient);
        QProcess daemon;
        daemon.setProcessEnvironment(daemonEnvironment(mount, QString::fromLatin1(randomBytes(16).toHex())));
        daemon.start(daemonBinary, QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(accepted.size(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(isMounted(mount), 10000);
        delete accepted.first().first().value<ClientConnection *>();
        QCOMPARE(exitCodeOf(daemon), 0);
        QVERIFY(!isMounted(mount));
        QVERIFY(readFile(mount + QStringLiteral(".log")).contains("DriveDaemon: exiting: the client went away"));
    }
};

QTEST_MAIN(TestDriveDaemon)
#include "tst_drive_daemon.moc"
