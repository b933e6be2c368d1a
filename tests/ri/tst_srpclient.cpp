#include "ThrownBy.h"
#include "ri/SrpClient.h"
#include "support/SrpTestClient.h"

#include <QtTest>

// The client's handshake against SrpTestClient, a second implementation
// written from the protocol description alone on OpenSSL, whose proofs the
// reference service accepts in every end-to-end suite: from the same inputs
// both must reach the same key, proof and encrypted values.
namespace {
const char *kN = "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C9C256576D674DF7496EA81D3383B4813D692C6E0E0D5D8E250"
                 "B98BE48E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B297BCF1885C529F566660E57EC68EDBC3C05726CC02F"
                 "D4CBF4976EAA9AFD5138FE8376435B9FC61D2FC0EB06E3";
// Any B between 1 and N serves the mathematics of both sides.
const QString kB = QString("2a").repeated(120) + "0c0d";
} // namespace

class TestSrpClient : public QObject
{
    Q_OBJECT
private slots:
    void handshakeAgreesWithSecondImplementation_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("salt");
        QTest::addColumn<QString>("a");
        QTest::newRow("plain -> same K, M1, user key, TAN, device name, doubleSec")
            << "alice" << "correct horse" << "beefcafe0102" << "1234567890abcdef1234567890abcdef";
        QTest::newRow("salt with leading zero byte -> the same") << "bob" << "pw" << "00ab12" << "77";
        QTest::newRow("umlauts in the password -> the same") << "carol" << QString::fromUtf8("Pässwörd€") << "0f"
                                                            << "deadbeef";
    }
    void handshakeAgreesWithSecondImplementation()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, salt);
        QFETCH(QString, a);
        SrpClient client(user, password, a);
        SrpTestClient reference(user, password, a.toLatin1());
        const QString A = client.calculatePubA();
        QVERIFY(!A.startsWith("00"));
        QCOMPARE(A, QString::fromLatin1(reference.hexA()));
        client.setSalt(salt);
        client.setB(kB);
        QVERIFY(reference.setServerValues(salt.toLatin1(), kB.toLatin1()));
        const QByteArray K = client.calculateK();
        QCOMPARE(K.size(), 32);
        QCOMPARE(K.toHex(), reference.key().toHex());
        QCOMPARE(client.calculateM1(), QString::fromLatin1(reference.hexM1()));

        // The user key (PBKDF2 with the salt's magnitude, no leading zero
        // byte) for both brands' iteration counts, the TAN and the device
        // name, each under K with its IV from hex(A).
        for (const char *brand : {"quarnet", "telvo"}) {
            const int iterations = SrpClient::userKeyIterations(brand);
            QCOMPARE(client.calculateUserKey(iterations).toHex(), reference.userKeyHex(iterations));
        }
        QCOMPARE(client.encryptTan("AB12").toHex(), reference.encryptHex("AB12", 0));
        const QString device = QString::fromUtf8("Laptop ü");
        QCOMPARE(client.encryptDeviceName(device).toHex(), reference.encryptHex(device.toUtf8(), 64));
        // doubleSec: hex(HMAC-SHA-256(K, fromHex(previous))).
        QCOMPARE(client.deriveDoubleSec("00ff10"), QString::fromLatin1(reference.hmacHex(QByteArray::fromHex("00ff10"))));
    }

    void iterationsFollowTheBrand()
    {
        QCOMPARE(SrpClient::userKeyIterations("quarnet"), 500);
        QCOMPARE(SrpClient::userKeyIterations("telvo"), 15000);
    }

    void missingInputsThrow_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("salt");
        QTest::addColumn<QString>("error");
        QTest::newRow("no salt") << "u" << "p" << "" << "Salt missing when counting X";
        QTest::newRow("no user") << "" << "p" << "ab" << "Username missing when counting X";
        QTest::newRow("no password") << "u" << "" << "ab" << "Password missing when counting X";
    }
    void missingInputsThrow()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, salt);
        QFETCH(QString, error);
        SrpClient client(user, password, "5");
        client.calculatePubA();
        client.setSalt(salt);
        client.setB("77");
        QCOMPARE(thrownBy([&] { client.calculateK(); }), error);
    }

    void hostileServerValues()
    {
        SrpClient client("u", "p", "5");
        client.calculatePubA();
        client.setSalt("ab");
        // B = 0 and B = N are refused; so is text that is not hexadecimal.
        client.setB("0");
        QVERIFY_EXCEPTION_THROWN(client.calculateK(), std::runtime_error);
        client.setB(QString::fromLatin1(kN));
        QVERIFY_EXCEPTION_THROWN(client.calculateK(), std::runtime_error);
        QVERIFY_EXCEPTION_THROWN(client.setB("12zz"), std::runtime_error);
        QVERIFY_EXCEPTION_THROWN(client.setSalt("-1"), std::runtime_error);
    }
};

QTEST_GUILESS_MAIN(TestSrpClient)
#include "tst_srpclient.moc"
