#include "sync/SyncStatusText.h"
#include "sync/TrayState.h"

#include <QtTest>

// The tray's state table, its animation and notification, and the status
// bar's phase texts.
class TestTrayAndStatus : public QObject
{
    Q_OBJECT
    using T = TrayState;

private slots:
    void offeredActions_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QList<int>>("offered");
        QTest::addColumn<QList<int>>("withheld");
        QTest::newRow("1 logged out -> only login") << int(T::LoggedOut) << QList<int>{T::Login, T::Quit, T::Show}
                                                    << QList<int>{T::Logout, T::SyncAll, T::CancelSync, T::Settings,
                                                                  T::SyncActivities, T::PasswordSafe};
        QTest::newRow("2 idle -> sync all, no cancel") << int(T::LoggedInIdle)
                                                       << QList<int>{T::Logout, T::SyncAll, T::Settings,
                                                                     T::SyncActivities, T::PasswordSafe}
                                                       << QList<int>{T::Login, T::CancelSync};
        QTest::newRow("3 syncing -> cancel, no sync all") << int(T::Syncing)
                                                          << QList<int>{T::Logout, T::CancelSync, T::Settings}
                                                          << QList<int>{T::Login, T::SyncAll};
    }
    void offeredActions()
    {
        QFETCH(int, state);
        QFETCH(QList<int>, offered);
        QFETCH(QList<int>, withheld);
        T tray;
        tray.setState(T::LoggedInIdle); // the way there: logged in first
        tray.setState(T::State(state));
        for (int a : offered)
            QVERIFY2(tray.isOffered(T::Action(a)), qPrintable(QString::number(a)));
        for (int a : withheld)
            QVERIFY2(!tray.isOffered(T::Action(a)), qPrintable(QString::number(a)));
        QCOMPARE(tray.toolTip().isEmpty(), state != T::Syncing);
    }

    void sameStateChangesNothingAndPasswordSafeCanBeHidden()
    {
        T tray({}, false);
        QVERIFY(tray.setState(T::LoggedInIdle));
        QVERIFY(!tray.isOffered(T::PasswordSafe));
        QVERIFY(!tray.setState(T::LoggedInIdle));
        QCOMPARE(tray.icon(), QStringLiteral(":/res/tray/idle.png"));
        QVERIFY(tray.setState(T::LoggedOut));
        QCOMPARE(tray.icon(), QStringLiteral(":/res/tray/logged_out.png"));
    }

    void animationRunsOnlyWhileSyncing()
    {
        const QStringList frames = T::framesIn(QStringLiteral(":/res/tray"));
        QCOMPARE(frames.size(), 11);
        QCOMPARE(frames.first(), QStringLiteral(":/res/tray/syncing_01.png"));
        T tray(frames);
        tray.setState(T::LoggedInIdle);
        QVERIFY(!tray.nextFrame());
        tray.setState(T::Syncing);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(*tray.nextFrame(), frames.at(i % 11)); // wraps after the last
        tray.setState(T::SyncFinished);
        QVERIFY(!tray.nextFrame());
        QVERIFY(!T(QStringList()).nextFrame());
    }

    void notification()
    {
        QVERIFY(!T::notificationFor(0, 3)); // no change, no notification
        QCOMPARE(T::notificationFor(1, 0)->title, QStringLiteral("Synchronisation successful"));
        QCOMPARE(T::notificationFor(2, 1)->title, QStringLiteral("Synchronisation with errors"));
        QVERIFY(T::notificationFor(2, 0)->body.startsWith(QLatin1String("2 change")));
    }

    void phases_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("12 -> (2/5)") << 12 << 0 << 0 << "(2/5)";
        QTest::newRow("41 with a total -> per cent") << 41 << 1 << 4 << "(5/5; 25%)";
        QTest::newRow("40 without a total -> (5/5)") << 40 << 0 << 0 << "(5/5)";
        QTest::newRow("42 -> success") << 42 << 0 << 0 << "Sync successful";
        QTest::newRow("91 -> failed") << 91 << 0 << 0 << "Sync failed";
    }
    void phases()
    {
        QFETCH(int, step);
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(QString, text);
        QCOMPARE(SyncStatusText::phase(step, done, total), text);
    }

    void transferText()
    {
        ProgressInfo pi;
        pi.safeName = QStringLiteral("Docs");
        pi.path = QStringLiteral("a/b.bin");
        pi.actionType = 6;
        pi.bytesDone = 3 * 1024 * 1024;
        pi.bytesTotal = 6 * 1024 * 1024;
        QCOMPARE(SyncStatusText::currentItem(pi), QStringLiteral("download: Docs/a/b.bin (3.0 of 6.0 MB)"));
        pi.bytesTotal = 2048;
        pi.bytesDone = 1024;
        QVERIFY(SyncStatusText::currentItem(pi).endsWith(QLatin1String(" (1.0 of 2.0 KB)")));
    }
};

QTEST_GUILESS_MAIN(TestTrayAndStatus)
#include "tst_trayandstatus.moc"
