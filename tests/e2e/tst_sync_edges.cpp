#include "SyncScenario.h"
#include "TestEnv.h"

#include <QLockFile>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using SyncScenario::check;
using SyncScenario::play;

// The edges of two-way sync: access, limits, the last-event shortcut, the
// mass-deletion question, quota, a lost session, broken transfers, a file
// changed while it downloads, and a server that names paths outside the
// folder.
class TestSyncEdges : public QObject
{
    Q_OBJECT

    std::unique_ptr<SyncHarness> h;

    void fresh(const SyncHarness::Options &options = {})
    {
        h = std::make_unique<SyncHarness>(options);
        QVERIFY2(h->start(), qPrintable(h->error()));
        h->client();
        QVERIFY2(h->error().isEmpty(), qPrintable(h->error()));
    }

    // Waits until the service has logged `text` (a fault that took hold).
    bool serviceSaid(const QByteArray &text, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return h->service().output().contains(text); }, timeoutMs);
    }

    void expectAll(const SyncHarness::Run &run, const QStringList &expects)
    {
        for (const QString &e : expects) {
            const QString problem = check(*h, run, e);
            QVERIFY2(problem.isEmpty(), qPrintable(problem + QLatin1Char('\n') + run.describe()));
        }
    }

private slots:
    void initTestCase() { QVERIFY(TestEnv::isolated()); }

    void readOnlySafe()
    {
        SyncHarness::Options options;
        options.clientUser = QStringLiteral("bob");
        options.clientAccess = QStringLiteral("r");
        fresh(options);
        SyncHarness::Run run;
        QVERIFY(play(*h, {"R shared.txt=from alice", "L mine.txt=local", "LD newdir", "S"}, &run).isEmpty());
        expectAll(run, {"exit 7", "line download|shared.txt|Ok", "line upload|mine.txt|Not allowed",
                        "line create remote folder|newdir|Not allowed", "local shared.txt=from alice",
                        "remote- mine.txt"});
        QVERIFY(play(*h, {"L- shared.txt", "S"}, &run).isEmpty());
        expectAll(run, {"exit 7", "line delete remote file|shared.txt|Not allowed", "remote shared.txt=from alice"});
    }

    // An unplugged disk or a folder moved away must not read as "the user
    // deleted everything": the setting is skipped, and korvexcmd says so.
    void vanishedLocalFolderIsSkipped()
    {
        fresh();
        SyncHarness::Run run;
        QVERIFY(play(*h, {"L a.txt=kept", "S"}, &run).isEmpty());
        const QString folder = h->client().folder();
        QVERIFY(QDir().rename(folder, folder + QStringLiteral(".away")));
        run = h->client().sync();
        QVERIFY(QDir().rename(folder + QStringLiteral(".away"), folder));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.lines.isEmpty(), qPrintable(run.describe()));
        QVERIFY2(run.err.contains(QStringLiteral("skipped: the local folder")), qPrintable(run.err));
        expectAll(run, {"remote a.txt=kept"});
    }

    // While another program (the desktop, a second korvexcmd) holds a
    // setting's lock, a run leaves that setting alone and says so.
    void settingLockedByAnotherProgramIsSkipped()
    {
        fresh();
        SyncHarness::Run run;
        QVERIFY(play(*h, {"L a.txt=v1", "S"}, &run).isEmpty());
        QDirIterator it(h->client().home(), {QStringLiteral("*.db3")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        QVERIFY(it.hasNext());
        QLockFile lock(QFileInfo(it.next()).absolutePath() + QStringLiteral("/sync-1.lock"));
        QVERIFY(lock.tryLock(0));
        QVERIFY(h->client().write(QStringLiteral("a.txt"), "v2"));
        run = h->client().sync();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.lines.isEmpty(), qPrintable(run.describe()));
        QVERIFY2(run.err.contains(QStringLiteral("another program is synchronising it")), qPrintable(run.err));
        expectAll(run, {"remote a.txt=v1"});
        lock.unlock();
        QVERIFY(play(*h, {"S"}, &run).isEmpty());
        expectAll(run, {"line upload|a.txt|Ok", "remote a.txt=v2"});
    }

    void limits()
    {
        fresh();
        // 50 folders and a file below them: the innermost folder has 50
        // components and is left out, with what it holds.
        QString deep;
        for (int i = 0; i < 50; ++i)
            deep += QStringLiteral("d/");
        QVERIFY(h->client().write(deep + QStringLiteral("f.txt"), "deep"));
        // One byte over 2 GiB, sparse: planned, never read.
        const QString big = h->client().path(QStringLiteral("big.bin"));
        const int fd = ::open(QFile::encodeName(big).constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        QVERIFY(::ftruncate(fd, 2147483649LL) == 0);
        ::close(fd);
        const SyncHarness::Run run = h->syncOnce();
        expectAll(run, {"exit 7", "line -|big.bin|Error", QStringLiteral("line -|%1|Skipped").arg(deep.left(deep.size() - 1)),
                        "remote- big.bin"});
        QVERIFY(!h->remote().objects().contains(deep + QStringLiteral("f.txt")));
    }

    void lastEventShortcut()
    {
        fresh();
        SyncHarness::Run run;
        QVERIFY(play(*h, {"L a.txt=v1", "R b.txt=v1", "S"}, &run).isEmpty());
        // The run uploaded a.txt, so the safe changed since its listing: one
        // more run lists it and records the event it saw.
        QVERIFY(play(*h, {"S"}, &run).isEmpty());
        const int listings = h->listingCount();
        QVERIFY(play(*h, {"L c.txt=local change", "S"}, &run).isEmpty());
        // Nothing changed remotely: no listing, the local change still goes up.
        QCOMPARE(h->listingCount(), listings);
        expectAll(run, {"line upload|c.txt|Ok"});
        QVERIFY(play(*h, {"R d.txt=remote change", "S", "S"}, &run).isEmpty());
        QVERIFY(h->listingCount() > listings);
        expectAll(run, {"local d.txt=remote change", "equal"});
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
            QVERIFY(h->client().write(QStringLiteral("f%1.txt").arg(i, 2, 10, QLatin1Char('0')), "x"));
        QCOMPARE(h->syncOnce().exitCode, 0);
        for (int i = 0; i < count; ++i)
            QVERIFY(h->client().remove(QStringLiteral("f%1.txt").arg(i, 2, 10, QLatin1Char('0'))));
        const SyncHarness::Run run = h->client().sync({}, answer);
        QCOMPARE(run.exitCode, deleted ? 0 : 8);
        QCOMPARE(h->remote().objects().size(), deleted ? 0 : count);
        if (!deleted)
            QVERIFY2(run.err.contains(QStringLiteral("would delete %1 files").arg(count)), qPrintable(run.err));
    }

    void quotaExceededStopsTheRun()
    {
        SyncHarness::Options options;
        options.safeOptions = QStringList{QStringLiteral("--quota"), QStringLiteral("100")};
        fresh(options);
        SyncHarness::Run run;
        QVERIFY(play(*h, {"L a.txt=" + QString(60, QLatin1Char('a')), "L b.txt=" + QString(60, QLatin1Char('b')),
                          "L c.txt=" + QString(60, QLatin1Char('c')), "S"},
                     &run)
                    .isEmpty());
        expectAll(run, {"exit 8", "line upload|a.txt|Ok", "line upload|b.txt|Quota exceeded", "noline c.txt"});
        QCOMPARE(run.lines.filter(QStringLiteral("Quota exceeded")).size(), 1);
        QVERIFY(run.err.contains(QStringLiteral("quota")));
    }

    void sessionLostInTheMiddle()
    {
        fresh();
        SyncHarness::Run run;
        QVERIFY(play(*h, {"R a.txt=1", "R b.txt=2", "R c.txt=3"}, &run).isEmpty());
        QVERIFY(h->service().stall(QStringLiteral("/api/sync/1/files/file/"), 60000, QStringLiteral("GET")));
        auto process = h->client().start({QStringLiteral("sync"), QStringLiteral("--non-interactive")});
        QVERIFY(serviceSaid("applyFault: stall on GET"));
        QVERIFY(h->service().expireSessions(h->options().user).value_or(0) > 0);
        QVERIFY(h->service().clearFaults());
        run = SyncHarness::Client::finish(*process);
        QCOMPARE(run.exitCode, 8);
        QVERIFY2(run.err.contains(QStringLiteral("session was lost")), qPrintable(run.describe()));
        // A new login finishes the job.
        run = h->syncOnce();
        QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(h->localTree(), h->remoteTree());
    }

    void interruptedDownload()
    {
        fresh();
        const QByteArray content(65536, 'z');
        QVERIFY(h->remote().put(QStringLiteral("big.bin"), content));
        QVERIFY(h->service().cutBody(QStringLiteral("/api/sync/1/files/file/"), 1000, QStringLiteral("GET")));
        SyncHarness::Run run = h->syncOnce();
        QCOMPARE(run.exitCode, 7);
        QVERIFY(run.has(QStringLiteral("download"), QStringLiteral("big.bin"), QStringLiteral("Failed")));
        // Nothing half-written is left, not even a temporary file.
        QCOMPARE(h->localTree(0, true), QStringList());
        run = h->syncOnce();
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(h->client().read(QStringLiteral("big.bin")), content);
    }

    void fileChangedWhileItDownloads()
    {
        fresh();
        SyncHarness::Run run;
        QVERIFY(play(*h, {"L a.txt=v1", "S", "R a.txt=remote v2"}, &run).isEmpty());
        QVERIFY(h->service().stall(QStringLiteral("/api/sync/1/files/file/"), 60000, QStringLiteral("GET")));
        auto process = h->client().start({QStringLiteral("sync"), QStringLiteral("--non-interactive")});
        QVERIFY(serviceSaid("applyFault: stall on GET"));
        QVERIFY(h->client().write(QStringLiteral("a.txt"), "edited meanwhile"));
        QVERIFY(h->service().clearFaults());
        run = SyncHarness::Client::finish(*process);
        expectAll(run, {"line download|a.txt|Skipped", "local a.txt=edited meanwhile", "remote a.txt=remote v2"});
        // The next run sees both edits: nothing of either is lost.
        run = h->syncOnce();
        expectAll(run, {"local a.txt=remote v2", "conflict a.txt=edited meanwhile", "equal"});
    }

    void remotePathOutsideTheFolder()
    {
        fresh();
        QVERIFY(h->remote().put(QStringLiteral("evil.txt"), "payload"));
        QVERIFY(h->service().rewriteBody(QStringLiteral("/api/sync/1/files/info/"), QStringLiteral("\"path\":\"/evil.txt\""),
                                         QStringLiteral("\"path\":\"/../evil.txt\"")));
        const SyncHarness::Run run = h->syncOnce();
        QCOMPARE(run.exitCode, 7);
        QVERIFY2(run.has(QStringLiteral("-"), QStringLiteral("../evil.txt"), QStringLiteral("Settings Error")),
                 qPrintable(run.describe()));
        QVERIFY(!QFileInfo::exists(h->client().folder() + QStringLiteral("/../evil.txt")));
        QCOMPARE(h->localTree(0, true), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSyncEdges)
#include "tst_sync_edges.moc"
