// An encrypted sync setting end to end: korvexcmd makes it, `korvexcmd run`
// runs its drive (the real daemon over gocryptfs) and syncs a safe of the
// reference service into it.
#include "FuseCheck.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "cli/KorvexCmdRun.h"
#include "support/ServiceProcess.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

using FuseCheck::isMounted;
using FuseCheck::readFile;

namespace {
const QByteArray kLetter = "KORVEX-PLAINTEXT-MARKER: a letter that only the drive may show in clear\n";
}

class TestDriveSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceProcess> m_service;
    TestEnv m_env;
    QTemporaryDir m_files; // files to upload
    QString m_enc = QDir::homePath() + "/Enc";
    QString m_plain = QDir::homePath() + "/Plain";

    static CmdRun korvexcmd(const QStringList &args) { return runKorvexCmd(args, "alice-pw"); }
    // Writes the file and puts it into the safe: empty, or what went wrong.
    QString upload(const QString &name, const QByteArray &content, const QString &target)
    {
        if (!TestFiles::writeFile(m_files.filePath(name), content))
            return "cannot write " + name;
        const CmdRun r = korvexcmd({"put", m_files.filePath(name), target});
        return r.exitCode == 0 ? QString() : r.err;
    }
    // The process id in the daemon log's last start line.
    qint64 daemonPid(int settingId) const
    {
        const QString log = QString::fromUtf8(readFile(
            m_env.appInfo()->daemonLogPath(m_env.appInfo()->appNameInternal(), QString::number(settingId))));
        static const QRegularExpression start("\\] +(\\d+) INFO  DriveDaemon: starting");
        qint64 pid = -1;
        for (auto it = start.globalMatch(log); it.hasNext();)
            pid = it.next().captured(1).toLongLong();
        return pid;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        const QString problem = FuseCheck::problem();
        if (!problem.isEmpty())
            QSKIP(qPrintable("needs FUSE: " + problem));
        m_service = std::make_unique<ServiceProcess>();
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
        QVERIFY(m_service->addUser("alice", "alice-pw").ok());
        QVERIFY(!m_service->addSafe("alice", "Docs").isEmpty() && !m_service->addSafe("alice", "Plain").isEmpty());
        const CmdRun login = korvexcmd(
            {"login", "--user", "alice", "--remember", "--server", m_service->baseUrl(), "--ca-file", m_service->caFile()});
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));
    }
    void cleanupTestCase() { FuseCheck::unmount(m_enc); }

    void anEncryptedFolderMustStartEmpty()
    {
        const QString folder = QDir::homePath() + "/Full";
        QVERIFY(TestFiles::writeFile(folder + "/kept.txt", {}));
        const CmdRun r = korvexcmd({"setting", "add", "Docs:/", folder, "--encrypted"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("must start empty"), qPrintable(r.err));
    }

    void anEncryptedSettingSyncsThroughItsDrive()
    {
        QCOMPARE(upload("letter.txt", kLetter, "Docs:/"), QString());
        QCOMPARE(upload("plain.txt", "plain\n", "Plain:/"), QString());
        const CmdRun plain = korvexcmd({"setting", "add", "Plain:/", m_plain});
        QVERIFY2(plain.exitCode == 0, qPrintable(plain.err));
        const CmdRun enc = korvexcmd({"setting", "add", "Docs:/", m_enc, "--encrypted"});
        QVERIFY2(enc.exitCode == 0, qPrintable(enc.err));
        const int encId = enc.out.trimmed().toInt();
        QVERIFY(encId > 0);

        QProcess run;
        run.start(qEnvironmentVariable("KORVEXCMD_BINARY"), {"run"});
        QVERIFY(run.waitForStarted());
        auto stopRun = qScopeGuard([&] {
            if (run.state() != QProcess::NotRunning) {
                run.kill();
                run.waitForFinished(5000);
            }
            FuseCheck::unmount(m_enc);
        });

        // The first run comes before the drive is checked: the plain setting
        // syncs, the encrypted one is skipped; once the drive is up, it syncs.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_plain + "/plain.txt"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_enc + "/letter.txt"), kLetter, 40000);
        QVERIFY(isMounted(m_enc));
        const QByteArray log = readFile(QFileInfo(m_env.appInfo()->logFilePath()).absolutePath() + "/korvexcmd.log");
        QVERIFY(log.contains(QString("Sync of %1 skipped as the FS daemon is not running (2).").arg(encId).toUtf8()));
        const QByteArray stored = readFile(QDir::homePath() + "/.Enc-encrypted/letter.txt");
        QVERIFY(stored.size() > kLetter.size());
        QVERIFY(!stored.contains("KORVEX-PLAINTEXT-MARKER"));

        // The daemon dies; the client restarts it and the sync resumes.
        const qint64 pid = daemonPid(encId);
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QCOMPARE(upload("second.txt", "after the restart\n", "Docs:/"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_enc + "/second.txt"), QByteArray("after the restart\n"), 60000);
        QVERIFY(daemonPid(encId) != pid);

        // Stopping run says "exit" to the drive: unmounted, only the storage holds the files.
        run.terminate();
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!isMounted(m_enc), 10000);
        QCOMPARE(QDir(m_enc).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(QFileInfo::exists(QDir::homePath() + "/.Enc-encrypted/second.txt"));
    }
};

QTEST_MAIN(TestDriveSync)
#include "tst_drive_sync.moc"
