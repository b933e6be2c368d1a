#pragma once

#include <QByteArray>
#include <QString>

// A one-way check of the password of the current login, kept only in memory:
// a fresh random salt and the PBKDF2-HMAC-SHA-256 derivation of the password
// with it. The password safe's unlock prompt asks it.
class PasswordCheck
{
public:
    static constexpr int SaltLength = 64;
    static constexpr int Iterations = 100000;
    static constexpr int DigestLength = 32;

    PasswordCheck() = default;
    ~PasswordCheck();
    PasswordCheck(const PasswordCheck &) = delete;
    PasswordCheck &operator=(const PasswordCheck &) = delete;

    // Replaces what was kept. On failure nothing is kept, so an earlier
    // password no longer passes.
    bool storePasswordHash(const QString &password);
    // True only when a password is kept and this one derives to it.
    bool checkPassword(const QString &password) const;
    bool hasPassword() const { return m_digest.size() == DigestLength; }
    void clear();

private:
    QByteArray m_salt;
    QByteArray m_digest;
};
