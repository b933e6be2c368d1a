#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Password suggestions: a pronounceable "memorizable" form (consonant-vowel
// syllables with two digits) and a random form over chosen character
// classes. Every choice is drawn from the system's cryptographically secure
// generator, uniformly (rejection sampling, no modulo bias). The result is
// empty (nullopt) only when the random source fails.
class PasswordGenerator
{
public:
    static const QString Upper;
    static const QString Lower;
    static const QString Special;
    static const QString Digits;

    PasswordGenerator();
    ~PasswordGenerator();
    PasswordGenerator(const PasswordGenerator &) = delete;
    PasswordGenerator &operator=(const PasswordGenerator &) = delete;

    // 12 characters: five syllables and two digits at 4-5, 5-6 or 6-7 (mode 3).
    std::optional<QString> memorizable();
    // n characters from lower case plus the chosen classes; empty for n < 1.
    std::optional<QString> random(int length, bool upper, bool special, bool digits);

    // How the digits are placed: 0 each at a random index, 1 at the front,
    // 2 before the last character, 3 the fixed layouts above.
    void setDigitMode(int mode) { m_digitMode = mode; }
    const QStringList &excludedPairs() const { return m_excludedPairs; }
    const QString &consonants() const { return m_consonants; }
    const QString &vowels() const { return m_vowels; }

private:
    // A uniform index in [0, n), or -1 when the random source fails.
    int uniform(int n);
    QChar pick(const QString &alphabet, bool &ok);

    int m_digitCount = 2;
    int m_digitMode = 3;
    int m_length = 12;
    QString m_consonants;
    QString m_vowels;
    QString m_digits;
    QStringList m_excludedPairs;
    QByteArray m_pool; // random bytes not used yet; wiped when dropped
    int m_poolUsed = 0;
};
