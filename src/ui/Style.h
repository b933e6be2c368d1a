#pragma once

#include "app/BrandingTranslator.h"

#include <QObject>
#include <QStringList>

class ConfigurationManager;

// The brand's look: its fonts, its colour map and the style sheets that make
// up the application's style sheet. Subclasses supply the brand's values.
class Style : public QObject
{
    Q_OBJECT
public:
    // Name -> colour (or radius), in the order the sheets' authors read them.
    using ColorMap = BrandingTranslator::Substitutions;

    explicit Style(QObject *parent = nullptr);

    virtual QStringList fonts() const;
    virtual ColorMap colorMap() const = 0;
    virtual QStringList styleSheetNames() const;

    // The sheets every brand shares, after the brand's own.
    static QStringList commonStyleSheetNames();
    static QString styleSheetPath(const QString &name);

    // The placeholders of the texts (APP_NAME, URL_HELP, ...) the sheets
    // may use besides the colours.
    void setSubstitutions(const BrandingTranslator::Substitutions &substitutions);
    // Every sheet in order, the placeholders expanded.
    QString compose() const;

    // The style of a brand key ("quarnet", "telvo", "pardine"); an unknown
    // key gets the shipped brand's style, so the client still looks sound.
    static Style *create(const QString &brand, QObject *parent = nullptr);
    // Picks the style of the configured brand and applies it to the running
    // application, which owns it.
    static Style *install(const ConfigurationManager *config, const BrandingTranslator::Substitutions &substitutions);

private:
    BrandingTranslator::Substitutions m_substitutions;
};
