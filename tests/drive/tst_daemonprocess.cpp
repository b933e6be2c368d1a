// Supervision of drive daemons, with a small script standing in for the
// daemon executable (it exits with the code the test wrote into a file) and
// the test as the clock of the restart delays.
#include "DelayRecorder.h"
#include "MessageCapture.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "drive/DaemonProcess.h"
#include "drive/FileSystemDriverManager.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quarnet::daemon::api;
using namespace TestFiles;

class TestDaemonProcess : public QObject
{
    Q_OBJECT

    TestEnv m_env;
    QTemporaryDir m_bin;   // holds the stand-in "encrypted", first on PATH
    QTemporaryDir m_work;  // the code file, the environment dumps, the sync folders
    QByteArray m_path;
    DelayRecorder m_idleClock; // restarts nobody fires

    void setCode(const QByteArray &code) { QVERIFY(writeFile(m_work.filePath(QStringLiteral("code")), code + '\n')); }
    SyncSetting setting(int id, bool encrypted = true) const
    {
        SyncSetting s;
        s.id = id;
        s.localDir = m_work.filePath(QStringLiteral("Safe%1/").arg(id));
        s.encryption = encrypted;
        s.encryptionKey = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        return s;
    }
    // Waits for the daemon's next end; its status afterwards.
    static int nextEnd(DaemonProcess &daemon)
    {
        QSignalSpy changed(&daemon, &IDaemonProcess::daemonStatusChanged);
        if (!changed.wait(5000))
            return -1;
        return changed.first().at(1).toInt();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        const QString script = m_bin.filePath(QStringLiteral("encrypted"));
        QVERIFY(writeFile(script, "#!/bin/sh\n"
                   "env | grep -E '^KORVEX_(MOUNT|STORAGE|METHOD|KEY|LOG_FILE|LOG_LEVEL|VOLUME_ICON|BRAND)=' | sort > \"$STANDIN_DIR/env.${KORVEX_MOUNT##*/}\"\n"
                   "read code < \"$STANDIN_DIR/code\"\n"
                   "[ \"$code\" = sleep ] && exec sleep 60\n"
                   "exit \"$code\"\n"));
        QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner));
        m_path = qgetenv("PATH");
        qputenv("PATH", m_bin.path().toLocal8Bit() + ':' + m_path);
        qputenv("STANDIN_DIR", m_work.path().toLocal8Bit());
    }

    void restartDelaysFollowTheExitCode_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("211, 212 -> a day each") << QList<int>{211, 212} << QList<int>{86400000, 86400000};
        QTest::newRow("five 213 -> 1, 4, 16, 64, 256 s")
            << QList<int>{213, 213, 213, 213, 213} << QList<int>{1000, 4000, 16000, 64000, 256000};
        QTest::newRow("216 between -> the count starts again")
            << QList<int>{209, 214, 216, 215} << QList<int>{1000, 4000, 2000, 1000};
        QTest::newRow("0, 217, 99 -> 2 s") << QList<int>{0, 217, 99} << QList<int>{2000, 2000, 2000};
    }
    void restartDelaysFollowTheExitCode()
    {
        QFETCH(QList<int>, codes);
        QFETCH(QList<int>, delays);
        DelayRecorder clock;
        DaemonProcess daemon(m_env.appInfo(), setting(1), nullptr, clock.schedule());
        QList<int> statuses;
        for (int i = 0; i < codes.size(); ++i) {
            setCode(QByteArray::number(codes[i]));
            if (i == 0)
                daemon.start();
            else
                QVERIFY(clock.fireNext());
            statuses << nextEnd(daemon);
        }
        QCOMPARE(clock.delays(), delays);
        QList<int> expected;
        for (int code : codes)
            expected << (code == 0 || (code >= 209 && code <= 218) ? code : int(UnknownExitCode));
        QCOMPARE(statuses, expected);
        daemon.stop();
    }

    void aStopByTheClientDoesNotRestart()
    {
        setCode("sleep");
        DelayRecorder clock;
        MessageCapture log;
        DaemonProcess daemon(m_env.appInfo(), setting(2), nullptr, clock.schedule());
        daemon.start();
        QTRY_VERIFY(daemon.processId() > 0);
        daemon.stop();
        QVERIFY(!daemon.isRunning());
        QTRY_COMPARE(log.containing(QStringLiteral("FS daemon crashed")).size(), 2); // the SIGTERM
        QCOMPARE(daemon.status(), Crashed);
        QCOMPARE(clock.pending(), 0);
        QVERIFY(log.containing(QStringLiteral("Restarting FS daemon")).isEmpty());
    }

    void theEnvironmentNamesTheDrive()
    {
        setCode("0");
        DaemonProcess daemon(m_env.appInfo(), setting(3), nullptr, m_idleClock.schedule());
        QVERIFY(QFileInfo(m_work.filePath(QStringLiteral(".Safe3-encrypted"))).isDir());
        daemon.setLogLevel(1);
        daemon.start();
        QCOMPARE(nextEnd(daemon), int(Exited));
        const QStringList lines = QString::fromUtf8(readFile(m_work.filePath(QStringLiteral("env.Safe3"))))
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{
            QStringLiteral("KORVEX_BRAND=%1").arg(m_env.appInfo()->appName()),
            QStringLiteral("KORVEX_KEY=000102030405060708090a0b0c0d0e0f"),
            QStringLiteral("KORVEX_LOG_FILE=%1").arg(m_env.appInfo()->daemonLogPath(m_env.appInfo()->appNameInternal(), QStringLiteral("3"))),
            QStringLiteral("KORVEX_LOG_LEVEL=WARN"),
            QStringLiteral("KORVEX_METHOD=aes128"),
            QStringLiteral("KORVEX_MOUNT=%1").arg(m_work.filePath(QStringLiteral("Safe3"))),
            QStringLiteral("KORVEX_STORAGE=%1").arg(m_work.filePath(QStringLiteral(".Safe3-encrypted"))),
            QStringLiteral("KORVEX_VOLUME_ICON=%1/folder_icon_win.ico").arg(QCoreApplication::applicationDirPath()),
        }));
    }

    void aMissingExecutableGives193()
    {
        qputenv("PATH", m_path);
        DaemonProcess daemon(m_env.appInfo(), setting(4), nullptr, m_idleClock.schedule());
        MessageCapture log;
        daemon.start();
        qputenv("PATH", m_bin.path().toLocal8Bit() + ':' + m_path);
        QCOMPARE(daemon.status(), ExecutableNotFound);
        QVERIFY(!daemon.isRunning());
        QCOMPARE(log.containing(QStringLiteral("Could not find executable: /encrypted")).size(), 1);
    }

    // The manager: only encrypted settings get a daemon; they run while
    // online or with decrypt-when-offline.
    void theManagerRunsDrivesByTheRunRule()
    {
        setCode("sleep");
        const SyncSettings settings{setting(5), setting(6, false)};
        FileSystemDriverManager manager([&] { return settings; },
                                        [this](const SyncSetting &s, QObject *parent) {
                                            return new DaemonProcess(m_env.appInfo(), s, parent,
                                                                     m_idleClock.schedule());
                                        },
                                        false);
        MessageCapture log;
        manager.start();
        QCOMPARE(manager.daemons().size(), 1);
        QCOMPARE(int(manager.daemonStatus(settings[1])), int(NoDaemon));
        QCOMPARE(int(manager.daemonStatus(settings[0])), int(NotChecked));
        QVERIFY(!manager.daemons().first()->isRunning());
        QCOMPARE(log.containing(QStringLiteral("Encryption is not running as client is offline.")).size(), 1);

        manager.setOnline(true);
        QVERIFY(manager.daemons().first()->isRunning());
        manager.setOnline(false);
        QVERIFY(!manager.daemons().first()->isRunning());
        manager.setDecryptWhenOffline(true);
        QVERIFY(manager.daemons().first()->isRunning());

        manager.addSetting(settings[0]); // announced twice: still one drive
        QCOMPARE(manager.daemons().size(), 1);
        manager.removeSettingById(5);
        QCOMPARE(manager.daemons().size(), 0);
        QCOMPARE(int(manager.daemonStatus(settings[0])), int(NoDaemon));
    }
};

QTEST_MAIN(TestDaemonProcess)
#include "tst_daemonprocess.moc"
