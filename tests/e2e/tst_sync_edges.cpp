#include "SyncScenario.h"
#include "TestEnv.h"

#include <QLockFile>
#include <QtTest>

using SyncScenario::expectAll;

// The edges of two-way sync: access, limits, the last-event shortcut, the
// mass-deletion question, quota, a lost session, broken transfers, a file
// changed while it downloads, and a server that names paths outside the
// folder.
class TestSyncEdges : public QObject
{
    Q_OBJECT

    std::unique_ptr<SyncHarness> h;
    SyncHarness::Run run; // the last sync

    void fresh(const SyncHarness::Options &options = {})
    {
        h = std::make_unique<SyncHarness>(options);
        run = {};
        QCOMPARE(SyncScenario::start(*h), QString());
    }
    // The steps of SyncScenario.h; empty, or what went wrong.
    QString play(const QStringList &steps) { return SyncScenario::play(*h, steps, &run); }

    // A sync started while downloads stall, until the service logs that one of them is held.
    std::unique_ptr<QProcess> syncHeldAtADownload()
    {
        if (!h->service().stall("/api/sync/1/files/file/", 60000, "GET"))
            return nullptr;
        auto process = h->client().start({"sync", "--non-interactive"});
        const bool held = QTest::qWaitFor([&] { return h->service().output().contains("applyFault: stall on GET"); }, 20000);
        return held ? std::move(process) : nullptr;
    }

private slots:
    void initTestCase() { QVERIFY(TestEnv::isolated()); }

    void readOnlySafe()
    {
        SyncHarness::Options options;
        options.clientUser = "bob";
        options.clientAccess = "r";
        fresh(options);
        QCOMPARE(play({"R shared.txt=from alice", "L mine.txt=local", "LD newdir", "S"}), QString());
        expectAll(*h, run, {"exit 7", "line download|shared.txt|Ok", "line upload|mine.txt|Not allowed",
                            "line create remote folder|newdir|Not allowed", "local shared.txt=from alice", "remote- mine.txt"});
        QCOMPARE(play({"L- shared.txt", "S"}), QString());
        expectAll(*h, run, {"exit 7", "line delete remote file|shared.txt|Not allowed", "remote shared.txt=from alice"});
    }

    // An unplugged disk or a folder moved away must not read as "the user
    // deleted everything": the setting is skipped, and korvexcmd says so.
    void vanishedLocalFolderIsSkipped()
    {
        fresh();
        QCOMPARE(play({"L a.txt=kept", "S"}), QString());
        const QString folder = h->client().folder();
        QVERIFY(QDir().rename(folder, folder + ".away"));
        run = h->client().sync();
        QVERIFY(QDir().rename(folder + ".away", folder));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.lines.isEmpty(), qPrintable(run.describe()));
        QVERIFY2(run.err.contains("skipped: the local folder"), qPrintable(run.err));
        expectAll(*h, run, {"remote a.txt=kept"});
    }

    // While another program (the desktop, a second korvexcmd) holds a
    // setting's lock, a run leaves that setting alone and says so.
    void settingLockedByAnotherProgramIsSkipped()
    {
        fresh();
        QCOMPARE(play({"L a.txt=v1", "S"}), QString());
        QDirIterator it(h->client().home(), {"*.db3"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY(it.hasNext());
        QLockFile lock(QFileInfo(it.next()).absolutePath() + "/sync-1.lock");
        QVERIFY(lock.tryLock(0));
        QVERIFY(h->client().write("a.txt", "v2"));
        run = h->client().sync();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.lines.isEmpty(), qPrintable(run.describe()));
        QVERIFY2(run.err.contains("another program is synchronising it"), qPrintable(run.err));
        expectAll(*h, run, {"remote a.txt=v1"});
        lock.unlock();
        QCOMPARE(play({"S"}), QString());
        expectAll(*h, run, {"line upload|a.txt|Ok", "remote a.txt=v2"});
    }

    void limits()
    {
        fresh();
        // 50 folders and a file below them: the innermost folder has 50
        // components and is left out, with what it holds.
        const QString deep = QString("d/").repeated(50);
        QVERIFY(h->client().write(deep + "f.txt", "deep"));
        // One byte over 2 GiB, sparse: planned, never read.
        QFile big(h->client().path("big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(2147483649LL));
        big.close();
        run = h->syncOnce();
        expectAll(*h, run, {"exit 7", "line -|big.bin|Error", "line -|" + deep.chopped(1) + "|Skipped", "remote- big.bin"});
        QVERIFY(!h->remote().objects().contains(deep + "f.txt"));
    }

    void lastEventShortcut()
    {
        fresh();
        // The first run uploads a.txt, so the safe changed since its listing:
        // the second run lists it and records the event it saw.
        QCOMPARE(play({"L a.txt=v1", "R b.txt=v1", "S", "S"}), QString());
        const int listings = h->listingCount();
        QCOMPARE(play({"L c.txt=local change", "S"}), QString());
        // Nothing changed remotely: no listing, the local change still goes up.
        QCOMPARE(h->listingCount(), listings);
        expectAll(*h, run, {"line upload|c.txt|Ok"});
        QCOMPARE(play({"R d.txt=remote change", "S", "S"}), QString());
        QVERIFY(h->listingCount() > listings);
        expectAll(*h, run, {"local d.txt=remote change", "equal"});
    }

    void massDeletion_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("answer"); // empty: --non-interactive
        QTest::addColumn<bool>("deleted");
        QTest::newRow("49 deletions -> no question, deleted") << 49 << QByteArray() << true;
        QTest::newRow("50 deletions, non-interactive -> refused") << 50 << QByteArray() << false;
        QTest::newRow("50 deletions, answered yes -> deleted") << 50 << QByteArray("y\n") << true;
        QTest::newRow("50 deletions, answered no -> refused") << 50 << QByteArray("n\n") << false;
    }
    void massDeletion()
    {
        QFETCH(int, count);
        QFETCH(QByteArray, answer);
        QFETCH(bool, deleted);
        fresh();
        for (int i = 0; i < count; ++i)
            QVERIFY(h->client().write(QString("f%1.txt").arg(i, 2, 10, QLatin1Char('0')), "x"));
        QCOMPARE(h->syncOnce().exitCode, 0);
        for (int i = 0; i < count; ++i)
            QVERIFY(h->client().remove(QString("f%1.txt").arg(i, 2, 10, QLatin1Char('0'))));
        run = h->client().sync({}, answer);
        QCOMPARE(run.exitCode, deleted ? 0 : 8);
        QCOMPARE(h->remote().objects().size(), deleted ? 0 : count);
        if (!deleted)
            QVERIFY2(run.err.contains(QString("would delete %1 files").arg(count)), qPrintable(run.err));
    }

    void quotaExceededStopsTheRun()
    {
        SyncHarness::Options options;
        options.safeOptions = QStringList{"--quota", "100"};
        fresh(options);
        QCOMPARE(play({"L a.txt=" + QString(60, 'a'), "L b.txt=" + QString(60, 'b'), "L c.txt=" + QString(60, 'c'), "S"}),
                 QString());
        expectAll(*h, run, {"exit 8", "line upload|a.txt|Ok", "line upload|b.txt|Quota exceeded", "noline c.txt"});
        QCOMPARE(run.lines.filter("Quota exceeded").size(), 1);
        QVERIFY(run.err.contains("quota"));
    }

    void sessionLostInTheMiddle()
    {
        fresh();
        QCOMPARE(play({"R a.txt=1", "R b.txt=2", "R c.txt=3"}), QString());
        const auto process = syncHeldAtADownload();
        QVERIFY(process);
        QVERIFY(h->service().expireSessions(h->options().user).value_or(0) > 0);
        QVERIFY(h->service().clearFaults());
        run = SyncHarness::Client::finish(*process);
        QCOMPARE(run.exitCode, 8);
        QVERIFY2(run.err.contains("session was lost"), qPrintable(run.describe()));
        // A new login finishes the job.
        QCOMPARE(play({"S"}), QString());
        expectAll(*h, run, {"exit 0", "equal"});
    }

    void interruptedDownload()
    {
        fresh();
        const QByteArray content(65536, 'z');
        QVERIFY(h->remote().put("big.bin", content));
        QVERIFY(h->service().cutBody("/api/sync/1/files/file/", 1000, "GET"));
        run = h->syncOnce();
        expectAll(*h, run, {"exit 7", "line download|big.bin|Failed"});
        // Nothing half-written is left, not even a temporary file.
        QCOMPARE(h->localTree(0, true), QStringList());
        QCOMPARE(h->syncOnce().exitCode, 0);
        QCOMPARE(h->client().read("big.bin"), content);
    }

    void fileChangedWhileItDownloads()
    {
        fresh();
        QCOMPARE(play({"L a.txt=v1", "S", "R a.txt=remote v2"}), QString());
        const auto process = syncHeldAtADownload();
        QVERIFY(process);
        QVERIFY(h->client().write("a.txt", "edited meanwhile"));
        QVERIFY(h->service().clearFaults());
        run = SyncHarness::Client::finish(*process);
        expectAll(*h, run, {"line download|a.txt|Skipped", "local a.txt=edited meanwhile", "remote a.txt=remote v2"});
        // The next run sees both edits: nothing of either is lost.
        run = h->syncOnce();
        expectAll(*h, run, {"local a.txt=remote v2", "conflict a.txt=edited meanwhile", "equal"});
    }

    void remotePathOutsideTheFolder()
    {
        fresh();
        QVERIFY(h->remote().put("evil.txt", "payload"));
        QVERIFY(h->service().rewriteBody("/api/sync/1/files/info/", "\"path\":\"/evil.txt\"", "\"path\":\"/../evil.txt\""));
        run = h->syncOnce();
        expectAll(*h, run, {"exit 7", "line -|../evil.txt|Settings Error"});
        QVERIFY(!QFileInfo::exists(h->client().folder() + "/../evil.txt"));
        QCOMPARE(h->localTree(0, true), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSyncEdges)
#include "tst_sync_edges.moc"
