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
    }
    void anySplitGivesOneShotBytes()
    {
        QFETCH(QList<int>, chunks);
        const QByteArray plain = randomBytes(150001);
        const QByteArray reference = oneShot(true, kKey, kIv, plain).value();

        QCOMPARE(streamed(true, kKey, kIv, plain, chunks), std::optional<QByteArray>(reference));
        QCOMPARE(streamed(false, kKey, kIv, reference, chunks), std::optional<QByteArray>(plain));
    }

    // The library would read past a short key or IV: both are refused, and a
    // refused start leaves nothing that could be fed. Steps out of order fail.
    void misuseIsRefused()
    {
        CipherCalculator enc, dec;
        QVERIFY(!enc.initEncrypt(CipherCalculator::aes256Cbc(), kKey.left(31), kIv));
        QVERIFY(!dec.initDecrypt(CipherCalculator::aes256Cbc(), kKey, kIv + "x"));
        QVERIFY(!dec.initDecrypt(CipherCalculator::aes256Cbc(), QByteArray(), QByteArray()));
        QVERIFY(!enc.updateEncrypt(kPlain));
        QVERIFY(!enc.finalEncrypt());
        QVERIFY(!dec.updateDecrypt(kCipher));

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
    // Bytes follow the NIST vector; text travels as lower-case hex.
    void bytesAndTextRoundTrip()
    {
        const TransportCipher t(kKey);
        QByteArray cipher;
        QVERIFY(t.encryptBytes(kPlain, cipher, kIv));
        QCOMPARE(cipher.left(64).toHex(), kCipher.toHex());
        QByteArray plain;
        QVERIFY(t.decryptBytes(cipher, plain, kIv));
        QCOMPARE(plain, kPlain);

        QString hex, text;
        const QString secret = QStringLiteral("pässwört ✓ 密码");
        QVERIFY(t.encryptToHex(secret, hex, kIv));
        QCOMPARE(hex, hex.toLower());
        QCOMPARE(hex.size() % 32, 0);
        QVERIFY(t.decryptFromHex(hex, text, kIv));
        QCOMPARE(text, secret);
    }

    // A refused operation leaves the caller's output as it was.
    void refusalLeavesOutputUntouched_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("cipherName");
        QTest::addColumn<QByteArray>("iv");
        QTest::addColumn<bool>("truncated");
        QTest::addColumn<bool>("encryptRefused");
        QByteArray wrong = kKey;
        wrong[0] = char(wrong[0] ^ 0x80);
        QTest::newRow("wrong key -> bad padding, false") << wrong << "AES-256-CBC" << kIv << false << false;
        QTest::newRow("16-byte key -> false") << kKey.left(16) << "AES-256-CBC" << kIv << false << true;
        QTest::newRow("unknown cipher name -> false") << kKey << "AES-128-CBC" << kIv << false << true;
        QTest::newRow("truncated ciphertext -> false") << kKey << "AES-256-CBC" << kIv << true << false;
        QTest::newRow("15-byte IV -> false") << kKey << "AES-256-CBC" << kIv.left(15) << false << true;
    }
    void refusalLeavesOutputUntouched()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, cipherName);
        QFETCH(QByteArray, iv);
        QFETCH(bool, truncated);
        QFETCH(bool, encryptRefused);
        QByteArray cipher;
        QVERIFY(TransportCipher(kKey).encryptBytes(QByteArray(100, 'p'), cipher, kIv));
        if (truncated)
            cipher.chop(3);
        const TransportCipher t(key, cipherName);
        QByteArray out("untouched");
        QString text("untouched");
        QVERIFY(!t.decryptBytes(cipher, out, iv));
        QVERIFY(!t.decryptFromHex(QString::fromLatin1(cipher.toHex()), text, iv));
        if (encryptRefused) {
            QVERIFY(!t.encryptBytes(kPlain, out, iv));
            QVERIFY(!t.encryptToHex("abc", text, iv));
        }
        QCOMPARE(out, QByteArray("untouched"));
        QCOMPARE(text, QString("untouched"));
    }

    // The built-in key and IV are the same everywhere: the value below was
    // produced outside the client (openssl enc -aes-256-cbc with them).
    // A damaged value (no clear text given) throws instead.
    void storedValueIsReadableByAnyInstallation_data()
    {
        QTest::addColumn<QString>("clear");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ascii -> fixed ciphertext") << "secret" << "f888bb8afc295de515ca4724eb3c54ab";
        QTest::newRow("non-ascii -> fixed ciphertext") << QStringLiteral("Grüße, 世界")
                                                       << "b1c3711ddffc240b68ba7e9051e8c0d8";
        QTest::newRow("empty -> passes unchanged") << "" << "";
        QTest::newRow("not hex at all -> Unable to decrypt") << QString() << "not a stored value";
        QTest::newRow("half a block -> Unable to decrypt") << QString() << "f888bb8afc295de5";
        QTest::newRow("last byte changed -> Unable to decrypt") << QString() << "f888bb8afc295de515ca4724eb3c54ac";
    }
    void storedValueIsReadableByAnyInstallation()
    {
        QFETCH(QString, clear);
        QFETCH(QString, stored);
        if (clear.isNull()) {
            QCOMPARE(thrownBy([&] { decryptStoredValue(stored); }), QString("Unable to decrypt"));
            return;
        }
        QCOMPARE(encryptStoredValue(clear), stored);
        QCOMPARE(decryptStoredValue(stored), clear);
    }

    // ---- AesCryptDevice ----
    void anyReadSizesGiveTheOneShotCiphertext_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<quint32>("seed");
        for (int length : {0, 15, 16, 65537, 1024 * 1024 + 4099})
            QTest::addRow("%d bytes -> one-shot ciphertext", length) << length << quint32(length + 1);
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
                // Every read is filled as far as the ciphertext reaches.
                QCOMPARE(n, qMin<qint64>(want, expected.size() - got.size()));
                if (n == 0)
                    break;
                got.append(buffer.constData(), int(n));
            }
            QVERIFY(!device.failed());
            QCOMPARE(got.size(), expected.size());
            QVERIFY2(got == expected, qPrintable(QStringLiteral("max read %1").arg(maxRead)));
        }
    }

    void fileChangedWhileReadFails_data()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("grown by one byte -> -1") << qint64(200001);
        QTest::newRow("shrunk by one byte -> -1") << qint64(199999);
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

        QVERIFY(QFile::resize(path(), newSize));

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
