#include "WireFormat.h"

#include <QtTest>

// The service's checks of what arrives in headers and paths, below the HTTP
// layer: the rules that keep hostile names out of the safes.
class TestServiceWireFormat : public QObject
{
    Q_OBJECT

private slots:
    void utf8_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ASCII -> valid") << QByteArray("plain.txt") << true;
        QTest::newRow("umlaut -> valid") << QByteArray("\xC3\xBC") << true;
        QTest::newRow("emoji, 4 bytes -> valid") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("U+10FFFF -> valid") << QByteArray("\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("past U+10FFFF -> invalid") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("overlong slash, 2 bytes -> invalid") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("overlong, 3 bytes -> invalid") << QByteArray("\xE0\x80\xAF") << false;
        QTest::newRow("overlong, 4 bytes -> invalid") << QByteArray("\xF0\x80\x80\xAF") << false;
        QTest::newRow("surrogate -> invalid") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("cut sequence at the end -> invalid") << QByteArray("a\xE2\x82") << false;
        QTest::newRow("lone continuation byte -> invalid") << QByteArray("\x80") << false;
        QTest::newRow("C3 followed by ASCII -> invalid") << QByteArray("\xC3(") << false;
    }
    void utf8()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QCOMPARE(WireFormat::isValidUtf8(text.toStdString()), valid);
    }

    void names_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ordinary -> valid") << QByteArray("report 2026.pdf") << true;
        QTest::newRow("percent sign -> valid") << QByteArray("100% done") << true;
        QTest::newRow("dot file -> valid") << QByteArray(".hidden") << true;
        QTest::newRow("three dots -> valid") << QByteArray("...") << true;
        QTest::newRow("255 bytes -> valid") << QByteArray(255, 'n') << true;
        QTest::newRow("256 bytes -> invalid") << QByteArray(256, 'n') << false;
        QTest::newRow("empty -> invalid") << QByteArray("") << false;
        QTest::newRow(". -> invalid") << QByteArray(".") << false;
        QTest::newRow(".. -> invalid") << QByteArray("..") << false;
        QTest::newRow("backslash -> invalid") << QByteArray("a\\b") << false;
        QTest::newRow("tab -> invalid") << QByteArray("a\tb") << false;
        QTest::newRow("DEL -> invalid") << QByteArray("a\x7F") << false;
    }
    void names()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        std::string why;
        QCOMPARE(WireFormat::isValidName(name.toStdString(), why), valid);
        QCOMPARE(why.empty(), valid);
    }

    void folderPaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("normal"); // empty: refused
        QTest::newRow("root -> /") << QByteArray("/") << QByteArray("/");
        QTest::newRow("empty -> /") << QByteArray("") << QByteArray("/");
        QTest::newRow("relative -> absolute") << QByteArray("Docs/sub") << QByteArray("/Docs/sub");
        QTest::newRow("trailing and double slashes -> dropped") << QByteArray("//Docs//sub/") << QByteArray("/Docs/sub");
        QTest::newRow("dot component -> refused") << QByteArray("/Docs/./sub") << QByteArray();
    }
    void folderPaths()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, normal);
        std::string why;
        const auto result = WireFormat::normalizeFolderPath(path.toStdString(), why);
        QCOMPARE(result.has_value(), !normal.isEmpty());
        if (result)
            QCOMPARE(QByteArray::fromStdString(*result), normal);
        else
            QVERIFY(!why.empty());
    }

    void isoTimes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("ms"); // -1: refused
        QTest::newRow("date only -> midnight UTC") << QByteArray("2001-01-01") << qint64(978307200000);
        QTest::newRow("full form -> exact") << QByteArray("2026-12-04T10:11:12.345Z") << qint64(1796379072345);
        QTest::newRow("month 13 -> refused") << QByteArray("2026-13-01") << qint64(-1);
        QTest::newRow("trailing junk -> refused") << QByteArray("2026-12-04T10:11:12Zjunk") << qint64(-1);
        QTest::newRow("words -> refused") << QByteArray("tomorrow") << qint64(-1);
    }
    void isoTimes()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, ms);
        const auto parsed = WireFormat::parseIsoTime(text.toStdString());
        QCOMPARE(parsed.has_value(), ms >= 0);
        if (parsed) {
            QCOMPARE(qint64(*parsed), ms);
            QCOMPARE(QByteArray::fromStdString(WireFormat::isoTime(*parsed)).left(10), text.left(10));
        }
    }

    void cookiesHexAndIds()
    {
        QCOMPARE(WireFormat::cookieValue("a=1; JSESSIONID=abc; b=2", "JSESSIONID").value_or("-"), std::string("abc"));
        QCOMPARE(WireFormat::cookieValue("XJSESSIONID=abc", "JSESSIONID").has_value(), false);
        QCOMPARE(WireFormat::cookieValue("", "JSESSIONID").has_value(), false);
        QVERIFY(!WireFormat::fromHex("abc").has_value());
        QVERIFY(!WireFormat::fromHex("zz").has_value());
        QCOMPARE(WireFormat::toHex(*WireFormat::fromHex("00FFa1")), std::string("00ffa1"));
        QVERIFY(!WireFormat::parseId("-1").has_value());
        QVERIFY(!WireFormat::parseId("1e3").has_value());
        QVERIFY(!WireFormat::parseId("9999999999999999999").has_value());
        QCOMPARE(WireFormat::parseId("42").value_or(0), std::int64_t(42));
    }
};

QTEST_MAIN(TestServiceWireFormat)
#include "tst_service_wireformat.moc"
