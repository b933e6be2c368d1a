#include "sync/CipherCalculator.h"
#include "sync/Crypto.h"

#include <QtTest>

#include <optional>

namespace {
// NIST SP 800-38A, F.2.5 (CBC-AES256.Encrypt) and F.2.6 (CBC-AES256.Decrypt).
const QByteArray kKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray kPlain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                              "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const QByteArray kCipher = QByteArray::fromHex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                                               "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");

// Runs one operation over `input` cut into the given chunk sizes (the last
// size repeats), taking the output after every step as a stream would.
// Returns an empty optional when any step fails.
std::optional<QByteArray> streamed(bool encrypt, const QByteArray &key, const QByteArray &iv,
                                   const QByteArray &input, const QList<int> &chunks)
{
    CipherCalculator c;
    if (!(encrypt ? c.initEncrypt(CipherCalculator::aes256Cbc(), key, iv)
                  : c.initDecrypt(CipherCalculator::aes256Cbc(), key, iv)))
        return std::nullopt;
    QByteArray out;
    int pos = 0, i = 0;
    while (pos < input.size()) {
        const int n = qMin(chunks.at(qMin(i++, chunks.size() - 1)), input.size() - pos);
        const QByteArray chunk = input.mid(pos, n);
        if (!(encrypt ? c.updateEncrypt(chunk) : c.updateDecrypt(chunk)))
            return std::nullopt;
        out += c.takeResult();
        pos += n;
    }
    if (!(encrypt ? c.finalEncrypt() : c.finalDecrypt()))
        return std::nullopt;
    return out + c.takeResult();
}

std::optional<QByteArray> oneShot(bool encrypt, const QByteArray &key, const QByteArray &iv, const QByteArray &input)
{
    return streamed(encrypt, key, iv, input, {qMax(1, int(input.size()))});
}
} // namespace

class TestCipherCalculator : public QObject
{
    Q_OBJECT
private slots:
    void nistEncryptVector()
    {
        const auto out = oneShot(true, kKey, kIv, kPlain);
        QVERIFY(out);
        QCOMPARE(out->size(), 80); // 64 bytes and a whole block of padding
        QCOMPARE(out->left(64).toHex(), kCipher.toHex());
    }

    void lengthAndRoundTrip_data()
    {
        QTest::addColumn<int>("n");
        for (int n : {0, 15, 16, 65537})
            QTest::addRow("%d bytes -> %d bytes", n, (n / 16 + 1) * 16) << n;
    }
    void lengthAndRoundTrip()
    {
        QFETCH(int, n);
        const QByteArray plain = randomBytes(n);
        const auto cipher = oneShot(true, kKey, kIv, plain);
        QVERIFY(cipher);
        QCOMPARE(cipher->size(), (n / 16 + 1) * 16);
        QCOMPARE(oneShot(false, kKey, kIv, *cipher), std::optional<QByteArray>(plain));
    }

    void anySplitGivesOneShotBytes_data()
    {
        QTest::addColumn<QList<int>>("chunks");
        QTest::newRow("byte by byte -> same bytes") << QList<int>{1};
        QTest::newRow("uneven mix -> same bytes") << QList<int>{3, 100, 17, 4096, 1, 29};
        QTest::newRow("empty chunk first -> same bytes") << QList<int>{0, 5, 1000};
    }
    void anySplitGivesOneShotBytes()
    {
        QFETCH(QList<int>, chunks);
        if (chunks.first() == 0)
            chunks.removeFirst(); // a zero-size update still has to be harmless
        const QByteArray plain = randomBytes(150001);
        const QByteArray reference = oneShot(true, kKey, kIv, plain).value();

        const auto enc = streamed(true, kKey, kIv, plain, chunks);
        QVERIFY(enc);
        QCOMPARE(enc->size(), reference.size());
        QVERIFY(*enc == reference);

        const auto dec = streamed(false, kKey, kIv, reference, chunks);
        QVERIFY(dec);
        QVERIFY(*dec == plain);
    }

    void wrongKeyFailsInFinalStep()
    {
        const QByteArray cipher = oneShot(true, kKey, kIv, QByteArray(1000, 'x')).value();
        // Bad padding under a wrong key is the rule; a valid-looking padding
        // by chance happens about once in 256 keys. Keys and plaintext are
        // fixed here, so the outcome is too.
        int failedInFinal = 0;
        for (int bit = 0; bit < 3; ++bit) {
            QByteArray k = kKey;
            k[bit] = char(k[bit] ^ 0x80);
            CipherCalculator c;
            QVERIFY(c.initDecrypt(CipherCalculator::aes256Cbc(), k, kIv));
            QVERIFY(c.updateDecrypt(cipher)); // no failure before the end
            if (!c.finalDecrypt())
                ++failedInFinal;
        }
        QCOMPARE(failedInFinal, 3);
    }

    void malformedInputFailsInFinalStep_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("one byte short -> final fails") << 1;
    }
    void malformedInputFailsInFinalStep()
    {
        QFETCH(int, cut);
        QByteArray cipher = oneShot(true, kKey, kIv, kPlain).value();
        cipher.chop(cut);
        QVERIFY(!oneShot(false, kKey, kIv, cipher));
        QVERIFY(!oneShot(false, kKey, kIv, QByteArray()));
    }

    void keyAndIvLengthsAreChecked_data()
    {
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<int>("ivLength");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("32/16 -> accepted") << 32 << 16 << true;
        QTest::newRow("short key -> refused") << 31 << 16 << false;
        QTest::newRow("long IV -> refused") << 32 << 17 << false;
        QTest::newRow("empty key and IV -> refused") << 0 << 0 << false;
    }
    void keyAndIvLengthsAreChecked()
    {
        QFETCH(int, keyLength);
        QFETCH(int, ivLength);
        QFETCH(bool, accepted);
        CipherCalculator enc, dec;
        QCOMPARE(enc.initEncrypt(CipherCalculator::aes256Cbc(), randomBytes(keyLength), randomBytes(ivLength)),
                 accepted);
        QCOMPARE(dec.initDecrypt(CipherCalculator::aes256Cbc(), randomBytes(keyLength), randomBytes(ivLength)),
                 accepted);
        // A refused start leaves nothing that could be fed.
        QCOMPARE(enc.updateEncrypt(kPlain), accepted);
        QCOMPARE(enc.finalEncrypt(), accepted);
    }

    void stepsOutOfOrderFail()
    {
        CipherCalculator fresh;
        QVERIFY(!fresh.updateEncrypt(kPlain));
        QVERIFY(!fresh.finalDecrypt());
        QCOMPARE(fresh.takeResult(), QByteArray());

        CipherCalculator used;
        QVERIFY(used.initEncrypt(CipherCalculator::aes256Cbc(), kKey, kIv));
        QVERIFY(!used.updateDecrypt(kCipher)); // started for the other direction
        QVERIFY(used.finalEncrypt());
        QVERIFY(!used.finalEncrypt()); // one operation per object
        QVERIFY(!used.updateEncrypt(kPlain));
        QCOMPARE(used.takeResult().size(), 16);
    }
};

QTEST_GUILESS_MAIN(TestCipherCalculator)
#include "tst_ciphercalculator.moc"
