#include "passwords/PasswordStrength.h"

#include "passwords/SecretWipe.h"

#include <zxcvbn.h>

#include <cmath>

int PasswordStrength::score(const QString &password)
{
    if (password.isEmpty())
        return 0;
    QByteArray utf8 = password.toUtf8();
    // This zxcvbn reports the entropy in bits, log2 of the guesses needed;
    // the score follows zxcvbn's own guess thresholds (10^3, 10^6, 10^8,
    // 10^10, each plus 5).
    const double bits = ZxcvbnMatch(utf8.constData(), nullptr, nullptr);
    SecretWipe::wipe(utf8);
    const double thresholds[] = {1e3 + 5, 1e6 + 5, 1e8 + 5, 1e10 + 5};
    int level = 0;
    for (const double guesses : thresholds)
        if (bits >= std::log2(guesses))
            ++level;
    return level;
}

QString PasswordStrength::levelText(int score)
{
    switch (qBound(0, score, Levels - 1)) {
    case 0:
        return tr("weak");
    case 1:
        return tr("low");
    case 2:
        return tr("medium");
    case 3:
        return tr("good");
    default:
        return tr("very good");
    }
}

QString PasswordStrength::levelColour(int score)
{
    static const char *const colours[Levels] = {"#FF0000", "#EA7000", "#FBD400", "#98DF00", "#09A02C"};
    return QString::fromLatin1(colours[qBound(0, score, Levels - 1)]);
}
