#include "sync/SyncHistoryModel.h"

#include <QSignalSpy>
#include <QtTest>

// The rows of the history table: newest first, at most 1000, one row per
// history object, live rows put in a batch at a time; the filter windows.
class TestSyncHistoryModel : public QObject
{
    Q_OBJECT

    static SyncAction action(qint64 id, const QString &path, SyncAction::ActionStatus status = SyncAction::STATUS_OK)
    {
        SyncAction a;
        a.type = SyncAction::DownloadFile;
        a.status = status;
        a.historyObjectId = id;
        a.safeName = QStringLiteral("Docs");
        a.path = path;
        a.localDir = QStringLiteral("/home/u/Docs/");
        return a;
    }

private slots:
    void liveRowsComeInBatchesNewestFirstAndCapped()
    {
        SyncHistoryModel model;
        QSignalSpy batches(&model, &SyncHistoryModel::liveRowsAdded);
        for (int i = 1; i <= SyncHistoryModel::MaxRows + 1; ++i)
            model.addLive(action(i, QStringLiteral("f%1").arg(i)));
        QCOMPARE(model.rowCount(), 0); // nothing shown before the batch
        QVERIFY(batches.wait(5000));
        QCOMPARE(batches.count(), 1);
        QCOMPARE(batches.first().at(0).toInt(), SyncHistoryModel::MaxRows + 1);
        QCOMPARE(model.rowCount(), SyncHistoryModel::MaxRows);
        QCOMPARE(model.historyIdAt(0), qint64(1001));
        QCOMPARE(model.rowOfHistoryId(1), -1); // the oldest went
        QCOMPARE(model.item(0, SyncHistoryModel::ItemColumn)->text(), QStringLiteral("Docs: /f1001"));
        QCOMPARE(model.localPathAt(0), QStringLiteral("/home/u/Docs/f1001"));
    }

    void sameHistoryObjectKeepsOneRow()
    {
        SyncHistoryModel model;
        model.addLive(action(7, QStringLiteral("a")));
        model.addLive(action(8, QStringLiteral("b")));
        model.addLive(action(7, QStringLiteral("a"), SyncAction::ERR_FILE_DOWNLOAD));
        model.flush();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.historyIdAt(0), qint64(7));
        QVERIFY(!model.reasonAt(0).isEmpty()); // the failure explains itself
        QVERIFY(model.reasonAt(1).isEmpty());
    }

    void loadReplacesRowsAndNamesTheSafe()
    {
        SyncHistoryModel model;
        model.addLive(action(1, QStringLiteral("x")));
        model.setSafeNames({{QStringLiteral("/home/u/Pics/"), QStringLiteral("Photos")}});
        SyncHistoryObject o;
        o.id = 5;
        o.localDir = QStringLiteral("/home/u/Pics/a.jpg");
        o.remoteDir = QStringLiteral("/a.jpg");
        o.action = SyncAction::UploadFile;
        o.state = SyncAction::WARN_SKIPPED;
        o.timestamp = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(model.load({o}), 1);
        model.flush(); // the pending live row was dropped with the old rows
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.item(0, SyncHistoryModel::ItemColumn)->text(), QStringLiteral("Photos: /a.jpg"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Safe: Item"));
    }

    void windows_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        const QDateTime now(QDate(2026, 3, 9), QTime(10, 30));
        const QDateTime midnight(QDate(2026, 3, 9), QTime(0, 0));
        QTest::newRow("today -> midnight to midnight") << 0 << midnight << midnight.addDays(1);
        QTest::newRow("yesterday -> the day before") << 1 << midnight.addDays(-1) << midnight;
        QTest::newRow("last hour -> an hour back to a day on") << 2 << now.addSecs(-3600) << now.addDays(1);
        QTest::newRow("range -> the editors") << 3 << QDateTime(QDate(2026, 1, 1), QTime(8, 0))
                                              << QDateTime(QDate(2026, 1, 2), QTime(8, 0));
        QTest::newRow("unexpected -> empty bounds") << 7 << QDateTime() << QDateTime();
    }
    void windows()
    {
        QFETCH(int, filter);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        const QDateTime now(QDate(2026, 3, 9), QTime(10, 30));
        const auto w = SyncHistoryModel::window(filter, now, QDateTime(QDate(2026, 1, 1), QTime(8, 0)),
                                                QDateTime(QDate(2026, 1, 2), QTime(8, 0)));
        QCOMPARE(w.first, from);
        QCOMPARE(w.second, to);
    }
};

QTEST_GUILESS_MAIN(TestSyncHistoryModel)
#include "tst_synchistorymodel.moc"
