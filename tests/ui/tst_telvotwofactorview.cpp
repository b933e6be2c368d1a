#include "TestPng.h"
#include "ui/TelvoTwoFactorView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>


// The second-factor page as the user operates it: the method box, the TAN
// field with its validator, Enter, and the buttons, with the signals that
// reach the login controller.
class TestTelvoTwoFactorView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TelvoTwoFactorView> view;

    template<typename T>
    T *child(const char *name) const
    {
        T *w = view->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QComboBox *box() const { return child<QComboBox>("tanMethodBox"); }
    QLineEdit *tan() const { return child<QLineEdit>("tanInput"); }
    QLabel *info() const { return child<QLabel>("tanInfoLabel"); }
    QLabel *error() const { return child<QLabel>("tanErrorLabel"); }
    QLabel *image() const { return child<QLabel>("tanImage"); }
    // The method box's entries, "-" before one the user cannot choose.
    QStringList methods() const
    {
        QStringList out;
        for (int r = 0; r < box()->count(); ++r)
            out << (qobject_cast<QStandardItemModel *>(box()->model())->item(r)->isEnabled() ? "" : "-") + box()->itemText(r);
        return out;
    }

private slots:
    void initTestCase() { qRegisterMetaType<TwoFactorMethod>(); }
    void init()
    {
        view = std::make_unique<TelvoTwoFactorView>();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
    void cleanup() { view.reset(); }

    void methodBoxFollowsTheServer()
    {
        QCOMPARE(methods(), (QStringList{"-photoTAN", "-mobileTAN", "-iTAN"})); // none before the server says
        QSignalSpy requested(view.get(), &TelvoTwoFactorView::requestTanMethod);
        view->setTwoFactorMethods({{TwoFactorMethod::PhotoTan, TwoFactorMethodState::Inactive},
                                   {TwoFactorMethod::Mtan, TwoFactorMethodState::Active},
                                   {TwoFactorMethod::ITan, TwoFactorMethodState::TemporarilyLocked}});
        QCOMPARE(methods(), (QStringList{"-photoTAN", "mobileTAN", "iTAN"})); // locked iTAN choosable: it says why
        QCOMPARE(requested.count(), 0); // showing the state requests nothing
        // Comes with the method list; the server's text, so markup in it stays text.
        view->setSmsNumber(QStringLiteral("+49 170 <b>***567</b>"));

        view->prepareTanForm(false);
        QCOMPARE(box()->currentIndex(), 1); // the first enabled method
        QVERIFY(!error()->isVisible());
        // mobileTAN waits for the user to ask for the SMS.
        QCOMPARE(requested.count(), 0);
        auto *request = child<QPushButton>("tanRequestButton");
        QVERIFY(request->isVisible());
        QTest::mouseClick(request, Qt::LeftButton);
        QTest::mouseClick(request, Qt::LeftButton); // a second click sends no second SMS
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.first().at(0).value<TwoFactorMethod>(), TwoFactorMethod::Mtan);
        QVERIFY(!tan()->isEnabled()); // until the SMS went out
        view->setSmsReference(QStringLiteral("reference 1234"));
        QCOMPARE(info()->text(),
                 QStringLiteral("The TAN was sent to +49 170 <b>***567</b>. Please enter the TAN in the form field:"));
        QCOMPARE(info()->textFormat(), Qt::PlainText);
        QVERIFY(tan()->isEnabled());

        // The user picks the locked iTAN: its lock text, no request.
        box()->setCurrentIndex(2);
        QCOMPARE(requested.count(), 1);
        QVERIFY(info()->text().contains(QLatin1String("locked for a while")));
        QVERIFY(!tan()->isEnabled());
    }

    void photoTanShowsItsImageAndEnterSubmits()
    {
        QSignalSpy requested(view.get(), &TelvoTwoFactorView::requestTanMethod);
        QSignalSpy sent(view.get(), &TelvoTwoFactorView::sendTan);
        view->setTwoFactorMethods({{TwoFactorMethod::PhotoTan, TwoFactorMethodState::Active}});
        view->prepareTanForm(false);
        QCOMPARE(requested.count(), 1); // photoTAN asks at once
        QVERIFY(!image()->isVisible());
        view->setPhotoTan(pngBase64(24, Qt::darkBlue));
        QVERIFY(image()->isVisible());
        QCOMPARE(image()->pixmap(Qt::ReturnByValue).size(), QSize(24, 24));
        QVERIFY(info()->text().startsWith(QLatin1String("Please scan the graphic")));

        tan()->setFocus();
        QTest::keyClicks(tan(), QStringLiteral("ab-1 2!cd34xyz")); // the field keeps letters and digits, 8 at most
        QCOMPARE(tan()->text(), QStringLiteral("ab12cd34"));
        QTest::keyClick(tan(), Qt::Key_Return);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.first().at(0).toString(), QStringLiteral("ab12cd34"));
        // The attempt ended: everything is cleared.
        QCOMPARE(tan()->text(), QString());
        QVERIFY(!image()->isVisible());
        QVERIFY(info()->text().isEmpty());
        QTest::keyClick(tan(), Qt::Key_Return); // nothing open: nothing sent
        QCOMPARE(sent.count(), 1);
    }

    void rejectedTanOpensTheFormAgainThenCancelAborts()
    {
        QSignalSpy sent(view.get(), &TelvoTwoFactorView::sendTan);
        QSignalSpy requested(view.get(), &TelvoTwoFactorView::requestTanMethod);
        const TwoFactorMethods methods{{TwoFactorMethod::ITan, TwoFactorMethodState::Active}};
        view->setTwoFactorMethods(methods);
        view->prepareTanForm(false);
        view->setITan(QStringLiteral("index-0042"));
        QVERIFY(info()->text().contains(QLatin1String("number 042")));
        QTest::keyClicks(tan(), QStringLiteral("1111"));
        QTest::mouseClick(child<QPushButton>("tanSubmitButton"), Qt::LeftButton);
        QCOMPARE(sent.count(), 1);

        // The server said no: the same attempt, the same method, a new TAN.
        view->setTwoFactorMethods(methods);
        view->prepareTanForm(true);
        QVERIFY(error()->isVisible());
        QVERIFY(error()->text().startsWith(QLatin1String("You have supplied an incorrect TAN.")));
        QCOMPARE(box()->currentIndex(), 2);
        QVERIFY(tan()->isEnabled());
        QTest::keyClicks(tan(), QStringLiteral("2222"));
        QTest::keyClick(tan(), Qt::Key_Enter);
        QCOMPARE(sent.count(), 2);
        QCOMPARE(sent.at(1).at(0).toString(), QStringLiteral("2222"));
        QVERIFY(!error()->isVisible());

        // Refused again, the user gives up: Cancel aborts the login, sending nothing.
        QSignalSpy aborted(view.get(), &TelvoTwoFactorView::loginAborted);
        view->prepareTanForm(true);
        QTest::keyClicks(tan(), QStringLiteral("9999"));
        QTest::mouseClick(child<QPushButton>("tanCancelButton"), Qt::LeftButton);
        QCOMPARE(aborted.count(), 1);
        QCOMPARE(sent.count(), 2);
        QCOMPARE(tan()->text(), QString());
    }
};

QTEST_MAIN(TestTelvoTwoFactorView)
#include "tst_telvotwofactorview.moc"
