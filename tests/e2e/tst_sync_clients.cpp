#include "SyncScenario.h"
#include "TestEnv.h"

#include <QRandomGenerator>
#include <QtTest>

#include <csignal>

// Several clients on one safe, and clients that die in the middle of a run:
// the trees must end the same everywhere and no edit may be lost.
class TestSyncClients : public QObject
{
    Q_OBJECT

    // Every file of the client's folder (conflict copies included) and of
    // its desktop trash, by content.
    static QSet<QByteArray> contentsOf(const SyncHarness::Client &c)
    {
        QSet<QByteArray> found;
        for (const QString &root : {c.folder(), c.home() + QStringLiteral("/.local/share/Trash/files")}) {
            QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile f(it.next());
                if (f.open(QIODevice::ReadOnly))
                    found.insert(f.readAll());
            }
        }
        return found;
    }

    // Syncs the clients in turn until a whole round changes nothing.
    static QString settle(SyncHarness &h, int clients)
    {
        for (int round = 0; round < 4; ++round) {
            bool quiet = true;
            for (int i = 0; i < clients; ++i) {
                const SyncHarness::Run run = h.syncOnce(i);
                if (run.exitCode != 0)
                    return QStringLiteral("client %1: %2").arg(i).arg(run.describe());
                quiet = quiet && run.lines.isEmpty();
            }
            if (quiet)
                return QString();
        }
        return QStringLiteral("the clients did not settle");
    }

private slots:
    void initTestCase() { QVERIFY(TestEnv::isolated()); }

    void twoClientsConverge()
    {
        SyncHarness h;
        QCOMPARE(SyncScenario::start(h), QString());
        h.client(1);
        QVERIFY2(h.error().isEmpty(), qPrintable(h.error()));
        QVERIFY(h.client(0).write("shared.txt", "start") && h.client(0).write("gone/doomed.txt", "doomed"));
        QString settled = settle(h, 2);
        QVERIFY2(settled.isEmpty(), qPrintable(settled));

        QSet<QByteArray> written;
        for (int round = 0; round < 4; ++round) {
            // Both edit the same file, each adds one of its own, the other
            // device edits the remote side.
            for (int i = 0; i < 2; ++i) {
                const QByteArray mine = QStringLiteral("round %1 by client %2").arg(round).arg(i).toUtf8();
                QVERIFY(h.client(i).write(QStringLiteral("shared.txt"), mine + QByteArray(i * 3, '!')));
                QVERIFY(h.client(i).write(QStringLiteral("c%1/r%2.txt").arg(i).arg(round), mine));
                written << mine + QByteArray(i * 3, '!') << mine;
            }
            const QByteArray remote = QStringLiteral("round %1 remotely").arg(round).toUtf8();
            QVERIFY(h.remote().put(QStringLiteral("remote/r%1.txt").arg(round), remote));
            written << remote;
            if (round == 1) {
                // One deletes a file the other one edits.
                QVERIFY(h.client(0).remove(QStringLiteral("gone/doomed.txt")));
                QVERIFY(h.client(1).write(QStringLiteral("gone/doomed.txt"), "edited while deleted"));
                written << "edited while deleted";
            }
            settled = settle(h, 2);
            QVERIFY2(settled.isEmpty(), qPrintable(settled));
            const QStringList remoteTree = h.remoteTree();
            QCOMPARE(h.localTree(0), remoteTree);
            QCOMPARE(h.localTree(1), remoteTree);
        }
        // Every edit is somewhere: in place, as a conflict copy, or in a trash.
        QSet<QByteArray> kept = contentsOf(h.client(0)) + contentsOf(h.client(1));
        for (const QString &path : h.remote().objects().keys())
            if (auto content = h.remote().get(path))
                kept.insert(*content);
        // The edit of a file the other client deleted may be in the safe's trash instead.
        const bool doomedInTrash = SyncScenario::check(h, {}, "remotetrash gone/doomed.txt").isEmpty();
        for (const QByteArray &w : qAsConst(written))
            QVERIFY2(kept.contains(w) || (w == "edited while deleted" && doomedInTrash), w.constData());
    }

    void killedAtTwentyMoments()
    {
        SyncHarness h;
        QCOMPARE(SyncScenario::start(h), QString());
        // path -> its newest content; every one of them must survive.
        QHash<QString, QByteArray> current;
        QSet<QByteArray> conflictCopies; // kept beside the file they lost against
        QRandomGenerator random(20261206);
        for (int moment = 0; moment < 20; ++moment) {
            // A mixed run: new files both ways, edits both ways, deletions
            // both ways, and a conflict.
            const QString n = QString::number(moment);
            for (int i = 0; i < 6; ++i) {
                const QString up = QStringLiteral("up/%1-%2.bin").arg(n).arg(i);
                const QString down = QStringLiteral("down/%1-%2.bin").arg(n).arg(i);
                current[up] = QByteArray(1000 + int(random.bounded(60000)), char('a' + i)) + n.toUtf8();
                current[down] = QByteArray(1000 + int(random.bounded(60000)), char('A' + i)) + n.toUtf8();
                QVERIFY(h.client().write(up, current[up]));
                QVERIFY(h.remote().put(down, current[down]));
            }
            if (moment > 0) {
                const QString prev = QString::number(moment - 1);
                const QString localEdit = QStringLiteral("up/%1-0.bin").arg(prev);
                const QString remoteEdit = QStringLiteral("down/%1-0.bin").arg(prev);
                const QString conflict = QStringLiteral("down/%1-2.bin").arg(prev);
                current[localEdit] = "local edit " + n.toUtf8();
                current[remoteEdit] = "remote edit " + n.toUtf8();
                current[conflict] = "conflict remote " + n.toUtf8();
                conflictCopies << "conflict local " + n.toUtf8();
                QVERIFY(h.client().write(localEdit, current[localEdit]));
                QVERIFY(h.remote().put(remoteEdit, current[remoteEdit]));
                QVERIFY(h.client().remove("up/" + prev + "-1.bin") && h.remote().remove("down/" + prev + "-1.bin"));
                current.remove("up/" + prev + "-1.bin");
                current.remove("down/" + prev + "-1.bin");
                QVERIFY(h.client().write(conflict, "conflict local " + n.toUtf8()));
                QVERIFY(h.remote().put(conflict, current[conflict]));
            }

            auto process = h.client().start({"sync", "--non-interactive"});
            QTest::qWait(40 + moment * 40);
            // Only a running child: kill(0) would hit our own process group.
            if (process->state() == QProcess::Running && process->processId() > 0)
                ::kill(pid_t(process->processId()), SIGKILL);
            process->waitForFinished(10000);

            const QString settled = settle(h, 1);
            QVERIFY2(settled.isEmpty(), qPrintable(QStringLiteral("moment %1: %2").arg(moment).arg(settled)));
            QCOMPARE(h.localTree(), h.remoteTree());
            // Every file holds its newest content, on both sides.
            for (auto it = current.cbegin(); it != current.cend(); ++it)
                QCOMPARE(h.client().read(it.key()).value_or("<absent>"), it.value());
        }
        const QSet<QByteArray> kept = contentsOf(h.client());
        for (const QByteArray &copy : qAsConst(conflictCopies))
            QVERIFY2(kept.contains(copy), copy.constData());
    }
};

QTEST_GUILESS_MAIN(TestSyncClients)
#include "tst_sync_clients.moc"
