#include "ri/SrpClient.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <QtTest>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>

// The server's side of the handshake, written here from the published SRP-6a
// formulas straight on OpenSSL, so that the client's classes are checked
// against an implementation that shares none of their code.
namespace {
using Bn = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
Bn bn() { return Bn(BN_new(), &BN_free); }
Bn bnHex(const char *hex)
{
    BIGNUM *b = nullptr;
    BN_hex2bn(&b, hex);
    return Bn(b, &BN_free);
}
QByteArray mag(const BIGNUM *b)
{
    QByteArray out(BN_num_bytes(b), '\0');
    BN_bn2bin(b, reinterpret_cast<unsigned char *>(out.data()));
    return out;
}
QByteArray sha(const QByteArray &data)
{
    QByteArray out(32, '\0');
    EVP_Digest(data.constData(), size_t(data.size()), reinterpret_cast<unsigned char *>(out.data()), nullptr,
               EVP_sha256(), nullptr);
    return out;
}
Bn bnBytes(const QByteArray &b)
{
    return Bn(BN_bin2bn(reinterpret_cast<const unsigned char *>(b.constData()), b.size(), nullptr), &BN_free);
}
QString hexOf(const BIGNUM *b)
{
    return QString::fromLatin1(mag(b).toHex());
}

const char *kN = "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C9C256576D674DF7496EA81D3383B4813D692C6E0E0D5D8E250"
                 "B98BE48E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B297BCF1885C529F566660E57EC68EDBC3C05726CC02F"
                 "D4CBF4976EAA9AFD5138FE8376435B9FC61D2FC0EB06E3";

struct Server
{
    Bn N = bnHex(kN), g = bnHex("2"), k = bnHex("3");
    Bn s, v = bn(), b = bnHex("1234567890abcdef1234567890abcdef"), B = bn();
    BN_CTX *ctx = BN_CTX_new();
    QString user;
    ~Server() { BN_CTX_free(ctx); }

    Server(const QString &username, const QString &password, const char *saltHex) : s(bnHex(saltHex)), user(username)
    {
        const Bn x = bnBytes(sha(mag(s.get()) + sha((username + ":" + password).toUtf8())));
        BN_mod_exp(v.get(), g.get(), x.get(), N.get(), ctx);
        // B = k*v + g^b mod N
        Bn kv = bn(), gb = bn();
        BN_mod_mul(kv.get(), k.get(), v.get(), N.get(), ctx);
        BN_mod_exp(gb.get(), g.get(), b.get(), N.get(), ctx);
        BN_mod_add(B.get(), kv.get(), gb.get(), N.get(), ctx);
    }
    // K = H(S), S = (A * v^u)^b mod N
    QByteArray key(const QString &Ahex)
    {
        const Bn A = bnHex(Ahex.toLatin1().constData());
        const Bn u = bnBytes(sha(mag(A.get()) + mag(B.get())));
        Bn vu = bn(), base = bn(), S = bn();
        BN_mod_exp(vu.get(), v.get(), u.get(), N.get(), ctx);
        BN_mod_mul(base.get(), A.get(), vu.get(), N.get(), ctx);
        BN_mod_exp(S.get(), base.get(), b.get(), N.get(), ctx);
        return sha(mag(S.get()));
    }
    QString m1(const QString &Ahex, const QByteArray &K)
    {
        const QByteArray hN = sha(mag(N.get())), hg = sha(mag(g.get()));
        QByteArray x(32, '\0');
        for (int i = 0; i < 32; ++i)
            x[i] = char(hN[i] ^ hg[i]);
        const Bn A = bnHex(Ahex.toLatin1().constData());
        const Bn Kn = bnBytes(K);
        return QString::fromLatin1(
            sha(x + sha(user.toUtf8()) + mag(s.get()) + mag(A.get()) + mag(B.get()) + mag(Kn.get())).toHex());
    }
};
} // namespace

class TestSrpClient : public QObject
{
    Q_OBJECT
private slots:
    void handshakeAgreesWithServer_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("salt");
        QTest::addColumn<QString>("a");
        QTest::newRow("plain") << "alice" << "correct horse" << "beefcafe0102" << "";
        QTest::newRow("salt with leading zero byte") << "bob" << "pw" << "00ab12" << "";
        QTest::newRow("umlauts in the password") << "carol" << QString::fromUtf8("Pässwörd€") << "0f" << "";
        QTest::newRow("fixed a") << "dave" << "x" << "1234" << "deadbeef";
    }
    void handshakeAgreesWithServer()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, salt);
        QFETCH(QString, a);
        Server server(user, password, salt.toLatin1().constData());
        SrpClient client(user, password, a);
        const QString A = client.calculatePubA();
        QVERIFY(!A.startsWith("00"));
        client.setSalt(salt);
        client.setB(hexOf(server.B.get()));
        const QByteArray K = client.calculateK();
        QCOMPARE(K.size(), 32);
        QCOMPARE(K.toHex(), server.key(A).toHex());
        QCOMPARE(client.calculateM1(), server.m1(A, server.key(A)).remove(QRegularExpression("^(00)+")));
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
        try {
            client.calculateK();
            QFAIL("no exception");
        } catch (const std::runtime_error &e) {
            QCOMPARE(QString::fromUtf8(e.what()), error);
        }
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

    void keyEncryptions()
    {
        Server server("erin", "pw", "00c0ffee");
        SrpClient client("erin", "pw");
        const QString A = client.calculatePubA();
        client.setSalt("00c0ffee");
        client.setB(hexOf(server.B.get()));
        const QByteArray K = client.calculateK();
        auto decrypt = [&](const QByteArray &cipher, int from) {
            QByteArray plain;
            const bool ok = TransportCipher(K).decryptBytes(cipher, plain, QByteArray::fromHex(A.mid(from, 32).toLatin1()));
            return ok ? plain : QByteArray("<failed>");
        };
        // The user key: PBKDF2 of the password with the salt's magnitude (no
        // leading zero byte), under K with the IV from hex(A)[32..63].
        QByteArray expected;
        QVERIFY(deriveKeyPbkdf2(QByteArray("pw"), QByteArray::fromHex("c0ffee"), 500, expected));
        QCOMPARE(decrypt(client.calculateUserKey(SrpClient::userKeyIterations("quarnet")), 32), expected);
        QByteArray telvo;
        QVERIFY(deriveKeyPbkdf2(QByteArray("pw"), QByteArray::fromHex("c0ffee"), 15000, telvo));
        QCOMPARE(decrypt(client.calculateUserKey(SrpClient::userKeyIterations("telvo")), 32), telvo);
        QCOMPARE(decrypt(client.encryptTan("AB12"), 0), QByteArray("AB12"));
        QCOMPARE(decrypt(client.encryptDeviceName(QString::fromUtf8("Laptop ü")), 64), QString::fromUtf8("Laptop ü").toUtf8());

        // doubleSec: hex(HMAC-SHA-256(K, fromHex(previous))).
        unsigned char mac[32];
        unsigned int len = 0;
        const QByteArray msg = QByteArray::fromHex("00ff10");
        HMAC(EVP_sha256(), K.constData(), K.size(), reinterpret_cast<const unsigned char *>(msg.constData()),
             size_t(msg.size()), mac, &len);
        QCOMPARE(client.deriveDoubleSec("00ff10"), QString::fromLatin1(QByteArray(reinterpret_cast<char *>(mac), int(len)).toHex()));
        QCOMPARE(client.deriveDoubleSec("00ff10").size(), 64);
    }

};

QTEST_GUILESS_MAIN(TestSrpClient)
#include "tst_srpclient.moc"
