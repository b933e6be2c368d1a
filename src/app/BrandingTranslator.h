#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <vector>

class ConfigurationManager;

// The brand's translator: answers every text with its translation (or the
// source text) and replaces the ${NAME} placeholders the texts carry with the
// brand's values. It is installed last, so the application asks it first.
class BrandingTranslator : public QTranslator
{
    Q_OBJECT
public:
    // Name -> value, in insertion order; a name appears once.
    using Substitutions = QList<QPair<QString, QString>>;

    // The language in use is chosen from the settings or the platform
    // (see chooseLanguage); the translations for it are loaded here.
    explicit BrandingTranslator(const ConfigurationManager *config, QObject *parent = nullptr);
    ~BrandingTranslator() override;

    // Chooses the language, loads the translations and installs a
    // BrandingTranslator on the application (which owns it).
    static BrandingTranslator *install(const ConfigurationManager *config);

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

    // Two-letter language in use, e.g. "de".
    QString language() const { return m_language; }
    // True when a translation of the brand's texts for language() was loaded.
    bool hasTranslation() const { return m_hasTranslation; }
    const Substitutions &substitutions() const { return m_substitutions; }
    QString expand(const QString &text, bool *ok = nullptr) const { return expand(text, m_substitutions, ok); }

    // Replaces each "${NAME}" by its value in map. A "$" without a complete
    // "${...}" after it stays as it is; an unknown name is logged, clears
    // *ok and stays in the text as written, so the reader still sees what
    // was meant. Values are inserted as they are, not expanded again.
    static QString expand(const QString &text, const Substitutions &map, bool *ok = nullptr);
    // Sets name to value, replacing an earlier value in its place.
    static void setSubstitution(Substitutions &map, const QString &name, const QString &value);
    static const QString *findSubstitution(const Substitutions &map, const QString &name);

    // The languages the user wants, most wanted first, each cut to its
    // language part: ui/language alone when set, else the platform's list.
    static QStringList wantedLanguages(const ConfigurationManager *config);
    // The first wanted language that has a translation wins (English, the
    // source language, always has one); with none, the first wanted one, so
    // that language-dependent addresses still follow the user's choice.
    static QString chooseLanguage(const QStringList &wanted, const QStringList &available);
    // Languages for which the brand ships a translation.
    static QStringList availableLanguages();
    static QString translationDir() { return QStringLiteral(":/trl"); }
    static QString translationPrefix() { return QStringLiteral("sync_"); }

private:
    void fillSubstitutions(const ConfigurationManager *config);
    void loadTranslations();

    QString m_language;
    bool m_hasTranslation = false;
    Substitutions m_substitutions;
    // Asked in order: the brand's texts, then Qt's own (dialog buttons).
    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
