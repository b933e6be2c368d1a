#include "TestEnv.h"

#include <QDataStream>
#include <QFile>
#include <QRect>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/SingleInstance.h"

// Two real korvex-sync processes over one user session.
class TestSingleInstance : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    QString binary;

    // The client inherits the test's offscreen platform.
    void startClient(QProcess &p) const
    {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(binary, QStringList());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        binary = qEnvironmentVariable("KORVEX_SYNC_BINARY");
        QVERIFY2(QFileInfo(binary).isExecutable(), qPrintable(binary));
        env = std::make_unique<TestEnv>();
        env->settings()->setValue("app/log_level", "DBG");
        env->settings()->sync();
    }

    void secondStartWakesTheFirstEvenAfterACrash()
    {
        QProcess crashed;
        startClient(crashed);
        QVERIFY(crashed.waitForStarted());
        QVERIFY2(env->waitForLog("OndoApplication::initApp: finished", 1, 30000), qPrintable(env->logText()));
        ::kill(pid_t(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(5000));

        // The lock and the socket are left behind; a new start must take over.
        QProcess first;
        startClient(first);
        QVERIFY(first.waitForStarted());
        QVERIFY2(env->waitForLog("OndoApplication::initApp: finished", 2, 30000), qPrintable(env->logText()));
        QCOMPARE(env->logText().count("isRunning:no"), 2);

        QProcess second;
        startClient(second);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QVERIFY2(env->waitForLog("message from another instance: 'WakeUp'", 1, 10000), qPrintable(env->logText()));
        QVERIFY(env->waitForLog("MainWindow::raiseApplication: Activate main window.", 1, 5000));
        const QString log = env->logText();
        QVERIFY(log.contains("main: Application runs already"));
        QVERIFY(log.contains(QRegularExpression("handleIsRunning: Send wakeup message: ok \\(\\d+ms\\)")));
        QCOMPARE(first.state(), QProcess::Running);

        // Every line has the log's format, and each run begins with its banner.
        const QRegularExpression line(
            R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\] [ \d]{4}\d (DBG  |WARN  |ERROR |FATAL |INFO ).*)");
        const QStringList lines = log.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 10);
        for (const QString &l : lines)
            QVERIFY2(line.match(l).hasMatch(), qPrintable(l));
        QVERIFY2(lines.first().contains(" INFO main: Start: Korvex Sync 1.1.0 ("), qPrintable(lines.first()));
        QCOMPARE(log.count(" INFO main: Start: Korvex Sync 1.1.0 ("), 3);
        QVERIFY(!log.contains("## "));

        first.terminate();
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(env->logText().contains("INFO OndoApplication shutdown"));
    }

    // A window last left in full screen, started to the tray and quit
    // there, keeps its saved geometry instead of that of a window never shown.
    void fullScreenSurvivesAStartToTheTray()
    {
        // QWidget::saveGeometry's layout, version 3.0: frame, normal
        // geometry, screen, maximized, full screen, screen width, geometry.
        QByteArray saved;
        QDataStream out(&saved, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_0);
        out << quint32(0x1D9D0CB) << quint16(3) << quint16(0) << QRect(100, 80, 900, 640) << QRect(100, 80, 900, 640)
            << qint32(0) << quint8(0) << quint8(1) << qint32(800) << QRect(100, 80, 900, 640);
        const auto fullScreen = [](const QByteArray &geometry) { return geometry.size() > 45 && geometry.at(45) != 0; };
        QVERIFY(fullScreen(saved));
        env->settings()->setValue("ui/main_window_geometry", saved);
        env->settings()->setValue("app/start_minimized", true);
        env->settings()->sync();
        const int starts = env->logText().count("OndoApplication::initApp: finished");

        QProcess client;
        startClient(client);
        QVERIFY(client.waitForStarted());
        QVERIFY2(env->waitForLog("OndoApplication::initApp: finished", starts + 1, 30000), qPrintable(env->logText()));
        client.terminate(); // as a session that ends does: the client quits and writes its settings
        QVERIFY(client.waitForFinished(10000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        env->settings()->sync();
        QVERIFY(fullScreen(env->settings()->value("ui/main_window_geometry").toByteArray()));
        QVERIFY(env->logText().contains("MainWindow::MainWindow: loaded setting: Qt::WindowFullScreen"));
        env->settings()->remove("app/start_minimized");
        env->settings()->sync();
    }

    // Without XDG_RUNTIME_DIR the platform's fallback is a folder in the
    // temporary folder that anybody can make first; the lock then goes to a
    // folder of the user's own. Needs root to hand folders to another user.
    void runtimeFolderOfAnotherUser_data()
    {
        QTest::addColumn<bool>("ownTempTaken");
        QTest::newRow("runtime-<user> of another -> the client's own temporary folder") << false;
        QTest::newRow("that one of another too -> a folder in the cache") << true;
    }
    void runtimeFolderOfAnotherUser()
    {
        QFETCH(bool, ownTempTaken);
        QTemporaryDir tmp;
        const QByteArray savedTmp = qgetenv("TMPDIR");
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        qunsetenv("XDG_RUNTIME_DIR");
        auto restore = qScopeGuard([&] {
            qputenv("TMPDIR", savedTmp);
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
        });
        QStringList foreign{tmp.filePath(QStringLiteral("runtime-") + QString::fromLocal8Bit(getpwuid(geteuid())->pw_name))};
        if (ownTempTaken)
            foreign << tmp.filePath(QStringLiteral("korvex-%1").arg(geteuid()));
        for (const QString &f : foreign) {
            QVERIFY(QDir().mkpath(f));
            if (::chown(QFile::encodeName(f).constData(), 65534, 65534) != 0)
                QSKIP("needs root to give a folder to another user");
        }

        SingleInstance first(QStringLiteral("korvex-test"));
        QVERIFY(!first.failed());
        QVERIFY(!first.isRunning());
        const QString folder = QFileInfo(first.lockPath()).absolutePath();
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(st.st_uid, geteuid());
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QVERIFY2(!foreign.contains(folder) && folder != QStringLiteral("/"), qPrintable(folder));
        if (ownTempTaken)
            QVERIFY2(folder.startsWith(QDir::homePath()) || folder.startsWith(qEnvironmentVariable("XDG_CACHE_HOME")),
                     qPrintable(folder));
        SingleInstance second(QStringLiteral("korvex-test"));
        QVERIFY(second.isRunning()); // both looked in the same place
    }

    void lockErrorIsNotAnotherInstance()
    {
        QTemporaryDir tmp;
        QFile blocker(tmp.filePath(QStringLiteral("a-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        SingleInstance instance(QStringLiteral("korvex-test"), blocker.fileName() + QStringLiteral("/below"));
        QVERIFY(instance.failed());
        QVERIFY(!instance.isRunning());
        QVERIFY(!instance.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
