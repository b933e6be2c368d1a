#include "TestPng.h"
#include "ri/TwoFactorChooser.h"

#include <QtTest>

namespace {
TwoFactorMethods methods(TwoFactorMethodState photo, TwoFactorMethodState mtan, TwoFactorMethodState itan)
{
    return {{TwoFactorMethod::PhotoTan, photo}, {TwoFactorMethod::Mtan, mtan}, {TwoFactorMethod::ITan, itan}};
}
} // namespace

class TestTwoFactorChooser : public QObject
{
    Q_OBJECT
    using S = TwoFactorMethodState;

private slots:
    void enabledItems_data()
    {
        QTest::addColumn<TwoFactorMethods>("offered");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("all active -> all enabled") << methods(S::Active, S::Active, S::Active) << QList<bool>{1, 1, 1};
        QTest::newRow("inactive -> disabled") << methods(S::Inactive, S::Active, S::Active) << QList<bool>{0, 1, 1};
        QTest::newRow("locked -> still enabled")
            << methods(S::TemporarilyLocked, S::PermanentlyLocked, S::Initial) << QList<bool>{1, 1, 1};
        QTest::newRow("not offered -> disabled")
            << TwoFactorMethods{{TwoFactorMethod::Mtan, S::Active}} << QList<bool>{0, 1, 0};
    }
    void enabledItems()
    {
        QFETCH(TwoFactorMethods, offered);
        QFETCH(QList<bool>, enabled);
        TwoFactorChooser chooser;
        chooser.setTwoFactorMethods(offered);
        for (int i = 0; i < enabled.size(); ++i)
            QCOMPARE(chooser.isEnabled(i), enabled.at(i));
    }

    void lockedMethodShowsItsTextInsteadOfRequesting_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("temporarily locked -> wait text") << int(S::TemporarilyLocked) << "locked for a while";
        QTest::newRow("permanently locked -> support text") << int(S::PermanentlyLocked) << "contact the support";
        QTest::newRow("initial -> not activated") << int(S::Initial) << "not activated";
    }
    void lockedMethodShowsItsTextInsteadOfRequesting()
    {
        QFETCH(int, state);
        QFETCH(QString, fragment);
        TwoFactorChooser chooser;
        QSignalSpy requested(&chooser, &TwoFactorChooser::requestTanMethod);
        chooser.setTwoFactorMethods(methods(S(state), S::Active, S::Active));
        chooser.selectTanMethod(0);
        QCOMPARE(requested.count(), 0);
        QVERIFY2(chooser.infoText().contains(fragment), qPrintable(chooser.infoText()));
        QVERIFY(!chooser.formOpen());
    }

    void sameMethodRequestedOncePerAttempt()
    {
        TwoFactorChooser chooser;
        QSignalSpy requested(&chooser, &TwoFactorChooser::requestTanMethod);
        chooser.setTwoFactorMethods(methods(S::Active, S::Active, S::Active));
        chooser.selectTanMethod(2);
        chooser.selectTanMethod(0);
        chooser.selectTanMethod(2);
        QCOMPARE(requested.count(), 2); // iTAN and photoTAN, iTAN only once
        chooser.reset();
        chooser.setTwoFactorMethods(methods(S::Active, S::Active, S::Active));
        chooser.selectTanMethod(2);
        QCOMPARE(requested.count(), 3); // a new attempt may ask again
    }

    void iTanNumberIsTheLastThreeDigits()
    {
        TwoFactorChooser chooser;
        chooser.setTwoFactorMethods(methods(S::Active, S::Active, S::Active));
        chooser.selectTanMethod(2);
        chooser.setITan("0000123");
        QCOMPARE(chooser.infoText(), QString("Please enter the TAN with the number 123 in the form field:"));
    }

    void photoTan_data()
    {
        QTest::addColumn<QString>("challenge");
        QTest::addColumn<bool>("image");
        QTest::addColumn<QString>("log");
        QTest::newRow("png -> shown") << pngBase64(8) << true << QString();
        QTest::newRow("empty -> unable") << "" << false << "Received empty photoTAN";
        QTest::newRow("no image -> unable") << QString::fromLatin1(QByteArray("not a picture").toBase64()) << false
                                            << "Unable to decode photoTAN";
        // A few hundred kilobytes on the wire, a gigabyte once decoded.
        QTest::newRow("16000 x 16000 pixels -> unable, not decoded")
            << hugePngBase64(16000) << false << "Unable to decode photoTAN: 16000x16000 pixels is too large";
    }
    void photoTan()
    {
        QFETCH(QString, challenge);
        QFETCH(bool, image);
        QFETCH(QString, log);
        TwoFactorChooser chooser;
        chooser.setTwoFactorMethods(methods(S::Active, S::Active, S::Active));
        chooser.selectTanMethod(0);
        if (!image)
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(log));
        chooser.setPhotoTan(challenge);
        QCOMPARE(!chooser.image().isNull(), image);
        QCOMPARE(chooser.infoText() == "Unable to display photoTAN", !image);
    }
};

QTEST_GUILESS_MAIN(TestTwoFactorChooser)
#include "tst_twofactorchooser.moc"
