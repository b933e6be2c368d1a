#include "ui/Style.h"

#include "app/ConfigurationManager.h"
#include "ui/PardineStyle.h"
#include "ui/ProxyStyle.h"
#include "ui/QuarnetStyle.h"
#include "ui/TelvoStyle.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

Style::Style(QObject *parent)
    : QObject(parent)
{
}

QStringList Style::fonts() const
{
    // The brands use the desktop's own sans-serif face; none ships a font.
    return {};
}

QStringList Style::styleSheetNames() const
{
    return commonStyleSheetNames();
}

QStringList Style::commonStyleSheetNames()
{
    return {QStringLiteral("forms"),
            QStringLiteral("mainwindow"),
            QStringLiteral("dialogs"),
            QStringLiteral("views/loginview"),
            QStringLiteral("views/passwordsview"),
            QStringLiteral("views/synchistoryview"),
            QStringLiteral("views/filesyncsettingsview"),
            QStringLiteral("views/mainsettingsview"),
            QStringLiteral("views/mainfilesafeview")};
}

QString Style::styleSheetPath(const QString &name)
{
    return QStringLiteral(":/res/style/%1.qss").arg(name);
}

void Style::setSubstitutions(const BrandingTranslator::Substitutions &substitutions)
{
    m_substitutions = substitutions;
}

QString Style::compose() const
{
    QString sheet;
    const QStringList names = styleSheetNames();
    for (const QString &name : names) {
        const QString path = styleSheetPath(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            qWarning("Style::compose: cannot open style sheet: %s", qUtf8Printable(path));
            continue;
        }
        sheet += QString::fromUtf8(file.readAll());
        sheet += QLatin1Char('\n');
    }
    BrandingTranslator::Substitutions map = colorMap();
    for (const auto &entry : m_substitutions)
        if (!BrandingTranslator::findSubstitution(map, entry.first))
            map.append(entry);
    return BrandingTranslator::expand(sheet, map);
}

Style *Style::create(const QString &brand, QObject *parent)
{
    if (brand == QLatin1String("pardine"))
        return new PardineStyle(parent);
    if (brand == QLatin1String("telvo"))
        return new TelvoStyle(parent);
    if (brand != QLatin1String("quarnet"))
        qWarning("Style::create: unknown brand '%s', using the quarnet style", qUtf8Printable(brand));
    return new QuarnetStyle(parent);
}

Style *Style::install(const ConfigurationManager *config, const BrandingTranslator::Substitutions &substitutions)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    const QString brand = config ? config->value(QStringLiteral("brand/brand")).toString() : QString();
    Style *style = create(brand, app);
    style->setSubstitutions(substitutions);
    if (!app) {
        qWarning("Style::install: no widget application to style");
        return style;
    }
    if (brand == QLatin1String("telvo"))
        QApplication::setStyle(new ProxyStyle); // the application takes it
    app->setStyleSheet(style->compose());
    const QStringList fonts = style->fonts();
    for (const QString &font : fonts) {
        const QString path = QStringLiteral(":/res/fonts/%1.ttf").arg(font);
        if (QFontDatabase::addApplicationFont(path) < 0)
            qWarning("Style::install: cannot register font: %s", qUtf8Printable(path));
    }
    qInfo("Style::install: brand '%s', %s", qUtf8Printable(brand), style->metaObject()->className());
    return style;
}
