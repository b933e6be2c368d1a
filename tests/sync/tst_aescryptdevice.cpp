#include "TestFiles.h"
#include "sync/AesCryptDevice.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/evp.h>

#include <memory>

using namespace TestFiles;

namespace {
const QByteArray kKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");

// The reference: OpenSSL's AES-256-CBC with PKCS#7 padding in one call.
QByteArray oneShot(const QByteArray &plain)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    QByteArray out(plain.size() + 16, Qt::Uninitialized);
    int n = 0, last = 0;
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char *>(kKey.constData()),
                       reinterpret_cast<const unsigned char *>(kIv.constData()));
    EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &n,
                      reinterpret_cast<const unsigned char *>(plain.constData()), plain.size());
    EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(out.data()) + n, &last);
    out.resize(n + last);
    return out;
}

} // namespace

// The encrypting upload body over a real file: the bytes it yields, the
// length it announces, and what it does when the file changes under it.
class TestAesCryptDevice : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString path() const { return dir.filePath(QStringLiteral("source.bin")); }

private slots:
    void anyReadSizesGiveTheOneShotCiphertext_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<quint32>("seed");
        for (int length : {0, 1, 15, 16, 17, 65537, 1024 * 1024 + 4099})
            QTest::addRow("%d bytes -> one-shot ciphertext", length) << length << quint32(length + 1);
        QRandomGenerator lengths(20261206);
        for (int i = 0; i < 4; ++i) {
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
        const QByteArray expected = oneShot(plain);
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
        QCOMPARE(got, oneShot(QByteArray(16, 'a')));
    }

    void emptyFileIsOneBlock()
    {
        QVERIFY(writeFile(path(), QByteArray()));
        QFile source(path());
        AesCryptDevice device(kKey, kIv, &source);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QCOMPARE(device.size(), qint64(16));
        QCOMPARE(device.readAll(), oneShot(QByteArray()));
    }

    void fileChangedWhileReadFails_data()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("grown by one byte -> -1") << qint64(200001);
        QTest::newRow("grown by a lot -> -1") << qint64(400000);
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

QTEST_GUILESS_MAIN(TestAesCryptDevice)
#include "tst_aescryptdevice.moc"
