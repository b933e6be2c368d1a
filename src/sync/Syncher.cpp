#include "sync/Syncher.h"

#include "app/AppInfo.h"
#include "db/FileObjectDao.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "ri/FilesafeRI.h"
#include "sync/FileUtil.h"
#include "sync/SyncPlanner.h"
#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int YieldAfterMs = 500;

const char *yesNo(bool b)
{
    return b ? "yes" : "no";
}

// Where a download waits until the target may be replaced; the name is on
// the silent exclude list ("~$..."), so a leftover is never synchronised.
const QLatin1String kStagingPrefix("~$$"); // also the prefix of FilesafeRI's download files

QString stagingPathFor(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QLatin1Char('/') + kStagingPrefix + info.fileName() + QStringLiteral(".sync");
}

ObjectStates statesOf(FileObjects objects)
{
    // Each row is moved over and dropped at once, so the two tables are
    // never both whole in memory.
    ObjectStates states;
    states.reserve(objects.size());
    for (auto it = objects.begin(); it != objects.end(); it = objects.erase(it)) {
        ObjectState s;
        s.objectId = std::move(it->objectId);
        s.path = std::move(it->path);
        s.size = it->size;
        s.localMtime = it->localMtime;
        s.remoteMtime = it->remoteMtime;
        s.type = std::move(it->type);
        s.checksum = std::move(it->checksum);
        states.insert(s.path, s);
    }
    return states;
}
} // namespace

Syncher::Context Syncher::Context::create(OndoDatabase *database, OndoSession *session, const AppInfo *appInfo,
                                          CredentialStore *credentials, QObject *owner)
{
    Context c;
    c.session = session;
    c.filesafeRI = new FilesafeRI(session, appInfo, owner);
    c.fileSafes = new FileSafeDao(database, session, c.filesafeRI, appInfo->config(), owner);
    c.settings = new SyncSettingsDao(database, session, credentials, owner);
    c.fileObjects = new FileObjectDao(database, owner);
    c.history = new SyncHistoryDao(database, session, owner);
    return c;
}

Syncher::Syncher(const Context &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    qRegisterMetaType<SyncAction>();
    qRegisterMetaType<SyncActions>();
    qRegisterMetaType<ProgressInfo>();
    qDebug("Syncher: init %p", static_cast<void *>(this));
    m_excludeSilently = SyncPatterns::load(QString::fromLatin1(SyncPatterns::ExcludeSilently),
                                           "Syncher::loadExcludePatterns");
    m_exclude = SyncPatterns::load(QString::fromLatin1(SyncPatterns::Exclude), "Syncher::loadExcludePatterns");
    if (m_context.session)
        connect(m_context.session, &OndoSession::sessionTimeout, this, &Syncher::on_sessionTimeout);
}

Syncher::~Syncher()
{
    // The aborted transfer's completion must find the run stopped.
    m_stop = true;
    if (m_transfer)
        m_transfer->abort();
    qDebug("Syncher::destroy %p", static_cast<void *>(this));
}

void Syncher::requestToStop()
{
    qInfo("Syncher::requestToStop");
    m_stop = true;
    if (m_transfer)
        m_transfer->abort();
}

bool Syncher::isSafeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    for (const QStringRef &part : path.splitRef(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

bool Syncher::progress(int step, const QString &text, const SyncAction *action)
{
    m_progress.step = step;
    m_progress.text = text;
    if (action) {
        m_progress.safeName = action->safeName;
        m_progress.path = action->path;
        m_progress.name = action->name;
        m_progress.actionType = action->type;
    }
    m_progress.done = m_done;
    m_progress.failed = m_failed;
    m_progress.total = m_total;
    emit syncProgress(true, m_progress);
    return !m_stop;
}

// ---------------------------------------------------------------- analysis

void Syncher::syncAnalyze()
{
    const QByteArray type = m_setting.safeType.toUtf8();
    qInfo("Syncher::syncAnalyze: syncsetting [s%d]: [%.4s]'%s':'%s' <-> '%s'", m_setting.id, type.constData(),
          qUtf8Printable(m_setting.safeName), qUtf8Printable(m_setting.remoteDir), qUtf8Printable(m_setting.localDir));
    qDebug("Syncher::syncAnalyze: initiate sync analysis [s%d]: [%.4s]'%s':'%s' <-> '%s'", m_setting.id,
           type.constData(), qUtf8Printable(m_setting.safeName), qUtf8Printable(m_setting.remoteDir),
           qUtf8Printable(m_setting.localDir));
    // From the event loop: the caller connects to our signals first.
    QTimer::singleShot(0, this, &Syncher::analyzeStep1);
}

void Syncher::analyzeStep1()
{
    if (m_stop || !progress(ProgressInfo::GetFilesafeInfo, tr("Get filesafe information...")))
        return;
    const std::optional<FileSafe> safe = m_context.fileSafes->getFileSafe(m_setting.safeId);
    const QByteArray type = m_setting.safeType.toUtf8();
    if (!safe) {
        qWarning("Syncher::analyzeStep1: filesafe [%.4s]'%s' not found", type.constData(),
                 qUtf8Printable(m_setting.safeName));
        finishAnalysis(false, QStringLiteral("FileSafe does not exists."), {});
        return;
    }
    m_safe = *safe;
    qDebug("Syncher::analyzeStep1: filesafe [id:%s,type:%.4s]'%s' access mode: '%s'", qUtf8Printable(m_safe.safeId),
           type.constData(), qUtf8Printable(m_safe.safeName), qUtf8Printable(m_safe.access));
    qDebug("Syncher::analyzeStep1: filesafe [id:%s,type:%.4s]'%s' remote last event/mod: %s/%s setting: local last "
           "event: %s",
           qUtf8Printable(m_safe.safeId), type.constData(), qUtf8Printable(m_safe.safeName),
           qUtf8Printable(m_safe.lastEvent), qUtf8Printable(m_safe.lastMod), qUtf8Printable(m_setting.syncedLastEvent));

    // An empty marker says nothing about changes: a server that sends none
    // would otherwise never be listed again.
    if (!m_safe.lastEvent.isEmpty() && m_setting.syncedLastEvent == m_safe.lastEvent) {
        // Nothing changed on the server since the last completed sync.
        if (!progress(ProgressInfo::LoadStatus, tr("Load last status ...")))
            return;
        m_last = statesOf(m_context.fileObjects->getAll(m_setting.id));
        m_remote = m_last;
        collectStatusInfoFinished();
        return;
    }
    if (!progress(ProgressInfo::GetFilesafeInfo, tr("Get remote information...")))
        return;
    QPointer<Syncher> self(this);
    m_context.filesafeRI->getObjects(m_setting.safeId, m_setting.remoteDir, 0, QStringLiteral("any"),
                                     [self](const Result<FilesafeObjectsTO_v2> &result) {
                                         if (self)
                                             self->on_analyzeStep2Finished(result);
                                     });
}

void Syncher::on_analyzeStep2Finished(const Result<FilesafeObjectsTO_v2> &result)
{
    if (m_stop)
        return;
    if (!result.isOk()) {
        qWarning("Syncher::on_analyzeStep2Finished: Failed to analyze this sync setting: %s",
                 qUtf8Printable(result.message));
        m_lastError = result.code;
        if (result.code == ERR_STATUS_10904)
            m_context.settings->setRemoteState(m_setting.id, SyncSetting::RemoteRemoved);
        SyncAction a;
        a.type = SyncAction::NoAction;
        a.status = SyncAction::ERR_GET_FILESFE_OBJECTS;
        a.message = result.message;
        a.setSetting(m_setting, m_historyId);
        finishAnalysis(true, result.message, {a});
        return;
    }
    m_context.settings->setRemoteState(m_setting.id, SyncSetting::RemoteAvailable);
    if (!progress(ProgressInfo::ReceivedRemoteInfo, tr("Received remote information")))
        return;
    const QList<FilesafeObjectTO> &objects = result.value.objects;
    qDebug("Syncher::on_analyzeStep2Finished: %d objects", int(objects.size()));
    QString base = m_setting.remoteDir.isEmpty() ? QStringLiteral("/") : m_setting.remoteDir;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QString prefix = base == QLatin1String("/") ? base : base + QLatin1Char('/');
    m_remote.clear();
    m_remote.reserve(objects.size());
    for (const FilesafeObjectTO &o : objects) {
        if (o.path == base) {
            if (!o.objectId.isEmpty() && o.objectId != m_setting.rootFolderId) {
                m_context.settings->setRootFolderId(m_setting.id, o.objectId);
                m_setting.rootFolderId = o.objectId;
            }
            continue;
        }
        if (!o.path.startsWith(prefix)) {
            const QString message = QStringLiteral("Object path '%1' is not below base path '%2'").arg(o.path, base);
            qWarning("Syncher:on_analyzeStep2Finished: %s", qUtf8Printable(message));
            finishAnalysis(false, message, {});
            return;
        }
        const QString relative = o.path.mid(prefix.size()).normalized(QString::NormalizationForm_C);
        if (!isSafeRelativePath(relative)) {
            // A server must not be able to make us write outside the folder.
            SyncAction refused;
            refused.type = SyncAction::NoAction;
            refused.status = SyncAction::ERR_OBJECT_NOT_IN_BASE;
            refused.reason = QStringLiteral("(Tb) remote path leaves the synchronized folder");
            refused.path = QString(relative).replace(QChar(0), QLatin1Char('?'));
            refused.name = refused.path.section(QLatin1Char('/'), -1);
            refused.objectType = o.type == QLatin1String("d") ? QStringLiteral("d") : QStringLiteral("f");
            refused.setSetting(m_setting, m_historyId);
            qWarning("Syncher::on_analyzeStep2Finished: refused remote path '%s'", qUtf8Printable(o.path));
            m_refused << refused;
            continue;
        }
        ObjectState s;
        s.objectId = o.objectId;
        s.path = relative;
        s.size = o.size;
        s.remoteMtime = o.modified();
        s.type = o.type == QLatin1String("d") ? QStringLiteral("d") : QStringLiteral("f");
        s.checksum = o.checksum;
        m_remote.insert(relative, s);
    }
    // Go on once the listing's reply is gone (its deletion is itself posted,
    // hence two turns of the event loop): its parsed copy would otherwise
    // stay in memory through the whole planning. Calls posted to a Syncher
    // are dropped with it.
    QMetaObject::invokeMethod(
        this, [this] { QMetaObject::invokeMethod(this, &Syncher::loadLastState, Qt::QueuedConnection); },
        Qt::QueuedConnection);
}

void Syncher::loadLastState()
{
    if (m_stop || !progress(ProgressInfo::LoadStatus, tr("Load last status ...")))
        return;
    QElapsedTimer phase;
    phase.start();
    m_last = statesOf(m_context.fileObjects->getAll(m_setting.id));
    qDebug("Syncher::loadLastState: last state of %d objects read in %lld ms", int(m_last.size()), phase.elapsed());
    collectStatusInfoFinished();
}

void Syncher::collectStatusInfoFinished()
{
    if (!progress(ProgressInfo::LoadStatus, tr("Load local status ...")))
        return;
    QPointer<Syncher> self(this);
    QElapsedTimer phase;
    phase.start();
    QStringList unreadable;
    m_local = SyncState::scan(m_setting.localDir, [self] { return self && !self->m_stop; }, &unreadable);
    qDebug("Syncher::collectStatusInfoFinished: local tree of %d objects read in %lld ms", int(m_local.size()),
           phase.restart());
    if (m_stop)
        return;
    if (!unreadable.isEmpty()) {
        // What lies below would look deleted here and be deleted in the safe.
        qWarning("Syncher::collectStatusInfoFinished: %d unreadable local folder(s) or file(s), first: '%s'",
                 int(unreadable.size()), qUtf8Printable(unreadable.first()));
        finishAnalysis(false,
                       tr("Cannot read '%1' in the local folder; nothing is synchronised until it can be read.")
                           .arg(QDir::toNativeSeparators(m_setting.localDir + unreadable.first())),
                       {});
        return;
    }
    if (m_removeLeftovers)
        removeLeftovers();
    if (!progress(ProgressInfo::LoadStatus, tr("Objects status loaded.")))
        return;
    qDebug("Syncher::collectStatusInfoFinished: local current: %d last: %d remote: %d", int(m_local.size()),
           int(m_last.size()), int(m_remote.size()));
    if (!progress(ProgressInfo::LoadStatus, tr("Build to do list ...")))
        return;
    SyncActions actions = buildSyncActions(m_local, m_last, m_remote);
    qDebug("Syncher::collectStatusInfoFinished: %d actions planned in %lld ms", int(actions.size()), phase.elapsed());
    if (m_stop)
        return;
    actions += m_refused;
    qDebug("Syncher::collectStatusInfoFinished: syncActionList size: %d", int(actions.size()));
    for (int i = 0; i < actions.size(); ++i) {
        const SyncAction &a = actions.at(i);
        if (a.type == SyncAction::NoAction && a.status == SyncAction::STATUS_OK)
            continue; // the common case; one line each would flood the log
        qDebug("Syncher::collectStatusInfoFinished: sa[%d]: shoid:%lld action:%s status:%s path: '%s' reason: '%s'", i,
               a.historyObjectId, qUtf8Printable(a.typeName()), qUtf8Printable(a.statusName()), qUtf8Printable(a.path),
               qUtf8Printable(a.reason));
    }
    m_total = actions.size();
    progress(ProgressInfo::LoadStatus, tr("To do list built."));
    finishAnalysis(true, QString(), actions);
}

void Syncher::removeLeftovers()
{
    // "~$$a.txt.sync" waits for its rename; "~$$a.txt.sync_Ab3xYz.KorvexSync"
    // is the download itself.
    static const QRegularExpression leftover(QStringLiteral("^~\\$\\$.+\\.sync(_[A-Za-z0-9]{6}\\.[A-Za-z0-9]+)?$"));
    for (auto it = m_local.begin(); it != m_local.end();) {
        const QString &path = it.key();
        const QStringRef name = path.midRef(path.lastIndexOf(QLatin1Char('/')) + 1);
        if (it->isFile() && name.startsWith(kStagingPrefix) && leftover.match(name).hasMatch()) {
            qInfo("Syncher::removeLeftovers: removing '%s' of an earlier run", qUtf8Printable(it.key()));
            QFile::remove(m_setting.localDir + it.key());
            it = m_local.erase(it);
        } else {
            ++it;
        }
    }
}

void Syncher::finishAnalysis(bool ok, const QString &message, const SyncActions &actions)
{
    if (m_stop)
        return;
    if (!ok) {
        m_progress.step = ProgressInfo::AnalysisFailed;
        m_progress.text = message;
        emit syncProgress(false, m_progress);
    }
    emit syncAnalyzed(ok, message, actions);
}

// ------------------------------------------------------------ the table

SyncActions Syncher::buildSyncActions(const ObjectStates &local, const ObjectStates &last, const ObjectStates &remote)
{
    // The state rows written while planning go in one transaction.
    OndoDatabase::Transaction transaction(m_context.fileObjects ? m_context.fileObjects->database() : nullptr);
    SyncPlanner planner(m_setting, m_excludeSilently, m_historyId);
    const SyncActions actions = planner.build(
        local, last, remote, [this] { return m_stop; }, [this](SyncAction &a) { updateSyncState(a); });
    transaction.end(true);
    return actions;
}

bool Syncher::actionLessThan(const SyncAction &a, const SyncAction &b)
{
    return SyncPlanner::actionLessThan(a, b);
}

// ------------------------------------------------------------ execution

bool Syncher::syncExecute(const SyncActions &actions)
{
    int todo = 0, errors = 0;
    for (const SyncAction &a : actions) {
        todo += a.needsWork();
        errors += a.isError();
    }
    qInfo("Syncher::syncExecute: actions:%d todo:%d errors:%d", int(actions.size()), todo, errors);
    m_actions.clear();
    for (const SyncAction &a : actions)
        if (a.needsWork() || a.isWarning() || a.isError())
            m_actions << a;
    m_total = m_actions.size();
    m_done = m_failed = 0;
    m_next = 0;
    m_executing = true;
    if (!progress(ProgressInfo::Synchronizing, tr("Synchronizing ...")))
        return false;
    if (m_actions.isEmpty()) {
        qInfo("Syncher::syncExecute: no actions to do or errors to report");
        progress(ProgressInfo::UpToDate, tr("Up to date."));
        QTimer::singleShot(0, this, &Syncher::finishExecution);
        return true;
    }
    qInfo("Syncher::syncExecute: sync actions to process or errors to report: %d", int(m_actions.size()));
    for (int i = 0; i < m_actions.size(); ++i)
        qDebug("Syncher::syncExecute: sa[%d]: '%s'", i, qUtf8Printable(m_actions.at(i).path));
    QTimer::singleShot(0, this, &Syncher::executeNextAction);
    return true;
}

void Syncher::executeNextAction()
{
    if (m_stop || m_finished || m_current >= 0)
        return;
    qDebug("Syncher::executeNextAction: loop over %d actions", int(m_actions.size() - m_next));
    m_sinceYield.start();
    while (m_next < m_actions.size()) {
        if (m_stop)
            return;
        // Let the window breathe during long runs of local work.
        if (m_sinceYield.elapsed() > YieldAfterMs) {
            QTimer::singleShot(0, this, &Syncher::executeNextAction);
            return;
        }
        const int index = m_next++;
        if (executeAction(m_actions[index])) {
            m_current = index;
            qDebug("Syncher::executeNextAction: Pending remote exec: action:%s status:%s path:'%s'",
                   qUtf8Printable(m_actions[index].typeName()), qUtf8Printable(m_actions[index].statusName()),
                   qUtf8Printable(m_actions[index].path));
            return;
        }
    }
    qDebug("Syncher::executeNextAction: no more actions to execute");
    progress(ProgressInfo::UpToDate, tr("Synchronizing files and folders ..."));
    finishExecution();
}

QString Syncher::destinationOf(const QString &remoteFolder) const
{
    return m_setting.safeId + (remoteFolder.startsWith(QLatin1Char('/')) ? remoteFolder : QLatin1Char('/') + remoteFolder);
}

bool Syncher::executeAction(SyncAction &a)
{
    using A = SyncAction;
    if (!a.needsWork()) {
        // Nothing to carry out: report what the planner found.
        if (a.type == A::NoAction)
            qDebug("Syncher::executeNextAction: action is 'NoAction' (failed:%s); set to executed",
                   yesNo(a.isError()));
        else
            qDebug("Syncher::executeNextAction: action is '%s': set to executed", qUtf8Printable(a.typeName()));
        if (a.isError() || a.isWarning()) {
            if (a.message.isEmpty())
                a.message = A::statusDescription(a.status);
        } else {
            a.status = A::STATUS_OK;
        }
        a.executed = true;
        actionDone(a);
        return false;
    }
    if (!progress(ProgressInfo::Action, tr("Synchronizing files and folders ..."), &a))
        return false;
    qDebug("Syncher::executeNextAction: %s path='%s' name='%s'", qUtf8Printable(a.typeName()), qUtf8Printable(a.path),
           qUtf8Printable(a.name));

    A::ActionStatus skipStatus = A::WARN_SKIPPED;
    if (m_exclude.matchesAnyComponent(a.path)) {
        qDebug("Syncher::executeNextAction: %s: '%s'", "(X) skip (exclude)", qUtf8Printable(a.path));
        a.skipped = true;
        skipStatus = A::WARN_EXCLUDED_BY_NAME;
    } else if (a.name.isEmpty() || a.name.size() > A::MaxNameLength) {
        qDebug("Syncher::executeNextAction: %s: '%s'", "(X) skip (name size)", qUtf8Printable(a.path));
        a.skipped = true;
        skipStatus = a.objectType == QLatin1String("d") ? A::WARN_DIR_NAME_TOO_LONG : A::WARN_FILE_NAME_TOO_LONG;
    }
    auto skip = [&](const char *text) {
        a.status = skipStatus;
        a.message = tr(text);
        a.executed = true;
        actionDone(a);
        return false;
    };
    auto deny = [&](A::ActionStatus status, const char *text) {
        a.status = status;
        a.message = tr(text);
        a.executed = true;
        actionDone(a);
        return false;
    };
    auto local = [&](bool ok) {
        a.executed = true;
        const QByteArray type = a.typeName().toUtf8(), status = a.statusName().toUtf8(), path = a.path.toUtf8();
        if (ok)
            qDebug("Syncher::executeNextAction: Exec local: action:%s status:%s path:'%s'", type.constData(),
                   status.constData(), path.constData());
        else
            qWarning("Syncher::executeNextAction: Exec local failed: action:%s status:%s path:'%s' msg:'%s'",
                     type.constData(), status.constData(), path.constData(), qUtf8Printable(a.message));
        actionDone(a);
        return false;
    };
    const QString &access = m_safe.access;
    switch (a.type) {
    case A::CreateLocalDir:
        if (a.skipped)
            return skip(QT_TR_NOOP("Create folder skipped"));
        return local(a.execCreateLocalDir());
    case A::CreateRemoteDir: {
        if (!access.contains(QLatin1Char('c')))
            return deny(A::ERR_REMOTE_DIR_CREATE_DENIED, QT_TR_NOOP("Create folder denied"));
        if (a.skipped)
            return skip(QT_TR_NOOP("Create folder skipped"));
        a.newLocalMtime = QFileInfo(a.localPath()).lastModified().toUTC();
        QPointer<Syncher> self(this);
        m_context.filesafeRI->createFolder(a.name, destinationOf(a.remoteParentPath()),
                                           [self](const Result<FilesafeObjectsTO_v2> &r) {
                                               if (self)
                                                   self->on_remoteCreateDirFinished(r);
                                           });
        return true;
    }
    case A::DownloadFile:
    case A::BackupDownloadFile:
        if (!access.contains(QLatin1Char('r')))
            return deny(A::ERR_FILE_DOWNLOAD_DENIED, QT_TR_NOOP("Download denied"));
        if (a.skipped)
            return skip(QT_TR_NOOP("Download skipped"));
        // Whatever the user did to the local file since planning wins.
        if (!a.localFileUnchanged()) {
            m_leftChangesBehind = true;
            return local(false);
        }
        startDownload(a, a.type == A::BackupDownloadFile);
        return true;
    case A::UploadFile:
    case A::UpdateRemoteFile:
        if (!access.contains(a.type == A::UploadFile ? QLatin1Char('c') : QLatin1Char('u')))
            return deny(A::ERR_FILE_UPLOAD_DENIED, QT_TR_NOOP("Upload denied"));
        if (a.skipped)
            return skip(QT_TR_NOOP("Upload skipped"));
        startUpload(a);
        return true;
    case A::DeleteLocalFile:
        if (a.skipped)
            return skip(QT_TR_NOOP("Delete file skipped"));
        if (!a.localFileUnchanged()) {
            m_leftChangesBehind = true;
            return local(false);
        }
        return local(a.execDeleteLocalFile());
    case A::DeleteRemoteFile: {
        if (!access.contains(QLatin1Char('d')))
            return deny(A::ERR_REMOTE_FILE_DELETE_DENIED, QT_TR_NOOP("Delete file denied"));
        if (a.skipped)
            return skip(QT_TR_NOOP("Delete file skipped"));
        QPointer<Syncher> self(this);
        // Into a trash in any case: the safe's own, else the private one.
        m_context.filesafeRI->deleteFile(a.remote.objectId, m_safe.hasTrash, [self](const EmptyResult &r) {
            if (self)
                self->on_remoteDeleteFileFinished(r);
        });
        return true;
    }
    case A::DeleteLocalDir:
        if (a.skipped)
            return skip(QT_TR_NOOP("Delete folder skipped"));
        if (!m_deletableLoaded) {
            m_deletable = A::loadDeletablePatterns();
            m_deletableLoaded = true;
        }
        return local(a.execDeleteLocalDir(m_deletable));
    case A::DeleteRemoteDir: {
        if (!access.contains(QLatin1Char('d')))
            return deny(A::ERR_REMOTE_DIR_DELETE_DENIED, QT_TR_NOOP("Delete folder denied"));
        if (a.skipped)
            return skip(QT_TR_NOOP("Delete folder skipped"));
        QPointer<Syncher> self(this);
        m_context.filesafeRI->deleteFolder(a.remote.objectId, m_safe.hasTrash, [self](const EmptyResult &r) {
            if (self)
                self->on_remoteDeleteDirFinished(r);
        });
        return true;
    }
    default:
        a.status = A::ERR_INTERNAL;
        a.message = A::statusDescription(a.status);
        return local(false);
    }
}

void Syncher::startDownload(SyncAction &a, bool backup)
{
    const QString target = a.localPath();
    const QString staging = stagingPathFor(target);
    QFile::remove(staging);
    QPointer<Syncher> self(this);
    m_replaceRefused = false;
    m_transfer = m_context.filesafeRI->downloadFile(
        a.remote.objectId, a.remote.size, staging,
        [self, backup, staging](const Result<qint64> &result) {
            if (!self)
                return;
            if (!self->m_stop && result.isOk() && self->m_current >= 0) {
                // The transfer is complete and checked; only now is the local
                // file touched, and only if nobody changed it meanwhile.
                SyncAction &a = self->m_actions[self->m_current];
                bool ok = a.localFileUnchanged();
                if (ok && backup && !a.execBackupLocalFile())
                    ok = false;
                if (ok && ::rename(QFile::encodeName(staging).constData(), QFile::encodeName(a.localPath()).constData()) != 0) {
                    a.status = SyncAction::ERR_FILE_DOWNLOAD;
                    a.message = tr("Failed to download file: '%1'").arg(a.path);
                    ok = false;
                }
                if (!ok) {
                    QFile::remove(staging);
                    self->m_replaceRefused = true;
                    self->m_leftChangesBehind = self->m_leftChangesBehind || a.status == SyncAction::WARN_SKIPPED;
                }
            } else {
                QFile::remove(staging);
            }
            self->on_downloadFileFinished(result);
        },
        [self](qint64 done, qint64 total) {
            if (self)
                self->on_downloadFileProgress(done, total);
        });
}

void Syncher::startUpload(SyncAction &a)
{
    const QFileInfo info(a.localPath());
    a.newLocalMtime = info.lastModified().toUTC();
    a.newSize = info.size();
    const QString objectId = a.type == SyncAction::UpdateRemoteFile ? a.remote.objectId : QString();
    QPointer<Syncher> self(this);
    m_transfer = m_context.filesafeRI->sendRemoteFileAction(
        objectId, a.localPath(), destinationOf(a.remoteParentPath()),
        [self](const Result<FilesafeObjectsTO_v2> &r) {
            if (self)
                self->on_uploadFileFinished(r);
        },
        [self](qint64 done, qint64 total) {
            if (self)
                self->on_uploadFileProgress(done, total);
        });
}

void Syncher::on_downloadFileProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    if (m_stop || m_current < 0)
        return;
    m_progress.bytesDone = bytesReceived;
    m_progress.bytesTotal = bytesTotal;
    progress(ProgressInfo::Action, tr("Downloading ..."), &m_actions[m_current]);
}

void Syncher::on_uploadFileProgress(qint64 bytesSent, qint64 bytesTotal)
{
    if (m_stop || m_current < 0)
        return;
    m_progress.bytesDone = bytesSent;
    m_progress.bytesTotal = bytesTotal;
    progress(ProgressInfo::Action, tr("Uploading ..."), &m_actions[m_current]);
}

void Syncher::on_downloadFileFinished(const Result<qint64> &result)
{
    if (m_stop || m_current < 0)
        return;
    SyncAction &a = m_actions[m_current];
    if (m_replaceRefused) {
        // The target changed (or could not be replaced): a.status says how.
    } else if (!result.isOk()) {
        m_lastError = result.code;
        qWarning("Syncher::on_downloadFileFinished: Error: %s", qUtf8Printable(result.message));
        a.status = SyncAction::ERR_FILE_DOWNLOAD;
        a.message = tr("Failed to download file: '%1'").arg(a.path);
    } else if (result.value != a.remote.size) {
        qWarning("Syncher::on_downloadFileFinished: Error: %s size mismatch expected: %lld received: %lld",
                 qUtf8Printable(a.path), a.remote.size, result.value);
        a.status = SyncAction::ERR_FILE_DOWNLOAD;
        a.message = tr("Failed to download correctly: '%1'").arg(a.path);
    } else {
        qDebug("Syncher::on_downloadFileFinished: file download ok (%lld bytes)", result.value);
        const QFileInfo info(a.localPath());
        a.newLocalMtime = info.lastModified().toUTC();
        a.newSize = info.size();
        if (a.type == SyncAction::BackupDownloadFile) {
            a.status = SyncAction::WARN_AUTO_RESOLVED;
            a.message = tr("Local backup file created");
        } else {
            a.status = SyncAction::STATUS_OK;
        }
    }
    a.executed = true;
    m_progress.bytesDone = m_progress.bytesTotal = 0;
    progress(ProgressInfo::Action, tr("Downloading ..."), &a);
    m_current = -1;
    actionDone(a);
    executeNextAction();
}

void Syncher::on_uploadFileFinished(const Result<FilesafeObjectsTO_v2> &result)
{
    if (m_stop || m_current < 0)
        return;
    SyncAction &a = m_actions[m_current];
    if (!result.isOk()) {
        m_lastError = result.code;
        qWarning("Syncher::on_uploadFileFinished: Error: %s", qUtf8Printable(result.message));
        a.message = tr("Failed to upload file: '%1'").arg(a.path);
        switch (int(result.code)) {
        case ERR_STATUS_10907: a.status = SyncAction::ERR_QUOTA_EXCEEDED; break;
        case ERR_STATUS_10910: a.status = SyncAction::ERR_NO_MODULE; break;
        case ERR_STATUS_10911: a.status = SyncAction::ERR_DEST_NOT_FOUND; break;
        case ERR_LOCAL_FILE_OPEN: a.status = SyncAction::ERR_FILE_NOT_READABLE; break;
        default: a.status = SyncAction::ERR_FILE_UPLOAD; break;
        }
    } else {
        const QList<FilesafeObjectTO> &objects = result.value.objects;
        if (objects.size() == 1) {
            const FilesafeObjectTO &o = objects.first();
            qDebug("Syncher::on_uploadFileFinished: file upload ok. size: %lld checksum: '%s' file: '%s'", o.size,
                   qUtf8Printable(o.checksum), qUtf8Printable(a.path));
            if (o.size != a.newSize)
                qWarning("Syncher::on_uploadFileFinished: returned size does not match local size");
            if (o.checksum.isEmpty())
                qWarning("Syncher::on_uploadFileFinished: returned checksum is empty");
            else if (a.local.hasChecksum() && FileUtil::isSameAlgorithm(o.checksum, a.local.checksum)
                     && o.checksum != a.local.checksum)
                qWarning("Syncher::on_uploadFileFinished: returned checksum does not match local checksum (local: "
                         "'%s' remote: '%s')",
                         qUtf8Printable(a.local.checksum), qUtf8Printable(o.checksum));
            a.newObjectId = o.objectId;
            a.newRemoteMtime = o.modified();
            a.newChecksum = o.checksum;
            a.newSize = o.size;
        } else {
            a.message = QStringLiteral("Upload should return 1 object info, but returned %1").arg(objects.size());
        }
        a.status = SyncAction::STATUS_OK;
    }
    a.executed = true;
    m_progress.bytesDone = m_progress.bytesTotal = 0;
    progress(ProgressInfo::Action, tr("Uploading ..."), &a);
    m_current = -1;
    const bool quota = a.status == SyncAction::ERR_QUOTA_EXCEEDED;
    actionDone(a);
    if (quota) {
        emit quotaExceeded(a);
        return; // the scheduler stops the run
    }
    executeNextAction();
}

void Syncher::on_remoteCreateDirFinished(const Result<FilesafeObjectsTO_v2> &result)
{
    if (m_stop || m_current < 0)
        return;
    SyncAction &a = m_actions[m_current];
    qDebug("Syncher::on_remoteCreateDirFinished: %s", result.isOk() ? "ok" : "error");
    if (result.isOk()) {
        qDebug("Syncher::on_remoteCreateDirFinished: create folder ok: '%s'", qUtf8Printable(a.path));
        if (!result.value.objects.isEmpty()) {
            a.newObjectId = result.value.objects.first().objectId;
            a.newRemoteMtime = result.value.objects.first().modified();
        }
        a.status = SyncAction::STATUS_OK;
    } else {
        m_lastError = result.code;
        qWarning("Syncher::on_remoteCreateDirFinished: create dir error: %s", qUtf8Printable(result.message));
        a.status = SyncAction::ERR_REMOTE_DIR_CREATE;
        a.message = tr("Unable to create folder: '%1'").arg(a.path);
    }
    finishRemoteAction(a, tr("Create remote folders ..."));
}

void Syncher::on_remoteDeleteDirFinished(const EmptyResult &result)
{
    if (m_stop || m_current < 0)
        return;
    SyncAction &a = m_actions[m_current];
    qDebug("Syncher::on_remoteDeleteDirFinished: %s", result.isOk() ? "ok" : "error");
    if (result.isOk()) {
        qDebug("Syncher::on_remoteDeleteDirFinished: delete folder ok.");
        a.status = SyncAction::STATUS_OK;
    } else {
        m_lastError = result.code;
        qWarning("Syncher::on_remoteDeleteDirFinished: folder delete error: %s", qUtf8Printable(result.message));
        a.status = SyncAction::ERR_REMOTE_DIR_DELETE;
        a.message = tr("Unable to delete remote folder: '%1'").arg(a.path);
    }
    finishRemoteAction(a, tr("Delete remote folders ..."));
}

void Syncher::on_remoteDeleteFileFinished(const EmptyResult &result)
{
    if (m_stop || m_current < 0)
        return;
    SyncAction &a = m_actions[m_current];
    if (result.isOk()) {
        qDebug("Syncher::on_remoteDeleteFileFinished: file delete ok.");
        a.status = SyncAction::STATUS_OK;
    } else {
        m_lastError = result.code;
        qWarning("Syncher::on_remoteDeleteFileFinished: file delete error: %s", qUtf8Printable(result.message));
        a.status = SyncAction::ERR_REMOTE_FILE_DELETE;
        a.message = tr("Unable to delete file: '%1'").arg(a.path);
    }
    finishRemoteAction(a, tr("Delete remote files ..."));
}

void Syncher::finishRemoteAction(SyncAction &a, const QString &progressText)
{
    a.executed = true;
    progress(ProgressInfo::Action, progressText, &a);
    m_current = -1;
    actionDone(a);
    executeNextAction();
}

void Syncher::on_sessionTimeout(OndoSession::SessionState state, ErrorCode netErrCode)
{
    if (m_stop || m_finished)
        return;
    qWarning("Syncher::on_sessionTimeout: errCode=%d netErrCode=%d", int(state), int(netErrCode));
    emit sessionTimeout(state, m_lastError, netErrCode);
}

void Syncher::actionDone(SyncAction &a)
{
    // The state row and the history row of an action in one commit.
    OndoDatabase::Transaction transaction(m_context.fileObjects ? m_context.fileObjects->database() : nullptr);
    updateSyncState(a);
    transaction.end(true);
    if (a.isError())
        ++m_failed;
    else
        ++m_done;
    emit syncExecutedOne(!a.isError(), a.message, a);
}

void Syncher::finishExecution()
{
    if (m_finished || m_stop)
        return;
    m_finished = true;
    m_executing = false;
    emit syncExecutedAll(m_total, m_done, m_failed, m_actions);
}

void Syncher::updateSyncState(SyncAction &a)
{
    using A = SyncAction;
    const QByteArray type = a.typeName().toUtf8(), path = a.path.toUtf8();
    auto expected = [&](const char *what) {
        qWarning("Syncher::updateSyncState: expected %s; shoid:%lld action:%s status:%s path: '%s'", what,
                 a.historyObjectId, type.constData(), qUtf8Printable(a.statusName()), path.constData());
    };
    FileObject state;
    state.path = a.path;
    state.type = a.objectType;
    bool replace = false;
    bool remove = false;
    switch (a.type) {
    case A::CreateLocalDir:
        if (a.status != A::STATUS_OK) {
            expected("STATUS_OK");
            break;
        }
        state.objectId = a.remote.objectId;
        state.localMtime = QFileInfo(a.localPath()).lastModified().toUTC();
        state.remoteMtime = a.remote.remoteMtime;
        replace = true;
        break;
    case A::CreateRemoteDir:
        if (a.status != A::STATUS_OK) {
            expected("STATUS_OK");
            break;
        }
        state.objectId = a.newObjectId;
        state.localMtime = a.local.localMtime;
        state.remoteMtime = a.newRemoteMtime;
        replace = true;
        break;
    case A::DownloadFile:
    case A::BackupDownloadFile:
        if (a.status != (a.type == A::DownloadFile ? A::STATUS_OK : A::WARN_AUTO_RESOLVED)) {
            expected(a.type == A::DownloadFile ? "STATUS_OK" : "WARN_AUTO_RESOLVED");
            break;
        }
        state.objectId = a.remote.objectId;
        state.size = a.remote.size;
        state.localMtime = a.newLocalMtime;
        state.remoteMtime = a.remote.remoteMtime;
        state.checksum = a.remote.checksum;
        replace = true;
        break;
    case A::UploadFile:
    case A::UpdateRemoteFile:
        if (a.status != A::STATUS_OK || a.newObjectId.isEmpty()) {
            expected("STATUS_OK");
            break;
        }
        state.objectId = a.newObjectId;
        state.size = a.newSize;
        state.localMtime = a.newLocalMtime;
        state.remoteMtime = a.newRemoteMtime;
        state.checksum = a.newChecksum;
        replace = true;
        break;
    case A::UpdateSyncState:
        if (a.status != A::STATUS_TODO) {
            expected("STATUS_TODO");
            break;
        }
        state.objectId = a.remote.objectId;
        state.size = a.remote.isPresent() ? a.remote.size : a.local.size;
        state.localMtime = a.local.localMtime;
        state.remoteMtime = a.remote.remoteMtime;
        state.checksum = a.remote.hasChecksum() ? a.remote.checksum : a.local.checksum;
        replace = true;
        a.status = A::STATUS_OK;
        break;
    case A::RemoveSyncState:
    case A::DeleteLocalFile:
    case A::DeleteRemoteFile:
    case A::DeleteLocalDir:
    case A::DeleteRemoteDir:
        if (a.status == A::STATUS_OK || a.status == A::STATUS_TODO)
            remove = true;
        else
            expected("STATUS_OK");
        break;
    case A::NoAction:
    case A::ActionUndefined:
    case A::Resolve:
    case A::UpdateLocalFile:
        if (a.status == A::STATUS_UNDEFINED)
            qWarning("Syncher::updateSyncState: unexpected STATUS_UNDEFINED; shoid:%lld action:%s status:%s path: '%s'",
                     a.historyObjectId, type.constData(), qUtf8Printable(a.statusName()), path.constData());
        if (!a.isError())
            return;
        break;
    }
    if (m_context.fileObjects && replace)
        m_context.fileObjects->replace(m_setting.id, state);
    else if (m_context.fileObjects && remove)
        m_context.fileObjects->remove(m_setting.id, a.path);

    if (!m_context.history || a.historyId <= 0)
        return;
    SyncHistoryObject row;
    row.syncHistoryId = a.historyId;
    row.localDir = a.localPath();
    row.remoteDir = a.remotePath();
    row.type = a.objectType;
    row.state = a.status;
    row.action = a.type;
    row.timestamp = QDateTime::currentMSecsSinceEpoch();
    const SyncHistoryDao::LogNames names{a.safeName, a.typeName(), a.statusName()};
    if (a.historyObjectId <= 0) {
        a.historyObjectId = m_context.history->storeSyncHistoryObject(a.historyId, row, names);
    } else if (!m_context.history->updateSyncHistoryObject(a.historyObjectId, a.historyId, row, names)) {
        qWarning("Syncher::updateSyncState: failed to update sync history object: shoid:%lld histid:%lld",
                 a.historyObjectId, a.historyId);
    }
}
