#include "sync/TransportCipher.h"

#include "sync/CipherCalculator.h"

TransportCipher::TransportCipher(const QByteArray &key, const QString &cipherName)
    : m_key(key)
    , m_cipher(cipherName == QLatin1String("AES-256-CBC") ? CipherCalculator::aes256Cbc() : nullptr)
{
}

bool TransportCipher::run(bool encrypt, const QByteArray &input, QByteArray &output, const QByteArray &iv) const
{
    if (iv.size() != 16 || !m_cipher)
        return false;
    CipherCalculator calc;
    const bool ok = encrypt ? calc.initEncrypt(m_cipher, m_key, iv) && calc.updateEncrypt(input) && calc.finalEncrypt()
                            : calc.initDecrypt(m_cipher, m_key, iv) && calc.updateDecrypt(input) && calc.finalDecrypt();
    if (!ok)
        return false;
    output = calc.takeResult();
    return true;
}

bool TransportCipher::encryptBytes(const QByteArray &input, QByteArray &output, const QByteArray &iv) const
{
    return run(true, input, output, iv);
}

bool TransportCipher::decryptBytes(const QByteArray &input, QByteArray &output, const QByteArray &iv) const
{
    return run(false, input, output, iv);
}

bool TransportCipher::encryptToHex(const QString &text, QString &output, const QByteArray &iv) const
{
    QByteArray cipherText;
    if (!encryptBytes(text.toUtf8(), cipherText, iv))
        return false;
    output = QString::fromLatin1(cipherText.toHex());
    return true;
}

bool TransportCipher::decryptFromHex(const QString &hex, QString &output, const QByteArray &iv) const
{
    QByteArray plain;
    if (!decryptBytes(QByteArray::fromHex(hex.toLatin1()), plain, iv))
        return false;
    output = QString::fromUtf8(plain);
    return true;
}
