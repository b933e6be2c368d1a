#include "ui/MainWindow.h"

#include "app/FeaturesUtil.h"
#include "app/Settings.h"
#include "db/SyncSettingsDao.h"
#include "net/OndoSession.h"
#include "ri/LoginController.h"
#include "sync/MultiSyncher.h"
#include "ui/AddSettingView.h"
#include "ui/DebugDialog.h"
#include "ui/FileSyncSettingsView.h"
#include "ui/MainView.h"
#include "ui/SettingsView.h"
#include "ui/StatusBarView.h"
#include "ui/SyncHistoryView.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QStackedWidget>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

MainWindow::MainWindow(const DesktopParts &parts, const LoginView::Parts &login, QWidget *parent)
    : QMainWindow(parent)
    , m_parts(parts)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(tr("${APP_NAME}"));
    setMinimumSize(760, 520);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("mainContent"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tlsWarning = new QLabel(tr("TLS errors are ignored: the connection to the server is not secure."), central);
    m_tlsWarning->setObjectName(QStringLiteral("tlsWarningLabel"));
    m_tlsWarning->setStyleSheet(QStringLiteral("QLabel { background-color: #b00020; color: white; padding: 4px; }"));
    m_tlsWarning->setAlignment(Qt::AlignCenter);
    m_tlsWarning->hide();
    layout->addWidget(m_tlsWarning);
    m_stack = new QStackedWidget(central);
    layout->addWidget(m_stack, 1);
    setCentralWidget(central);

    m_loginView = new LoginView(login, m_stack);
    m_settingsList = new FileSyncSettingsView(parts.settings, parts.dirUtil);
    m_settingsView = new SettingsView(parts);
    m_mainView = new MainView(m_settingsList, m_settingsView, m_stack);
    m_stack->addWidget(m_loginView);
    m_stack->addWidget(m_mainView);

    m_statusBar = new StatusBarView(this);
    statusBar()->addWidget(m_statusBar, 1);
    statusBar()->installEventFilter(m_statusBar->debugGesture());
    connect(m_statusBar, &StatusBarView::debugDialogRequested, this, &MainWindow::debugDialogRequested);

    m_history = new SyncHistoryView(parts.history, parts.settings, parts.dirUtil, this);

    connect(m_settingsList, &FileSyncSettingsView::addSettingRequested, this, &MainWindow::openAddSetting);
    connect(m_settingsView, &SettingsView::showHistoryRequested, this, &MainWindow::showHistory);
    if (LoginController *c = parts.loginController) {
        connect(c, &LoginController::loggedOut, this, &MainWindow::showLoginPage);
    }
    if (MultiSyncher *s = parts.scheduler) {
        connect(s, &MultiSyncher::syncStarted, m_statusBar, &StatusBarView::on_syncStarted);
        connect(s, &MultiSyncher::syncProgress, m_statusBar, &StatusBarView::on_syncProgress);
        connect(s, &MultiSyncher::syncFinished, m_statusBar, &StatusBarView::on_syncFinished);
        connect(s, &MultiSyncher::syncCanceled, m_statusBar, &StatusBarView::on_syncCanceled);
        connect(s, &MultiSyncher::syncExecutedOne, m_history,
                [this](bool, const QString &, const SyncAction &a) { m_history->on_syncExecutedOne(a); });
        connect(s, &MultiSyncher::quotaExceeded, this, &MainWindow::on_quotaExceeded);
        connect(s, &MultiSyncher::syncSkipped, this, &MainWindow::on_syncSkipped);
        // The detail panel's "last synchronisation" follows the runs.
        connect(s, &MultiSyncher::syncFinished, m_settingsList, &FileSyncSettingsView::on_syncSettingsDataChanged);
    }
    // Restored here, also for a start to the tray: the geometry written at
    // quit must be the user's, not that of a window never shown.
    restoreGeometry(Settings::value(Settings::UiMainWindowGeometry).toByteArray());
    if (windowState() & Qt::WindowFullScreen)
        qInfo("MainWindow::MainWindow: loaded setting: Qt::WindowFullScreen");
    qInfo("MainWindow::MainWindow: device pixel ratio: %d", int(devicePixelRatio()));
}

FeaturesUtil *MainWindow::debugGesture() const
{
    return m_statusBar->debugGesture();
}

void MainWindow::prepareFirstPage()
{
    showLoginPage();
}

bool MainWindow::isLoginPageShown() const
{
    return m_stack->currentWidget() == m_loginView;
}

bool MainWindow::isTlsWarningShown() const
{
    return !m_tlsWarning->isHidden();
}

void MainWindow::showStatusMessage(const QString &text)
{
    m_statusBar->setMessage(text);
}

QString MainWindow::statusMessage() const
{
    return m_statusBar->message();
}

void MainWindow::showLoginPage()
{
    m_settingsList->setLoggedIn(false);
    m_history->hide();
    m_loginView->init();
    m_stack->setCurrentWidget(m_loginView);
}

void MainWindow::showMainPage(int tab)
{
    m_stack->setCurrentWidget(m_mainView);
    if (tab >= 0)
        m_mainView->selectTab(tab);
}

void MainWindow::on_fetchingFileSafes()
{
    showStatusMessage(tr("Getting Your file safes"));
}

void MainWindow::on_fileSafesFetched(const Result<FileSafes> &result)
{
    if (!result.isOk()) {
        const bool timeout = result.code == ERR_TIMEOUT || result.code == ERR_TIMEOUT_FLOW;
        showStatusMessage(timeout ? tr("Timeout") : tr("Connection failed ..."));
    } else {
        showStatusMessage(QString());
    }
    // The stored list still serves when the fetch failed.
    m_settingsList->setLoggedIn(true);
    m_settingsView->reload();
    showMainPage(MainView::FileSafeTab);
}

void MainWindow::on_clientNotSupported()
{
    showStatusMessage(tr("Your ${APP_NAME} ${APP_VERSION} is not supported anymore."));
}

void MainWindow::on_quotaExceeded(const SyncAction &action)
{
    showStatusMessage(tr("Synchronization failed: There is not enough free space in your ${SERVICE_NAME} '%1'. "
                         "Please delete some documents or upgrade your ${SERVICE_NAME}.")
                          .arg(action.safeName));
}

void MainWindow::on_syncSkipped(const SyncSetting &setting, MultiSyncher::SkipReason reason)
{
    // A drive that is still starting or a run of korvexcmd are passing
    // states; a missing folder waits for the user.
    if (reason == MultiSyncher::SkipReason::FolderUnreadable)
        showStatusMessage(tr("'%1' was not synchronized: the folder %2 is missing or cannot be read.")
                              .arg(setting.safeName, QDir::toNativeSeparators(setting.localDir)));
}

void MainWindow::raiseApplication()
{
    qInfo("MainWindow::raiseApplication: Activate main window.");
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::showHistory()
{
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void MainWindow::openAddSetting()
{
    AddSettingView::Parts parts;
    parts.fileSafes = m_parts.fileSafes;
    parts.filesafeRI = m_parts.filesafeRI;
    parts.settings = m_parts.settings;
    parts.session = m_parts.session;
    parts.dirUtil = m_parts.dirUtil;
    parts.appInfo = m_parts.appInfo;
    AddSettingView view(parts, this);
    connect(&view, &AddSettingView::settingStored, m_settingsList, &FileSyncSettingsView::selectSetting);
    view.exec();
}

void MainWindow::openDebugDialog()
{
    DebugDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        emit debugSettingsChanged();
}

void MainWindow::setTlsWarningVisible(bool visible)
{
    m_tlsWarning->setVisible(visible);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_quitting) {
        event->accept();
        return;
    }
    event->ignore();
    // The tray keeps the client running; without one, closing the window
    // would leave a process nobody can reach.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        emit quitRequested();
}
