#include "sync/MultiSyncher.h"

#include "app/Settings.h"
#include "db/FileSafeDao.h"
#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "drive/IFileSystemDriverManager.h"
#include "sync/ISyncPrompts.h"

#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace {
constexpr int FirstRunDelayMs = 1000;
constexpr int MaxRounds = 10000;
} // namespace

MultiSyncher::MultiSyncher(const Context &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    qRegisterMetaType<SyncAction>();
    qRegisterMetaType<SyncActions>();
    qRegisterMetaType<ProgressInfo>();
    qRegisterMetaType<SyncSetting>();
    qInfo("MultiSyncher: init");
}

MultiSyncher::~MultiSyncher()
{
    if (m_syncher) {
        m_syncher->requestToStop();
        endSettingRun(RunStopped, false);
        delete m_syncher;
    }
}

void MultiSyncher::loggedIn()
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &MultiSyncher::startAutoSync);
    }
    const int minutes = qMax(1, Settings::value(Settings::AppSyncIntervalMinutes).toInt());
    qInfo("MultiSyncher::loggedIn: initial start sync timer %dm", minutes);
    m_timer->start(minutes * 60000);
    QTimer::singleShot(FirstRunDelayMs, this, &MultiSyncher::startAutoSync);
}

void MultiSyncher::loggedOut()
{
    if (m_timer) {
        m_timer->stop();
        delete m_timer;
    }
}

void MultiSyncher::setSyncTimer(int minutes)
{
    if (!m_timer || m_timer->interval() == minutes * 60000)
        return;
    qInfo("MultiSyncher::setSyncTimer: restart sync timer %dm", minutes);
    m_timer->start(minutes * 60000);
}

void MultiSyncher::setSynchronize(bool synchronize)
{
    if (synchronize == m_synchronize)
        return;
    m_synchronize = synchronize;
    qInfo(synchronize ? "MultiSyncher: Automatic synchronization allowed on current WiFi."
                      : "MultiSyncher: Automatic synchronization forbidden on current WiFi.");
}

void MultiSyncher::startAutoSync()
{
    // Only the timer's runs come here; the user's own runs always go.
    if (!m_timer)
        return;
    if (!m_synchronize) {
        qInfo("Autosync forbidden on current wifi.");
        return;
    }
    startSyncOf(m_context.syncher.settings->getList(true));
}

void MultiSyncher::startSync(int syncSettingId)
{
    const std::optional<SyncSetting> setting = m_context.syncher.settings->getSetting(syncSettingId);
    if (setting)
        startSyncOf({*setting});
}

void MultiSyncher::startSyncWhenIdle(int syncSettingId)
{
    if (!m_running)
        startSync(syncSettingId);
    else if (!m_afterRun.contains(syncSettingId))
        m_afterRun << syncSettingId;
}

void MultiSyncher::startFullSync()
{
    startSyncOf(m_context.syncher.settings->getList(false));
}

void MultiSyncher::startSyncOf(const SyncSettings &settings)
{
    if (m_running) {
        qDebug("MultiSyncher::startSyncOf: a run is in progress; request ignored");
        return;
    }
    if (settings.isEmpty())
        return;
    m_pending.clear();
    for (const SyncSetting &s : settings)
        m_pending << s.id;
    m_running = true;
    QPointer<MultiSyncher> self(this);
    m_context.syncher.fileSafes->syncFileSafes([self](const Result<FileSafes> &result) {
        if (self)
            self->on_getFilesafesForStartSync(result);
    });
}

void MultiSyncher::on_getFilesafesForStartSync(const Result<FileSafes> &fileSafes)
{
    Q_UNUSED(fileSafes) // a failed refresh leaves the table as it was; the run uses it
    if (!m_running || m_syncher)
        return;
    m_queue += m_pending;
    m_pending.clear();
    qInfo("## MultiSyncher::startSync");
    m_runDone = m_runFailed = 0;
    m_executed.clear();
    emit syncStarted();
    if (!nextSyncSettingAnalyze())
        finishRun();
}

bool MultiSyncher::nextSyncSettingAnalyze()
{
    if (m_queue.isEmpty()) {
        qDebug("MultiSyncher::nextSyncSettingAnalyze: No more sync settings to process.");
        return false;
    }
    for (int round = 0;; ++round) {
        if (round >= MaxRounds) {
            qWarning("MultiSyncher::nextSyncSettingAnalyze: Bail out from endless loop (settings#:%d)",
                     int(m_queue.size()));
            m_queue.clear();
            return false;
        }
        if (m_queue.isEmpty()) {
            qInfo("MultiSyncher::nextSyncSettingAnalyze: No more valid sync settings to process.");
            return false;
        }
        const int id = m_queue.takeFirst();
        const std::optional<SyncSetting> setting = m_context.syncher.settings->getSetting(id);
        if (!setting) {
            qWarning("MultiSyncher::nextSyncSettingAnalyze: Failed to retrieve sync setting from settings db (id:%d)", id);
            continue;
        }
        if (setting->encryption) {
            const int state = m_context.drives ? int(m_context.drives->daemonStatus(*setting))
                                               : int(quarnet::daemon::api::NoDaemon);
            if (state != quarnet::daemon::api::Running) {
                qInfo("Sync of %d skipped as the FS daemon is not running (%d).", id, state);
                emit syncSkipped(*setting, SkipReason::DriveNotRunning);
                continue;
            }
        }
        // A folder that is gone (an unplugged disk, a deleted folder) must
        // not read as "everything was deleted locally".
        const QFileInfo folder(setting->localDir);
        if (!folder.isDir() || !folder.isReadable()) {
            qWarning("MultiSyncher::nextSyncSettingAnalyze: Sync of %d skipped: local folder not readable: '%s'", id,
                     qUtf8Printable(setting->localDir));
            emit syncSkipped(*setting, SkipReason::FolderUnreadable);
            continue;
        }
        if (!setting->access.contains(QLatin1Char('r'))) {
            qInfo("MultiSyncher::nextSyncSettingAnalyze: Sync of %d skipped: no read access to the safe", id);
            emit syncSkipped(*setting, SkipReason::NoReadAccess);
            continue;
        }
        if (setting->expiryDate.isValid() && setting->expiryDate <= QDateTime::currentDateTimeUtc()) {
            qInfo("MultiSyncher::nextSyncSettingAnalyze: Sync of %d skipped: the safe expired on %s", id,
                  qUtf8Printable(setting->expiryDate.toString(Qt::ISODate)));
            emit syncSkipped(*setting, SkipReason::SafeExpired);
            continue;
        }
        std::unique_ptr<QLockFile> lock;
        if (!m_context.lockFolder.isEmpty()) {
            lock = std::make_unique<QLockFile>(m_context.lockFolder + QStringLiteral("/sync-%1.lock").arg(id));
            lock->setStaleLockTime(0); // stale only when its holder is gone
            if (!lock->tryLock(0)) {
                qInfo("MultiSyncher::nextSyncSettingAnalyze: Sync of %d skipped: another program synchronises it", id);
                emit syncSkipped(*setting, SkipReason::SyncedElsewhere);
                continue;
            }
        }
        const QByteArray type = setting->safeType.toUtf8();
        qInfo("MultiSyncher::nextSyncSettingAnalyze: next: [%.4s]'%s' (syncsetting id: %d)", type.constData(),
              qUtf8Printable(setting->safeName), id);
        m_current = *setting;
        m_syncher = new Syncher(m_context.syncher, this);
        connect(m_syncher, &Syncher::syncAnalyzed, this, &MultiSyncher::on_syncAnalyzed);
        connect(m_syncher, &Syncher::syncExecutedOne, this, &MultiSyncher::on_syncExecutedOne);
        connect(m_syncher, &Syncher::syncExecutedAll, this, &MultiSyncher::on_syncExecutedAll);
        connect(m_syncher, &Syncher::syncProgress, this, &MultiSyncher::on_syncProgress);
        connect(m_syncher, &Syncher::quotaExceeded, this, &MultiSyncher::on_quotaExceeded);
        connect(m_syncher, &Syncher::sessionTimeout, this, &MultiSyncher::on_sessionTimeout);
        const SyncHistory history = m_context.syncher.history
                                        ? m_context.syncher.history->startSync(QDateTime::currentDateTimeUtc(), RunStarted)
                                        : SyncHistory();
        m_historyId = history.id;
        m_syncher->setHistoryId(m_historyId);
        // Holding the lock, leftovers of an earlier run that died are ours.
        m_syncher->setRemoveLeftovers(lock != nullptr);
        m_settingLock = std::move(lock);
        m_syncher->setSetting(m_current);
        emit startSyncSafe(m_current);
        m_syncher->syncAnalyze();
        return true;
    }
}

bool MultiSyncher::inProgress(const char *where) const
{
    if (m_running && m_syncher && sender() == m_syncher)
        return true;
    qWarning("MultiSyncher::%s: sync not in progress", where);
    return false;
}

void MultiSyncher::on_syncAnalyzed(bool ok, const QString &msg, const SyncActions &actions)
{
    if (!inProgress("on_syncAnalyzed"))
        return;
    int errors = 0;
    for (const SyncAction &a : actions)
        errors += a.isError();
    qInfo("MultiSyncher::on_syncAnalyzed: ok:%s nTotal:%d nErr:%d", ok ? "true" : "false", int(actions.size()), errors);
    if (!ok) {
        qWarning("MultiSyncher::on_syncAnalyzed: error: '%s'", qUtf8Printable(msg));
        ++m_runFailed; // a setting left unsynchronised is no success
        endSettingRun(RunStopped, false);
        dropSyncher();
        if (!nextSyncSettingAnalyze())
            finishRun();
        return;
    }
    if (!shouldProceedWithSync(m_current.safeName, actions)) {
        endSettingRun(RunStopped, false);
        dropSyncher();
        m_queue.clear();
        m_running = false;
        emit syncFinished(0, errors, actions);
        return;
    }
    if (!m_syncher->syncExecute(actions)) {
        qWarning("MultiSyncher::on_syncAnalyzed: failed to start sync execution. Safe name: %s",
                 qUtf8Printable(m_current.safeName));
        endSettingRun(RunStopped, false);
        dropSyncher();
        m_queue.clear();
        m_running = false;
        emit syncFinished(0, errors, actions);
    }
}

bool MultiSyncher::shouldProceedWithSync(const QString &safeName, const SyncActions &actions)
{
    int deletes = 0;
    for (const SyncAction &a : actions)
        deletes += a.type == SyncAction::DeleteRemoteFile && a.status == SyncAction::STATUS_TODO;
    if (deletes < DeleteWarningThreshold)
        return true;
    qWarning("MultiSyncher::shouldProceedWithSync: Too many files to delete (%d) warning invoked for filesafe '%s'",
             deletes, qUtf8Printable(safeName));
    return m_context.prompts && m_context.prompts->promptForTooManyFilesDeleted(safeName, deletes);
}

void MultiSyncher::on_syncExecutedOne(bool ok, const QString &msg, const SyncAction &sa)
{
    if (!inProgress("on_syncExecutedOne"))
        return;
    qDebug("MultiSyncher::on_syncExecutedOne: ok:%s msg: '%s' sync action:%s status:%s", ok ? "true" : "false",
           qUtf8Printable(msg), qUtf8Printable(sa.typeName()), qUtf8Printable(sa.statusName()));
    emit syncExecutedOne(ok, msg, sa);
}

void MultiSyncher::on_syncExecutedAll(int nTotal, int nDone, int nFailed, const SyncActions &actions)
{
    if (!inProgress("on_syncExecutedAll"))
        return;
    m_runDone += nDone;
    m_runFailed += nFailed;
    if (nFailed == 0)
        qDebug("MultiSyncher::on_syncExecutedAll: nTotal:%d nDone:%d nFailed:%d", nTotal, nDone, nFailed);
    else
        qWarning("MultiSyncher::on_syncExecutedAll: nTotal:%d nDone:%d nFailed:%d", nTotal, nDone, nFailed);
    m_executed += actions;
    endSettingRun(RunFinished, nFailed == 0 && !m_syncher->leftChangesBehind());
    dropSyncher();
    if (!nextSyncSettingAnalyze())
        finishRun();
}

void MultiSyncher::on_syncProgress(bool ok, const ProgressInfo &pi)
{
    if (!inProgress("on_syncProgress"))
        return;
    emit syncProgress(ok, pi);
}

void MultiSyncher::on_quotaExceeded(const SyncAction &action)
{
    if (!inProgress("on_quotaExceeded"))
        return;
    emit quotaExceeded(action);
    stopSync();
}

void MultiSyncher::on_sessionTimeout(OndoSession::SessionState state, ErrorCode errCode, ErrorCode netErrCode)
{
    if (!inProgress("on_sessionTimeout"))
        return;
    m_syncher->requestToStop();
    endSettingRun(RunStopped, false);
    dropSyncher();
    m_queue.clear();
    m_running = false;
    emit sessionTimeout(state, errCode, netErrCode);
}

void MultiSyncher::stopSync()
{
    qInfo("MultiSyncher::requestToStop");
    if (!m_running)
        return;
    if (m_syncher) {
        m_syncher->requestToStop();
        endSettingRun(RunStopped, false);
        dropSyncher();
    }
    m_queue.clear();
    m_pending.clear();
    m_afterRun.clear();
    m_running = false;
    emit syncCanceled();
}

void MultiSyncher::endSettingRun(RunState state, bool complete)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (m_historyId > 0 && m_context.syncher.history)
        m_context.syncher.history->endSync(m_historyId, state, now);
    m_historyId = 0;
    if (m_current.isValid() && m_syncher) {
        // Only a complete run may let the next one skip the remote listing.
        const QString event = complete ? m_syncher->safeLastEvent() : QString();
        m_context.syncher.settings->setLastSync(m_current.id, now, event);
    }
}

void MultiSyncher::dropSyncher()
{
    if (m_syncher) {
        m_syncher->disconnect(this);
        m_syncher->deleteLater();
        m_syncher = nullptr;
    }
    m_settingLock.reset();
    m_current = SyncSetting();
}

void MultiSyncher::finishRun()
{
    dropSyncher();
    m_running = false;
    emit syncFinished(m_runDone, m_runFailed, m_executed);
    if (m_afterRun.isEmpty())
        return;
    SyncSettings next;
    for (int id : std::exchange(m_afterRun, {}))
        if (const std::optional<SyncSetting> setting = m_context.syncher.settings->getSetting(id))
            next << *setting;
    QTimer::singleShot(0, this, [this, next] { startSyncOf(next); });
}
