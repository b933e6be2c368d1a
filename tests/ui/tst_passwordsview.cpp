#include "TestEnv.h"
#include "app/PasswordCheck.h"
#include "app/Settings.h"
#include "passwords/SafeClient.h"
#include "ui/CreateViewEditPasswordDialog.h"
#include "ui/PasswordStrengthIndicator.h"
#include "ui/PasswordsView.h"
#include "ui/SuggestPasswordDialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

// The password safe tab as a user works it, against the reference service:
// list, search, create with a suggestion, show, edit, delete, lock and
// unlock. KORVEX_SCREENSHOT_DIR set: the view and the entry dialog are
// also saved there as PNG.
class TestPasswordsView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ServiceProcess> service;
    SafeClient client;
    PasswordCheck loginPassword;
    std::unique_ptr<PasswordsView> view;

    template<typename T>
    static T *child(QObject *parent, const char *name)
    {
        T *w = parent->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QTableView *table() const { return child<QTableView>(view.get(), "passwordTable"); }
    QStringList titles() const
    {
        QStringList list;
        for (int r = 0; r < table()->model()->rowCount(); ++r)
            list << table()->model()->index(r, 0).data().toString();
        return list;
    }
    CreateViewEditPasswordDialog *dialog() const { return view->findChild<CreateViewEditPasswordDialog *>(); }
    // The message box on top, if one is open.
    QMessageBox *box(QObject *parent) const
    {
        const auto boxes = parent->findChildren<QMessageBox *>();
        return boxes.isEmpty() ? nullptr : boxes.last();
    }
    void click(QObject *parent, const char *button) { QTest::mouseClick(child<QPushButton>(parent, button), Qt::LeftButton); }
    // The add button's dialog once it shows (null when it does not).
    CreateViewEditPasswordDialog *openAddDialog()
    {
        click(view.get(), "addButton");
        return QTest::qWaitFor([this] { return dialog(); }) ? dialog() : nullptr;
    }
    void grabIfAsked(QWidget *w, const QString &name)
    {
        const QString dir = qEnvironmentVariable("KORVEX_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            QVERIFY(w->window()->grab().save(dir + "/" + name + ".png"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("vera", "login-pw", {"--passwords-max", "4"}).ok());
        QCOMPARE(client.logIn(*service, "vera", "login-pw"), QString());
        QVERIFY(loginPassword.storePasswordHash("login-pw"));
    }
    void init()
    {
        QVERIFY(client.clear());
        QVERIFY(client.create("Bank", "bank-pw", "vera@bank.example", "https://bank.example", "Online banking").isOk());
        QVERIFY(client.create("Mail", "letmein", "vera@mail.example", "https://mail.example").isOk());
        QVERIFY(client.create("Wiki", "letmein", "vera", "wiki.example/login").isOk());
        client.controller->setLocked(false);
        view = std::make_unique<PasswordsView>(client.controller.get(),
                                               [this](const QString &p) { return loginPassword.checkPassword(p); });
        view->resize(760, 420);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QTRY_COMPARE(titles(), (QStringList{"Bank", "Mail", "Wiki"}));
    }
    void cleanup() { view.reset(); }

    void listShowsEntriesWithoutPasswords()
    {
        const auto *model = table()->model();
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QString("Password"));
        for (int r = 0; r < model->rowCount(); ++r)
            QCOMPARE(model->index(r, 2).data().toString(), QString("******"));
        QCOMPARE(model->index(0, 1).data().toString(), QString("vera@bank.example"));
        QCOMPARE(child<QLabel>(view.get(), "countLabel")->text(), QString("Used 3 passwords of 4 available"));
        grabIfAsked(view.get(), "password-safe");
    }

    void createWithSuggestionUpToTheMaximum()
    {
        CreateViewEditPasswordDialog *d = openAddDialog();
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QString("Add password"));
        QTest::keyClicks(child<QLineEdit>(d, "titleEdit"), "Forum");
        click(d, "suggestButton");
        QTRY_VERIFY(d->findChild<SuggestPasswordDialog *>());
        auto *suggest = d->findChild<SuggestPasswordDialog *>();
        child<QComboBox>(suggest, "pwdTypeBox")->setCurrentIndex(1); // "Random Password"
        const QString suggested = suggest->password();
        QCOMPARE(suggested.size(), 12);
        click(suggest, "okButton");
        QCOMPARE(child<QLineEdit>(d, "passwordEdit")->text(), suggested);
        QVERIFY(d->findChild<PasswordStrengthIndicator *>()->score() >= 3);
        grabIfAsked(d, "password-entry");
        click(d, "saveButton");
        QTRY_COMPARE(titles(), (QStringList{"Bank", "Forum", "Mail", "Wiki"}));
        QVERIFY(!dialog());
        const auto entries = client.list().value.passwords;
        const auto forum = std::find_if(entries.begin(), entries.end(), [](auto &e) { return e.title == "Forum"; });
        QCOMPARE(client.password(forum->id), std::optional<QString>(suggested));

        // Four of four: adding says so and opens no dialog.
        click(view.get(), "addButton");
        QTRY_VERIFY(box(view.get()));
        QCOMPARE(box(view.get())->windowTitle(), QString("Maximum reached"));
        QVERIFY(!dialog());
    }

    void blankTitleIsRefused()
    {
        QVERIFY(openAddDialog());
        QTest::keyClicks(child<QLineEdit>(dialog(), "titleEdit"), "   ");
        click(dialog(), "saveButton");
        QTRY_VERIFY(box(dialog()));
        QCOMPARE(box(dialog())->windowTitle(), QString("Invalid Data"));
        QCOMPARE(box(dialog())->text(), QString("You entered invalid data"));
        QCOMPARE(child<QLineEdit>(dialog(), "titleEdit")->styleSheet(), QString("border: 1px solid red"));
        QCOMPARE(client.list().value.passwords.size(), 3);
    }

    void showThenEdit()
    {
        const QModelIndex bank = table()->model()->index(0, 0);
        const QPoint at = table()->visualRect(bank).center();
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(dialog());
        CreateViewEditPasswordDialog *d = dialog();
        QCOMPARE(d->windowTitle(), QString("Password Entry"));
        auto *password = child<QLineEdit>(d, "passwordEdit");
        QVERIFY(password->isReadOnly());
        QVERIFY(password->text().isEmpty()); // fetched only on demand
        click(d, "showButton");
        QTRY_COMPARE(password->text(), QString("bank-pw"));
        QCOMPARE(password->echoMode(), QLineEdit::Normal);

        click(d, "editButton");
        QTRY_COMPARE(d->windowTitle(), QString("Edit password"));
        QCOMPARE(password->text(), QString("bank-pw"));
        QVERIFY(!password->isReadOnly());
        auto *title = child<QLineEdit>(d, "titleEdit");
        title->clear();
        QTest::keyClicks(title, "Bank (old)");
        click(d, "saveButton");
        QTRY_COMPARE(titles(), (QStringList{"Bank (old)", "Mail", "Wiki"}));
        QCOMPARE(client.list().value.passwords.first().comment, QString("Online banking"));
    }

    void deleteAsksFirst()
    {
        click(view.get(), "deleteButton");
        QTRY_VERIFY(box(view.get()));
        QCOMPARE(box(view.get())->windowTitle(), QString("No password selected"));
        QCOMPARE(box(view.get())->text(), QString("Please select the password to be deleted!"));
        box(view.get())->close();
        QTRY_VERIFY(!box(view.get()));

        table()->selectRow(titles().indexOf("Mail"));
        click(view.get(), "deleteButton");
        QTRY_VERIFY(box(view.get()));
        QMessageBox *question = box(view.get());
        QCOMPARE(question->text(), QString("Are you sure you want to delete password Mail ?"));
        QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);
        QTRY_COMPARE(titles(), (QStringList{"Bank", "Wiki"}));
        QCOMPARE(client.list().value.passwords.size(), 2);
    }

    void searches()
    {
        auto *field = child<QComboBox>(view.get(), "searchFieldBox");
        auto *search = child<QLineEdit>(view.get(), "searchEdit");
        field->setCurrentIndex(1); // title
        QTest::keyClicks(search, "Ba");
        QCOMPARE(titles(), QStringList{"Bank"});
        QVERIFY(table()->property("filtered").toBool());
        search->clear();
        QCOMPARE(titles().size(), 3);
        QVERIFY(!table()->property("filtered").toBool());

        // By password: hidden input, the service answers after a pause.
        field->setCurrentIndex(4);
        QCOMPARE(search->echoMode(), QLineEdit::Password);
        QTest::keyClicks(search, "letmein");
        QVERIFY(child<QProgressBar>(view.get(), "searchSpinner")->isVisible());
        QCOMPARE(titles().size(), 3); // nothing asked yet
        QTRY_COMPARE(titles(), (QStringList{"Mail", "Wiki"}));
        QVERIFY(!child<QProgressBar>(view.get(), "searchSpinner")->isVisible());
    }

    void lockAndUnlock()
    {
        // An hour without an operation, the client closed meanwhile: locked.
        Settings::setValue(Settings::PasswordLockSeconds, 60);
        Settings::setValue(Settings::PasswordLastOperationTimestamp, QDateTime::currentSecsSinceEpoch() - 3600);
        QVERIFY(openAddDialog());
        view->checkLockTimeout();
        QVERIFY(client.controller->isLocked());
        LockedOverlay *overlay = view->overlay();
        QTRY_VERIFY(overlay->isVisible());
        QCOMPARE(titles(), QStringList());
        QTRY_VERIFY(!dialog()); // nothing of the safe stays open

        auto *password = child<QLineEdit>(overlay, "unlockPasswordEdit");
        QTest::keyClicks(password, "wrong");
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(overlay->isShaking());
        QVERIFY(password->signalsBlocked());
        QTRY_VERIFY_WITH_TIMEOUT(!overlay->isShaking(), 3000);
        QVERIFY(client.controller->isLocked());

        QTest::keyClicks(password, "login-pw");
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(!client.controller->isLocked());
        QTRY_VERIFY(!overlay->isVisible());
        QTRY_COMPARE(titles(), (QStringList{"Bank", "Mail", "Wiki"}));
    }
};

QTEST_MAIN(TestPasswordsView)
#include "tst_passwordsview.moc"
