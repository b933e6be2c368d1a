#pragma once

#include "db/FileSafe.h"
#include "db/SyncSetting.h"
#include "net/ErrorCode.h"
#include "net/OndoSession.h"
#include "net/Request.h"
#include "net/Result.h"
#include "ri/FilesafeObjectsTO_v2.h"
#include "sync/ObjectState.h"
#include "sync/ProgressInfo.h"
#include "sync/SyncAction.h"
#include "sync/SyncPatterns.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class AppInfo;
class CredentialStore;
class FileObjectDao;
class FileSafeDao;
class FilesafeRI;
class OndoDatabase;
class SyncHistoryDao;
class SyncSettingsDao;

// One run of one sync setting. The analysis gathers the local tree, the
// state after the last completed sync and the remote listing, and plans an
// ordered list of actions with a fixed decision table; the execution
// carries them out one at a time and records every outcome in the state
// table and the history.
class Syncher : public QObject
{
    Q_OBJECT
public:
    // The parts a run works with (not owned).
    struct Context
    {
        FileSafeDao *fileSafes = nullptr;
        SyncSettingsDao *settings = nullptr;
        FileObjectDao *fileObjects = nullptr;
        SyncHistoryDao *history = nullptr;
        FilesafeRI *filesafeRI = nullptr;
        OndoSession *session = nullptr; // reports a lost server session

        // The file API and the data access objects over one database and
        // session, as the desktop client and korvexcmd both run them;
        // `owner` is their parent.
        static Context create(OndoDatabase *database, OndoSession *session, const AppInfo *appInfo,
                              CredentialStore *credentials, QObject *owner);
    };

    explicit Syncher(const Context &context, QObject *parent = nullptr);
    ~Syncher() override;

    void setSetting(const SyncSetting &setting) { m_setting = setting; }
    const SyncSetting &setting() const { return m_setting; }
    // Remove the temporary files of downloads that an earlier run left
    // behind when it died (only safe while no other program syncs the folder).
    void setRemoveLeftovers(bool remove) { m_removeLeftovers = remove; }
    // The run's sync_history row.
    void setHistoryId(qint64 id) { m_historyId = id; }
    // The safe's last_event as read at the start of the run.
    const QString &safeLastEvent() const { return m_safe.lastEvent; }
    // A local file changed while the run went on and was left for the next
    // run; the state of this run is then not complete.
    bool leftChangesBehind() const { return m_leftChangesBehind; }

    // Planning; the result comes with syncAnalyzed().
    void syncAnalyze();
    // The decision table over the three views (also applies the state
    // updates that need no work, within one transaction).
    SyncActions buildSyncActions(const ObjectStates &local, const ObjectStates &last, const ObjectStates &remote);
    // Execution; false when there is nothing to start.
    bool syncExecute(const SyncActions &actions);
    void requestToStop();
    bool isStopRequested() const { return m_stop; }

    // The order of the action list.
    static bool actionLessThan(const SyncAction &a, const SyncAction &b);
    // A relative path from the server is usable on disk: no empty, "." or
    // ".." component, no NUL, not absolute.
    static bool isSafeRelativePath(const QString &path);

signals:
    void syncAnalyzed(bool ok, const QString &msg, const SyncActions &syncActionList);
    void syncExecutedOne(bool ok, const QString &msg, const SyncAction &sa);
    void syncExecutedAll(int nTotal, int nDone, int nFailed, const SyncActions &actions);
    void syncProgress(bool ok, const ProgressInfo &pi);
    void sessionTimeout(OndoSession::SessionState state, ErrorCode errCode, ErrorCode netErrCode);
    void quotaExceeded(const SyncAction &action);

private:
    void analyzeStep1();
    void on_analyzeStep2Finished(const Result<FilesafeObjectsTO_v2> &result);
    void loadLastState();
    void collectStatusInfoFinished();
    void finishAnalysis(bool ok, const QString &message, const SyncActions &actions);
    void removeLeftovers();

    void executeNextAction();
    // Carries out the action; returns true when it went to the server (the
    // loop then resumes from the completion).
    bool executeAction(SyncAction &a);
    void startDownload(SyncAction &a, bool backup);
    void startUpload(SyncAction &a);
    void on_remoteDeleteFileFinished(const EmptyResult &result);
    void on_downloadFileFinished(const Result<qint64> &result);
    void on_uploadFileFinished(const Result<FilesafeObjectsTO_v2> &result);
    void on_remoteCreateDirFinished(const Result<FilesafeObjectsTO_v2> &result);
    void on_remoteDeleteDirFinished(const EmptyResult &result);
    void on_downloadFileProgress(qint64 bytesReceived, qint64 bytesTotal);
    void on_uploadFileProgress(qint64 bytesSent, qint64 bytesTotal);
    void on_sessionTimeout(OndoSession::SessionState state, ErrorCode netErrCode);
    // The end of a remote action: progress, record, next.
    void finishRemoteAction(SyncAction &a, const QString &progressText);
    // Records a finished action and goes on with the loop.
    void actionDone(SyncAction &a);
    void finishExecution();

    void updateSyncState(SyncAction &a);
    // Reports progress; false when the run must stop.
    bool progress(int step, const QString &text, const SyncAction *action = nullptr);
    QString destinationOf(const QString &remoteFolder) const;

    Context m_context;
    SyncSetting m_setting;
    FileSafe m_safe;
    qint64 m_historyId = 0;
    SyncPatterns m_excludeSilently;
    SyncPatterns m_exclude;
    SyncPatterns m_deletable;
    bool m_deletableLoaded = false;

    ObjectStates m_local;
    ObjectStates m_last;
    ObjectStates m_remote;
    SyncActions m_refused; // remote objects that must not reach the disk

    SyncActions m_actions;
    int m_next = 0;
    int m_current = -1; // the action waiting for the server
    QPointer<Request> m_transfer;
    int m_done = 0;
    int m_failed = 0;
    int m_total = 0;
    ErrorCode m_lastError = ERR_NONE;
    bool m_stop = false;
    bool m_executing = false;
    bool m_finished = false;
    bool m_leftChangesBehind = false;
    bool m_replaceRefused = false; // the download's target changed meanwhile
    bool m_removeLeftovers = false;
    QElapsedTimer m_sinceYield;
    ProgressInfo m_progress;
};
