// An encrypted sync setting end to end: korvexcmd makes it, `korvexcmd run`
// runs its drive (the real daemon over gocryptfs) and syncs a safe of the
// reference service into it.
#include "FuseCheck.h"
#include "TestEnv.h"
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
    QString m_enc = QDir::homePath() + QStringLiteral("/Enc");
    QString m_plain = QDir::homePath() + QStringLiteral("/Plain");

    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run korvexcmd(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVEX_PASSWORD"), QStringLiteral("alice-pw"));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("KORVEXCMD_BINARY"), args);
        p.closeWriteChannel();
        Run r;
        if (!p.waitForFinished(60000))
            p.kill();
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString upload(const QString &name, const QByteArray &content, const QString &target)
    {
        QFile file(m_files.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write %1").arg(file.fileName());
        file.write(content);
        file.close();
        const Run r = korvexcmd({QStringLiteral("put"), file.fileName(), target});
        return r.exitCode == 0 ? QString() : r.err;
    }
    QString cacheFile(const QString &name) const
    {
        return QFileInfo(m_env.appInfo()->logFilePath()).absolutePath() + QLatin1Char('/') + name;
    }
    // The process id in the daemon log's last start line.
    qint64 daemonPid(int settingId) const
    {
        const QString log = QString::fromUtf8(readFile(
            m_env.appInfo()->daemonLogPath(m_env.appInfo()->appNameInternal(), QString::number(settingId))));
        static const QRegularExpression start(QStringLiteral("\\] +(\\d+) INFO  DriveDaemon: starting"));
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
            QSKIP(qPrintable(QStringLiteral("needs FUSE: ") + problem));
        m_service = std::make_unique<ServiceProcess>();
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
        QVERIFY(m_service->addUser(QStringLiteral("alice"), QStringLiteral("alice-pw")).ok());
        QVERIFY(!m_service->addSafe(QStringLiteral("alice"), QStringLiteral("Docs")).isEmpty());
        QVERIFY(!m_service->addSafe(QStringLiteral("alice"), QStringLiteral("Plain")).isEmpty());
        const Run login = korvexcmd({QStringLiteral("login"), QStringLiteral("--user"), QStringLiteral("alice"),
                                     QStringLiteral("--remember"), QStringLiteral("--server"), m_service->baseUrl(),
                                     QStringLiteral("--ca-file"), m_service->caFile()});
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));
    }
    void cleanupTestCase()
    {
        FuseCheck::unmount(m_enc);
    }

    void anEncryptedFolderMustStartEmpty()
    {
        const QString folder = QDir::homePath() + QStringLiteral("/Full");
        QVERIFY(QDir().mkpath(folder));
        QFile(folder + QStringLiteral("/kept.txt")).open(QIODevice::WriteOnly);
        const Run r = korvexcmd({QStringLiteral("setting"), QStringLiteral("add"), QStringLiteral("Docs:/"), folder,
                                 QStringLiteral("--encrypted")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("must start empty")), qPrintable(r.err));
    }

    void anEncryptedSettingSyncsThroughItsDrive()
    {
        QCOMPARE(upload(QStringLiteral("letter.txt"), kLetter, QStringLiteral("Docs:/")), QString());
        QCOMPARE(upload(QStringLiteral("plain.txt"), "plain\n", QStringLiteral("Plain:/")), QString());
        const Run plain = korvexcmd({QStringLiteral("setting"), QStringLiteral("add"), QStringLiteral("Plain:/"), m_plain});
        QVERIFY2(plain.exitCode == 0, qPrintable(plain.err));
        const Run enc = korvexcmd({QStringLiteral("setting"), QStringLiteral("add"), QStringLiteral("Docs:/"), m_enc,
                                   QStringLiteral("--encrypted")});
        QVERIFY2(enc.exitCode == 0, qPrintable(enc.err));
        const int encId = enc.out.toInt();
        QVERIFY(encId > 0);

        QProcess run;
        run.start(qEnvironmentVariable("KORVEXCMD_BINARY"), {QStringLiteral("run")});
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
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_plain + QStringLiteral("/plain.txt")), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_enc + QStringLiteral("/letter.txt")), kLetter, 40000);
        QVERIFY(isMounted(m_enc));
        const QByteArray log = readFile(cacheFile(QStringLiteral("korvexcmd.log")));
        QVERIFY(log.contains(QStringLiteral("Sync of %1 skipped as the FS daemon is not running (2).").arg(encId).toUtf8()));
        const QByteArray stored = readFile(QDir::homePath() + QStringLiteral("/.Enc-encrypted/letter.txt"));
        QVERIFY(stored.size() > kLetter.size());
        QVERIFY(!stored.contains("KORVEX-PLAINTEXT-MARKER"));

        // The daemon dies; the client restarts it and the sync resumes.
        const qint64 pid = daemonPid(encId);
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        QCOMPARE(upload(QStringLiteral("second.txt"), "after the restart\n", QStringLiteral("Docs:/")), QString());
        QTRY_COMPARE_WITH_TIMEOUT(readFile(m_enc + QStringLiteral("/second.txt")), QByteArray("after the restart\n"), 60000);
        QVERIFY(daemonPid(encId) != pid);

        // Stopping run says "exit" to the drive: unmounted, only the storage holds the files.
        run.terminate();
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!isMounted(m_enc), 10000);
        QCOMPARE(QDir(m_enc).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(QFileInfo::exists(QDir::homePath() + QStringLiteral("/.Enc-encrypted/second.txt")));
    }
};

QTEST_MAIN(TestDriveSync)
#include "tst_drive_sync.moc"
