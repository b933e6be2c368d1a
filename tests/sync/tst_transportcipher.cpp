#include "ThrownBy.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <QtTest>

#include <functional>
#include <stdexcept>

namespace {
const QByteArray kKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray kPlain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                              "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const char *kCipherHex = "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                         "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";

} // namespace

class TestTransportCipher : public QObject
{
    Q_OBJECT
private slots:
    void bytesFollowTheNistVector()
    {
        const TransportCipher t(kKey);
        QByteArray cipher;
        QVERIFY(t.encryptBytes(kPlain, cipher, kIv));
        QCOMPARE(cipher.left(64).toHex(), QByteArray(kCipherHex));
        QByteArray plain;
        QVERIFY(t.decryptBytes(cipher, plain, kIv));
        QCOMPARE(plain, kPlain);
    }

    void textTravelsAsLowerCaseHex()
    {
        const TransportCipher t(kKey);
        QString hex;
        // Latin-1 text above 0x7f: two UTF-8 bytes per character, still back intact.
        QVERIFY(t.encryptToHex(QString::fromLatin1(kPlain), hex, kIv));
        QString text;
        QVERIFY(t.decryptFromHex(hex, text, kIv));
        QCOMPARE(text, QString::fromLatin1(kPlain));

        const QString secret = QStringLiteral("pässwört ✓ 密码");
        QVERIFY(t.encryptToHex(secret, hex, kIv));
        QCOMPARE(hex, hex.toLower());
        QCOMPARE(hex.size() % 32, 0);
        QVERIFY(t.decryptFromHex(hex, text, kIv));
        QCOMPARE(text, secret);
        // Upper case and separators decode like the usual hex decoding does.
        QString spaced;
        for (int i = 0; i < hex.size(); i += 2)
            spaced += hex.mid(i, 2).toUpper() + QLatin1Char(' ');
        QVERIFY(t.decryptFromHex(spaced, text, kIv));
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
        QVERIFY(!t.decryptBytes(QByteArray::fromHex(kCipherHex), bytes, iv));
        QCOMPARE(bytes, QByteArray("untouched"));
        QString text("untouched");
        QVERIFY(!t.encryptToHex("abc", text, iv));
        QCOMPARE(text, QString("untouched"));
        QVERIFY(!t.decryptFromHex(kCipherHex, text, iv));
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

    void storedValueRoundTrip_data()
    {
        QTest::addColumn<QString>("clear");
        QTest::newRow("emoji and CJK -> back") << QStringLiteral("🔑 鍵 ключ");
        QTest::newRow("long text -> back") << QString(5000, QChar(0x00e9));
    }
    void storedValueRoundTrip()
    {
        QFETCH(QString, clear);
        const QString stored = encryptStoredValue(clear);
        QVERIFY(stored != clear);
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
};

QTEST_GUILESS_MAIN(TestTransportCipher)
#include "tst_transportcipher.moc"
