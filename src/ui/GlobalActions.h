#pragma once

#include "sync/SyncAction.h"
#include "sync/TrayState.h"
#include "ui/DesktopParts.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <optional>

class CleanupHandler;
class ISyncPrompts;
class MainWindow;
class QAction;
class QMenu;
class QMessageBox;

// The menu actions, the tray icon with its menu, state and animation, the
// notification after a run, and the two warnings before a logout or a quit
// interrupts a running sync. Quitting goes through the CleanupHandler, so
// that a running sync is stopped first.
class GlobalActions : public QObject
{
    Q_OBJECT
public:
    GlobalActions(MainWindow *window, const DesktopParts &parts, ISyncPrompts *prompts, QObject *parent = nullptr);
    ~GlobalActions() override;

    QAction *action(TrayState::Action which) const { return m_actions[which]; }
    const TrayState &trayState() const { return m_tray; }
    // The icon now shown (also without a system tray).
    QString currentIcon() const { return m_currentIcon; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QMenu *trayMenu() const { return m_trayMenu; }
    QMessageBox *logoutBox() const { return m_logoutBox; }
    QMessageBox *quitBox() const { return m_quitBox; }
    CleanupHandler *cleanupHandler() const { return m_cleanup; }
    // The last notification after a run (also without a system tray).
    std::optional<TrayState::Notification> lastNotification() const { return m_lastNotification; }

    // The quit warning; true to quit.
    bool confirmQuitDuringSync();

signals:
    void trayStateChanged(int state);

public slots:
    void initSystray();
    void initAppMenu();
    void setTrayState(TrayState::State state);
    void syncAll();
    void syncOne(int settingId);
    void requestToStopSync();
    void on_syncFinished(int nDone, int nFailed, const SyncActions &actions);
    void showAbout();
    void on_showAction();
    void on_loginAction();
    void on_logoutAction();
    void on_quitAction();

private:
    void createActions();
    void applyTrayState();
    void animate();
    void setIcon(const QString &icon);
    void runQuit();
    void tryQuit();
    QMessageBox *makeWarning(const QString &text, const QString &title);

    MainWindow *m_window;
    DesktopParts m_parts;
    ISyncPrompts *m_prompts;
    TrayState m_tray;
    QAction *m_actions[TrayState::ActionCount] = {};
    QPointer<QSystemTrayIcon> m_trayIcon;
    QMenu *m_trayMenu = nullptr;
    QMessageBox *m_logoutBox = nullptr;
    QMessageBox *m_quitBox = nullptr;
    CleanupHandler *m_cleanup = nullptr;
    QTimer m_animation;
    QString m_currentIcon;
    std::optional<TrayState::Notification> m_lastNotification;
    bool m_quitting = false;
};
