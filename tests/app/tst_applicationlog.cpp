#include "TestEnv.h"
#include "TestFiles.h"
#include "app/ApplicationLog.h"
#include "app/Settings.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

namespace {
QStringList readLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const QRegularExpression kLine(QStringLiteral(
    R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\] [ \d]{4}\d (DBG  |WARN  |ERROR |FATAL |INFO )\S.*$)"));
} // namespace

class TestApplicationLog : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;

private slots:
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
        QFile::remove(env->appInfo()->logFilePath());
        QFile::remove(env->appInfo()->logFilePath() + ".1");
    }
    void cleanup() { env.reset(); }

    void filter_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("written");
        const int dbg = QtDebugMsg, crit = QtCriticalMsg, info = QtInfoMsg;
        QTest::newRow("WARN: debug -> dropped") << int(ApplicationLog::WARN) << dbg << "x" << false;
        QTest::newRow("WARN: info -> written") << int(ApplicationLog::WARN) << info << "x" << true;
        QTest::newRow("ERROR: critical -> written") << int(ApplicationLog::ERROR) << crit << "x" << true;
        QTest::newRow("FATAL: debug -> written") << int(ApplicationLog::FATAL) << dbg << "x" << true;
        QTest::newRow("INFO: critical -> dropped") << int(ApplicationLog::INFO) << crit << "x" << false;
        QTest::newRow("INFO: debug banner -> written") << int(ApplicationLog::INFO) << dbg << "## x" << true;
        QTest::newRow("WARN: single hash -> dropped") << int(ApplicationLog::WARN) << dbg << "# x" << false;
    }
    void filter()
    {
        QFETCH(int, level);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(bool, written);
        QCOMPARE(ApplicationLog::passes(QtMsgType(type), text, level), written);

        // And through the handler into the file.
        ApplicationLog log(env->appInfo());
        log.setLogLevel(ApplicationLog::LogLevel(level));
        QMessageLogContext ctx("src/x.cpp", 1, "f", "default");
        log.handleMessage(QtMsgType(type), ctx, text);
        QCOMPARE(readLines(log.filePath()).size(), written ? 1 : 0);
    }

    void format_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        const QString head = "[2024-03-05T07:08:09.010]    42 ";
        QTest::newRow("debug") << int(QtDebugMsg) << head + "DBG  hello";
        QTest::newRow("info") << int(QtInfoMsg) << head + "INFO hello";
        QTest::newRow("warning") << int(QtWarningMsg) << head + "WARN  hello [x:12] [f]";
        QTest::newRow("critical") << int(QtCriticalMsg) << head + "ERROR hello [x:12] [f]";
        QTest::newRow("fatal") << int(QtFatalMsg) << head + "FATAL hello [x:12] [f]";
    }
    void format()
    {
        QFETCH(int, type);
        QFETCH(QString, expected);
        const QDateTime at(QDate(2024, 3, 5), QTime(7, 8, 9, 10));
        QMessageLogContext ctx("src/x", 12, "f", "default");
        QCOMPARE(ApplicationLog::formatLine(QtMsgType(type), ctx, "hello", at, 42), expected);
    }

    void levelFromSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("level");
        QTest::newRow("DBG -> DBG") << "DBG" << int(ApplicationLog::DBG);
        QTest::newRow("unknown -> WARN") << "VERBOSE" << int(ApplicationLog::WARN);
    }
    void levelFromSettings()
    {
        QFETCH(QString, stored);
        QFETCH(int, level);
        env->settings()->setValue("app/log_level", stored);
        ApplicationLog log(env->appInfo());
        QCOMPARE(int(log.logLevel()), level);
        // The level is written back by its name.
        QCOMPARE(env->settings()->value("app/log_level").toString(),
                 QString::fromLatin1(QMetaEnum::fromType<ApplicationLog::LogLevel>().valueToKey(level)));
        // A level out of range set later is WARN too, and announced.
        QSignalSpy spy(&log, &ApplicationLog::logLevelChanged);
        log.setLogLevel(ApplicationLog::LogLevel(9));
        QCOMPARE(log.logLevel(), ApplicationLog::WARN);
        QCOMPARE(spy.count(), 1);
    }

    // The installed handler: the traffic category follows its switch; a
    // banner passes any level and loses its hashes, blanks and line end.
    void netTrafficCategory_bannerLosesItsHashes()
    {
        env->settings()->setValue("net/log_net_traffic", true);
        ApplicationLog log(env->appInfo());
        log.setLogLevel(ApplicationLog::ERROR);
        log.install();
        QLoggingCategory cat("net.traffic");
        QVERIFY(log.netTraffic());
        qCDebug(cat, "## GET /dump-on");
        log.setNetTraffic(false);
        qCDebug(cat, "## GET /dump-off");
        qDebug("##\tOndoApplication shutdown\n");
        log.uninstall();
        const QStringList lines = readLines(log.filePath());
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).endsWith(" DBG  GET /dump-on"), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).endsWith(" DBG  OndoApplication shutdown"), qPrintable(lines.at(1)));
        QVERIFY(kLine.match(lines.at(1)).hasMatch());
    }

    void rotationPastFiveMiB()
    {
        const QString path = env->appInfo()->logFilePath();
        QVERIFY(TestFiles::writeFile(path + ".1", "stale generation\n"));
        ApplicationLog log(env->appInfo());
        log.setLogLevel(ApplicationLog::DBG);
        QMessageLogContext ctx;
        const QString filler(1000, QLatin1Char('a'));
        int written = 0;
        // Fill the file past 5 MiB; the size is checked on every 100th message.
        while (QFileInfo(path).size() <= ApplicationLog::kRotateSize) {
            log.handleMessage(QtDebugMsg, ctx, QStringLiteral("first %1 %2").arg(written++).arg(filler));
            QVERIFY(written < 10000);
        }
        for (int i = 0; i < 100 && QFileInfo(path).size() > ApplicationLog::kRotateSize; ++i)
            log.handleMessage(QtDebugMsg, ctx, QStringLiteral("second %1").arg(i));

        QVERIFY2(QFileInfo(path).size() < 200 * 1024, "a fresh file started");
        const QStringList old = readLines(path + ".1");
        QVERIFY(old.size() >= written);
        QVERIFY(old.first().contains("first 0 ")); // not the stale generation
        QVERIFY(readLines(path).value(0).contains(" DBG  second "));
    }

    void concurrentLinesNeverInterleave()
    {
        ApplicationLog log(env->appInfo());
        log.setLogLevel(ApplicationLog::DBG);
        log.install();
        const int threads = 4, perThread = 3000;
        QList<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers << QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    qDebug("worker %d message %d %s", t, i, "payload-payload-payload-payload");
            });
            workers.last()->start();
        }
        for (QThread *w : workers) {
            QVERIFY(w->wait(60000));
            delete w;
        }
        log.uninstall();
        const QStringList lines = readLines(log.filePath());
        QCOMPARE(lines.size(), threads * perThread);
        QVector<int> next(threads, 0);
        const QRegularExpression body(QStringLiteral(" DBG  worker (\\d) message (\\d+) payload-payload-payload-payload$"));
        for (const QString &line : lines) {
            QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
            const auto m = body.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const int t = m.captured(1).toInt();
            QCOMPARE(m.captured(2).toInt(), next[t]++); // each thread's lines in order
        }
    }

    void unopenableFileGoesToStderr()
    {
        // A folder where the file should be: the message is lost, nothing crashes.
        QDir().mkpath(env->appInfo()->logFilePath());
        ApplicationLog log(env->appInfo());
        QMessageLogContext ctx;
        log.handleMessage(QtWarningMsg, ctx, "lost");
        QVERIFY(QFileInfo(env->appInfo()->logFilePath()).isDir());
        QDir(env->appInfo()->logFilePath()).removeRecursively();
        log.handleMessage(QtWarningMsg, ctx, "kept");
        QCOMPARE(readLines(env->appInfo()->logFilePath()).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestApplicationLog)
#include "tst_applicationlog.moc"
