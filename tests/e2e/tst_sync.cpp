#include "TestEnv.h"
#include "SyncScenario.h"

#include <QtTest>

// Two-way sync end to end: korvexcmd against the reference service with
// real folders; the rows of the decision table as scenarios (SyncScenario.h).
// The steps and expectations are explained in SyncScenario.h.
class TestSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TestEnv::isolated()); }

    void decisionTable_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expects");
        QTest::newRow("C/D local only -> folder created and file uploaded")
            << QStringList{"L d/a.txt=one", "S"}
            << QStringList{"line create remote folder|d|Ok", "line upload|d/a.txt|Ok", "remote d/a.txt=one", "equal"};
        QTest::newRow("E/F remote only -> folder made and file downloaded")
            << QStringList{"R d/a.txt=two", "S"}
            << QStringList{"line create local folder|d|Ok", "line download|d/a.txt|Ok", "local d/a.txt=two", "equal"};
        QTest::newRow("G/Hc same on both sides -> state only, no transfer")
            << QStringList{"R d/a.txt=same", "L d/a.txt=same", "S", "S"}
            << QStringList{"noline d/a.txt", "noline d", "equal"};
        QTest::newRow("Hd/He different on both sides -> conflict copy, remote kept")
            << QStringList{"R a.txt=remote!", "L a.txt=local", "S"}
            << QStringList{"line backup then download|a.txt|Resolved", "local a.txt=remote!", "conflict a.txt=local",
                           "equal"};
        QTest::newRow("U local edit -> upload")
            << QStringList{"L a.txt=v1", "S", "L a.txt=version 2", "S"}
            << QStringList{"line upload|a.txt|Ok", "remote a.txt=version 2", "equal"};
        QTest::newRow("U4 local edit of the same size -> upload")
            << QStringList{"L a.txt=v1", "S", "L a.txt=v2", "S"}
            << QStringList{"line upload|a.txt|Ok", "remote a.txt=v2", "equal"};
        QTest::newRow("D remote edit -> download")
            << QStringList{"L a.txt=v1", "S", "R a.txt=remote v2", "S"}
            << QStringList{"line download|a.txt|Ok", "local a.txt=remote v2", "equal"};
        QTest::newRow("B both edited -> conflict copy of the local edit")
            << QStringList{"L a.txt=v1", "S", "R a.txt=remote v2", "L a.txt=local v2!", "S"}
            << QStringList{"line backup then download|a.txt|Resolved", "local a.txt=remote v2", "conflict a.txt=local v2!",
                           "equal"};
        QTest::newRow("a second conflict on the same day -> a second copy numbered 1")
            << QStringList{"L a.txt=v1", "S", "R a.txt=remote 2", "L a.txt=local 2!", "S", "R a.txt=remote 3",
                           "L a.txt=local 3!", "S"}
            << QStringList{"conflict a.txt=local 2!", "conflict a.txt=local 3!", "copyname a.txt= 1",
                           "local a.txt=remote 3", "equal"};
        QTest::newRow("N deleted locally -> deleted remotely, into the safe's trash")
            << QStringList{"L a.txt=v1", "S", "L- a.txt", "S"}
            << QStringList{"line delete remote file|a.txt|Ok", "remote- a.txt", "remotetrash a.txt", "equal"};
        QTest::newRow("N deleted locally, changed remotely -> still deleted remotely")
            << QStringList{"L a.txt=v1", "S", "L- a.txt", "R a.txt=remote v2", "S"}
            << QStringList{"line delete remote file|a.txt|Ok", "remote- a.txt", "equal"};
        QTest::newRow("La deleted remotely -> deleted locally, into the desktop trash")
            << QStringList{"L a.txt=v1", "S", "R- a.txt", "S"}
            << QStringList{"line delete local file|a.txt|Ok", "local- a.txt", "localtrash a.txt", "equal"};
        QTest::newRow("Lb deleted remotely, changed locally -> uploaded again")
            << QStringList{"L a.txt=v1", "S", "R- a.txt", "L a.txt=local v2", "S"}
            << QStringList{"line upload|a.txt|Ok", "remote a.txt=local v2", "equal"};
        QTest::newRow("K folder deleted remotely -> deleted locally")
            << QStringList{"L d/a.txt=v1", "S", "R- d", "S"}
            << QStringList{"line delete local file|d/a.txt|Ok", "line delete local folder|d|Ok", "local- d", "equal"};
        QTest::newRow("M folder deleted locally -> deleted remotely")
            << QStringList{"L d/e/a.txt=v1", "S", "L- d", "S"}
            << QStringList{"line delete remote folder|d/e|Ok", "line delete remote folder|d|Ok", "remote- d", "equal"};
        QTest::newRow("M with new remote content -> folder restored, new file downloaded, known file deleted")
            << QStringList{"L d/old.txt=v1", "S", "L- d", "R d/new.txt=fresh", "S"}
            << QStringList{"line create local folder|d|Ok", "line download|d/new.txt|Ok",
                           "line delete remote file|d/old.txt|Ok", "local d/new.txt=fresh", "remote d/new.txt=fresh",
                           "remote- d/old.txt", "equal"};
        QTest::newRow("K with new local content -> folder made again remotely, new file uploaded, known file deleted")
            << QStringList{"L d/old.txt=v1", "S", "R- d", "L d/new.txt=mine", "S"}
            << QStringList{"line create remote folder|d|Ok", "line upload|d/new.txt|Ok",
                           "line delete local file|d/old.txt|Ok", "remote d/new.txt=mine", "local- d/old.txt", "equal"};
        QTest::newRow("I deleted on both sides -> forgotten quietly")
            << QStringList{"L a.txt=v1", "S", "L- a.txt", "R- a.txt", "S", "L a.txt=new", "S"}
            << QStringList{"line upload|a.txt|Ok", "remote a.txt=new", "equal"};
        QTest::newRow("silent excludes -> not synchronised, no line")
            << QStringList{"L desktop.ini=x", "L d/Thumbs.db=x", "L x(conflicted copy).txt=x", "L ~$tmp.doc=x", "S"}
            << QStringList{"noline desktop.ini", "noline d/Thumbs.db", "remote- desktop.ini", "remote- d/Thumbs.db",
                           "remote- ~$tmp.doc"};
        QTest::newRow("visible excludes -> skipped with a line")
            << QStringList{"L a:b.txt=x", "L  lead.txt=x", "S"}
            << QStringList{"line upload|a:b.txt|Skipped", "line upload| lead.txt|Skipped", "remote- a:b.txt"};
        QTest::newRow("empty file -> never transferred, no warning")
            << QStringList{"L empty.txt=", "S"} << QStringList{"noline empty.txt", "remote- empty.txt"};
        QTest::newRow("folder of Thumbs.db and desktop.ini deleted remotely -> deleted")
            << QStringList{"LD d", "S", "L d/Thumbs.db=x", "L d/desktop.ini=y", "R- d", "S"}
            << QStringList{"line delete local folder|d|Ok", "local- d"};
        QTest::newRow("folder with a file that is not synchronised, deleted remotely -> kept, error names it")
            << QStringList{"LD d", "S", "L d/Thumbs.db=x", "L d/.~lock.odt#=y", "R- d", "S"}
            << QStringList{"exit 7", "line delete local folder|d|Failed", "local d/.~lock.odt#=y"};
    }
    void decisionTable()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expects);
        SyncScenario::scenario(steps, expects);
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
