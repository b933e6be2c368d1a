#include "sync/BigNum.h"
#include "sync/Crypto.h"
#include "sync/DigestCalculator.h"

#include <QtTest>

namespace {
const char *kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const char *kEmpty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

QByteArray sha256(const QByteArray &bytes)
{
    DigestCalculator d(DigestCalculator::sha256());
    return d.addData(bytes).finalBytes();
}
} // namespace

class TestDigestCalculator : public QObject
{
    Q_OBJECT
private slots:
    void calculatorIsReusedAfterFinal()
    {
        DigestCalculator d(DigestCalculator::sha256());
        QCOMPARE(d.finalBytes().toHex(), QByteArray(kEmpty)); // nothing added: the digest of nothing
        QCOMPARE(d.addData("abc").finalBytes().toHex(), QByteArray(kAbc));
        QCOMPARE(d.addData("abc").finalBytes().toHex(), QByteArray(kAbc)); // nothing carried over
        d.addData("something else").finalBigNum();
        QCOMPARE(d.addData(QString("abc")).finalBytes().toHex(), QByteArray(kAbc));
    }

    void textIsHashedAsUtf8()
    {
        const QString text = QStringLiteral("Grüße ✓");
        DigestCalculator d(DigestCalculator::sha256());
        QCOMPARE(d.addData(text).finalBytes(), sha256(text.toUtf8()));
    }

    void finalBigNumReadsTheDigestBigEndian()
    {
        DigestCalculator d(DigestCalculator::sha256());
        QCOMPARE(d.addData("abc").finalBigNum().toHex(), QString(kAbc));
        // SHA-256("x84") begins with a zero byte, which the number drops.
        const BigNum n = d.addData("x84").finalBigNum();
        QCOMPARE(n.toHex(), QString("9d9e88ce13770ca5fc05097eb32a9576e1b989c0584f9174f31fe70aadc342"));
        QCOMPARE(sha256("x84").toHex(),
                 QByteArray("009d9e88ce13770ca5fc05097eb32a9576e1b989c0584f9174f31fe70aadc342"));
    }

    // RFC 7914, section 11: the first 32 bytes of the 64-byte output for
    // passwd/salt/1 (PBKDF2 blocks are independent, so they are the 32-byte
    // derivation); both forms agree with it.
    void pbkdf2Vector()
    {
        const QByteArray key("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
        QByteArray out;
        QVERIFY(deriveKeyPbkdf2("passwd", "salt", 1, out));
        QCOMPARE(out.toHex(), key);
        unsigned char raw[33];
        raw[32] = 0x5a; // must stay: the output is exactly 32 bytes
        QVERIFY(deriveKeyPbkdf2("passwd", 6, reinterpret_cast<const unsigned char *>("salt"), 4, 1, raw));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(raw), 32).toHex(), key);
        QCOMPARE(raw[32], 0x5a);
        // No iterations: refused, the output untouched.
        out = "untouched";
        QVERIFY(!deriveKeyPbkdf2("pw", "salt", 0, out));
        QCOMPARE(out, QByteArray("untouched"));
    }

    void randomBytesHaveTheAskedLength()
    {
        QCOMPARE(randomBytes(0), QByteArray());
        QCOMPARE(randomBytes(-3), QByteArray());
        const QByteArray a = randomBytes(32), b = randomBytes(32);
        QCOMPARE(a.size(), 32);
        QVERIFY(a != b);
        QVERIFY(a != QByteArray(32, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestDigestCalculator)
#include "tst_digestcalculator.moc"
