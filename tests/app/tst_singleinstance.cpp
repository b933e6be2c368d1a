#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <signal.h>

// Two real korvex-sync processes over one user session.
class TestSingleInstance : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    QString binary;

    QString logText() const
    {
        QFile f(env->appInfo()->logFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    bool waitForLog(const QString &needle, int count, int timeoutMs) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (logText().count(needle) >= count)
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    void startClient(QProcess &p) const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(e);
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

    void secondStartWakesTheFirst()
    {
        QProcess first;
        startClient(first);
        QVERIFY(first.waitForStarted());
        QVERIFY2(waitForLog("OndoApplication::initApp: finished", 1, 30000), qPrintable(logText()));

        QProcess second;
        QElapsedTimer elapsed;
        elapsed.start();
        startClient(second);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        qInfo("second instance ended after %lld ms", elapsed.elapsed());

        QVERIFY2(waitForLog("message from another instance: 'WakeUp'", 1, 10000), qPrintable(logText()));
        QVERIFY(waitForLog("MainWindow::raiseApplication: Activate main window.", 1, 5000));
        const QString log = logText();
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
        QVERIFY(!log.contains("## "));

        first.terminate();
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(logText().contains("INFO OndoApplication shutdown"));
    }

    void staleLockAndSocketAfterACrash()
    {
        QProcess crashed;
        startClient(crashed);
        QVERIFY(crashed.waitForStarted());
        const int before = logText().count("OndoApplication::initApp: finished");
        QVERIFY(waitForLog("OndoApplication::initApp: finished", before + 1, 30000));
        ::kill(pid_t(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(5000));

        // The lock and the socket are left behind; a new start must take over.
        QProcess next;
        startClient(next);
        QVERIFY(next.waitForStarted());
        QVERIFY2(waitForLog("OndoApplication::initApp: finished", before + 2, 30000), qPrintable(logText()));
        QVERIFY(logText().contains("isRunning:no"));

        QProcess third;
        startClient(third);
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(waitForLog("message from another instance: 'WakeUp'", 2, 10000));
        next.terminate();
        QVERIFY(next.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
