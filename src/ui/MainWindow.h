#pragma once

#include "net/Result.h"
#include "db/FileSafe.h"
#include "sync/MultiSyncher.h"
#include "sync/SyncAction.h"
#include "ui/DesktopParts.h"
#include "ui/LoginView.h"

#include <QMainWindow>

class FeaturesUtil;
class FileSyncSettingsView;
class MainView;
class QLabel;
class QStackedWidget;
class SettingsView;
class StatusBarView;
class SyncHistoryView;

// The main window: the login page or, once logged in, the main view with
// its tabs; the status bar at its foot; a warning while TLS errors are
// ignored. It follows the login controller and the scheduler.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(const DesktopParts &parts, const LoginView::Parts &login, QWidget *parent = nullptr);

    void prepareFirstPage();
    void showStatusMessage(const QString &text);
    QString statusMessage() const;
    FeaturesUtil *debugGesture() const;

    LoginView *loginView() const { return m_loginView; }
    MainView *mainView() const { return m_mainView; }
    FileSyncSettingsView *fileSyncSettingsView() const { return m_settingsList; }
    SettingsView *settingsView() const { return m_settingsView; }
    SyncHistoryView *historyView() const { return m_history; }
    StatusBarView *statusBarView() const { return m_statusBar; }
    bool isLoginPageShown() const;
    bool isTlsWarningShown() const;
    // While quitting, closing the window is no longer turned into hiding it.
    void setQuitting(bool quitting) { m_quitting = quitting; }

public slots:
    void raiseApplication();
    void showLoginPage();
    void showMainPage(int tab = -1);
    void showHistory();
    void openAddSetting();
    void openDebugDialog();
    void setTlsWarningVisible(bool visible);
    // After login: the initial list of file safes is being fetched / arrived.
    void on_fetchingFileSafes();
    void on_fileSafesFetched(const Result<FileSafes> &result);
    void on_clientNotSupported();
    void on_syncSkipped(const SyncSetting &setting, MultiSyncher::SkipReason reason);
    void on_quotaExceeded(const SyncAction &action);

signals:
    void debugDialogRequested();
    // The debug dialog was accepted.
    void debugSettingsChanged();
    // Closing the window where no tray can take over.
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    DesktopParts m_parts;
    QLabel *m_tlsWarning;
    QStackedWidget *m_stack;
    LoginView *m_loginView;
    FileSyncSettingsView *m_settingsList;
    SettingsView *m_settingsView;
    MainView *m_mainView;
    StatusBarView *m_statusBar;
    SyncHistoryView *m_history;
    bool m_quitting = false;
};
