#include "sync/SyncPlanner.h"

#include "sync/FileUtil.h"

#include <QSet>

#include <algorithm>

namespace {
constexpr int MaxFileDepth = 51;
constexpr int MaxFolderDepth = 50;

QByteArray timeText(const QDateTime &t)
{
    return t.isValid() ? t.toString(Qt::ISODateWithMs).toUtf8() : QByteArray("-");
}

int componentCount(const QString &path)
{
    return path.count(QLatin1Char('/')) + 1;
}
} // namespace

SyncPlanner::SyncPlanner(const SyncSetting &setting, const SyncPatterns &excludeSilently, qint64 historyId)
    : m_setting(setting)
    , m_excludeSilently(excludeSilently)
    , m_historyId(historyId)
{
}


QString SyncPlanner::localChecksum(ObjectState &lo, const QString &remoteChecksum)
{
    const QString algorithm = FileUtil::checkSumAlgorithm(remoteChecksum);
    if (algorithm.isEmpty() || FileUtil::algorithmFromName(algorithm) == FileUtil::None)
        return QString();
    if (lo.hasChecksum() && FileUtil::checkSumAlgorithm(lo.checksum) == algorithm)
        return lo.checksum;
    lo.checksum = FileUtil::calculateCheckSum(m_setting.localDir + lo.path, algorithm);
    return lo.checksum;
}

void SyncPlanner::isSizeValid(SyncAction &a, qint64 size, const char *side)
{
    const QByteArray path = a.path.toUtf8();
    a.type = SyncAction::NoAction;
    if (size < 0) {
        qDebug("Syncher::isSizeValid: invalid size: %lld (negative) '%s'", size, path.constData());
        a.status = SyncAction::STATUS_OK;
    } else if (size == 0) {
        qDebug("Syncher::isSizeValid: invalid size: %lld (zero) '%s'", size, path.constData());
        a.status = SyncAction::STATUS_OK;
    } else {
        qDebug("Syncher::isSizeValid: invalid size: %lld (too big) '%s'", size, path.constData());
        a.status = SyncAction::ERR_FILE_TOO_BIG;
    }
    a.reason = QStringLiteral("(S) excluded due to %1 file size (%2)").arg(QLatin1String(side)).arg(size);
}

SyncActions SyncPlanner::build(const ObjectStates &local, const ObjectStates &last, const ObjectStates &remote,
                               const std::function<bool()> &stopped, const std::function<void(SyncAction &)> &applyState)
{
    // Every path once: the local ones, then those only the last state or
    // the server knows.
    QStringList paths;
    paths.reserve(local.size() + last.size() + remote.size());
    for (auto it = local.cbegin(); it != local.cend(); ++it)
        paths << it.key();
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        if (!local.contains(it.key()))
            paths << it.key();
    for (auto it = remote.cbegin(); it != remote.cend(); ++it)
        if (!local.contains(it.key()) && !last.contains(it.key()))
            paths << it.key();
    qDebug("Syncher::buildSyncActions: syncsetting[s%d]: # of paths: %d", m_setting.id, int(paths.size()));

    // Folders holding objects that the last sync never saw: deleting such a
    // folder on the other side would destroy what was just put there, so
    // the deletion of the folder is undone instead (Ma, Ka), and the new
    // objects are synchronised into it.
    auto foldersHoldingNew = [&](const ObjectStates &side) {
        QSet<QString> folders;
        for (auto it = side.cbegin(); it != side.cend(); ++it) {
            if (last.contains(it.key()) || isSilentlyExcluded(it.key()))
                continue;
            QString p = it.key();
            for (int slash = p.lastIndexOf(QLatin1Char('/')); slash > 0; slash = p.lastIndexOf(QLatin1Char('/'))) {
                p.truncate(slash);
                if (folders.contains(p))
                    break;
                folders.insert(p);
            }
        }
        return folders;
    };
    const QSet<QString> foldersWithNewRemote = foldersHoldingNew(remote);
    const QSet<QString> foldersWithNewLocal = foldersHoldingNew(local);

    const ObjectState absent;
    SyncActions actions;
    int quiet = 0;
    int noAction = 0, undefinedType = 0, conflicts = 0, toResolve = 0, undefinedStatus = 0, skipped = 0,
        excluded = 0, nameTooLong = 0, warnings = 0, errors = 0;
    for (const QString &path : qAsConst(paths)) {
        if (stopped && stopped())
            return {};
        ObjectState lo = local.value(path, absent);
        const ObjectState la = last.value(path, absent);
        const ObjectState re = remote.value(path, absent);
        SyncAction a;
        a.path = path;
        const ObjectState &any = lo.isPresent() ? lo : la.isPresent() ? la : re;
        a.objectType = any.type;

        if (!lo.isPresent() && !la.isPresent() && !re.isPresent()) {
            qWarning("No status information for: %s", qUtf8Printable(path));
            a.type = SyncAction::NoAction;
            a.status = SyncAction::ERR_INTERNAL;
        } else if ((lo.isPresent() && la.isPresent() && lo.type != la.type)
                   || (lo.isPresent() && re.isPresent() && lo.type != re.type)
                   || (la.isPresent() && re.isPresent() && la.type != re.type)) {
            qWarning("Syncher::buildSyncActions: Different object types for: %s", qUtf8Printable(path));
            a.type = SyncAction::NoAction;
            a.status = SyncAction::ERR_OBJECT_TYPE_MISMATCH;
            a.reason = QStringLiteral("(Ta) object type mismatch");
        } else if (!any.isFile() && !any.isFolder()) {
            qWarning("Unknown type information for: %s [%d]", qUtf8Printable(path), int(any.type.size()));
            a.type = SyncAction::NoAction;
            a.status = SyncAction::ERR_INTERNAL;
        } else if (isSilentlyExcluded(path)) {
            a.type = SyncAction::NoAction;
            a.status = SyncAction::STATUS_OK;
            a.reason = QStringLiteral("(X) skip (silent exclude)");
            qDebug("Syncher::buildSyncActions: %s: '%s'", qUtf8Printable(a.reason), qUtf8Printable(path));
        } else if (lo.isPresent() && componentCount(path) >= (lo.isFile() ? MaxFileDepth : MaxFolderDepth)) {
            a.type = SyncAction::NoAction;
            a.status = SyncAction::WARN_PATH_TOO_LONG;
            a.reason = QStringLiteral("(S) excluded due to folder depth");
        } else if (lo.isPresent() && lo.isFile() && (lo.size <= 0 || lo.size > SyncAction::MaxFileSize)) {
            isSizeValid(a, lo.size, "local");
        } else if (re.isPresent() && re.isFile() && (re.size <= 0 || re.size > SyncAction::MaxFileSize)) {
            isSizeValid(a, re.size, "remote");
        } else {
            decide(a, lo, la, re);
            if (a.type == SyncAction::DeleteRemoteDir && foldersWithNewRemote.contains(path)) {
                a.type = SyncAction::CreateLocalDir;
                a.status = SyncAction::STATUS_TODO;
                a.reason = QStringLiteral("(Ma) sync: dir deleted on local side, but it holds new remote objects");
            } else if (a.type == SyncAction::DeleteLocalDir && foldersWithNewLocal.contains(path)) {
                a.type = SyncAction::CreateRemoteDir;
                a.status = SyncAction::STATUS_TODO;
                a.reason = QStringLiteral("(Ka) sync: dir deleted on remote side, but it holds new local objects");
            }
        }
        if (a.type == SyncAction::ActionUndefined) {
            a.type = SyncAction::NoAction;
            a.status = SyncAction::ERR_INTERNAL;
            a.reason = QStringLiteral("Sync action is undefined (internal error)");
        } else if (a.status == SyncAction::STATUS_UNDEFINED) {
            a.type = SyncAction::NoAction;
            a.status = SyncAction::ERR_INTERNAL;
            a.reason = QStringLiteral("Sync action status is undefined (internal error)");
        }
        // Most paths are unchanged: no action to keep, nothing to log.
        if (a.type == SyncAction::NoAction && a.status == SyncAction::STATUS_OK) {
            ++noAction;
            ++quiet;
            continue;
        }
        a.local = lo;
        a.last = la;
        a.remote = re;
        a.name = path.section(QLatin1Char('/'), -1);
        a.parentPath = path.contains(QLatin1Char('/')) ? path.section(QLatin1Char('/'), 0, -2) : QString();
        a.setSetting(m_setting, m_historyId);
        if (a.isWarning() || a.isError()) {
            qWarning("Syncher::buildSyncActions: sync action problem: '%s' object: '%s'/'%s' %s size(la/lo/re): "
                     "%lld/%lld/%lld local mtime(last/current): %s/%s remote mtime(last/current): %s/%s status: %s "
                     "reason:'%s'",
                     qUtf8Printable(a.typeName()), qUtf8Printable(a.localDir), qUtf8Printable(a.path),
                     qUtf8Printable(a.objectType), la.size, lo.size, re.size, timeText(la.localMtime).constData(),
                     timeText(lo.localMtime).constData(), timeText(la.remoteMtime).constData(),
                     timeText(re.remoteMtime).constData(), qUtf8Printable(a.statusName()), qUtf8Printable(a.reason));
        }
        if ((a.type == SyncAction::UpdateSyncState || a.type == SyncAction::RemoveSyncState) && applyState) {
            // Applied now; nothing is left to carry out.
            applyState(a);
            if (a.status == SyncAction::STATUS_OK) {
                ++quiet;
                continue;
            }
        }

        noAction += a.type == SyncAction::NoAction;
        undefinedType += a.type == SyncAction::ActionUndefined;
        conflicts += a.type == SyncAction::BackupDownloadFile;
        toResolve += a.type == SyncAction::Resolve;
        undefinedStatus += a.status == SyncAction::STATUS_UNDEFINED;
        skipped += a.skipped;
        excluded += a.status == SyncAction::WARN_EXCLUDED_BY_NAME;
        nameTooLong += a.status == SyncAction::WARN_FILE_NAME_TOO_LONG || a.status == SyncAction::WARN_DIR_NAME_TOO_LONG;
        warnings += a.isWarning();
        errors += a.isError();
        actions << a;
    }
    std::sort(actions.begin(), actions.end(), &SyncPlanner::actionLessThan);
    qInfo("Syncher::buildSyncActions: actions total:%d noaction:%d act_undef:%d conflicts:%d to_resolve:%d "
          "st_undef:%d st_skipped:%d st_excluded:%d st_nametoolong:%d st_warn:%d st_error:%d",
          int(actions.size()) + quiet, noAction, undefinedType, conflicts, toResolve, undefinedStatus, skipped, excluded,
          nameTooLong, warnings, errors);
    return actions;
}

void SyncPlanner::decide(SyncAction &a, ObjectState &lo, const ObjectState &la, const ObjectState &re)
{
    auto set = [&a](SyncAction::ActionType type, SyncAction::ActionStatus status, const char *reason) {
        a.type = type;
        a.status = status;
        a.reason = QString::fromLatin1(reason);
    };
    const bool folder = (lo.isPresent() ? lo : la.isPresent() ? la : re).isFolder();
    const bool L = la.isPresent(), O = lo.isPresent(), R = re.isPresent();
    using A = SyncAction;
    if (!L && O && !R) {
        if (folder)
            set(A::CreateRemoteDir, A::STATUS_TODO, "(C) initial sync: dir exists only on local side");
        else
            set(A::UploadFile, A::STATUS_TODO, "(D) initial sync: file exists only on local side");
    } else if (!L && !O && R) {
        if (folder)
            set(A::CreateLocalDir, A::STATUS_TODO, "(E) initial sync: dir exists only on remote side");
        else
            set(A::DownloadFile, A::STATUS_TODO, "(F) initial sync: file exists only on remote side");
    } else if (!L && O && R) {
        if (folder) {
            set(A::UpdateSyncState, A::STATUS_TODO, "(G) initial sync: dir exists on both sides");
        } else if (lo.size == re.size) {
            if (!re.hasChecksum()) {
                set(A::UpdateSyncState, A::STATUS_TODO,
                    "(Ha) initial sync: sizes match, but remote checksum not available: assume equality");
            } else {
                const QString sum = localChecksum(lo, re.checksum);
                if (sum.isEmpty())
                    set(A::NoAction, A::ERR_FILE_NO_LOCAL_CHECKSUM, "(Hb) initial sync: cannot calculate local file checksum");
                else if (sum == re.checksum)
                    set(A::UpdateSyncState, A::STATUS_TODO, "(Hc) initial sync: file checksum is identical");
                else
                    set(A::BackupDownloadFile, A::STATUS_TODO, "(Hd) initial sync: file checksum is different");
            }
        } else {
            set(A::BackupDownloadFile, A::STATUS_TODO, "(He) initial sync: file sizes are different");
        }
    } else if (L && !O && !R) {
        if (folder)
            set(A::RemoveSyncState, A::STATUS_TODO, "(J) sync: dir does not exist on both sides");
        else
            set(A::RemoveSyncState, A::STATUS_TODO, "(I) sync: file does not exist on both sides");
    } else if (L && O && !R) {
        if (folder)
            set(A::DeleteLocalDir, A::STATUS_TODO, "(K) sync: dir no longer exists on remote side");
        else if (lo.size == la.size && lo.localMtime == la.localMtime)
            set(A::DeleteLocalFile, A::STATUS_TODO, "(La) sync: file no longer exists on remote side");
        else
            set(A::UploadFile, A::STATUS_TODO, "(Lb) sync: file no longer exists on remote side but changed on local side");
    } else if (L && !O && R) {
        if (folder)
            set(A::DeleteRemoteDir, A::STATUS_TODO, "(M) sync: dir no longer exists on local side");
        else
            set(A::DeleteRemoteFile, A::STATUS_TODO, "(N) sync: file no longer exists on local side");
    } else if (folder) {
        if (re.objectId != la.objectId)
            set(A::UpdateSyncState, A::STATUS_TODO, "(Hf) folder: object_id changed");
        else
            set(A::NoAction, A::STATUS_OK, "(O) sync: dir exists on both sides");
    } else {
        decideFileOnAllSides(a, lo, la, re);
    }
}

void SyncPlanner::decideFileOnAllSides(SyncAction &a, ObjectState &lo, const ObjectState &la, const ObjectState &re)
{
    using A = SyncAction;
    auto set = [&a](A::ActionType type, A::ActionStatus status, const QString &reason) {
        a.type = type;
        a.status = status;
        a.reason = reason;
    };
    auto text = [](const char *s) { return QString::fromLatin1(s); };
    if (!la.localMtime.isValid())
        return set(A::NoAction, A::ERR_FILE_NO_LAST_LOCAL_MTIME, text("(Z1) file: sizes same, stored last local mtime is empty"));
    if (!lo.localMtime.isValid())
        return set(A::NoAction, A::ERR_FILE_NO_LOCAL_MTIME, text("(Z2) file: sizes same, local mtime is empty"));
    if (!la.remoteMtime.isValid())
        return set(A::NoAction, A::ERR_FILE_NO_LAST_REMOTE_MTIME, text("(Z3) file: sizes same, stored last remote mtime is empty"));
    if (!re.remoteMtime.isValid())
        return set(A::NoAction, A::ERR_FILE_NO_REMOTE_MTIME, text("(Z4) file: sizes same, remote mtime is empty"));

    enum Time { Unchanged, Updated, Backdated };
    auto compare = [](const QDateTime &now, const QDateTime &before) {
        return now == before ? Unchanged : now > before ? Updated : Backdated;
    };
    const bool localSizeChanged = la.size != lo.size;
    const bool remoteSizeChanged = la.size != re.size;
    const Time localTime = compare(lo.localMtime, la.localMtime);
    const Time remoteTime = compare(re.remoteMtime, la.remoteMtime);

    if (!localSizeChanged && !remoteSizeChanged && localTime == Unchanged && remoteTime == Unchanged) {
        if (!la.hasChecksum() && re.hasChecksum())
            return set(A::UpdateSyncState, A::STATUS_TODO, text("(N1) file: size unchanged, mtime unchanged"));
        if (re.objectId != la.objectId)
            return set(A::UpdateSyncState, A::STATUS_TODO, text("(Hf) file: object_id changed"));
        return set(A::NoAction, A::STATUS_OK, text("(N1) file: size unchanged, mtime unchanged"));
    }
    if (localSizeChanged && !remoteSizeChanged && remoteTime == Unchanged) {
        const char *why = localTime == Updated     ? "(U1) file: local size changed, local mtime updated"
                          : localTime == Backdated ? "(U2) file: local size changed, local mtime backdated"
                                                   : "(U3) file: local size changed, local mtime unchanged";
        return set(A::UpdateRemoteFile, A::STATUS_TODO, text(why));
    }
    if (remoteSizeChanged && !localSizeChanged && localTime == Unchanged) {
        const char *why = remoteTime == Updated     ? "(D1) file: remote size changed, remote mtime updated"
                          : remoteTime == Backdated ? "(D2) file: remote size changed, remote mtime backdated"
                                                    : "(D3) file: remote size changed, remote mtime unchanged";
        return set(A::DownloadFile, A::STATUS_TODO, text(why));
    }
    if (localSizeChanged == remoteSizeChanged) {
        if (!re.hasChecksum())
            return set(A::NoAction, A::WARN_FILE_NO_REMOTE_CHECKSUM,
                       text("(Z5) file: sizes same, mtime changed, remote checksum not available"));
        const QString local = localChecksum(lo, re.checksum);
        if (local.isEmpty())
            return set(A::NoAction, A::ERR_FILE_NO_LOCAL_CHECKSUM,
                       text("(Z6) file: sizes same, mtime changed, failed to calculate local checksum"));
        if (localSizeChanged) {
            if (local == re.checksum)
                return set(A::UpdateSyncState, A::STATUS_TODO,
                           text("(N2) file: local size changed, remote size changed, local checksum equals remote checksum"));
            return set(A::BackupDownloadFile, A::STATUS_TODO,
                       text("(B1) file: local size changed, remote size changed, local and remote checksum differ"));
        }
        if (local == re.checksum)
            return set(A::UpdateSyncState, A::STATUS_TODO, text("(N3) file: sizes same, mtime changed, checksums same"));
        if (la.hasChecksum()) {
            const bool localSame = local == la.checksum;
            const bool remoteSame = re.checksum == la.checksum;
            if (localSame && !remoteSame)
                return set(A::DownloadFile, A::STATUS_TODO, text("(D4) file: sizes same, local checksum same, remote checksum changed"));
            if (!localSame && remoteSame)
                return set(A::UpdateRemoteFile, A::STATUS_TODO, text("(U4) file: sizes same, local checksum changed, remote checksum same"));
            if (!localSame && !remoteSame)
                return set(A::BackupDownloadFile, A::STATUS_TODO, text("(B2) file: sizes same, local checksum changed, remote checksum changed"));
        }
        if (localTime == Updated && remoteTime == Unchanged)
            return set(A::UpdateRemoteFile, A::STATUS_TODO,
                       text("(U5) file: sizes same, checksums different, remote mtime unchanged, local mtime updated"));
        if (localTime == Unchanged && remoteTime == Updated)
            return set(A::DownloadFile, A::STATUS_TODO,
                       text("(D5) file: sizes same, checksums different, remote mtime updated, local mtime unchanged"));
        if (localTime == Updated && remoteTime == Updated)
            return set(A::BackupDownloadFile, A::STATUS_TODO,
                       text("(B3) file: sizes same, checksums different, local mtime updated, remote mtime updated"));
        if (localTime == Updated && remoteTime == Backdated)
            return set(A::BackupDownloadFile, A::STATUS_TODO,
                       text("(B4) file: sizes same, checksums different, local mtime updated, remote mtime backdated"));
        if (localTime == Backdated && remoteTime == Updated)
            return set(A::BackupDownloadFile, A::STATUS_TODO,
                       text("(B5) file: sizes same, checksums different, local mtime backdated, remote mtime updated"));
        if (localTime == Backdated && remoteTime == Backdated)
            return set(A::BackupDownloadFile, A::STATUS_TODO,
                       text("(B6) file: sizes same, checksums different, local mtime backdated, remote mtime backdated"));
    }
    if (localTime == Updated && remoteTime == Updated)
        return set(A::BackupDownloadFile, A::STATUS_TODO, text("(B7) file: local mtime updated, remote mtime updated"));

    QStringList words;
    if (localSizeChanged)
        words << QStringLiteral("local size changed");
    if (remoteSizeChanged)
        words << QStringLiteral("remote size changed");
    static const char *localWords[] = {"local mtime unchanged", "local mtime updated", "local mtime backdated"};
    static const char *remoteWords[] = {"remote mtime unchanged", "remote mtime updated", "remote mtime backdated"};
    words << QString::fromLatin1(localWords[localTime]) << QString::fromLatin1(remoteWords[remoteTime]);
    set(A::NoAction, A::ERR_FILE_ATTR_CONFLICT, QStringLiteral("(Z9) file attributes conflict: ") + words.join(QStringLiteral(", ")));
}

bool SyncPlanner::isSilentlyExcluded(const QString &path)
{
    // A path is left out when its folder is, or its own name matches; the
    // folders' answers are kept, since many paths share them.
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString folder = path.left(slash);
        auto it = m_excludedFolders.constFind(folder);
        if (it == m_excludedFolders.constEnd())
            it = m_excludedFolders.insert(folder, isSilentlyExcluded(folder));
        if (*it)
            return true;
    }
    return m_excludeSilently.matchesName(slash < 0 ? path : path.mid(slash + 1));
}

bool SyncPlanner::actionLessThan(const SyncAction &a, const SyncAction &b)
{
    auto isUpload = [](int t) { return t == SyncAction::UploadFile || t == SyncAction::UpdateRemoteFile; };
    const bool ua = isUpload(a.type), ub = isUpload(b.type);
    if (ua != ub)
        return ub;
    if (!ua && a.type != b.type)
        return a.type < b.type;
    if (ua)
        return a.path < b.path;
    if (a.type == SyncAction::DeleteLocalDir || a.type == SyncAction::DeleteRemoteDir)
        return b.path < a.path;
    return a.path < b.path;
}
