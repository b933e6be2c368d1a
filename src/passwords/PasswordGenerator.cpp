#include "passwords/PasswordGenerator.h"

#include "passwords/SecretWipe.h"
#include "sync/Crypto.h"

#include <cstring>
#include <limits>

const QString PasswordGenerator::Upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString PasswordGenerator::Lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString PasswordGenerator::Special = QStringLiteral("\\!@#$%&*()=+{}[]><.,:;/-");
const QString PasswordGenerator::Digits = QStringLiteral("1234567890");

PasswordGenerator::PasswordGenerator()
    : m_consonants(QStringLiteral("bcdfghklmnpqrstvwxz"))
    , m_vowels(QStringLiteral("aeijouy"))
    , m_digits(Digits)
    , m_excludedPairs({"ku", "ky", "sj", "ko", "kj", "ka", "fj", "fy", "ny", "nj", "vy", "vu", "vj", "mj",
                       "hj", "sy", "hy", "pj", "py", "xu", "xy", "cy", "xe", "xa", "xo", "xi", "cj", "xj",
                       "ty", "wy", "wu", "wj", "bj", "rj", "ry", "zu", "zy", "za", "ze", "zj", "zi", "zo",
                       "qo", "qj", "qi", "qe", "qa", "qy", "dy", "dj", "tj", "lu", "lj", "gj", "gy"})
{
}

PasswordGenerator::~PasswordGenerator()
{
    SecretWipe::wipe(m_pool);
}

int PasswordGenerator::uniform(int n)
{
    if (n < 1)
        return -1;
    // The largest multiple of n that fits in 32 bits: values at or above it
    // would favour the low indexes, so they are drawn again.
    const quint64 range = quint64(std::numeric_limits<quint32>::max()) + 1;
    const quint64 limit = range - range % quint64(n);
    for (;;) {
        if (m_poolUsed + 4 > m_pool.size()) {
            SecretWipe::wipe(m_pool);
            m_pool = randomBytes(256);
            m_poolUsed = 0;
            if (m_pool.size() != 256) {
                qCritical("PasswordGenerator: the random source failed");
                return -1;
            }
        }
        quint32 value = 0;
        std::memcpy(&value, m_pool.constData() + m_poolUsed, sizeof value);
        m_poolUsed += 4;
        if (value < limit)
            return int(value % quint32(n));
    }
}

QChar PasswordGenerator::pick(const QString &alphabet, bool &ok)
{
    const int i = uniform(alphabet.size());
    ok = ok && i >= 0;
    return i >= 0 ? alphabet.at(i) : QChar();
}

std::optional<QString> PasswordGenerator::random(int length, bool upper, bool special, bool digits)
{
    QString alphabet = Lower;
    if (upper)
        alphabet += Upper;
    if (special)
        alphabet += Special;
    if (digits)
        alphabet += Digits;
    QString out;
    bool ok = true;
    for (int i = 0; i < length && ok; ++i)
        out += pick(alphabet, ok);
    if (!ok) {
        SecretWipe::wipe(out);
        return std::nullopt;
    }
    return out;
}

std::optional<QString> PasswordGenerator::memorizable()
{
    bool ok = true;
    QString out;
    const int letters = m_length - m_digitCount;
    for (int i = 0; i < letters / 2 && ok; ++i) {
        QString pair;
        do {
            pair = QString(pick(m_consonants, ok)) + pick(m_vowels, ok);
        } while (ok && m_excludedPairs.contains(pair));
        out += pair;
    }
    if (letters % 2)
        out += pick(m_consonants, ok);

    switch (m_digitMode) {
    case 3: {
        const int r = uniform(3);
        ok = ok && r >= 0;
        if (r == 0) {
            out.insert(4, pick(m_digits, ok));
            out.insert(5, pick(m_digits, ok));
        } else if (r == 1) {
            out.remove(4, 2);
            out.insert(4, pick(m_consonants, ok));
            out.insert(5, pick(m_digits, ok));
            out.insert(6, pick(m_digits, ok));
            out.insert(7, pick(m_vowels, ok));
        } else {
            out.insert(6, pick(m_digits, ok));
            out.insert(7, pick(m_digits, ok));
        }
        break;
    }
    default:
        for (int i = 0; i < m_digitCount && ok; ++i) {
            int at = 0;
            if (m_digitMode == 0)
                at = uniform(qMax(1, out.size()));
            else if (m_digitMode == 2)
                at = qMax(0, out.size() - 1);
            ok = ok && at >= 0;
            out.insert(at, pick(m_digits, ok));
        }
        break;
    }
    if (!ok) {
        SecretWipe::wipe(out);
        return std::nullopt;
    }
    return out;
}
