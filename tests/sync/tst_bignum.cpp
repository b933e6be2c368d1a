#include "ThrownBy.h"
#include "sync/BigNum.h"

#include <QtTest>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {
// The 1024-bit group of RFC 5054, Appendix A, and its test vector a -> A
// (Appendix B): the handshake's first computation. The other modular
// operations are checked through the handshake in tst_srpclient.
const char *kN1024 = "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C9C256576D674DF7496EA81D3383B4813D692"
                     "C6E0E0D5D8E250B98BE48E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B297BCF1885C529F566"
                     "660E57EC68EDBC3C05726CC02FD4CBF4976EAA9AFD5138FE8376435B9FC61D2FC0EB06E3";
const char *kA = "60975527035CF2AD1989806F0407210BC81EDC04E2762A56AFD529DDDA2D4393";
const char *kPublicA = "61d5e490f6f1b79547b0704c436f523dd0e560f0c64115bb72557ec44352e8903211c04692272d8b2d1a5358a2"
                       "cf1b6e0bfcf99f921530ec8e39356179eae45e42ba92aeaced825171e1e8b9af6d9c03e1327f44be087ef06530"
                       "e69f66615261eef54073ca11cf5858f0edfdfe15efeab349ef5d76988a3672fac47b0769447b";
} // namespace

class TestBigNum : public QObject
{
    Q_OBJECT
private slots:
    void hexForms_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("hex");
        QTest::newRow("empty text -> zero, empty hex") << "" << "";
        QTest::newRow("single zero digit -> empty hex") << "0" << "";
        QTest::newRow("odd digit count -> padded to whole bytes") << "abc" << "0abc";
        QTest::newRow("upper case -> lower case") << "ABCDEF" << "abcdef";
        QTest::newRow("leading zero bytes -> dropped") << "000000ff01" << "ff01";
    }
    void hexForms()
    {
        QFETCH(QString, input);
        QFETCH(QString, hex);
        QCOMPARE(BigNum(input).toHex(), hex);
        QCOMPARE(BigNum(input.toUtf8()).toHex(), hex);
        QCOMPARE(BigNum(input.toUtf8().constData()).toHex(), hex);
        QCOMPARE(BigNum::fromHex(input).value().toHex(), hex);
    }

    void invalidHex_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("sign -> refused") << "-12";
        QTest::newRow("prefix 0x -> refused") << "0x12";
        QTest::newRow("blank inside -> refused") << "12 34";
        QTest::newRow("non-hex letters -> refused") << "xyz";
        QTest::newRow("valid prefix then junk -> refused") << "abcg";
    }
    void invalidHex()
    {
        QFETCH(QString, input);
        QVERIFY(!BigNum::fromHex(input).has_value());
        QVERIFY(thrownBy([&] { BigNum b(input); }).startsWith("BN hex parse"));
    }

    void machineIntegersAndBytes()
    {
        QCOMPARE(BigNum().toHex(), QString());
        QVERIFY(BigNum().isZero());
        QCOMPARE(BigNum(quint64(255)).toHex(), QString("ff"));
        QCOMPARE(BigNum(quint64(256)).toHex(), QString("0100"));
        QCOMPARE(BigNum(quint64(0xffffffffffffffffULL)).toHex(), QString("ffffffffffffffff"));
        QCOMPARE(BigNum::fromBytes(QByteArray::fromHex("0000017f")).toHex(), QString("017f"));
        QCOMPARE(BigNum::fromBytes(QByteArray::fromHex("0000017f")).toBytes(), QByteArray::fromHex("017f"));
        QCOMPARE(BigNum::fromBytes(QByteArray(4, '\0')).toBytes(), QByteArray());
        QCOMPARE(BigNum(quint64(256)).numBits(), 9);
    }

    void libraryFailureNamesOperation()
    {
        const BigNum x(quint64(3)), y(quint64(4)), zero;
        QVERIFY(thrownBy([&] { BigNum::modExp(x, y, zero); }).startsWith("Modular exponentiation"));
        QVERIFY(thrownBy([&] { BigNum::modMul(x, y, zero); }).startsWith("Modular multiplication"));
        QVERIFY(thrownBy([&] { BigNum::modAdd(x, y, zero); }).startsWith("Modular addition"));
        QVERIFY(thrownBy([&] { BigNum::modSub(x, y, zero); }).startsWith("Modular substraction"));
    }

    void comparisonAndValueSemantics()
    {
        const BigNum small(quint64(5)), big("0100");
        QVERIFY(small < big && big > small && small != big && small <= small && big >= big);
        QVERIFY(BigNum("00ff") == BigNum(quint64(255)));

        BigNum copy(big);
        copy = BigNum::modAdd(copy, BigNum(quint64(1)), BigNum("ffff"));
        QCOMPARE(big.toHex(), QString("0100")); // the copy owns its own number
        QCOMPARE(copy.toHex(), QString("0101"));

        BigNum moved(std::move(copy));
        QCOMPARE(moved.toHex(), QString("0101"));
        QVERIFY(copy.isZero()); // a moved-from value reads as zero instead of crashing
        copy = big;
        QCOMPARE(copy.toHex(), QString("0100"));
    }

    // Each thread must get scratch space of its own; a shared context
    // corrupts results or crashes when two threads compute at once.
    void concurrentThreadsComputeCorrectly()
    {
        const BigNum n(kN1024), a(kA), g(quint64(2));
        const QString expected = QString::fromLatin1(kPublicA);
        std::atomic<int> wrong{0};
        auto work = [&] {
            for (int i = 0; i < 2000; ++i)
                if (BigNum::modExp(g, a, n).toHex() != expected)
                    ++wrong;
        };
        std::thread t1(work), t2(work);
        t1.join();
        t2.join();
        QCOMPARE(wrong.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBigNum)
#include "tst_bignum.moc"
