#include "MessageCapture.h"
#include "TestEnv.h"
#include "app/BrandingTranslator.h"

#include <QScopeGuard>
#include <QtTest>

// This test runs with LANGUAGE set to seven languages (see CMakeLists.txt),
// so the platform's list is known: French first, German second.

namespace {

QString valueOf(const BrandingTranslator::Substitutions &map, const QString &name)
{
    const QString *v = BrandingTranslator::findSubstitution(map, name);
    return v ? *v : QStringLiteral("<absent>");
}
} // namespace

class TestBrandingTranslator : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TestEnv> env;

private slots:
    void init()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        env->settings()->clear();
    }
    void cleanup() { env.reset(); }

    void expand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("warnings");
        const QStringList none;
        QTest::newRow("no dollar -> unchanged") << "plain text {A}" << "plain text {A}" << true << none;
        QTest::newRow("dollar without brace, at the end or before a placeholder -> stays; adjacent -> both")
            << "costs $5, $${A}${B}$" << "costs $5, $alphabeta$" << true << none;
        QTest::newRow("nested -> inner expanded, outer stays")
            << "${A${B}}" << "${Abeta}" << true << none;
        QTest::newRow("unclosed after a good one -> stays as text")
            << "x ${B} ${A and more" << "x beta ${A and more" << true << none;
        QTest::newRow("unknown name -> kept, not ok, logged")
            << "a ${NOPE} b ${A}" << "a ${NOPE} b alpha" << false
            << QStringList{"Unable to find expansion for 'NOPE'"};
        QTest::newRow("value is not expanded again") << "${SELF}" << "${SELF}-and-${A}" << true << none;
        QTest::newRow("names are case-sensitive") << "${a}" << "${a}" << false
                                                  << QStringList{"Unable to find expansion for 'a'"};
    }
    void expand()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(bool, ok);
        QFETCH(QStringList, warnings);
        BrandingTranslator::Substitutions map;
        BrandingTranslator::setSubstitution(map, "A", "alpha");
        BrandingTranslator::setSubstitution(map, "B", "beta");
        BrandingTranslator::setSubstitution(map, "SELF", "${SELF}-and-${A}");

        MessageCapture capture;
        bool gotOk = !ok;
        const QString result = BrandingTranslator::expand(text, map, &gotOk);
        QCOMPARE(result, expected);
        QCOMPARE(gotOk, ok);
        QCOMPARE(capture.messages(QtWarningMsg), warnings);
    }

    // Installed for the language of the settings: German where the brand has
    // it (Qt's own texts too), English otherwise, placeholders expanded.
    void languageFromSettings_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("urlLang");
        QTest::addColumn<QString>("helpUrl");
        QTest::addColumn<bool>("de"); // translated to German
        QTest::newRow("de -> no suffix, German texts")
            << "de" << "de" << "" << "https://www.korvex.example/help/index.html" << true;
        QTest::newRow("fr -> _fr suffix, English texts (no brand translation)")
            << "fr" << "fr" << "_fr" << "https://www.korvex.example/help/index_fr.html" << false;
        QTest::newRow("de-AT -> country removed") << "de-AT" << "de" << ""
                                                  << "https://www.korvex.example/help/index.html" << true;
        QTest::newRow("en -> source language") << "en" << "en" << "_en"
                                               << "https://www.korvex.example/help/index_en.html" << false;
    }
    void languageFromSettings()
    {
        QFETCH(QString, setting);
        QFETCH(QString, lang);
        QFETCH(QString, urlLang);
        QFETCH(QString, helpUrl);
        QFETCH(bool, de);
        env->settings()->setValue(QStringLiteral("ui/language"), setting);
        MessageCapture capture;
        BrandingTranslator *installed = BrandingTranslator::install(env->config());
        auto uninstall = qScopeGuard([installed] {
            QCoreApplication::removeTranslator(installed);
            delete installed;
        });
        const BrandingTranslator &t = *installed;
        QCOMPARE(t.language(), lang);
        QCOMPARE(valueOf(t.substitutions(), "LANG"), lang);
        QCOMPARE(valueOf(t.substitutions(), "TELVO_URL_LANG"), urlLang);
        QCOMPARE(valueOf(t.substitutions(), "URL_HELP"), helpUrl);
        QCOMPARE(t.expand("Help: ${URL_HELP}"), "Help: " + helpUrl);
        QCOMPARE(t.hasTranslation(), de);
        // The brand's own substitutions come with nested names resolved.
        for (const auto &entry : t.substitutions())
            QVERIFY2(!entry.second.contains(QLatin1String("${")), qPrintable(entry.first + " = " + entry.second));
        QCOMPARE(capture.messages(QtWarningMsg), QStringList());

        QCOMPARE(QCoreApplication::translate("QObject", "${APP_NAME} runs already"),
                 de ? QString("Korvex Sync läuft bereits") : QString("Korvex Sync runs already"));
        QCOMPARE(QCoreApplication::translate("OndoApplication", "Check version"),
                 de ? QString("Version wird geprüft") : QString("Check version"));
        // Qt's own texts (scripts/bootstrap installs Qt's translations).
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), de ? QString("Abbrechen") : QString("Cancel"));
        // A text no translation knows still gets its placeholders replaced.
        QCOMPARE(QCoreApplication::translate("Nowhere", "${SERVICE_NAME} ${APP_VERSION}"), QString("Korvex 1.1.0"));
        // Arguments are filled after the expansion, so a "$" in them is left alone.
        QCOMPARE(QCoreApplication::translate("OndoApplication", "Unable to open database (%1)").arg("${APP_NAME}"),
                 de ? QString("Die Datenbank kann nicht geöffnet werden (${APP_NAME})")
                    : QString("Unable to open database (${APP_NAME})"));

        const QStringList infos = capture.messages(QtInfoMsg);
        QVERIFY(infos.contains("BrandingTranslator::install: Set language by settings: " + setting));
        const QString probe = de ? "Translation test: Dieser Satz ist auf Deutsch." : "Translation test: This sentence is in English.";
        QVERIFY2(infos.contains(probe), qPrintable(infos.join('\n')));
        const QString loaded = "BrandingTranslator::install: lang=de: translation loaded: ':/trl'/'sync_de'";
        QCOMPARE(infos.contains(loaded), de);
        QVERIFY(std::any_of(infos.begin(), infos.end(), [](const QString &s) {
            return s.startsWith("BrandingTranslator::install: system format: date: '");
        }));
    }

    void platformLanguages()
    {
        // No ui/language: the platform's list (LANGUAGE of this test) counts.
        MessageCapture capture;
        const QStringList wanted = BrandingTranslator::wantedLanguages(env->config());
        QCOMPARE(wanted, (QStringList{"fr", "de", "en", "it", "es", "pt", "nl"}));
        // Qt adds script and country forms to each entry; the log names the
        // first five and how many there are.
        const QStringList ui = QLocale::system().uiLanguages();
        QVERIFY(ui.size() > 5);
        QCOMPARE(capture.messages(QtInfoMsg),
                 QStringList{QStringLiteral("BrandingTranslator::initTranslations: ui languages: %1,... (%2 languages)")
                                 .arg(ui.mid(0, 5).join(','))
                                 .arg(ui.size())});
        QVERIFY(capture.messages(QtInfoMsg).first().contains(": fr-FR,"));
        // French has no translation, German has: German wins over English.
        BrandingTranslator t(env->config());
        QCOMPARE(t.language(), QString("de"));
        QVERIFY(t.hasTranslation()); // the build compiled res/trl/sync_de.ts into the resources
        QCOMPARE(valueOf(t.substitutions(), "TELVO_URL_LANG"), QString(""));
        // English is the source language, so it needs no translation to win;
        // with nothing wanted the client speaks English.
        QCOMPARE(BrandingTranslator::chooseLanguage({"en", "de"}, {"de"}), QString("en"));
        QCOMPARE(BrandingTranslator::chooseLanguage({}, {"de"}), QString("en"));
    }
};

QTEST_GUILESS_MAIN(TestBrandingTranslator)
#include "tst_brandingtranslator.moc"
