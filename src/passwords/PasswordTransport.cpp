#include "passwords/PasswordTransport.h"

#include "passwords/SecretWipe.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <QTextCodec>

bool PasswordTransport::encrypt(const QByteArray &sessionKey, PasswordRecord &record, QString &&clearPassword)
{
    QString clear = std::move(clearPassword);
    QByteArray plain = clear.toUtf8();
    SecretWipe::wipe(clear);
    const QByteArray iv = randomBytes(16);
    QByteArray cipherText;
    const bool ok = sessionKey.size() == 32 && iv.size() == 16
                    && TransportCipher(sessionKey).encryptBytes(plain, cipherText, iv);
    SecretWipe::wipe(plain);
    if (!ok) {
        qWarning("PasswordTransport::encrypt: unable to encrypt (session key: %d bytes)", int(sessionKey.size()));
        return false;
    }
    record.encryptedPassword = QString::fromLatin1(cipherText.toHex());
    record.transportIv = QString::fromLatin1(iv.toHex());
    return true;
}

std::optional<QString> PasswordTransport::decrypt(const QByteArray &sessionKey, const SinglePasswordTO &secret)
{
    QByteArray plain;
    if (sessionKey.size() != 32
        || !TransportCipher(sessionKey).decryptBytes(QByteArray::fromHex(secret.password.toLatin1()), plain,
                                                     secret.transportIv)) {
        qWarning("PasswordTransport::decrypt: password '%s' does not decrypt with the session key",
                 qUtf8Printable(secret.id));
        return std::nullopt;
    }
    // Strict UTF-8: a wrong key that happens to leave valid padding must not
    // turn into a password of replacement characters.
    QTextCodec::ConverterState state;
    QString text = QTextCodec::codecForName("UTF-8")->toUnicode(plain.constData(), plain.size(), &state);
    SecretWipe::wipe(plain);
    if (state.invalidChars > 0 || state.remainingChars > 0) {
        SecretWipe::wipe(text);
        qWarning("PasswordTransport::decrypt: password '%s' is not UTF-8 text", qUtf8Printable(secret.id));
        return std::nullopt;
    }
    return text;
}
