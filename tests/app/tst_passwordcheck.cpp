#include "app/PasswordCheck.h"

#include <QDirIterator>
#include <QtTest>

namespace {
// Every file below the test's private root (HOME, XDG folders).
QStringList filesUnderTestRoot()
{
    QStringList files;
    QDirIterator it(QString::fromLocal8Bit(qgetenv("KORVEX_TEST_ROOT")), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}
} // namespace

class TestPasswordCheck : public QObject
{
    Q_OBJECT
private slots:
    void typedPasswordIsCompared_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same password -> accepted") << "correct horse" << "correct horse" << true;
        QTest::newRow("other case -> refused") << "correct horse" << "Correct horse" << false;
        QTest::newRow("trailing blank -> refused") << "correct horse" << "correct horse " << false;
        QTest::newRow("prefix only -> refused") << "correct horse" << "correct" << false;
        QTest::newRow("empty stored, empty typed -> accepted") << "" << "" << true;
        QTest::newRow("empty stored, something typed -> refused") << "" << "x" << false;
        QTest::newRow("non-ascii same -> accepted") << QStringLiteral("pässwört€") << QStringLiteral("pässwört€") << true;
        // Three characters are six UTF-8 bytes; counting characters instead
        // of bytes would compare only "aé" and accept this.
        QTest::newRow("differs in last multi-byte char -> refused") << QStringLiteral("aé€") << QStringLiteral("aéx")
                                                                   << false;
        QTest::newRow("differs in last astral char -> refused") << QStringLiteral("k🔑") << QStringLiteral("k🔒")
                                                               << false;
    }
    void typedPasswordIsCompared()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        PasswordCheck check;
        QVERIFY(check.storePasswordHash(stored));
        QVERIFY(check.hasPassword());
        QCOMPARE(check.checkPassword(typed), accepted);
        QVERIFY(check.checkPassword(stored)); // asking does not use it up
    }

    void newLoginReplacesTheOldPassword_nothingStoredAcceptsNothing()
    {
        PasswordCheck check;
        QVERIFY(!check.hasPassword());
        QVERIFY(!check.checkPassword(QString()));
        QVERIFY(check.storePasswordHash("first"));
        QVERIFY(check.storePasswordHash("second"));
        QVERIFY(!check.checkPassword("first"));
        QVERIFY(check.checkPassword("second"));
        check.clear();
        QVERIFY(!check.hasPassword());
        QVERIFY(!check.checkPassword("second"));
    }

    void nothingReachesTheDisk()
    {
        const QStringList before = filesUnderTestRoot();
        PasswordCheck check;
        QVERIFY(check.storePasswordHash("on disk?"));
        QVERIFY(check.checkPassword("on disk?"));
        QCOMPARE(filesUnderTestRoot(), before);
    }
};

QTEST_GUILESS_MAIN(TestPasswordCheck)
#include "tst_passwordcheck.moc"
