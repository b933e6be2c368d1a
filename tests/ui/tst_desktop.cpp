#include "TestEnv.h"
#include "app/ApplicationLog.h"
#include "app/BrandingTranslator.h"
#include "app/Settings.h"
#include "db/SyncSettingsDao.h"
#include "net/ServerList.h"
#include "ri/LoginController.h"
#include "support/ServiceClient.h"
#include "sync/MultiSyncher.h"
#include "sync/SyncHistoryModel.h"
#include "ui/AddSettingView.h"
#include "ui/DebugDialog.h"
#include "ui/FileSyncSettingsView.h"
#include "ui/GlobalActions.h"
#include "ui/LoginView.h"
#include "ui/MainView.h"
#include "ui/MainWindow.h"
#include "ui/OndoApplication.h"
#include "ui/RemoteFolderDialog.h"
#include "ui/StatusBarView.h"
#include "ui/Style.h"
#include "ui/SyncHistoryView.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>

// The desktop client as a user meets it: the real application object, its
// window and actions, against the reference service over HTTPS, the real
// database, key store and folders. Cases run in order, one session of use.
class TestDesktop : public QObject
{
    Q_OBJECT

    ServiceProcess service;
    QTemporaryDir folders;
    OndoApplication *app = nullptr;
    const QString password = QStringLiteral("correct horse 1");
    const QString wrongPassword = QStringLiteral("wrong one");

    MainWindow *window() const { return app->mainWindow(); }
    GlobalActions *actions() const { return app->globalActions(); }
    template<typename T>
    T *child(QObject *parent, const char *name) const
    {
        T *w = parent->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QString local(const QString &name) const { return folders.filePath(name); }

    // Runs `act` on the next modal widget of type T once it shows (a modal
    // dialog blocks the test in exec() until something answers it).
    template<typename T>
    void whenModal(std::function<void(T *)> act)
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer, act] {
            if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
                timer->deleteLater();
                timer->stop();
                act(w);
            }
        });
        timer->start(20);
    }
    // Answers the next message box with `button`, keeping its text.
    void answerBox(QMessageBox::StandardButton button, QString *text = nullptr, QString *title = nullptr)
    {
        whenModal<QMessageBox>([=](QMessageBox *box) {
            if (text)
                *text = box->text();
            if (title)
                *title = box->windowTitle();
            QTest::mouseClick(box->button(button), Qt::LeftButton);
        });
    }

    void logIn(const QString &user, const QString &secret = QString()) // empty: the account's password
    {
        LoginView *view = window()->loginView();
        // On a display (scripts/screenshots) keys go to the active window.
        QApplication::setActiveWindow(window());
        auto *name = child<QLineEdit>(view, "usernameInput");
        name->clear();
        name->setFocus();
        QTest::keyClicks(name, user);
        QTest::keyClick(name, Qt::Key_Tab);
        auto *pw = child<QLineEdit>(view, "passwordInput");
        QVERIFY(pw->hasFocus());
        pw->selectAll();
        QTest::keyClicks(pw, secret.isEmpty() ? password : secret);
        QTest::keyClick(pw, Qt::Key_Return);
    }
    bool loggedIn() const { return app->loginController()->isLoggedIn(); }

    // scripts/screenshots runs this test on a virtual X display with a tray
    // and has the pages photographed where a user sees them.
    static QString screenshotDir() { return qEnvironmentVariable("KORVEX_SCREENSHOT_DIR"); }
    void shot(const QString &name, QWidget *widget = nullptr)
    {
        if (screenshotDir().isEmpty())
            return;
        QTest::qWait(400); // painted
        const QString window = widget ? QString::number(widget->window()->winId()) : QStringLiteral("root");
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), window,
                                                     screenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png")});
    }
    // Waits for the main view (the initial safe list arrived).
    bool mainPageShown() const
    {
        return QTest::qWaitFor([this] { return loggedIn() && !window()->isLoginPageShown(); }, 30000);
    }
    void logOut()
    {
        actions()->action(TrayState::Logout)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!loggedIn(), 20000);
        QTRY_VERIFY(window()->isLoginPageShown());
    }

    // Fills the set-up view and saves; `answers` handles the boxes it raises.
    void addSetting(const QString &safe, const QString &folder, const std::function<void(AddSettingView *)> &more = {})
    {
        whenModal<AddSettingView>([=](AddSettingView *view) {
            auto *table = child<QTableWidget>(view, "fileSafeTable");
            for (int r = 0; r < table->rowCount(); ++r)
                if (table->item(r, 0)->text() == safe)
                    table->selectRow(r);
            if (more)
                more(view);
            auto *edit = child<QLineEdit>(view, "localFolderEdit");
            edit->selectAll();
            QTest::keyClicks(edit, folder);
            QTest::mouseClick(child<QPushButton>(view, "saveButton"), Qt::LeftButton);
            // A refusal leaves the view open: the user cancels it.
            QTimer::singleShot(0, view, [view] {
                if (view->isVisible() && QApplication::activeModalWidget() == view)
                    view->reject();
            });
        });
        QTest::mouseClick(child<QPushButton>(window(), "addSettingButton"), Qt::LeftButton);
    }
    int settingsShown() const { return window()->fileSyncSettingsView()->model()->rowCount(); }
    // A new file in the first setting's safe whose download hangs: the next
    // sync stays running until the test ends it.
    void newFileWithStalledDownloads(const QString &name)
    {
        ServiceClient client(service);
        QVERIFY(client.login(QStringLiteral("alice"), password).loggedIn);
        const QString docs = app->syncSettingsDao()->getList().at(0).safeId;
        QVERIFY(client.upload(docs + QStringLiteral("/"), name, name.toUtf8()).ok());
        QVERIFY(service.stall(QStringLiteral("/api/sync/1/files/file/"), 600000, QStringLiteral("GET"), 0));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        qRegisterMetaType<SyncActions>("SyncActions");
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(service.addUser(QStringLiteral("alice"), password).ok());
        QVERIFY(service.addUser(QStringLiteral("bobby"), password, {"--2fa", "SMS"}).ok());
        const QString docs = service.addSafe(QStringLiteral("alice"), QStringLiteral("Documents"));
        QVERIFY(!docs.isEmpty());
        QVERIFY(!service.addSafe(QStringLiteral("alice"), QStringLiteral("Photos")).isEmpty());
        ServiceClient client(service);
        QVERIFY(client.login(QStringLiteral("alice"), password).loggedIn);
        QVERIFY(client.createFolder(docs + QStringLiteral("/"), QStringLiteral("Letters")).ok());
        QVERIFY(client.upload(docs + QStringLiteral("/"), QStringLiteral("readme.txt"), "hello").ok());
        QVERIFY(client.upload(docs + QStringLiteral("/Letters"), QStringLiteral("a.txt"), "dear").ok());
        client.logout();

        // The remembered server is a hand-entered one, trusted through its CA.
        Settings::setValue(Settings::NetServer, QStringLiteral("CUSTOM"));
        Settings::setValue(Settings::UiDbgDialogServerUrl, service.baseUrl());
        Settings::setValue(Settings::NetCaFile, service.caFile());
        Settings::setValue(Settings::AppDefaultFolderName, folders.path());
        app->serverList()->initSelectedServer();
        app->serverList()->restoreCustomUrl();
        app->initApp();
        QVERIFY(window()->isVisible());
        if (!screenshotDir().isEmpty())
            window()->resize(900, 600);
        QCOMPARE(actions()->trayState().state(), TrayState::LoggedOut);
        QCOMPARE(actions()->currentIcon(), QStringLiteral(":/res/tray/logged_out.png"));
        // The version check against the service opens the login page.
        QTRY_VERIFY_WITH_TIMEOUT(window()->statusMessage() == QLatin1String("Client version is up to date"), 30000);
    }

    void loginRefusesAWrongPasswordThenLogsIn()
    {
        LoginView *view = window()->loginView();
        shot(QStringLiteral("login"), window());
        auto *button = child<QPushButton>(view, "loginButton");
        QVERIFY(button->isDefault());
        QTest::keyClicks(child<QLineEdit>(view, "usernameInput"), QStringLiteral("al"));
        QTest::mouseClick(button, Qt::LeftButton); // a 2-letter name sends nothing
        QCOMPARE(view->uiState(), LoginViewState::EnterUsernamePassword_Invalid);

        logIn(QStringLiteral("Alice"), wrongPassword);
        QTRY_COMPARE_WITH_TIMEOUT(view->uiState(), LoginViewState::LoginFailed, 20000);
        QVERIFY2(view->progressText().contains(QLatin1String("Invalid username or password")),
                 qPrintable(view->progressText()));

        logIn(QStringLiteral("Alice")); // sent in lower case
        QVERIFY(mainPageShown());
        QCOMPARE(window()->mainView()->currentTab(), int(MainView::FileSafeTab));
        QCOMPARE(window()->mainView()->tabs()->tabText(0), QStringLiteral("Password Safe"));
        QCOMPARE(actions()->trayState().state(), TrayState::LoggedInIdle);
        QVERIFY(actions()->action(TrayState::SyncAll)->isVisible());
        QVERIFY(!actions()->action(TrayState::Login)->isVisible());
        QCOMPARE(settingsShown(), 0);
    }

    void setUpViewStoresSettingsAndRefusesOverlaps()
    {
        // A folder that does not exist yet is created on request.
        // Both settings sync on request only: the timer's runs stay out of the
        // way of the runs this test starts.
        QString question;
        answerBox(QMessageBox::Yes, &question);
        addSetting(QStringLiteral("Documents"), local(QStringLiteral("Docs")),
                   [this](AddSettingView *view) { child<QCheckBox>(view, "autoSyncCheckBox")->setChecked(false); });
        QTRY_COMPARE(settingsShown(), 1);
        QVERIFY2(question.startsWith(QLatin1String("The local folder does not exist:")), qPrintable(question));
        QVERIFY(QFileInfo(local(QStringLiteral("Docs"))).isDir());

        // Inside a synchronized folder: refused with its message, nothing stored.
        QString conflict, title;
        answerBox(QMessageBox::No, &conflict, &title);
        addSetting(QStringLiteral("Photos"), local(QStringLiteral("Docs/Inner")));
        QTRY_VERIFY(!conflict.isEmpty());
        QCOMPARE(title, QStringLiteral("Folder already used!"));
        QVERIFY2(conflict.contains(QLatin1String("is already synchronized")) &&
                     conflict.contains(QLatin1String("<b>\"Documents\"</b> used by <b>yourself</b>")),
                 qPrintable(conflict));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(settingsShown(), 1);
        QVERIFY(!QFileInfo::exists(local(QStringLiteral("Docs/Inner"))));

        // The second safe into a folder of the safe made in the chooser.
        QVERIFY(QDir().mkpath(local(QStringLiteral("Pictures"))));
        bool chose = false;
        addSetting(QStringLiteral("Photos"), local(QStringLiteral("Pictures")), [&](AddSettingView *view) {
            whenModal<RemoteFolderDialog>([&](RemoteFolderDialog *dialog) {
                dialog->createFolder(QStringLiteral("Album"));
                QTRY_VERIFY(dialog->selectPath(QStringLiteral("/Album")));
                QTest::mouseClick(child<QPushButton>(dialog, "selectButton"), Qt::LeftButton);
                chose = true;
            });
            QTest::mouseClick(child<QPushButton>(view, "remoteFolderButton"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(chose, 20000);
            QCOMPARE(child<QLineEdit>(view, "remoteFolderEdit")->text(), QStringLiteral("/Album"));
            child<QCheckBox>(view, "autoSyncCheckBox")->setChecked(false);
            shot(QStringLiteral("set-up-view"), view);
        });
        QTRY_COMPARE(settingsShown(), 2);
        const SyncSetting photos = app->syncSettingsDao()->getList().value(1);
        QCOMPARE((QStringList{photos.safeName, photos.remoteDir, QString::number(photos.mode)}),
                 (QStringList{"Photos", "/Album", "1"}));
        QVERIFY(!photos.rootFolderId.isEmpty());
        shot(QStringLiteral("file-safe-tab"), window());
    }

    void syncFillsFoldersHistoryAndTray()
    {
        QSignalSpy states(actions(), &GlobalActions::trayStateChanged);
        QSignalSpy finished(app->scheduler(), &MultiSyncher::syncFinished);
        actions()->action(TrayState::SyncAll)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
        QCOMPARE(states, (QList<QVariantList>{{int(TrayState::Syncing)}, {int(TrayState::SyncFinished)}}));
        QVERIFY(actions()->trayState().frameCounter() > 0); // the icon was animated
        QCOMPARE(actions()->currentIcon(), QStringLiteral(":/res/tray/idle.png"));
        QCOMPARE(QFile(local(QStringLiteral("Docs/Letters/a.txt"))).size(), 4);
        QCOMPARE(QFile(local(QStringLiteral("Docs/readme.txt"))).size(), 5);
        QVERIFY(actions()->lastNotification());
        QCOMPARE(actions()->lastNotification()->title, QStringLiteral("Synchronisation successful"));
        QVERIFY2(actions()->lastNotification()->body.startsWith(QLatin1String("3 change")),
                 qPrintable(actions()->lastNotification()->body));
        QCOMPARE(window()->statusBarView()->syncText(), QStringLiteral("Sync successful"));

        actions()->action(TrayState::SyncActivities)->trigger();
        SyncHistoryView *history = window()->historyView();
        QTRY_VERIFY(history->isVisible());
        QCOMPARE(history->model()->rowCount(), 3);
        QCOMPARE(history->model()->findItems(QStringLiteral("Documents: /Letters/a.txt"), Qt::MatchExactly,
                                             SyncHistoryModel::ItemColumn).size(), 1);
        shot(QStringLiteral("history"), history);
        history->hide();
        if (QSystemTrayIcon *tray = actions()->trayIcon()) {
            actions()->trayMenu()->popup(tray->geometry().bottomLeft());
            shot(QStringLiteral("tray-menu"));
            actions()->trayMenu()->hide();
        }
    }

    // A drive that comes up during a run asks for its setting then; the
    // run ignores plain requests, so this one follows it.
    void aSettingAskedForDuringARunFollowsIt()
    {
        QSignalSpy started(app->scheduler(), &MultiSyncher::syncStarted);
        QSignalSpy finished(app->scheduler(), &MultiSyncher::syncFinished);
        app->scheduler()->startFullSync();
        const int photos = app->syncSettingsDao()->getList().value(1).id;
        app->scheduler()->startSync(photos); // ignored
        app->scheduler()->startSyncWhenIdle(photos);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 60000);
        QCOMPARE(started.count(), 2);
    }

    void debugDialogWarnsWhileTlsErrorsAreIgnored()
    {
        auto setIgnore = [this](bool ignore) {
            whenModal<DebugDialog>([=](DebugDialog *dialog) {
                auto *box = child<QCheckBox>(dialog, "ignoreSslCheckBox");
                if (box->isChecked() != ignore)
                    QTest::mouseClick(box, Qt::LeftButton);
                QTest::keyClick(dialog, Qt::Key_Return);
            });
            for (int i = 0; i < 5; ++i) // the hidden gesture: five Alt-clicks on the status bar
                QTest::mouseClick(window()->statusBarView(), Qt::LeftButton, Qt::AltModifier);
        };
        QVERIFY(!window()->isTlsWarningShown());
        setIgnore(true);
        QVERIFY(window()->isTlsWarningShown());
        QVERIFY(app->session()->ignoreSslErrors());
        setIgnore(false);
        QVERIFY(!window()->isTlsWarningShown());
        QVERIFY(!app->session()->ignoreSslErrors());
    }

    void cancelAndQuitQuestionDuringASync()
    {
        newFileWithStalledDownloads(QStringLiteral("slow.txt"));

        QSignalSpy states(actions(), &GlobalActions::trayStateChanged);
        QSignalSpy canceled(app->scheduler(), &MultiSyncher::syncCanceled);
        actions()->action(TrayState::SyncAll)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(actions()->trayState().state(), TrayState::Syncing, 20000);
        QVERIFY(actions()->action(TrayState::CancelSync)->isVisible());
        QVERIFY(!actions()->action(TrayState::SyncAll)->isVisible());

        // The quit question: Cancel is the default, and taking it keeps the run.
        QString text;
        whenModal<QMessageBox>([&](QMessageBox *box) {
            text = box->text();
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
            QTest::keyClick(box, Qt::Key_Return);
        });
        actions()->action(TrayState::Quit)->trigger();
        QCOMPARE(text, QStringLiteral("Quitting will interrupt the synchronization process."));
        QVERIFY(app->scheduler()->isSyncing());
        QVERIFY(window()->isVisible());

        actions()->action(TrayState::CancelSync)->trigger();
        QCOMPARE(canceled.count(), 1);
        QCOMPARE(actions()->trayState().state(), TrayState::StopRequested);
        QCOMPARE(states, (QList<QVariantList>{{int(TrayState::Syncing)}, {int(TrayState::StopRequested)}}));
        QCOMPARE(window()->statusBarView()->syncText(), QStringLiteral("Sync canceled"));
        QVERIFY(!QFileInfo::exists(local(QStringLiteral("Docs/slow.txt"))));
        QVERIFY(service.clearFaults());
    }

    void secondFactorLoginAndLogout()
    {
        logOut();
        QCOMPARE(actions()->trayState().state(), TrayState::LoggedOut);
        logIn(QStringLiteral("bobby"));
        auto *code = child<QLineEdit>(window()->loginView(), "smsCodeInput");
        QTRY_VERIFY_WITH_TIMEOUT(code->isVisible() && code->isEnabled(), 20000);
        shot(QStringLiteral("second-factor"), window());
        std::optional<ServiceProcess::OutOfBand> tan;
        QTRY_VERIFY_WITH_TIMEOUT((tan = service.latestTan(QStringLiteral("bobby"))).has_value(), 20000);
        QTest::keyClicks(code, QStringLiteral("12-")); // not a code: nothing sent
        QTest::keyClick(code, Qt::Key_Return);
        QCOMPARE(window()->loginView()->uiState(), LoginViewState::EnterMtan_Invalid);
        code->clear();
        QTest::keyClicks(code, tan->tan);
        QTest::keyClick(code, Qt::Key_Return);
        QVERIFY(mainPageShown());
        QCOMPARE(settingsShown(), 0); // bobby's own list
        logOut();
    }

    void rememberedAccountLogsInAutomatically()
    {
        LoginView *view = window()->loginView();
        QTest::mouseClick(child<QToolButton>(view, "extendedOptionsButton"), Qt::LeftButton);
        for (const char *name : {"rememberUsernameCheckBox", "rememberPasswordCheckBox", "autoLoginAtStartCheckBox"}) {
            auto *box = child<QCheckBox>(view, name);
            QVERIFY(box->isVisible());
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Space);
            QVERIFY(box->isChecked());
        }
        logIn(QStringLiteral("alice"));
        QVERIFY(mainPageShown());
        logOut();
        QCOMPARE(child<QLineEdit>(view, "usernameInput")->text(), QStringLiteral("alice"));
        QCOMPARE(child<QLineEdit>(view, "passwordInput")->text(), password); // from the key store

        // The next confirmation of the server (as at a start) logs in alone.
        app->doGetClientVersion();
        QVERIFY(mainPageShown());
        QCOMPARE(settingsShown(), 2);
    }

    // Last: a confirmed quit ends the application's event loop for good.
    void confirmedQuitStopsTheRunAndQuits()
    {
        newFileWithStalledDownloads(QStringLiteral("last.txt"));
        QSignalSpy canceled(app->scheduler(), &MultiSyncher::syncCanceled);
        actions()->action(TrayState::SyncAll)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(app->scheduler()->isSyncing(), 20000);
        answerBox(QMessageBox::Ok);
        actions()->action(TrayState::Quit)->trigger();
        QCOMPARE(canceled.count(), 1);
        QVERIFY(!window()->isVisible());
    }

public:
    explicit TestDesktop(OndoApplication *a) : app(a) {}
};

int main(int argc, char *argv[])
{
    TestEnv env;
    ApplicationLog log(env.appInfo());
    OndoApplication app(&log, env.appInfo(), argc, argv);
    const BrandingTranslator *translator = BrandingTranslator::install(env.config());
    Style::install(env.config(), translator->substitutions()); // the brand's look, as at a start
    TestDesktop test(&app);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
