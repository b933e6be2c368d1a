#include "app/VersionOrder.h"

#include <QtTest>

class TestVersionOrder : public QObject
{
    Q_OBJECT
private slots:
    void isGreater_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("greater");
        QTest::newRow("1.1.10 vs 1.1.9 -> greater") << "1.1.10" << "1.1.9" << true;
        QTest::newRow("1.1 vs 1.1.0 -> not") << "1.1" << "1.1.0" << false;
        QTest::newRow("1.1.0 vs 1.1 -> greater") << "1.1.0" << "1.1" << true;
        QTest::newRow("equal -> not") << "1.1.0" << "1.1.0" << false;
        QTest::newRow("empty parts skipped -> equal") << "1..1" << "1.1" << false;
        QTest::newRow("leading zero is decimal -> equal") << "1.010" << "1.10" << false;
        QTest::newRow("2.0 vs 10.0 -> not (numeric, not text)") << "2.0" << "10.0" << false;
        QTest::newRow("empty vs 0 -> not") << "" << "0" << false;
        QTest::newRow("0 vs empty -> greater (more parts)") << "0" << "" << true;
    }
    void isGreater()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, greater);
        QCOMPARE(VersionOrder::isGreater(a, b), greater);
    }

    void judge_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("compatible");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<int>("verdict");
        using V = VersionOrder::Verdict;
        QTest::newRow("compatible 1.2 > own 1.1.9 -> upgrade required")
            << "1.1.9" << "1.2" << "1.2" << int(V::UpgradeRequired);
        QTest::newRow("latest 1.1.10 > own 1.1.9 -> new version")
            << "1.1.9" << "1.0" << "1.1.10" << int(V::NewVersion);
        QTest::newRow("own is latest -> up to date") << "1.1.0" << "1.0.0" << "1.1.0" << int(V::UpToDate);
        QTest::newRow("latest 1.1 vs own 1.1.0 -> up to date") << "1.1.0" << "1.0" << "1.1" << int(V::UpToDate);
    }
    void judge()
    {
        QFETCH(QString, own);
        QFETCH(QString, compatible);
        QFETCH(QString, latest);
        QFETCH(int, verdict);
        QCOMPARE(int(VersionOrder::judge(own, compatible, latest)), verdict);
    }
};

QTEST_GUILESS_MAIN(TestVersionOrder)
#include "tst_versionorder.moc"
