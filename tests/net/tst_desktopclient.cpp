#include "TestEnv.h"
#include "app/Settings.h"
#include "support/ServiceProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The desktop client as a process: its --ca-file option, and its start-up
// version check against the reference service with full verification
// through that CA.
class TestDesktopClient : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    QString client;

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        client = qEnvironmentVariable("KORVEX_SYNC_BINARY");
        QVERIFY2(QFileInfo(client).isExecutable(), qPrintable(client));
        QVERIFY2(QFileInfo(ServiceProcess::binary()).isExecutable(), "KORVEX_SERVICE_BINARY");
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
        env->settings()->sync();
        QFile::remove(env->appInfo()->logFilePath());
    }
    void cleanup() { env.reset(); }

    void badCaFileIsRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file -> refused") << QStringList{"--ca-file", "/nonexistent/ca.pem"}
                                                 << "does not exist";
        QTest::newRow("no value -> refused") << QStringList{"--ca-file"} << "needs a file name";
    }
    void badCaFileIsRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess p;
        p.start(client, arguments);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("--ca-file: ")) && err.contains(message), qPrintable(err));
        env->settings()->sync();
        QVERIFY(!env->settings()->contains(Settings::NetCaFile.name()));
    }

    void versionCheckAtStart_data()
    {
        QTest::addColumn<QString>("compatible");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("service accepts 1.1.0 as latest -> up to date") << "1.0.0" << "1.1.0" << QString();
        QTest::newRow("compatible 1.2 -> version not supported") << "1.2" << "1.3"
                                                                 << "OndoApplication::on_getClientVersion: Version not supported";
        QTest::newRow("latest 1.1.10 -> new version") << "1.0.0" << "1.1.10"
                                                      << "OndoApplication::on_getClientVersion: New Version available";
    }
    // The service runs on a free port; the client asks it because korvexcmd
    // remembered it as a hand-entered server (not the Custom entry's default).
    void versionCheckAtStart()
    {
        QFETCH(QString, compatible);
        QFETCH(QString, latest);
        QFETCH(QString, verdict);
        ServiceProcess::Options options;
        options.extraArgs = QStringList{"--version-compatible", compatible, "--version-latest", latest};
        ServiceProcess service(options);
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        // Given as a relative name: the client keeps the absolute path.
        QTemporaryDir work;
        QVERIFY(QFile::copy(service.caFile(), work.filePath(QStringLiteral("service-ca.pem"))));

        Settings::setValue(Settings::NetServer, QStringLiteral("CUSTOM"));
        Settings::setValue(Settings::UiDbgDialogServerUrl, service.baseUrl());
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(client, {"--ca-file", "service-ca.pem"});
        QVERIFY(p.waitForStarted());
        const bool answered = env->waitForLog(
            QStringLiteral("OndoApplication::on_getClientVersion: current: '1.1.0' latest: '%1' compatible: '%2'")
                .arg(latest, compatible));
        QTest::qWait(200);
        p.terminate();
        if (!p.waitForFinished(10000))
            p.kill();
        const QString log = env->logText();
        QVERIFY2(answered, qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("ServerList::restoreCustomUrl: custom server '%1'").arg(service.baseUrl())));
        QVERIFY(log.contains(QStringLiteral("OndoSession: trusting 1 certificate(s) of CA file")));
        QVERIFY(!log.contains(QStringLiteral("failed to get remote version info")));
        if (verdict.isEmpty())
            QVERIFY(!log.contains(QStringLiteral("Version not supported")) && !log.contains(QStringLiteral("New Version available")));
        else
            QVERIFY2(log.contains(verdict), qPrintable(log));
        // What is trusted is a private copy, not the file given.
        env->settings()->sync();
        const QString trusted = env->settings()->value(Settings::NetCaFile.name()).toString();
        QCOMPARE(QFileInfo(trusted).absolutePath(), AppInfo::userConfigDir());
        QCOMPARE(QFile(trusted).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestDesktopClient)
#include "tst_desktopclient.moc"
