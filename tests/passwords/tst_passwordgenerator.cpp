#include "passwords/PasswordGenerator.h"
#include "passwords/PasswordStrength.h"

#include <QHash>
#include <QtTest>

// The generator's alphabets, lengths and syllable rules, its uniformity, and
// the strength levels of known passwords.
class TestPasswordGenerator : public QObject
{
    Q_OBJECT

    static QList<int> digitPositions(const QString &password)
    {
        QList<int> positions;
        for (int i = 0; i < password.size(); ++i)
            if (password.at(i).isDigit())
                positions << i;
        return positions;
    }

private slots:
    void randomForm_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<bool>("special");
        QTest::addColumn<bool>("digits");
        QTest::addColumn<QString>("alphabet");
        const QString L = PasswordGenerator::Lower, U = PasswordGenerator::Upper, S = PasswordGenerator::Special,
                      D = PasswordGenerator::Digits;
        QTest::newRow("lowercase only -> a to z") << 12 << false << false << false << L;
        QTest::newRow("all classes, length 1 -> one of 86") << 1 << true << true << true << L + U + S + D;
        QTest::newRow("upper and digits, 32 -> no specials") << 32 << true << false << true << L + U + D;
        QTest::newRow("specials only, 20") << 20 << false << true << false << L + S;
        QTest::newRow("length 0 -> empty") << 0 << true << true << true << L + U + S + D;
    }
    void randomForm()
    {
        QFETCH(int, length);
        QFETCH(bool, upper);
        QFETCH(bool, special);
        QFETCH(bool, digits);
        QFETCH(QString, alphabet);
        PasswordGenerator generator;
        for (int round = 0; round < 200; ++round) {
            const std::optional<QString> p = generator.random(length, upper, special, digits);
            QVERIFY(p);
            QCOMPARE(p->size(), length);
            for (const QChar c : *p)
                QVERIFY2(alphabet.contains(c), qPrintable(*p));
        }
    }

    // 86 characters over 172,000 draws: every one appears, none other, and
    // the spread is uniform. Drawing bytes and taking them modulo 86 would
    // make the last two characters a third rarer (chi-square above 400).
    void randomFormIsUniform()
    {
        const QString alphabet = PasswordGenerator::Lower + PasswordGenerator::Upper + PasswordGenerator::Special
                                 + PasswordGenerator::Digits;
        QCOMPARE(alphabet.size(), 86);
        PasswordGenerator generator;
        QHash<QChar, int> counts;
        for (int round = 0; round < 2000; ++round)
            for (const QChar c : generator.random(86, true, true, true).value_or(QString()))
                ++counts[c];
        QCOMPARE(counts.size(), 86);
        // Pearson's statistic against 2000 draws of each; 85 degrees of
        // freedom: 200 is beyond any honest draw (p < 1e-10).
        double chi = 0;
        for (const QChar c : alphabet) {
            QVERIFY(counts.value(c) > 0);
            chi += (counts.value(c) - 2000.0) * (counts.value(c) - 2000.0) / 2000.0;
        }
        QVERIFY2(chi < 200, qPrintable(QString::number(chi)));
    }

    void memorizableForm()
    {
        PasswordGenerator generator;
        QSet<QString> pairs;
        QHash<int, int> layouts; // position of the first digit
        QHash<QChar, int> letters;
        for (int round = 0; round < 3000; ++round) {
            const QString p = generator.memorizable().value_or(QString());
            QCOMPARE(p.size(), 12);
            const QList<int> digitsAt = digitPositions(p);
            QCOMPARE(digitsAt.size(), 2);
            const int first = digitsAt.first();
            QVERIFY2(digitsAt.last() == first + 1 && first >= 4 && first <= 6, qPrintable(p));
            ++layouts[first];
            QString rest = p;
            rest.remove(first, 2);
            // Syllables: consonant-vowel pairs that are allowed; with the
            // digits at 5-6 the third pair is a free consonant and vowel.
            for (int s = 0; s < 5; ++s) {
                const QString pair = rest.mid(2 * s, 2);
                QVERIFY2(generator.consonants().contains(pair.at(0)) && generator.vowels().contains(pair.at(1)),
                         qPrintable(p));
                if (first != 5 || s != 2) {
                    QVERIFY2(!generator.excludedPairs().contains(pair), qPrintable(p));
                    pairs << pair;
                }
            }
            for (const QChar c : rest)
                ++letters[c];
        }
        QCOMPARE(layouts.keys().size(), 3);
        QCOMPARE(pairs.size(), 19 * 7 - generator.excludedPairs().size()); // every allowed pair occurs
        QCOMPARE(letters.size(), generator.consonants().size() + generator.vowels().size());
    }

    void otherDigitModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("positions"); // empty: anywhere
        QTest::newRow("mode 1 -> at the front") << 1 << QList<int>{0, 1};
        QTest::newRow("mode 2 -> before the last character") << 2 << QList<int>{9, 10};
        QTest::newRow("mode 0 -> anywhere") << 0 << QList<int>{};
    }
    void otherDigitModes()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, positions);
        PasswordGenerator generator;
        generator.setDigitMode(mode);
        for (int round = 0; round < 100; ++round) {
            const QString p = generator.memorizable().value_or(QString());
            QCOMPARE(p.size(), 12);
            const QList<int> digitsAt = digitPositions(p);
            QCOMPARE(digitsAt.size(), 2);
            if (!positions.isEmpty())
                QCOMPARE(digitsAt, positions);
        }
    }

    void strengthLevels_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colour");
        QTest::newRow("empty -> weak") << "" << 0 << "weak" << "#FF0000";
        QTest::newRow("password -> weak") << "password" << 0 << "weak" << "#FF0000";
        QTest::newRow("Tr0ub4dour -> low") << "Tr0ub4dour" << 1 << "low" << "#EA7000";
        QTest::newRow("bluedog42 -> medium") << "bluedog42" << 2 << "medium" << "#FBD400";
        QTest::newRow("Tr0ub4dour&3 -> good") << "Tr0ub4dour&3" << 3 << "good" << "#98DF00";
        QTest::newRow("four words -> very good") << "correct horse battery staple" << 4 << "very good" << "#09A02C";
    }
    void strengthLevels()
    {
        QFETCH(QString, password);
        QFETCH(int, score);
        QFETCH(QString, text);
        QFETCH(QString, colour);
        QCOMPARE(PasswordStrength::score(password), score);
        QCOMPARE(PasswordStrength::levelText(score), text);
        QCOMPARE(PasswordStrength::levelColour(score), colour);
    }
};

QTEST_MAIN(TestPasswordGenerator)
#include "tst_passwordgenerator.moc"
