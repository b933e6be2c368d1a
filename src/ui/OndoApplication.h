#pragma once

#include "app/PasswordCheck.h"
#include "net/ClientVersionTO_v1.h"
#include "net/ErrorCode.h"
#include "net/OndoSession.h"
#include "net/Result.h"
#include "db/FileSafe.h"
#include "sync/ISyncPrompts.h"
#include "sync/Syncher.h"

#include <QApplication>
#include <QPointer>
#include <QScopedPointer>

class AppInfo;
class ApplicationLog;
class DirUtil;
class FileObjectDao;
class FileSafeDao;
class FilesafeRI;
class GlobalActions;
class MultiSyncher;
class SyncHistoryDao;
class SyncSettingsDao;
class WifiController;
class CredentialStore;
class EncryptedDrives;
class LoginController;
class LoginRI;
class QAuthenticator;
class QNetworkProxy;
class QNetworkReply;
class ServerList;
class MainWindow;
class PasswordController;
class PasswordRI;
class OndoDatabase;
class QSettings;
class SettingsStorage;
class SingleInstance;
class UserDao;
class QSystemTrayIcon;
class QNetworkConfigurationManager;

// The application object: single instance, the long-lived objects of the
// client, and the application-wide reactions (version check, session
// time-out, online state, quit).
class OndoApplication : public QApplication, public ISyncPrompts
{
    Q_OBJECT
public:
    enum AppState { Initial = 0, Idle = 1, Active = 2 };
    Q_ENUM(AppState)

    OndoApplication(ApplicationLog *log, AppInfo *appInfo, int &argc, char **argv);
    ~OndoApplication() override;

    static OndoApplication *instance();

    // Single instance.
    bool isRunning() const;
    // Why this instance could not tell whether another one runs; empty when it could.
    QString instanceError() const;
    QString instanceId() const;
    bool sendMessage(const QString &message, int timeoutMs);

    void initApp();
    AppState appState() const { return m_appState; }
    void setAppState(AppState state);
    bool isOnline() const;
    bool startedMinimized() const { return m_startedMinimized; }
    bool autoLogin() const { return m_autoLogin; }

    MainWindow *mainWindow() const;
    SettingsStorage *settingsStorage() const { return m_settingsStorage.data(); }
    AppInfo *appInfo() const { return m_appInfo; }
    ApplicationLog *log() const { return m_log; }
    OndoDatabase *database() const { return m_database.data(); }
    CredentialStore *credentialStore() const { return m_credentialStore.data(); }
    ServerList *serverList() const { return m_serverList; }
    // The drives of encrypted settings (created in initApp); null before.
    // The session (created in initApp); null before.
    OndoSession *session() const { return m_session; }
    // The login controller, once initApp created it; the session time-out
    // logs out through it.
    void setLoginController(LoginController *controller);
    // The password safe's API and controller (created in initApp); the
    // password safe view works through the controller.
    PasswordRI *passwordRI() const { return m_passwordRI; }
    PasswordController *passwordController() const { return m_passwordController; }
    // The password restored at start for the saved account name (auto login);
    // handed out once, then forgotten.
    QString takeSavedPassword();

    // The in-memory check of the current login's password (never on disk).
    bool storePasswordHash(const QString &password);
    bool checkPassword(const QString &password) const;

    // ISyncPrompts: asks before a sync deletes many remote files, and before
    // a quit interrupts a sync; true means proceed.
    bool promptForTooManyFilesDeleted(const QString &safeName, int deletedCount) override;
    bool promptForQuitDuringSync() override;

    // The parts initApp created (null before).
    MultiSyncher *scheduler() const { return m_scheduler; }
    GlobalActions *globalActions() const { return m_globalActions; }
    WifiController *wifiController() const { return m_wifi; }
    SyncSettingsDao *syncSettingsDao() const { return m_sync.settings; }
    FileSafeDao *fileSafeDao() const { return m_sync.fileSafes; }
    SyncHistoryDao *syncHistoryDao() const { return m_sync.history; }
    LoginController *loginController() const;

    void initNetworkConfig();
    // The system information written to the log at start.
    void logSystemInfo();

signals:
    void newClientAvailable(const ClientVersionTO_v1 &clientVersion, bool upgradeRequired);
    void appStateChanged(OndoApplication::AppState newStatus);
    void serverConnectionConfirmed();
    void loginFailed(ErrorCode code, const QString &message);
    void animateTabIcon(bool animate);
    void sessionTimeout();
    void connectionFailed();
    void connectionSucceeded();

public slots:
    void on_sessionTimeout(OndoSession::SessionState errCode, ErrorCode netErrCode);
    void on_applicationStateChanged(Qt::ApplicationState state);
    void loggedOut();
    void on_getClientVersion(const Result<ClientVersionTO_v1> &result);
    void on_incompatibleDatabase(const QString &currentVersion, const QString &expectedVersion);
    void on_unableToOpenDatabase(const QString &message);
    void on_sqlQueryFailure(const QString &message);
    void on_onlineStateChanged(bool isOnline);
    void on_serverAuthenticationRequired(QNetworkReply *reply, QAuthenticator *auth);
    void on_proxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *auth, bool *canceled);
    void doGetClientVersion();
    void doGetClientVersionRetry();
    void checkCrash();
    void on_aboutToQuit();
    void on_messageReceived(const QString &message);
    // After login: the first list of file safes fills the views and starts
    // the scheduler.
    void on_getInitialFilesafes(const Result<FileSafes> &result);
    void on_systrayActivated(int reason);
    // The debug dialog's server URL and TLS choice.
    void applyDebugSettings();

private:
    void initDatabase();

    ApplicationLog *m_log;
    AppInfo *m_appInfo;
    QScopedPointer<QSettings> m_settings;
    QScopedPointer<SettingsStorage> m_settingsStorage;
    QScopedPointer<SingleInstance> m_singleInstance;
    QScopedPointer<OndoDatabase> m_database;
    QScopedPointer<CredentialStore> m_credentialStore;
    ServerList *m_serverList = nullptr; // child
    QPointer<OndoSession> m_session;
    QPointer<LoginController> m_loginController;
    UserDao *m_userDao = nullptr; // child
    LoginRI *m_loginRI = nullptr; // child
    Syncher::Context m_sync; // children
    MultiSyncher *m_scheduler = nullptr;         // child
    DirUtil *m_dirUtil = nullptr;                // child
    WifiController *m_wifi = nullptr;            // child
    GlobalActions *m_globalActions = nullptr;    // child
    EncryptedDrives *m_drives = nullptr; // child
    PasswordRI *m_passwordRI = nullptr;                 // child
    PasswordController *m_passwordController = nullptr; // child
    QString m_savedPassword;
    PasswordCheck m_passwordCheck;
    AppState m_appState = Initial;
    bool m_autoLogin = false;
    bool m_sessionTimedOut = false;
    bool m_startedMinimized = false;
    QPointer<MainWindow> m_mainWindow;
    QNetworkConfigurationManager *m_networkConfig = nullptr;
};
