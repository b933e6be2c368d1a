#include "MessageCapture.h"
#include "TestEnv.h"
#include "app/BrandingTranslator.h"
#include "ui/PardineStyle.h"
#include "ui/ProxyStyle.h"
#include "ui/QuarnetStyle.h"
#include "ui/Style.h"
#include "ui/TelvoStyle.h"

#include <QFile>
#include <QJsonDocument>
#include <QMainWindow>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The first line of a sheet as it stands in the resources.
QString firstLine(const QString &name)
{
    QFile f(Style::styleSheetPath(name));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(f.readLine()).trimmed();
}

// A built-in configuration like the shipped one, for another brand.
QString writeConfigForBrand(const QTemporaryDir &dir, const QString &brand)
{
    QFile in(QStringLiteral(":/config.json"));
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    QJsonObject b = root.value("brand").toObject();
    b.insert("brand", brand);
    root.insert("brand", b);
    const QString path = dir.filePath(brand + ".json");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(root).toJson()) <= 0)
        return QString();
    return path;
}

// A style with one sheet that does not exist, between the real ones.
class StyleWithMissingSheet : public QuarnetStyle
{
public:
    QStringList styleSheetNames() const override
    {
        QStringList names = QuarnetStyle::styleSheetNames();
        names.insert(1, QStringLiteral("nope/missing"));
        return names;
    }
};
} // namespace

class TestStyle : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;
    BrandingTranslator::Substitutions substitutions;

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        env->settings()->setValue("ui/language", "en");
        substitutions = BrandingTranslator(env->config()).substitutions();
    }
    void init()
    {
        // Each case starts from the plain platform look.
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create("Fusion"));
    }

    void sheetOrder_data()
    {
        QTest::addColumn<QString>("brand");
        for (const char *brand : {"quarnet", "telvo", "pardine"})
            QTest::addRow("%s -> its sheets, then the common ones, all expanded", brand) << QString(brand);
    }
    void sheetOrder()
    {
        QFETCH(QString, brand);
        std::unique_ptr<Style> style(Style::create(brand));
        style->setSubstitutions(substitutions);
        const QStringList names = style->styleSheetNames();
        // The brand's own sheets come before the common ones they refine.
        const int own = int(std::count_if(names.begin(), names.end(), [&](const QString &n) { return n.startsWith(brand + '/'); }));
        QVERIFY(own >= 2);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(names.at(i).startsWith(brand + '/'), i < own);
        QVERIFY(names.contains("mainwindow") && names.contains("views/loginview"));

        // The composed text holds each sheet, in that order.
        MessageCapture capture;
        const QString sheet = style->compose();
        int last = -1;
        for (const QString &name : names) {
            const QString marker = firstLine(name);
            QVERIFY2(marker.startsWith("/*"), qPrintable(name + ": " + marker));
            const int at = sheet.indexOf(marker, last + 1);
            QVERIFY2(at > last, qPrintable(name + " out of order or absent"));
            last = at;
        }
        // Every placeholder is expanded, the text substitutions too.
        QVERIFY(sheet.size() > 1000);
        QVERIFY2(!sheet.contains("${"), qPrintable(sheet.mid(sheet.indexOf("${"), 60)));
        QCOMPARE(capture.messages(QtWarningMsg), QStringList());
        const QString *caption = BrandingTranslator::findSubstitution(substitutions, "HTML_CAPTION");
        QVERIFY(caption && sheet.contains(*caption));
    }

    // Without the text substitutions the caption is reported; the sheets
    // before and after one that is missing are all there.
    void missingSheetAndCaptionAreReported()
    {
        StyleWithMissingSheet style;
        MessageCapture capture;
        const QString sheet = style.compose();
        const QStringList warnings = capture.messages(QtWarningMsg);
        QCOMPARE(warnings.filter("Style::compose"),
                 QStringList{"Style::compose: cannot open style sheet: :/res/style/nope/missing.qss"});
        QVERIFY(warnings.contains("Unable to find expansion for 'HTML_CAPTION'"));
        QVERIFY(sheet.contains("${HTML_CAPTION}"));
        for (const QString &name : QuarnetStyle().styleSheetNames())
            QVERIFY2(sheet.contains(firstLine(name)), qPrintable(name));
    }

    void install_data()
    {
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("styleClass");
        QTest::addColumn<bool>("proxy");
        QTest::newRow("quarnet -> QuarnetStyle, platform style") << "quarnet" << "QuarnetStyle" << false;
        QTest::newRow("telvo -> TelvoStyle and ProxyStyle") << "telvo" << "TelvoStyle" << true;
        QTest::newRow("pardine -> PardineStyle, platform style") << "pardine" << "PardineStyle" << false;
        QTest::newRow("unknown brand -> QuarnetStyle") << "acme" << "QuarnetStyle" << false;
    }
    void install()
    {
        QFETCH(QString, brand);
        QFETCH(QString, styleClass);
        QFETCH(bool, proxy);
        QTemporaryDir dir;
        ConfigurationManager config;
        QVERIFY(config.load(writeConfigForBrand(dir, brand)));
        QCOMPARE(config.value("brand/brand").toString(), brand);

        MessageCapture capture;
        std::unique_ptr<Style> style(Style::install(&config, substitutions));
        QVERIFY(style);
        QCOMPARE(QString(style->metaObject()->className()), styleClass);
        // With a sheet set, the application's style wraps the one installed,
        // so look at what it draws: telvo's message icons are its own badges.
        const QImage warning =
            QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48).toImage();
        const QImage badge = ProxyStyle::drawBadge(QStyle::SP_MessageBoxWarning, 48).toImage();
        QCOMPARE(warning.convertToFormat(QImage::Format_ARGB32) == badge.convertToFormat(QImage::Format_ARGB32),
                 proxy);
        QCOMPARE(qApp->styleSheet(), style->compose());
        QCOMPARE(capture.containing("Unable to find expansion"), QStringList());

        // Qt parses the whole sheet when it polishes the first widget (it
        // warns "Could not parse" on one it cannot read), and it colours the button.
        QMainWindow window;
        window.setObjectName("MainWindow");
        auto *button = new QPushButton;
        button->setFixedSize(80, 30);
        window.setCentralWidget(button);
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage img = button->grab().toImage();
        QCOMPARE(capture.containing("Could not parse"), QStringList());
        const Style::ColorMap colors = style->colorMap();
        const QString *bg = BrandingTranslator::findSubstitution(colors, "BUTTON_BGCOLOR");
        QVERIFY(bg);
        QCOMPARE(img.pixelColor(img.width() / 2, img.height() / 2).name(), QColor(*bg).name());
    }

    void proxyStyleIcons_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<bool>("own");
        QTest::newRow("warning -> badge") << int(QStyle::SP_MessageBoxWarning) << true;
        QTest::newRow("question -> badge") << int(QStyle::SP_MessageBoxQuestion) << true;
        QTest::newRow("folder -> platform's icon") << int(QStyle::SP_DirIcon) << false;
    }
    void proxyStyleIcons()
    {
        QFETCH(int, which);
        QFETCH(bool, own);
        const auto sp = QStyle::StandardPixmap(which);
        ProxyStyle proxy(QStyleFactory::create("Fusion"));
        const QImage badge = ProxyStyle::drawBadge(sp, 48).toImage();
        QCOMPARE(badge.isNull(), !own);
        const QImage shown = proxy.standardIcon(sp).pixmap(48, 48).toImage();
        QVERIFY(!shown.isNull());
        if (!own)
            return;
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), badge.convertToFormat(QImage::Format_ARGB32));
        // A round or triangular badge: clear corners, solid middle.
        QCOMPARE(badge.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(badge.pixelColor(24, 30).alpha(), 255);
    }
};

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
