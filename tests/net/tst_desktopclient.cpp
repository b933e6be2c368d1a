#include "TestEnv.h"
#include "app/Settings.h"
#include "support/ServiceProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The desktop client as a process: its --ca-file option, and its start-up
// version check against the reference service on the LocalDev address
// (https://localhost:8443) with full verification through that CA.
class TestDesktopClient : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    QString client;
    QString serviceBinary;

    QString logText() const
    {
        QFile f(env->appInfo()->logFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool waitForLog(const QString &needle, int timeoutMs) const
    {
        return QTest::qWaitFor([&] { return logText().contains(needle); }, timeoutMs);
    }
    static void stop(QProcess &p)
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        client = qEnvironmentVariable("KORVEX_SYNC_BINARY");
        serviceBinary = qEnvironmentVariable("KORVEX_SERVICE_BINARY");
        QVERIFY2(QFileInfo(client).isExecutable(), qPrintable(client));
        QVERIFY2(QFileInfo(serviceBinary).isExecutable(), qPrintable(serviceBinary));
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
        QTest::newRow("not PEM -> refused") << QStringList{QStringLiteral("--ca-file=") + QFINDTESTDATA("tst_desktopclient.cpp")}
                                            << "holds no PEM certificate";
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
    void versionCheckAtStart()
    {
        QFETCH(QString, compatible);
        QFETCH(QString, latest);
        QFETCH(QString, verdict);
        QTemporaryDir data;
        QVERIFY(data.isValid());
        QProcess service;
        service.setProcessChannelMode(QProcess::MergedChannels);
        service.start(serviceBinary, {"--data", data.path(), "serve", "--port", "8443", "--version-compatible",
                                      compatible, "--version-latest", latest});
        QVERIFY(service.waitForStarted());
        QByteArray out;
        const bool ready = QTest::qWaitFor([&] {
            out += service.readAll();
            return out.contains("listening on") || service.state() == QProcess::NotRunning;
        }, 30000);
        if (!ready || !out.contains("listening on")) {
            stop(service);
            if (out.contains("in use") || out.contains("bind"))
                QSKIP("port 8443 (the LocalDev address) is taken on this machine");
            QFAIL(out.constData());
        }
        const int at = out.indexOf("korvex-service: CA certificate ");
        QVERIFY(at >= 0);
        const QString caPath = QString::fromLocal8Bit(out.mid(at + 31, out.indexOf('\n', at) - at - 31).trimmed());
        // Given as a relative name: the client keeps the absolute path.
        QTemporaryDir work;
        QVERIFY(QFile::copy(caPath, work.filePath(QStringLiteral("service-ca.pem"))));

        Settings::setValue(Settings::NetServer, QStringLiteral("LDEV"));
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(client, {"--ca-file", "service-ca.pem"});
        QVERIFY(p.waitForStarted());
        const bool answered = waitForLog(QStringLiteral("OndoApplication::on_getClientVersion: current: '1.1.0' latest: '%1' compatible: '%2'")
                                             .arg(latest, compatible),
                                         30000);
        QTest::qWait(200);
        stop(p);
        stop(service);
        QVERIFY2(answered, qPrintable(logText()));
        const QString log = logText();
        QVERIFY(log.contains(QStringLiteral("OndoSession: trusting 1 certificate(s) of CA file")));
        QVERIFY(!log.contains(QStringLiteral("failed to get remote version info")));
        if (verdict.isEmpty()) {
            QVERIFY(!log.contains(QStringLiteral("Version not supported")));
            QVERIFY(!log.contains(QStringLiteral("New Version available")));
        } else {
            QVERIFY2(log.contains(verdict), qPrintable(log));
        }
        env->settings()->sync();
        QCOMPARE(env->settings()->value(Settings::NetCaFile.name()).toString(),
                 work.filePath(QStringLiteral("service-ca.pem")));
    }

    // korvexcmd remembers a hand-entered server (another port than the
    // built-in addresses); the client must ask that one, not the Custom
    // entry's default.
    void rememberedCustomServerIsAsked()
    {
        ServiceProcess service;
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        Settings::setValue(Settings::NetServer, QStringLiteral("CUSTOM"));
        Settings::setValue(Settings::UiDbgDialogServerUrl, service.baseUrl());
        Settings::setValue(Settings::NetCaFile, service.caFile());
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(client, QStringList());
        QVERIFY(p.waitForStarted());
        const bool answered = waitForLog(QStringLiteral("OndoApplication::on_getClientVersion: current: '1.1.0'"), 30000);
        stop(p);
        QVERIFY2(answered, qPrintable(logText()));
        QVERIFY(logText().contains(QStringLiteral("ServerList::restoreCustomUrl: custom server '%1'").arg(service.baseUrl())));
        QVERIFY(!logText().contains(QStringLiteral("failed to get remote version info")));
    }
};

QTEST_GUILESS_MAIN(TestDesktopClient)
#include "tst_desktopclient.moc"
