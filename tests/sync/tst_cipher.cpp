#include "TestFiles.h"
#include "ThrownBy.h"
#include "sync/AesCryptDevice.h"
#include "sync/CipherCalculator.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace TestFiles;

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

// AES-256-CBC as the client uses it: the streaming calculator (anchored to
// NIST's vector), the transport cipher over it with its hex form and the
// stored-value format, and the encrypting upload body over a real file,
// with what it does when the file changes under it.
class TestCipher : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("source.bin")); }

private slots:
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

    // ---- TransportCipher ----
    void bytesFollowTheNistVector()
    {
        const TransportCipher t(kKey);
        QByteArray cipher;
        QVERIFY(t.encryptBytes(kPlain, cipher, kIv));
        QCOMPARE(cipher.left(64).toHex(), kCipher.toHex());
        QByteArray plain;
        QVERIFY(t.decryptBytes(cipher, plain, kIv));
        QCOMPARE(plain, kPlain);
    }

    void textTravelsAsLowerCaseHex()
    {
        const TransportCipher t(kKey);
        QString hex, text;
        const QString secret = QStringLiteral("pässwört ✓ 密码");
        QVERIFY(t.encryptToHex(secret, hex, kIv));
        QCOMPARE(hex, hex.toLower());
        QCOMPARE(hex.size() % 32, 0);
        QVERIFY(t.decryptFromHex(hex, text, kIv));
        QCOMPARE(text, secret);
    }

    void badIvIsRefusedBeforeAnyWork_data()
    {
        QTest::addColumn<int>("ivLength");
        QTest::newRow("15-byte IV -> refused, output untouched") << 15;
        QTest::newRow("empty IV -> refused, output untouched") << 0;
    }
    void badIvIsRefusedBeforeAnyWork()
    {
        QFETCH(int, ivLength);
        const TransportCipher t(kKey);
        const QByteArray iv(ivLength, '\x01');
        QByteArray bytes("untouched");
        QVERIFY(!t.encryptBytes(kPlain, bytes, iv));
        QCOMPARE(bytes, QByteArray("untouched"));
        QVERIFY(!t.decryptBytes(kCipher, bytes, iv));
        QCOMPARE(bytes, QByteArray("untouched"));
        QString text("untouched");
        QVERIFY(!t.encryptToHex("abc", text, iv));
        QCOMPARE(text, QString("untouched"));
        QVERIFY(!t.decryptFromHex(QString::fromLatin1(kCipher.toHex()), text, iv));
        QCOMPARE(text, QString("untouched"));
    }

    void failedDecryptionLeavesOutputUntouched_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("cipherName");
        QTest::addColumn<QByteArray>("input");
        QByteArray wrong = kKey;
        wrong[0] = char(wrong[0] ^ 0x80);
        QTest::newRow("wrong key -> bad padding, false") << wrong << "AES-256-CBC" << QByteArray();
        QTest::newRow("16-byte key -> false") << kKey.left(16) << "AES-256-CBC" << QByteArray();
        QTest::newRow("unknown cipher name -> false") << kKey << "AES-128-CBC" << QByteArray();
        QTest::newRow("truncated ciphertext -> false") << kKey << "AES-256-CBC" << QByteArray("cut");
    }
    void failedDecryptionLeavesOutputUntouched()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, cipherName);
        QFETCH(QByteArray, input);
        QByteArray cipher;
        QVERIFY(TransportCipher(kKey).encryptBytes(QByteArray(100, 'p'), cipher, kIv));
        if (input == "cut")
            cipher.chop(3);
        const TransportCipher t(key, cipherName);
        QByteArray out("untouched");
        QVERIFY(!t.decryptBytes(cipher, out, kIv));
        QCOMPARE(out, QByteArray("untouched"));
        QString text("untouched");
        QVERIFY(!t.decryptFromHex(QString::fromLatin1(cipher.toHex()), text, kIv));
        QCOMPARE(text, QString("untouched"));
    }

    // The built-in key and IV are the same everywhere: the value below was
    // produced outside the client (openssl enc -aes-256-cbc with them).
    void storedValueIsReadableByAnyInstallation_data()
    {
        QTest::addColumn<QString>("clear");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ascii -> fixed ciphertext") << "secret" << "f888bb8afc295de515ca4724eb3c54ab";
        QTest::newRow("non-ascii -> fixed ciphertext") << QStringLiteral("Grüße, 世界")
                                                       << "b1c3711ddffc240b68ba7e9051e8c0d8";
    }
    void storedValueIsReadableByAnyInstallation()
    {
        QFETCH(QString, clear);
        QFETCH(QString, stored);
        QCOMPARE(encryptStoredValue(clear), stored);
        QCOMPARE(decryptStoredValue(stored), clear);
    }

    void emptyStoredValuePassesUnchanged()
    {
        QCOMPARE(encryptStoredValue(QString()), QString());
        QCOMPARE(decryptStoredValue(QString()), QString());
        QVERIFY(encryptStoredValue(QString("")).isEmpty());
    }

    void damagedStoredValueThrows_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("not hex at all -> Unable to decrypt") << "not a stored value";
        QTest::newRow("half a block -> Unable to decrypt") << "f888bb8afc295de5";
        QTest::newRow("last byte changed -> Unable to decrypt") << "f888bb8afc295de515ca4724eb3c54ac";
    }
    void damagedStoredValueThrows()
    {
        QFETCH(QString, stored);
        QCOMPARE(thrownBy([&] { decryptStoredValue(stored); }), QString("Unable to decrypt"));
    }

    // ---- AesCryptDevice ----
    void anyReadSizesGiveTheOneShotCiphertext_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<quint32>("seed");
        for (int length : {0, 15, 16, 65537, 1024 * 1024 + 4099})
            QTest::addRow("%d bytes -> one-shot ciphertext", length) << length << quint32(length + 1);
        QRandomGenerator lengths(20261206);
        for (int i = 0; i < 2; ++i) {
            const int length = int(lengths.bounded(300000));
            QTest::addRow("random %d bytes -> one-shot ciphertext", length) << length << quint32(i + 77);
        }
    }
    void anyReadSizesGiveTheOneShotCiphertext()
    {
        QFETCH(int, length);
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        const QByteArray plain = randomData(length, seed);
        QVERIFY(writeFile(path(), plain));
        const QByteArray expected = oneShot(true, kKey, kIv, plain).value();
        // Three read patterns per length: tiny, mixed and large reads.
        for (const int maxRead : {7, 5000, 300000}) {
            QFile source(path());
            AesCryptDevice device(kKey, kIv, &source);
            // Unbuffered: every read() reaches readData with its own size.
            QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
            QCOMPARE(device.size(), qint64(expected.size()));
            QByteArray got;
            QByteArray buffer(maxRead, Qt::Uninitialized);
            for (int guard = 0; guard < 10000000; ++guard) {
                const qint64 want = 1 + qint64(rng.bounded(maxRead));
                const qint64 n = device.read(buffer.data(), want);
                QVERIFY2(n >= 0 && n <= want, qPrintable(QString::number(n)));
                if (n == 0)
                    break;
                got.append(buffer.constData(), int(n));
            }
            QVERIFY(!device.failed());
            QCOMPARE(got.size(), expected.size());
            QVERIFY2(got == expected, qPrintable(QStringLiteral("max read %1").arg(maxRead)));
        }
    }

    void sixteenBytesReadTenAtATime()
    {
        QVERIFY(writeFile(path(), QByteArray(16, 'a')));
        QFile source(path());
        AesCryptDevice device(kKey, kIv, &source);
        QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        QCOMPARE(device.size(), qint64(32));
        char buffer[10];
        QList<qint64> returns;
        QByteArray got;
        for (int i = 0; i < 5; ++i) {
            const qint64 n = device.read(buffer, sizeof buffer);
            returns << n;
            got.append(buffer, int(qMax<qint64>(n, 0)));
        }
        QCOMPARE(returns, (QList<qint64>{10, 10, 10, 2, 0}));
        QCOMPARE(got, oneShot(true, kKey, kIv, QByteArray(16, 'a')).value());
    }

    void fileChangedWhileReadFails_data()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("grown by one byte -> -1") << qint64(200001);
        QTest::newRow("shrunk by one byte -> -1") << qint64(199999);
        QTest::newRow("shrunk to nothing -> -1") << qint64(0);
    }
    void fileChangedWhileReadFails()
    {
        QFETCH(qint64, newSize);
        QVERIFY(writeFile(path(), randomData(200000, 5)));
        QFile source(path());
        AesCryptDevice device(kKey, kIv, &source);
        QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        char buffer[4096];
        QCOMPARE(device.read(buffer, sizeof buffer), qint64(sizeof buffer));

        QFile other(path());
        QVERIFY(other.open(QIODevice::ReadWrite));
        QVERIFY(other.resize(newSize));
        other.close();

        qint64 total = sizeof buffer;
        qint64 n = 0;
        while ((n = device.read(buffer, sizeof buffer)) > 0)
            total += n;
        QCOMPARE(n, qint64(-1));
        QVERIFY(device.failed());
        QVERIFY(total < device.size()); // never more than it announced, and not all of it
        QCOMPARE(device.size(), qint64(200000 / 16 + 1) * 16);
        QCOMPARE(device.read(buffer, sizeof buffer), qint64(-1)); // and it stays failed
    }
};

QTEST_GUILESS_MAIN(TestCipher)
#include "tst_cipher.moc"
