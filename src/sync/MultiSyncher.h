#pragma once

#include "db/FileSafe.h"
#include "db/SyncSetting.h"
#include "net/OndoSession.h"
#include "net/Result.h"
#include "sync/ProgressInfo.h"
#include "sync/SyncAction.h"
#include "sync/Syncher.h"

#include <QList>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class IFileSystemDriverManager;
class ISyncPrompts;

// Decides when synchronisation runs and runs the sync settings of the
// logged-in user one after another, each with its own Syncher: a periodic
// timer after login, runs on request, the file safe list refreshed before
// each run, settings that cannot run skipped, mass deletions on the server
// asked for, and the results of all settings collected for the window.
class MultiSyncher : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        Syncher::Context syncher;
        IFileSystemDriverManager *drives = nullptr; // encrypted settings need their drive
        ISyncPrompts *prompts = nullptr;            // no prompts: mass deletions are refused
        // Where a setting's run keeps its lock file, so that two programs of
        // this user (the desktop and korvexcmd) never sync one setting at
        // once; empty: no lock.
        QString lockFolder;
    };

    // The state of a setting's run in sync_history.
    enum RunState { RunStarted = 1, RunStopped = 2, RunFinished = 3 };

    // Why a setting was left out of a run.
    enum class SkipReason { DriveNotRunning, FolderUnreadable, NoReadAccess, SafeExpired, SyncedElsewhere };
    Q_ENUM(SkipReason)

    static constexpr int DeleteWarningThreshold = 50;

    explicit MultiSyncher(const Context &context, QObject *parent = nullptr);
    ~MultiSyncher() override;

    bool isSyncing() const { return m_running; }
    bool isTimerActive() const { return m_timer && m_timer->isActive(); }
    int timerIntervalMs() const { return m_timer ? m_timer->interval() : 0; }
    bool synchronizeAllowed() const { return m_synchronize; }
    // The current setting's Syncher (none when idle or between settings).
    Syncher *currentSyncher() const { return m_syncher; }

signals:
    void syncStarted();
    void startSyncSafe(const SyncSetting &setting);
    void syncFinished(int nDone, int nFailed, const SyncActions &executedSyncActions);
    void syncProgress(bool ok, const ProgressInfo &pi);
    void syncExecutedOne(bool ok, const QString &msg, const SyncAction &sa);
    void syncCanceled();
    void syncSkipped(const SyncSetting &setting, MultiSyncher::SkipReason reason);
    void quotaExceeded(const SyncAction &action);
    void sessionTimeout(OndoSession::SessionState state, ErrorCode errCode, ErrorCode netErrCode);

public slots:
    void loggedIn();
    void loggedOut();
    void setSyncTimer(int minutes);
    void setSynchronize(bool synchronize);
    void startAutoSync();
    void startSync(int syncSettingId);
    // The same, but asked for during a run (which ignores other requests)
    // it follows that run, unless the run is stopped. For a drive that
    // comes up while the run that skipped it still goes.
    void startSyncWhenIdle(int syncSettingId);
    void startSyncOf(const SyncSettings &settings);
    void startFullSync();
    void stopSync();

private:
    void on_getFilesafesForStartSync(const Result<FileSafes> &fileSafes);
    void on_syncAnalyzed(bool ok, const QString &msg, const SyncActions &actions);
    void on_syncExecutedOne(bool ok, const QString &msg, const SyncAction &sa);
    void on_syncExecutedAll(int nTotal, int nDone, int nFailed, const SyncActions &actions);
    void on_syncProgress(bool ok, const ProgressInfo &pi);
    void on_quotaExceeded(const SyncAction &action);
    void on_sessionTimeout(OndoSession::SessionState state, ErrorCode errCode, ErrorCode netErrCode);

    bool nextSyncSettingAnalyze();
    bool shouldProceedWithSync(const QString &safeName, const SyncActions &actions);
    // Ends the current setting's history row and, for a stop, forgets the
    // last event so that the next run lists the server again.
    void endSettingRun(RunState state, bool complete);
    void dropSyncher();
    void finishRun();
    bool inProgress(const char *where) const;

    Context m_context;
    QPointer<QTimer> m_timer;
    QPointer<Syncher> m_syncher;
    QList<int> m_pending;   // asked for, waiting for the safe list
    QList<int> m_afterRun;  // to run once the current run has finished
    QList<int> m_queue;
    bool m_running = false; // from the request until syncFinished/syncCanceled
    bool m_synchronize = true;
    SyncSetting m_current;
    std::unique_ptr<QLockFile> m_settingLock;
    qint64 m_historyId = 0;
    int m_runDone = 0;
    int m_runFailed = 0;
    SyncActions m_executed;
};
