#include "app/BrandingTranslator.h"

#include "app/ConfigurationManager.h"
#include "app/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

namespace {
// Longer platform lists are cut in the log.
constexpr int MaxLoggedLanguages = 5;
// Substitution values may refer to other substitutions (URL_HELP carries
// ${TELVO_URL_LANG}); a few rounds resolve any sane nesting, and the bound
// stops values that refer to each other.
constexpr int MaxResolveRounds = 8;

QString normalisedLanguage(QString lang)
{
    lang = lang.trimmed().replace(QLatin1Char('_'), QLatin1Char('-'));
    static const QRegularExpression country(QStringLiteral("-.*$"));
    lang.remove(country);
    lang = lang.toLower();
    // "C" and "POSIX" name no language.
    if (lang == QLatin1String("c") || lang == QLatin1String("posix"))
        return QString();
    return lang;
}

QString expandText(const QString &text, const BrandingTranslator::Substitutions &map, bool *ok, bool warn)
{
    if (!text.contains(QLatin1Char('$')))
        return text;
    QString out;
    out.reserve(text.size() + 32);
    int pos = 0;
    const int size = text.size();
    while (pos < size) {
        const int dollar = text.indexOf(QLatin1Char('$'), pos);
        if (dollar < 0) {
            out += text.midRef(pos);
            break;
        }
        out += text.midRef(pos, dollar - pos);
        if (dollar + 1 >= size || text.at(dollar + 1) != QLatin1Char('{')) {
            out += QLatin1Char('$');
            pos = dollar + 1;
            continue;
        }
        const int close = text.indexOf(QLatin1Char('}'), dollar + 2);
        const QStringRef name = close < 0 ? QStringRef() : text.midRef(dollar + 2, close - dollar - 2);
        // Unclosed, or another "$" before the brace closes ("${A${B}}"): the
        // outer "${" is plain text and scanning goes on inside it.
        if (close < 0 || name.contains(QLatin1Char('$'))) {
            out += QLatin1Char('$');
            pos = dollar + 1;
            continue;
        }
        const QString key = name.toString();
        if (const QString *value = BrandingTranslator::findSubstitution(map, key)) {
            out += *value;
        } else {
            if (warn)
                qWarning("Unable to find expansion for '%s'", qUtf8Printable(key));
            if (ok)
                *ok = false;
            out += text.midRef(dollar, close - dollar + 1);
        }
        pos = close + 1;
    }
    return out;
}
} // namespace

BrandingTranslator::BrandingTranslator(const ConfigurationManager *config, QObject *parent)
    : QTranslator(parent)
{
    setObjectName(QStringLiteral("BrandingTranslator"));
    m_language = chooseLanguage(wantedLanguages(config), availableLanguages());
    loadTranslations();
    fillSubstitutions(config);
}

BrandingTranslator::~BrandingTranslator() = default;

BrandingTranslator *BrandingTranslator::install(const ConfigurationManager *config)
{
    auto *translator = new BrandingTranslator(config, QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
    const QLocale system = QLocale::system();
    qInfo("BrandingTranslator::install: system format: date: '%s' time: '%s'",
          qUtf8Printable(system.dateFormat(QLocale::ShortFormat)),
          qUtf8Printable(system.timeFormat(QLocale::ShortFormat)));
    qInfo("Translation test: %s", qUtf8Printable(tr("This sentence is in English.")));
    return translator;
}

QString BrandingTranslator::translate(const char *context, const char *sourceText, const char *disambiguation,
                                      int n) const
{
    if (!sourceText || !*sourceText)
        return QString();
    QString text;
    for (const auto &t : m_translators) {
        text = t->translate(context, sourceText, disambiguation, n);
        if (!text.isNull())
            break;
    }
    if (text.isNull())
        text = QString::fromUtf8(sourceText);
    return expand(text);
}

QString BrandingTranslator::expand(const QString &text, const Substitutions &map, bool *ok)
{
    if (ok)
        *ok = true;
    return expandText(text, map, ok, true);
}

void BrandingTranslator::setSubstitution(Substitutions &map, const QString &name, const QString &value)
{
    for (auto &entry : map) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    map.append(qMakePair(name, value));
}

const QString *BrandingTranslator::findSubstitution(const Substitutions &map, const QString &name)
{
    for (const auto &entry : map)
        if (entry.first == name)
            return &entry.second;
    return nullptr;
}

QStringList BrandingTranslator::wantedLanguages(const ConfigurationManager *config)
{
    const QString setting = (config && config->settings())
                                ? Settings::UiLanguage.read(*config->settings(), config).toString()
                                : Settings::value(Settings::UiLanguage, config).toString();
    QStringList wanted;
    if (!normalisedLanguage(setting).isEmpty()) {
        qInfo("BrandingTranslator::install: Set language by settings: %s", qUtf8Printable(setting));
        wanted << normalisedLanguage(setting);
        return wanted;
    }

    const QStringList ui = QLocale::system().uiLanguages();
    QString logged = ui.mid(0, MaxLoggedLanguages).join(QLatin1Char(','));
    if (ui.size() > MaxLoggedLanguages)
        logged += QStringLiteral(",... (%1 languages)").arg(ui.size());
    qInfo("BrandingTranslator::initTranslations: ui languages: %s", qUtf8Printable(logged));
    for (const QString &lang : ui) {
        const QString l = normalisedLanguage(lang);
        if (!l.isEmpty() && !wanted.contains(l))
            wanted << l;
    }
    if (wanted.isEmpty())
        wanted << QStringLiteral("en");
    return wanted;
}

QString BrandingTranslator::chooseLanguage(const QStringList &wanted, const QStringList &available)
{
    for (const QString &lang : wanted)
        if (lang == QLatin1String("en") || available.contains(lang))
            return lang;
    return wanted.isEmpty() ? QStringLiteral("en") : wanted.first();
}

QStringList BrandingTranslator::availableLanguages()
{
    QStringList langs;
    const QString prefix = translationPrefix();
    const QStringList files =
        QDir(translationDir()).entryList(QStringList{prefix + QStringLiteral("*.qm")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        langs << file.mid(prefix.size(), file.size() - prefix.size() - 3);
    return langs;
}

void BrandingTranslator::loadTranslations()
{
    m_translators.clear();
    m_hasTranslation = false;
    if (m_language == QLatin1String("en"))
        return; // the source texts are English
    const QString file = translationPrefix() + m_language;
    auto brand = std::make_unique<QTranslator>();
    if (brand->load(file, translationDir())) {
        qInfo("BrandingTranslator::install: lang=%s: translation loaded: '%s'/'%s'", qUtf8Printable(m_language),
              qUtf8Printable(translationDir()), qUtf8Printable(file));
        m_translators.push_back(std::move(brand));
        m_hasTranslation = true;
    } else {
        // Qt's own texts stay English too, so a dialog speaks one language.
        qInfo("BrandingTranslator::install: lang=%s: no translation, texts stay in English",
              qUtf8Printable(m_language));
        return;
    }
    // Qt's own texts (dialog buttons) where the system has them.
    const QString qtDir = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    const QString qtFile = QStringLiteral("qtbase_") + m_language;
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(qtFile, qtDir)) {
        qInfo("BrandingTranslator::install: lang=%s: translation loaded: '%s'/'%s'", qUtf8Printable(m_language),
              qUtf8Printable(qtDir), qUtf8Printable(qtFile));
        m_translators.push_back(std::move(qt));
    }
}

void BrandingTranslator::fillSubstitutions(const ConfigurationManager *config)
{
    auto brand = [config](const char *key) {
        return config ? config->value(QString::fromLatin1(key)).toString() : QString();
    };
    Substitutions &map = m_substitutions;
    map.clear();
    setSubstitution(map, QStringLiteral("APP_NAME_INTERNAL"), brand("brand/appNameInternal"));
    setSubstitution(map, QStringLiteral("APP_NAME"), brand("brand/appName"));
    setSubstitution(map, QStringLiteral("SERVICE_NAME"), brand("brand/serviceName"));
    setSubstitution(map, QStringLiteral("APP_VERSION"), brand("brand/appVersion"));
    setSubstitution(map, QStringLiteral("APP_DEVSTAGE"), brand("brand/devstage"));
    setSubstitution(map, QStringLiteral("APP_BASE_URL"), brand("brand/baseUrl"));
    setSubstitution(map, QStringLiteral("APP_REV"), brand("brand/appRev"));
    setSubstitution(map, QStringLiteral("BUILD_DATE"), QStringLiteral(__DATE__));
    setSubstitution(map, QStringLiteral("BUILD_TIME"), QStringLiteral(__TIME__));
    setSubstitution(map, QStringLiteral("LANG"), m_language);
    setSubstitution(map, QStringLiteral("TELVO_URL_LANG"),
                    m_language == QLatin1String("de") ? QString() : QStringLiteral("_") + m_language);
    if (config) {
        const QJsonObject subs =
            config->source(QStringLiteral("substitutions")).value(QStringLiteral("substitutions")).toObject();
        for (auto it = subs.begin(); it != subs.end(); ++it)
            setSubstitution(map, it.key(), it.value().toString());
    }

    for (int round = 0; round < MaxResolveRounds; ++round) {
        bool changed = false;
        for (auto &entry : map) {
            const QString resolved = expandText(entry.second, map, nullptr, false);
            if (resolved != entry.second) {
                entry.second = resolved;
                changed = true;
            }
        }
        if (!changed)
            break;
    }
    // Report what could not be resolved once, here, rather than on every use.
    for (const auto &entry : qAsConst(map))
        expandText(entry.second, map, nullptr, true);
}
