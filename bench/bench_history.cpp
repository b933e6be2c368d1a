// The history table while a sync of many small files runs: how long the
// model takes to show a batch of executed actions, and how many updates the
// window gets, against putting each action in on its own.
//
//   bench_history [actions]     (default 20000)
#include "sync/SyncHistoryModel.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

namespace {
SyncAction action(qint64 id)
{
    SyncAction a;
    a.type = SyncAction::DownloadFile;
    a.status = SyncAction::STATUS_OK;
    a.historyObjectId = id;
    a.safeName = QStringLiteral("Docs");
    a.path = QStringLiteral("folder/file-%1.txt").arg(id);
    a.localDir = QStringLiteral("/home/u/Docs/");
    return a;
}

// Inserts `n` actions, flushing every `batch` of them; returns ms and the
// number of flushes (one repaint of the table each).
QPair<double, int> run(int n, int batch)
{
    SyncHistoryModel model;
    int flushes = 0;
    QObject::connect(&model, &SyncHistoryModel::liveRowsAdded, [&flushes] { ++flushes; });
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= n; ++i) {
        model.addLive(action(i));
        if (i % batch == 0)
            model.flush();
    }
    model.flush();
    return {t.nsecsElapsed() / 1e6, flushes};
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int n = argc > 1 ? qMax(1, atoi(argv[1])) : 20000;
    std::printf("bench_history: %d executed actions into the history table (at most %d rows)\n", n,
                SyncHistoryModel::MaxRows);
    // A batch of 200 is what a run of small local actions produces in one
    // FlushMs window; 1 is one update per action.
    for (int batch : {1, 200}) {
        const auto r = run(n, batch);
        std::printf("  batch %4d: %8.1f ms, %6.1f us per action, %5d table updates\n", batch, r.first,
                    r.first * 1000.0 / n, r.second);
    }
    return 0;
}
