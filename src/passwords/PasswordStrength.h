#pragma once

#include <QCoreApplication>
#include <QString>

// The strength of a password on five levels (0 "weak" to 4 "very good"),
// rated by zxcvbn with its own dictionaries and no user-specific words.
class PasswordStrength
{
    Q_DECLARE_TR_FUNCTIONS(PasswordStrength)
public:
    static constexpr int Levels = 5;

    // 0 for the empty text, else zxcvbn's score 0 to 4.
    static int score(const QString &password);
    // The translated level text ("weak", "low", "medium", "good", "very good").
    static QString levelText(int score);
    // The level's colour ("#FF0000" ... "#09A02C").
    static QString levelColour(int score);
};
