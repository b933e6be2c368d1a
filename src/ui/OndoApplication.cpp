#include "ui/OndoApplication.h"

#include "app/AppInfo.h"
#include "app/ApplicationLog.h"
#include "app/ConfigurationManager.h"
#include "app/CrashDumps.h"
#include "app/Settings.h"
#include "app/SignalWatcher.h"
#include "app/SettingsStorage.h"
#include "app/SingleInstance.h"
#include "app/StartOnStartup.h"
#include "app/VersionOrder.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncSettingsDao.h"
#include "db/UserDao.h"
#include "drive/CredentialStore.h"
#include "drive/EncryptedDrives.h"
#include "drive/IconOverlay.h"
#include "net/NetProxy.h"
#include "net/ServerList.h"
#include "passwords/PasswordController.h"
#include "ri/LoginController.h"
#include "ri/LoginRI.h"
#include "ri/PasswordRI.h"
#include "sync/DirUtil.h"
#include "sync/MultiSyncher.h"
#include "sync/QtWifiConfigurationSource.h"
#include "sync/WifiController.h"
#include "ui/FileSyncSettingsView.h"
#include "ui/GlobalActions.h"
#include "ui/LoginView.h"
#include "ui/MainView.h"
#include "ui/MainWindow.h"
#include "ui/PasswordsView.h"
#include "ui/ProxyAuthDialog.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QHostInfo>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkProxyFactory>
#include <QScreen>
#include <QSettings>
#include <QSslSocket>
#include <QSystemTrayIcon>
#include <QTimer>

// QNetworkConfigurationManager is deprecated in Qt 5.15 but still the only
// portable source of the online state and of the Wi-Fi configurations.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
#include <QNetworkConfigurationManager>

namespace {
QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}
} // namespace

OndoApplication::OndoApplication(ApplicationLog *log, AppInfo *appInfo, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_log(log)
    , m_appInfo(appInfo)
    , m_settings(new QSettings)
{
    // One instance per user session and user id.
    m_singleInstance.reset(new SingleInstance(
        QStringLiteral("%1-%2").arg(appInfo->appNameInternal()).arg(QDir::home().dirName()), QString(), this));
    m_credentialStore.reset(new CredentialStore(appInfo));
    m_settingsStorage.reset(new SettingsStorage(m_settings.data()));

    qInfo("## OndoApplication startup: '%s' pid:%lld argc:%d isRunning:%s appId:'%s'",
          qUtf8Printable(applicationName()), applicationPid(), argc, qUtf8Printable(yesNo(isRunning())),
          qUtf8Printable(instanceId()));
    setObjectName(QStringLiteral("OndoApplication"));
    if (!QDir::setCurrent(QDir::homePath()))
        qWarning("OndoApplication: failed to cd $HOME");
    connect(this, &QGuiApplication::applicationStateChanged, this, &OndoApplication::on_applicationStateChanged);
    connect(m_singleInstance.data(), &SingleInstance::messageReceived, this, &OndoApplication::on_messageReceived);
    m_serverList = new ServerList(appInfo->config(), this);
    // The server the remembered account belongs to, a hand-entered one too.
    m_serverList->restoreCustomUrl();
}

OndoApplication::~OndoApplication()
{
    delete m_globalActions;
    m_globalActions = nullptr;
    delete m_mainWindow;
    m_singleInstance.reset();
    // The session's network state goes before the application object.
    OndoSession::releaseInstance();
    qInfo("## OndoApplication shutdown\n");
}

OndoApplication *OndoApplication::instance()
{
    return qobject_cast<OndoApplication *>(QCoreApplication::instance());
}

LoginController *OndoApplication::loginController() const
{
    return m_loginController.data();
}

MainWindow *OndoApplication::mainWindow() const
{
    return m_mainWindow;
}

bool OndoApplication::isRunning() const
{
    return m_singleInstance->isRunning();
}

QString OndoApplication::instanceError() const
{
    return m_singleInstance->errorString(); // empty unless the lock could not be taken
}

QString OndoApplication::instanceId() const
{
    return m_singleInstance->id();
}

bool OndoApplication::sendMessage(const QString &message, int timeoutMs)
{
    return m_singleInstance->sendMessage(message, timeoutMs);
}

void OndoApplication::on_messageReceived(const QString &message)
{
    qInfo("OndoApplication::on_messageReceived: message from another instance: '%s'", qUtf8Printable(message));
    if (m_mainWindow) {
        m_startedMinimized = false;
        m_mainWindow->raiseApplication();
    }
}

void OndoApplication::initApp()
{
    qInfo("OndoApplication::initApp: start");
    qInfo("OndoApplication::initApp: Location: Settings:   '%s'", qUtf8Printable(m_settings->fileName()));
    qInfo("OndoApplication::initApp: Location: Sync state: '%s'",
          qUtf8Printable(QDir::toNativeSeparators(m_appInfo->databasePath())));
    qInfo("OndoApplication::initApp: Location: Log:        '%s'",
          qUtf8Printable(QDir::toNativeSeparators(m_appInfo->logFilePath())));

    Settings::setValue(Settings::AppLastStart, QDateTime::currentDateTime());
    qInfo("OndoApplication::initApp: Autostart: %s",
          StartOnStartup(m_appInfo->appNameInternal()).isEnabled() ? "enabled" : "disabled");

    initDatabase();

    m_autoLogin = Settings::value(Settings::AppAutoLogin).toBool();
    qInfo("OndoApplication::initApp: autoLogin is %d", int(m_autoLogin));
    const QString savedUser = Settings::value(Settings::AccountSavedUsername).toString();
    if (!savedUser.isEmpty()) {
        try {
            m_savedPassword = m_credentialStore->readPassword(m_serverList->selected().prefix, savedUser);
        } catch (const std::exception &e) {
            qWarning("OndoApplication::initApp: Unable to restore saved password: %s", e.what());
        }
    }

    initNetworkConfig();

    // Proxies come from the system's configuration; there is no own setting.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    m_session = OndoSession::instance(m_appInfo->config());
    connect(m_session, &OndoSession::sessionTimeout, this, &OndoApplication::on_sessionTimeout);
    connect(m_session, &OndoSession::serverAuthenticationRequired, this,
            &OndoApplication::on_serverAuthenticationRequired);
    // Direct: the dialog fills the authenticator before the signal returns.
    connect(m_session, &OndoSession::proxyAuthenticationRequired, this,
            &OndoApplication::on_proxyAuthenticationRequired, Qt::DirectConnection);

    // The file safe API and the data access objects.
    m_sync = Syncher::Context::create(m_database.data(), m_session, m_appInfo, m_credentialStore.data(), this);
    m_userDao = new UserDao(m_database.data(), this);

    // The drives of encrypted settings and the folder icons; the daemons
    // run only once the local server below serves them.
    m_drives = new EncryptedDrives(m_appInfo, m_sync.settings,
                                   Settings::value(Settings::AppDecryptWhenOffline).toBool(), this);
    m_drives->followLog(m_log);
    FileSystemDriverManager *driveManager = m_drives->manager();
    driveManager->setOnline(m_networkConfig->isOnline());
    connect(m_networkConfig, &QNetworkConfigurationManager::onlineStateChanged, driveManager,
            &FileSystemDriverManager::setOnline);
    // A drive that mounts covers its folder's icon: set it again then.
    auto *iconOverlay = new IconOverlay(driveManager, m_appInfo, this);
    connect(m_drives, &EncryptedDrives::driveReady, iconOverlay, &IconOverlay::addOverlay);
    connect(m_sync.settings, &SyncSettingsDao::settingAdded, iconOverlay, &IconOverlay::addOverlay);
    connect(m_sync.settings, &SyncSettingsDao::settingRemoved, iconOverlay, &IconOverlay::removeOverlayById);
    SyncSettingsDao::Filter allSettings;
    allSettings.currentUser = false;
    for (const SyncSetting &setting : m_sync.settings->getListInternal(allSettings))
        iconOverlay->addOverlay(setting);

    // The scheduler, the directory helper and the Wi-Fi rule.
    MultiSyncher::Context context;
    context.syncher = m_sync;
    context.drives = driveManager;
    context.prompts = this;
    // korvexcmd's runs take the same locks: one program at a time per setting.
    context.lockFolder = m_appInfo->databaseFolder();
    m_scheduler = new MultiSyncher(context, this);
    // An encrypted setting skipped while its drive was down need not wait
    // for the next timer run once the drive is up (while automatic runs go).
    connect(m_drives, &EncryptedDrives::driveReady, m_scheduler, [this](const SyncSetting &setting) {
        if (m_scheduler->isTimerActive() && m_scheduler->synchronizeAllowed())
            m_scheduler->startSyncWhenIdle(setting.id);
    });
    connect(m_scheduler, &MultiSyncher::sessionTimeout, this,
            [this](OndoSession::SessionState state, ErrorCode, ErrorCode netErrCode) { on_sessionTimeout(state, netErrCode); });
    m_dirUtil = new DirUtil(m_appInfo, this);
    m_wifi = new WifiController(new QtWifiConfigurationSource, this);
    connect(m_wifi, &WifiController::autoSyncStateChanged, m_scheduler, &MultiSyncher::setSynchronize);
    if (m_wifi->autoSyncAllowed())
        m_scheduler->setSynchronize(*m_wifi->autoSyncAllowed());

    // The login API and its controller.
    const std::optional<DbInfo> device = m_database->isInitialised() ? m_database->currentDbInfo() : std::nullopt;
    m_loginRI = new LoginRI(m_session, m_userDao, m_appInfo, m_credentialStore.data(),
                            LoginRI::Device{device ? device->device_id : QString(),
                                            device ? device->device_name : QString()},
                            this);
    auto *loginController = new LoginController(m_session, m_serverList, m_loginRI, this);
    setLoginController(loginController);
    connect(loginController, &LoginController::loggedIn, this, [this] {
        setAppState(Active);
        // Said before the fetch starts: the key store's wait during the
        // login can let its answer arrive before other login handlers run.
        if (m_mainWindow)
            m_mainWindow->on_fetchingFileSafes();
        m_sync.fileSafes->syncFileSafes([this](const Result<FileSafes> &result) { on_getInitialFilesafes(result); });
    });
    connect(loginController, &LoginController::loggedOut, this, [this] {
        if (m_scheduler->isSyncing())
            m_scheduler->stopSync();
        m_scheduler->loggedOut();
        setAppState(Idle);
    });

    // The password safe's API and controller.
    m_passwordRI = new PasswordRI(m_session, this);
    m_passwordController = new PasswordController(m_passwordRI, m_session, this);

    // The main window, its views and dialogs, the menus and the tray.
    DesktopParts parts;
    parts.appInfo = m_appInfo;
    parts.session = m_session;
    parts.servers = m_serverList;
    parts.credentials = m_credentialStore.data();
    parts.loginController = loginController;
    parts.filesafeRI = m_sync.filesafeRI;
    parts.fileSafes = m_sync.fileSafes;
    parts.settings = m_sync.settings;
    parts.fileObjects = m_sync.fileObjects;
    parts.history = m_sync.history;
    parts.scheduler = m_scheduler;
    parts.dirUtil = m_dirUtil;
    parts.wifi = m_wifi;
    LoginView::Parts login;
    login.controller = loginController;
    login.credentials = m_credentialStore.data();
    login.servers = m_serverList;
    login.keepPasswordHash = [this](const QString &password) { return storePasswordHash(password); };
    login.telvoBrand = m_appInfo->brand() == QLatin1String("telvo");
    login.statusLink = m_appInfo->featureStatus();
    m_mainWindow = new MainWindow(parts, login);
    connect(m_mainWindow, &MainWindow::debugDialogRequested, m_mainWindow, &MainWindow::openDebugDialog);
    connect(m_mainWindow, &MainWindow::debugSettingsChanged, this, &OndoApplication::applyDebugSettings);
    connect(this, &OndoApplication::serverConnectionConfirmed, m_mainWindow->loginView(), &LoginView::on_readyForLogin);
    connect(this, &OndoApplication::newClientAvailable, m_mainWindow,
            [this](const ClientVersionTO_v1 &, bool upgradeRequired) {
                if (upgradeRequired)
                    m_mainWindow->on_clientNotSupported();
            });
    m_mainWindow->mainView()->setPasswordsPage(new PasswordsView(
        m_passwordController, [this](const QString &password) { return checkPassword(password); }));
    m_mainWindow->setTlsWarningVisible(m_session->ignoreSslErrors());
    m_globalActions = new GlobalActions(m_mainWindow, parts, this, this);
    m_globalActions->initSystray();
    m_globalActions->initAppMenu();
    connect(m_mainWindow->fileSyncSettingsView(), &FileSyncSettingsView::syncSettingRequested, m_globalActions,
            &GlobalActions::syncOne);
    if (QSystemTrayIcon *tray = m_globalActions->trayIcon())
        connect(tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { on_systrayActivated(int(reason)); });

    if (m_appInfo->featureEncryption())
        m_drives->serve();

    setQuitOnLastWindowClosed(false); // the tray keeps the process alive
    setAppState(Idle);

    if (!Settings::value(Settings::AppStartMinimized).toBool()) {
        m_mainWindow->show();
        m_mainWindow->prepareFirstPage();
        m_mainWindow->raise();
    } else {
        m_mainWindow->prepareFirstPage();
        m_startedMinimized = true;
    }

    doGetClientVersion();
    QTimer::singleShot(1000, this, &OndoApplication::checkCrash);
    connect(this, &QCoreApplication::aboutToQuit, this, &OndoApplication::on_aboutToQuit);
    // A session that ends, or a plain kill, asks with SIGTERM: end as Quit
    // does, without asking, so the window's geometry and the settings are
    // written. A sync in progress is stopped; an action it leaves half done
    // is one the next run completes, as after a crash.
    connect(new SignalWatcher(this), &SignalWatcher::signalled, this, [this](int signalNumber) {
        qInfo("OndoApplication: signal %d: quitting", signalNumber);
        if (m_scheduler && m_scheduler->isSyncing())
            m_scheduler->stopSync();
        quit();
    });
    qInfo("OndoApplication::initApp: finished");
}

void OndoApplication::initDatabase()
{
    m_database.reset(new OndoDatabase);
    connect(m_database.data(), &OndoDatabase::incompatibleDatabase, this, &OndoApplication::on_incompatibleDatabase);
    connect(m_database.data(), &OndoDatabase::unableToOpenDatabase, this, &OndoApplication::on_unableToOpenDatabase);
    connect(m_database.data(), &OndoDatabase::sqlQueryFailure, this, &OndoApplication::on_sqlQueryFailure);
    m_database->init(m_appInfo->databasePath(), m_appInfo->appName());

    // An unopened file has been reported already; querying it would only
    // add a second error box for the same cause.
    const QList<DbInfo> rows = m_database->isInitialised() ? m_database->allDbInfos() : QList<DbInfo>();
    const std::optional<DbInfo> current =
        rows.isEmpty() ? std::nullopt : m_database->currentDbInfo();
    if (!current) {
        qWarning("OndoApplication::initApp: db_info: is empty");
        return;
    }
    const DbInfo &first = rows.first();
    qInfo("OndoApplication::initApp: initial db_info: id:%lld db_version:%s ts:'%s' (%d entries)", first.id,
          qUtf8Printable(first.db_version), qUtf8Printable(first.creation_time), int(rows.size()));
    qInfo("OndoApplication::initApp: current db_info: id:%lld db_version:%s ts:'%s' (%d entries)", current->id,
          qUtf8Printable(current->db_version), qUtf8Printable(current->creation_time), int(rows.size()));
}

bool OndoApplication::storePasswordHash(const QString &password)
{
    return m_passwordCheck.storePasswordHash(password);
}

bool OndoApplication::checkPassword(const QString &password) const
{
    return m_passwordCheck.checkPassword(password);
}

void OndoApplication::setAppState(AppState state)
{
    if (state == m_appState)
        return;
    // The per-account state follows the account the session logged in.
    if (state == Active && m_session)
        m_settingsStorage->setKey(m_session->currentServerName(), m_session->accountId());
    m_appState = state;
    emit appStateChanged(state);
}

void OndoApplication::initNetworkConfig()
{
    m_networkConfig = new QNetworkConfigurationManager(this);
    connect(m_networkConfig, &QNetworkConfigurationManager::onlineStateChanged, this,
            &OndoApplication::on_onlineStateChanged);
    const auto caps = m_networkConfig->capabilities();
    QStringList names;
    const std::pair<QNetworkConfigurationManager::Capability, const char *> known[] = {
        {QNetworkConfigurationManager::CanStartAndStopInterfaces, "CanStartAndStopInterfaces"},
        {QNetworkConfigurationManager::DirectConnectionRouting, "DirectConnectionRouting"},
        {QNetworkConfigurationManager::SystemSessionSupport, "SystemSessionSupport"},
        {QNetworkConfigurationManager::ApplicationLevelRoaming, "ApplicationLevelRoaming"},
        {QNetworkConfigurationManager::ForcedRoaming, "ForcedRoaming"},
        {QNetworkConfigurationManager::DataStatistics, "DataStatistics"},
        {QNetworkConfigurationManager::NetworkSessionRequired, "NetworkSessionRequired"},
    };
    for (const auto &k : known)
        if (caps.testFlag(k.first))
            names << QString::fromLatin1(k.second);
    qInfo("OndoApplication::initNetworkConfig: network capabilities: %s", qUtf8Printable(names.join(QLatin1Char(','))));
    const QNetworkConfiguration def = m_networkConfig->defaultConfiguration();
    qInfo("OndoApplication::initNetworkConfig: online: %s  default net: %s[%s] (configs:%d)",
          m_networkConfig->isOnline() ? "true" : "false", qUtf8Printable(def.name()),
          qUtf8Printable(def.bearerTypeName()), int(m_networkConfig->allConfigurations().size()));
}

bool OndoApplication::isOnline() const
{
    return m_networkConfig && m_networkConfig->isOnline();
}

void OndoApplication::on_onlineStateChanged(bool online)
{
    qInfo("OndoApplication::on_onlineStateChanged: is online: %s", online ? "true" : "false");
}

void OndoApplication::on_applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive && m_mainWindow && !m_startedMinimized)
        m_mainWindow->raise();
}

void OndoApplication::setLoginController(LoginController *controller)
{
    m_loginController = controller;
    if (controller)
        connect(controller, &LoginController::loggedOut, this, &OndoApplication::loggedOut, Qt::UniqueConnection);
}

QString OndoApplication::takeSavedPassword()
{
    QString password;
    password.swap(m_savedPassword);
    return password;
}

void OndoApplication::doGetClientVersion()
{
    if (m_mainWindow)
        m_mainWindow->showStatusMessage(tr("Check version"));
    doGetClientVersionRetry();
}

void OndoApplication::doGetClientVersionRetry()
{
    if (!m_session)
        return;
    m_session->setServer(m_serverList->selected());
    m_session->getClientVersion([this](const Result<ClientVersionTO_v1> &result) { on_getClientVersion(result); });
}

void OndoApplication::on_getClientVersion(const Result<ClientVersionTO_v1> &result)
{
    if (!result.isOk()) {
        qWarning("OndoApplication::on_getClientVersion: failed to get remote version info (%d): %s", int(result.code),
                 qUtf8Printable(result.message));
        emit connectionFailed();
        QTimer::singleShot(5000, this, &OndoApplication::doGetClientVersionRetry);
        return;
    }
    const ClientVersionTO_v1 &version = result.value;
    qInfo("OndoApplication::on_getClientVersion: current: '%s' latest: '%s' compatible: '%s'",
          qUtf8Printable(m_appInfo->appVersion()), qUtf8Printable(version.versionLatest),
          qUtf8Printable(version.versionCompatible));
    emit connectionSucceeded();
    switch (VersionOrder::judge(m_appInfo->appVersion(), version.versionCompatible, version.versionLatest)) {
    case VersionOrder::Verdict::UpgradeRequired:
        qWarning("OndoApplication::on_getClientVersion: Version not supported");
        emit newClientAvailable(version, true);
        break;
    case VersionOrder::Verdict::NewVersion:
        qInfo("OndoApplication::on_getClientVersion: New Version available");
        emit newClientAvailable(version, false);
        break;
    case VersionOrder::Verdict::UpToDate:
        if (m_mainWindow)
            m_mainWindow->showStatusMessage(tr("Client version is up to date"));
        break;
    }
    // On to the login: the login view, or the automatic login.
    emit serverConnectionConfirmed();
}

void OndoApplication::on_sessionTimeout(OndoSession::SessionState errCode, ErrorCode netErrCode)
{
    qWarning("OndoApplication::on_sessionTimeout: errCode=%d netErrCode=%d", int(errCode), int(netErrCode));
    if (!m_loginController || !m_loginController->isLoggedIn())
        return;
    qInfo("OndoApplication::on_sessionTimeout: isLoggedIn (autoLogin:%d)", int(m_autoLogin));
    m_sessionTimedOut = true;
    m_loginController->doLogout();
    if (!m_autoLogin)
        emit sessionTimeout();
}

void OndoApplication::loggedOut()
{
    if (m_sessionTimedOut && m_autoLogin) {
        m_sessionTimedOut = false;
        doGetClientVersion(); // leads to a new automatic login
    }
    if (!m_autoLogin && m_mainWindow)
        m_mainWindow->raiseApplication();
}

void OndoApplication::on_serverAuthenticationRequired(QNetworkReply *reply, QAuthenticator *auth)
{
    Q_UNUSED(reply)
    Q_UNUSED(auth)
    qWarning("OndoApplication::on_serverAuthenticationRequired: Authentication required for http call");
    QMessageBox::critical(m_mainWindow, tr("Network Problem"),
                          tr("Failed to connect to server. \n(HTTP Authentication required)"), QMessageBox::Ok);
}

void OndoApplication::on_proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth, bool *canceled)
{
    qInfo("OndoApplication::on_proxyAuthenticationRequired: Proxy authentication required, proxy: %s",
          qUtf8Printable(NetProxy::proxyText(proxy)));
    qInfo("OndoApplication::on_proxyAuthenticationRequired: Proxy authentication required, auth: %s",
          qUtf8Printable(NetProxy::authenticatorText(auth)));
    ProxyAuthDialog dialog(m_mainWindow);
    dialog.setText(tr("The web proxy server '%1' (port: %2 type: %3) requires authentication.")
                       .arg(proxy.hostName())
                       .arg(proxy.port())
                       .arg(NetProxy::proxyTypeName(proxy.type())));
    dialog.adjustSize();
    if (dialog.exec() == QDialog::Accepted) {
        auth->setUser(dialog.user());
        auth->setPassword(dialog.password());
    } else if (canceled) {
        *canceled = true;
    }
}

void OndoApplication::on_incompatibleDatabase(const QString &currentVersion, const QString &expectedVersion)
{
    QMessageBox::critical(m_mainWindow, tr("Error"),
                          tr("Incompatible database version\n\n(current:'%1', expected:'%2')")
                              .arg(currentVersion, expectedVersion));
}

void OndoApplication::on_unableToOpenDatabase(const QString &message)
{
    QMessageBox::critical(m_mainWindow, tr("Error"), tr("Unable to open database (%1)").arg(message));
}

void OndoApplication::on_sqlQueryFailure(const QString &message)
{
    QMessageBox::critical(m_mainWindow, tr("Error"), tr("SQL query failure. (%1)").arg(message));
}

bool OndoApplication::promptForTooManyFilesDeleted(const QString &safeName, int deletedCount)
{
    if (!Settings::value(Settings::UiShowDeleteFilesWarning).toBool())
        return true;
    QMessageBox box(QMessageBox::Question, tr("About to delete a large amount of files"),
                    tr("<p><b>If you proceed with this synchronisation, you will delete %1 of the files in your "
                       "online safe '%2'.</b></p><p>Do you want to proceed?</p>")
                        .arg(deletedCount)
                        .arg(safeName.toHtmlEscaped()),
                    QMessageBox::Yes | QMessageBox::Cancel, m_mainWindow);
    auto *check = new QCheckBox(tr("Do not show this dialog in the future"), &box);
    box.setCheckBox(check);
    const bool confirmed = box.exec() == QMessageBox::Yes;
    if (check->isChecked())
        Settings::setValue(Settings::UiShowDeleteFilesWarning, false);
    qInfo("OndoApplication::promptForTooManyFilesDeleted: safe name: %s deleted files: %d - %s",
          qUtf8Printable(safeName), deletedCount, confirmed ? "confirmed" : "canceled");
    return confirmed;
}

bool OndoApplication::promptForQuitDuringSync()
{
    return m_globalActions ? m_globalActions->confirmQuitDuringSync() : true;
}

void OndoApplication::on_getInitialFilesafes(const Result<FileSafes> &result)
{
    if (!result.isOk())
        qWarning("OndoApplication::on_getInitialFilesafes: failed to get the file safes (%d): %s", int(result.code),
                 qUtf8Printable(result.message));
    else
        qInfo("OndoApplication::on_getInitialFilesafes: %d file safe(s)", int(result.value.size()));
    // A run the user started meanwhile; an old login's answer after a logout.
    if (!m_loginController || !m_loginController->isLoggedIn())
        return;
    if (m_mainWindow)
        m_mainWindow->on_fileSafesFetched(result);
    m_scheduler->loggedIn();
}

void OndoApplication::on_systrayActivated(int reason)
{
    static const char *const names[] = {"Unknown", "Context", "DoubleClick", "Trigger", "MiddleClick"};
    const QString name = reason >= 0 && reason <= 4 ? QString::fromLatin1(names[reason])
                                                    : QStringLiteral("Undefined(%1)").arg(reason);
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    qInfo("OndoApplication::on_systrayActivated: reason:%s alt:%s mods:%d", qUtf8Printable(name),
          mods.testFlag(Qt::AltModifier) ? "true" : "false", int(mods));
}

void OndoApplication::applyDebugSettings()
{
    const QString url = Settings::value(Settings::UiDbgDialogServerUrl).toString();
    if (!url.isEmpty() && !(m_loginController && m_loginController->isLoggedIn())) {
        m_serverList->setCustomUrl(url);
        m_session->setServer(m_serverList->selected());
    }
    const bool ignore = Settings::value(Settings::UiDbgDialogIgnoreSsl).toBool();
    qWarning("OndoApplication::applyDebugSettings: server '%s', ignore TLS errors: %s", qUtf8Printable(url),
             ignore ? "yes" : "no");
    m_session->setIgnoreSslErrors(ignore);
    if (m_mainWindow)
        m_mainWindow->setTlsWarningVisible(ignore);
}

void OndoApplication::checkCrash()
{
    const QStringList dumps =
        CrashDumps::collectNew(m_appInfo->crashDumpDir(), m_appInfo->appNameInternal(), m_appInfo->appVersion());
    if (!dumps.isEmpty())
        qWarning("OndoApplication::checkCrash: %d crash dump(s) kept in %s", int(dumps.size()),
                 qUtf8Printable(QDir::toNativeSeparators(m_appInfo->crashDumpDir())));
}

void OndoApplication::on_aboutToQuit()
{
    if (m_mainWindow)
        Settings::setValue(Settings::UiMainWindowGeometry, m_mainWindow->saveGeometry());
    setAppState(Idle);
}

void OndoApplication::logSystemInfo()
{
    qInfo("Platform Name: %s", qUtf8Printable(platformName()));
    qInfo("Build Type: %s", "Release");
    qInfo("Qt Runtime Version: %s", qVersion());
    qInfo("Qt Library Build Date: %s", qUtf8Printable(QLibraryInfo::build()));
    qInfo("Qt Library is debug build: %s", qUtf8Printable(yesNo(QLibraryInfo::isDebugBuild())));
    qInfo("PATH=%s", qgetenv("PATH").constData());
    qInfo("DYLD_LIBRARY_PATH=%s", qgetenv("DYLD_LIBRARY_PATH").constData());
    qInfo("cwd: %s", qUtf8Printable(QDir::currentPath()));
    qInfo("Computer Name: %s (domain: %s)", qUtf8Printable(QHostInfo::localHostName()),
          qUtf8Printable(QHostInfo::localDomainName()));
    qInfo("SSL support: %s", qUtf8Printable(yesNo(QSslSocket::supportsSsl())));
    qInfo("SSL library: %s", qUtf8Printable(QSslSocket::sslLibraryVersionString()));
    qInfo("Display: Device Pixel Ratio: %.2f", devicePixelRatio());
    const auto screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        const QScreen *s = screens.at(i);
        qInfo("Display: Screen[%d]: name:'%s' size:%dx%d depth:%d physical_dpi:%.0f logical_dpi:%.0f "
              "pixel_ratio:%.2f",
              i, qUtf8Printable(s->name()), s->size().width(), s->size().height(), s->depth(),
              s->physicalDotsPerInch(), s->logicalDotsPerInch(), s->devicePixelRatio());
    }
}

QT_WARNING_POP
