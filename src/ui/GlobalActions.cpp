#include "ui/GlobalActions.h"

#include "app/AppInfo.h"
#include "app/Settings.h"
#include "ri/LoginController.h"
#include "sync/CleanupHandler.h"
#include "sync/ISyncPrompts.h"
#include "sync/MultiSyncher.h"
#include "ui/MainView.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>

GlobalActions::GlobalActions(MainWindow *window, const DesktopParts &parts, ISyncPrompts *prompts, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_parts(parts)
    , m_prompts(prompts)
    , m_tray(TrayState::framesIn(QStringLiteral(":/res/tray")), Settings::value(Settings::AppShowPwdSafe).toBool())
{
    m_logoutBox = makeWarning(tr("Logout will interrupt the synchronization process."), tr("Logout?"));
    m_quitBox = makeWarning(tr("Quitting will interrupt the synchronization process."), tr("Quit?"));
    createActions();
    m_animation.setSingleShot(true);
    m_animation.setInterval(TrayState::FrameIntervalMs);
    connect(&m_animation, &QTimer::timeout, this, &GlobalActions::animate);

    if (MultiSyncher *s = m_parts.scheduler) {
        connect(s, &MultiSyncher::syncStarted, this, [this] { setTrayState(TrayState::Syncing); });
        connect(s, &MultiSyncher::syncFinished, this, &GlobalActions::on_syncFinished);
        connect(s, &MultiSyncher::syncCanceled, this, [this] {
            // Stopped by the user: state 5 holds; stopped otherwise (a full
            // quota, a lost session): the run is over.
            if (m_tray.state() == TrayState::Syncing)
                setTrayState(TrayState::SyncFinished);
        });
        m_cleanup = new CleanupHandler(s, this);
        qApp->installEventFilter(m_cleanup);
        connect(m_cleanup, &CleanupHandler::tryQuit, this, &GlobalActions::tryQuit);
        connect(m_cleanup, &CleanupHandler::runQuit, this, &GlobalActions::runQuit);
    }
    if (LoginController *c = m_parts.loginController) {
        connect(c, &LoginController::loggedIn, this, [this] { setTrayState(TrayState::LoggedInIdle); });
        connect(c, &LoginController::loggedOut, this, [this] { setTrayState(TrayState::LoggedOut); });
    }
    connect(m_window, &MainWindow::quitRequested, this, &GlobalActions::on_quitAction);
    setTrayState(TrayState::LoggedOut);
}

GlobalActions::~GlobalActions()
{
    if (m_cleanup)
        qApp->removeEventFilter(m_cleanup);
}

QMessageBox *GlobalActions::makeWarning(const QString &text, const QString &title)
{
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel, m_window);
    box->setInformativeText(tr("Do you really want to proceed?"));
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

void GlobalActions::createActions()
{
    auto make = [this](TrayState::Action which, const QString &text, const char *name) {
        auto *a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        m_actions[which] = a;
        return a;
    };
    connect(make(TrayState::Show, tr("Show ${APP_NAME}"), "showAction"), &QAction::triggered, this,
            &GlobalActions::on_showAction);
    connect(make(TrayState::About, tr("About ${APP_NAME}"), "aboutAction"), &QAction::triggered, this,
            &GlobalActions::showAbout);
    make(TrayState::VersionLine, tr("${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}"), "versionAction")->setEnabled(false);
    connect(make(TrayState::Login, tr("Login"), "loginAction"), &QAction::triggered, this,
            &GlobalActions::on_loginAction);
    connect(make(TrayState::Logout, tr("Logout"), "logoutAction"), &QAction::triggered, this,
            &GlobalActions::on_logoutAction);
    connect(make(TrayState::SyncAll, tr("Sync All"), "syncAllAction"), &QAction::triggered, this,
            &GlobalActions::syncAll);
    connect(make(TrayState::CancelSync, tr("Cancel Sync"), "cancelSyncAction"), &QAction::triggered, this,
            &GlobalActions::requestToStopSync);
    connect(make(TrayState::Settings, tr("Settings"), "settingsAction"), &QAction::triggered, this, [this] {
        m_window->raiseApplication();
        m_window->showMainPage(MainView::SettingsTab);
    });
    connect(make(TrayState::SyncActivities, tr("File Sync Activities"), "syncActivitiesAction"), &QAction::triggered,
            m_window, &MainWindow::showHistory);
    QAction *log = make(TrayState::ShowLog, tr("Show Log"), "showLogAction");
    log->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_L));
    connect(log, &QAction::triggered, this, [this] {
        if (m_parts.appInfo)
            QDesktopServices::openUrl(QUrl::fromLocalFile(m_parts.appInfo->logFilePath()));
    });
    connect(make(TrayState::Help, tr("Help"), "helpAction"), &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(tr("${URL_HELP}"))); });
    QAction *quit = make(TrayState::Quit, tr("Quit ${APP_NAME}"), "quitAction");
    quit->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &GlobalActions::on_quitAction);
    connect(make(TrayState::PasswordSafe, tr("Password Safe"), "passwordSafeAction"), &QAction::triggered, this, [this] {
        m_window->raiseApplication();
        m_window->showMainPage(MainView::PasswordSafeTab);
    });
    // The shortcuts work while the window has the focus.
    m_window->addAction(log);
    m_window->addAction(quit);
}

void GlobalActions::initSystray()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    qInfo("GlobalActions::initSystray: System Tray available: %s", available ? "yes" : "no");
    m_trayMenu = new QMenu(m_window);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    using A = TrayState;
    for (auto group : {std::initializer_list<A::Action>{A::Show, A::VersionLine},
                       {A::Login, A::Logout, A::SyncAll, A::CancelSync},
                       {A::SyncActivities, A::PasswordSafe, A::Settings},
                       {A::Help, A::About, A::Quit}}) {
        if (!m_trayMenu->isEmpty())
            m_trayMenu->addSeparator();
        for (A::Action a : group)
            m_trayMenu->addAction(m_actions[a]);
    }
    if (!available)
        return;
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && m_trayMenu && !m_trayMenu->isVisible())
            m_trayMenu->popup(QCursor::pos());
    });
    applyTrayState();
    m_trayIcon->show();
}

void GlobalActions::initAppMenu()
{
    QMenuBar *bar = m_window->menuBar();
    //: The application's menu, called "Ablage" on macOS and "Datei" on Windows in German.
    QMenu *file = bar->addMenu(tr("&File"));
    using A = TrayState;
    for (A::Action a : {A::Login, A::Logout, A::SyncAll, A::CancelSync, A::SyncActivities, A::PasswordSafe, A::Settings})
        file->addAction(m_actions[a]);
    file->addSeparator();
    file->addAction(m_actions[A::Quit]);
    QMenu *help = bar->addMenu(tr("&Help"));
    help->addAction(m_actions[A::Help]);
    help->addAction(m_actions[A::ShowLog]);
    help->addSeparator();
    help->addAction(m_actions[A::About]);
}

void GlobalActions::setTrayState(TrayState::State state)
{
    if (!m_tray.setState(state))
        return;
    qDebug("GlobalActions::setTrayState: %d", int(state));
    applyTrayState();
    emit trayStateChanged(int(state));
}

void GlobalActions::applyTrayState()
{
    for (int i = 0; i < TrayState::ActionCount; ++i) {
        const bool offered = m_tray.isOffered(TrayState::Action(i));
        m_actions[i]->setEnabled(offered && i != TrayState::VersionLine);
        m_actions[i]->setVisible(offered);
    }
    if (m_tray.state() == TrayState::Syncing) {
        animate();
    } else {
        m_animation.stop();
        setIcon(m_tray.icon());
    }
    if (m_trayIcon)
        m_trayIcon->setToolTip(m_tray.toolTip());
}

void GlobalActions::animate()
{
    const std::optional<QString> frame = m_tray.nextFrame();
    if (!frame)
        return;
    setIcon(*frame);
    m_animation.start();
}

void GlobalActions::setIcon(const QString &icon)
{
    m_currentIcon = icon;
    if (!m_trayIcon)
        return;
    QIcon i(icon);
    i.setIsMask(true); // the platform may tint it
    m_trayIcon->setIcon(i);
}

void GlobalActions::syncAll()
{
    if (m_parts.scheduler)
        m_parts.scheduler->startFullSync();
}

void GlobalActions::syncOne(int settingId)
{
    qInfo("GlobalActions::syncOne: sync setting id: %d", settingId);
    if (m_parts.scheduler)
        m_parts.scheduler->startSync(settingId);
}

void GlobalActions::requestToStopSync()
{
    setTrayState(TrayState::StopRequested);
    if (m_parts.scheduler)
        m_parts.scheduler->stopSync();
}

void GlobalActions::on_syncFinished(int nDone, int nFailed, const SyncActions &actions)
{
    qInfo("GlobalActions::on_syncFinished: nDone:%d nFailed:%d", nDone, nFailed);
    int ok = 0, warn = 0, err = 0;
    for (const SyncAction &a : actions) {
        if (a.isError())
            ++err;
        else if (a.isWarning())
            ++warn;
        else if (a.status == SyncAction::STATUS_OK)
            ++ok;
    }
    qInfo("GlobalActions::on_syncFinished: nTotal:%d nExecOk:%d nWarn:%d nErr:%d", int(actions.size()), ok, warn, err);
    m_lastNotification = TrayState::notificationFor(nDone, nFailed);
    if (m_lastNotification && m_trayIcon && QSystemTrayIcon::supportsMessages())
        m_trayIcon->showMessage(m_lastNotification->title, m_lastNotification->body, QSystemTrayIcon::Information, 10000);
    setTrayState(TrayState::SyncFinished);
}

void GlobalActions::showAbout()
{
    QMessageBox::about(m_window, tr("About ${APP_NAME}"),
                       tr("<b>${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}</b><br/>Your files, in step with your "
                          "${SERVICE_NAME} file safes."));
}

void GlobalActions::on_showAction()
{
    m_window->raiseApplication();
}

void GlobalActions::on_loginAction()
{
    if (m_parts.loginController && m_parts.loginController->isLoggedIn()) {
        QMessageBox::information(m_window, tr("Info"), tr("Already logged in"));
        return;
    }
    m_window->showLoginPage();
    m_window->raiseApplication();
}

void GlobalActions::on_logoutAction()
{
    if (m_parts.scheduler && m_parts.scheduler->isSyncing()) {
        if (m_logoutBox->exec() != QMessageBox::Ok)
            return;
        m_parts.scheduler->stopSync();
    }
    if (m_parts.scheduler)
        m_parts.scheduler->loggedOut();
    if (m_parts.loginController)
        m_parts.loginController->doLogout();
}

bool GlobalActions::confirmQuitDuringSync()
{
    return m_quitBox->exec() == QMessageBox::Ok;
}

void GlobalActions::on_quitAction()
{
    // The close request lets the CleanupHandler hold the quit back while a
    // sync runs.
    if (m_quitting)
        return;
    m_quitting = true;
    m_window->setQuitting(true);
    QCloseEvent close;
    QCoreApplication::sendEvent(qApp, &close);
    if (!m_cleanup)
        runQuit();
}

void GlobalActions::tryQuit()
{
    const bool quit = m_prompts ? m_prompts->promptForQuitDuringSync() : confirmQuitDuringSync();
    if (!quit) {
        m_cleanup->quitAborted();
        m_quitting = false;
        m_window->setQuitting(false);
        return;
    }
    // The stopped run ends in syncCanceled, and the handler then quits.
    if (m_parts.scheduler)
        m_parts.scheduler->stopSync();
}

void GlobalActions::runQuit()
{
    qInfo("GlobalActions::runQuit: quitting");
    m_window->hide();
    if (m_trayIcon)
        m_trayIcon->hide();
    QCoreApplication::quit();
    // Should a modal loop still hold the event loop, end it all the same.
    QTimer::singleShot(2000, qApp, [] { QCoreApplication::exit(0); });
}
