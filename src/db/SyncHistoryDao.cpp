#include "db/SyncHistoryDao.h"

#include "db/DaoUtil.h"
#include "db/OndoDatabase.h"
#include "net/ISession.h"

#include <QSqlQuery>
#include <QVariant>

#include <limits>

SyncHistoryDao::SyncHistoryDao(OndoDatabase *database, ISession *session, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_session(session)
{
}

qint64 SyncHistoryDao::userId() const
{
    return m_session ? m_session->account().id : 0;
}

SyncHistory SyncHistoryDao::startSync(const QDateTime &start, int state)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("INSERT INTO sync_history (start_time, state, user_id) VALUES (:start, :state, :user_id)"));
    q.bindValue(QStringLiteral(":start"), DaoUtil::toMs(start));
    q.bindValue(QStringLiteral(":state"), state);
    q.bindValue(QStringLiteral(":user_id"), userId());
    SyncHistory history;
    if (!m_database->exec(q))
        return history;
    history.id = q.lastInsertId().toLongLong();
    history.startTime = start;
    history.state = state;
    qDebug("SyncHistoryDao::startSync: created sync_history histid:%lld", history.id);
    return history;
}

bool SyncHistoryDao::endSync(qint64 historyId, int state, const QDateTime &end)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("UPDATE sync_history SET state = :state, end_time = :end  WHERE id = :historyId"));
    q.bindValue(QStringLiteral(":state"), state);
    q.bindValue(QStringLiteral(":end"), DaoUtil::toMs(end));
    q.bindValue(QStringLiteral(":historyId"), historyId);
    return m_database->exec(q);
}

QList<SyncHistory> SyncHistoryDao::finishedRuns(int state) const
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("SELECT id, start_time, end_time, state FROM sync_history WHERE user_id = :user_id AND "
                             "state = :state AND end_time IS NOT NULL ORDER BY end_time DESC"));
    q.bindValue(QStringLiteral(":user_id"), userId());
    q.bindValue(QStringLiteral(":state"), state);
    QList<SyncHistory> runs;
    if (!m_database->exec(q))
        return runs;
    while (q.next())
        runs << SyncHistory{q.value(0).toLongLong(), DaoUtil::fromMs(q.value(1)), DaoUtil::fromMs(q.value(2)),
                            q.value(3).toInt()};
    return runs;
}

qint64 SyncHistoryDao::storeSyncHistoryObject(qint64 historyId, const SyncHistoryObject &o, const LogNames &names)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("INSERT INTO sync_history_object (sync_history_id, local_dir, remote_dir, type, state, "
                             "action, timestamp) VALUES (:sync_history_id, :local_dir, :remote_dir, :type, :state, "
                             ":action, :timestamp);"));
    q.bindValue(QStringLiteral(":sync_history_id"), historyId);
    q.bindValue(QStringLiteral(":local_dir"), o.localDir);
    q.bindValue(QStringLiteral(":remote_dir"), o.remoteDir);
    q.bindValue(QStringLiteral(":type"), o.type);
    q.bindValue(QStringLiteral(":state"), o.state);
    q.bindValue(QStringLiteral(":action"), o.action);
    q.bindValue(QStringLiteral(":timestamp"), o.timestamp);
    if (!m_database->exec(q))
        return 0;
    const qint64 id = q.lastInsertId().toLongLong();
    qDebug("SyncHistoryDao::storeSyncHistoryObject: oid:%lld histid:%lld remote safe name:%s action:%s status:%s "
           "path: '%s'",
           id, historyId, qUtf8Printable(names.safeName), qUtf8Printable(names.action), qUtf8Printable(names.status),
           qUtf8Printable(o.localDir));
    return id;
}

bool SyncHistoryDao::updateSyncHistoryObject(qint64 id, qint64 historyId, const SyncHistoryObject &o,
                                             const LogNames &names)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("UPDATE sync_history_object SET action = :action, state = :state , timestamp = "
                             ":timestamp WHERE id = :sho_id AND sync_history_id = :sync_history_id AND local_dir = "
                             ":local_dir AND remote_dir = :remote_dir AND type = :type ;"));
    q.bindValue(QStringLiteral(":action"), o.action);
    q.bindValue(QStringLiteral(":state"), o.state);
    q.bindValue(QStringLiteral(":timestamp"), o.timestamp);
    q.bindValue(QStringLiteral(":sho_id"), id);
    q.bindValue(QStringLiteral(":sync_history_id"), historyId);
    q.bindValue(QStringLiteral(":local_dir"), o.localDir);
    q.bindValue(QStringLiteral(":remote_dir"), o.remoteDir);
    q.bindValue(QStringLiteral(":type"), o.type);
    const QByteArray action = names.action.toUtf8();
    const QByteArray status = names.status.toUtf8();
    const QByteArray path = o.localDir.toUtf8();
    if (!m_database->exec(q)) {
        qWarning("SyncHistoryDao::updateSyncHistoryObject: exec query failed: oid:%lld histid:%lld action:%s "
                 "status:%s path: '%s'",
                 id, historyId, action.constData(), status.constData(), path.constData());
        return false;
    }
    const int changed = DaoUtil::changes(m_database);
    if (changed > 1) {
        qWarning("SyncHistoryDao::updateSyncHistoryObject: too many rows #%d affected: oid:%lld histid:%lld "
                 "action:%s status:%s path: '%s'",
                 changed, id, historyId, action.constData(), status.constData(), path.constData());
        return false;
    }
    qDebug("SyncHistoryDao::updateSyncHistoryObject: oid:%lld histid:%lld action:%s status:%s path: '%s'", id,
           historyId, action.constData(), status.constData(), path.constData());
    return changed == 1;
}

SyncHistoryObjects SyncHistoryDao::historyList(const QDateTime &from, const QDateTime &to, int limit) const
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("SELECT sho.id, sho.sync_history_id, sho.local_dir, sho.remote_dir, sho.type, sho.state, "
                             "sho.action, sho.timestamp FROM sync_history_object as sho JOIN sync_history as sh ON "
                             "sh.id = sho.sync_history_id WHERE sh.user_id = :user_id AND sh.start_time <= :toDate AND "
                             "sh.start_time >= :fromDate AND action >= 3 AND action != 41 ORDER BY sho.timestamp DESC "
                             "LIMIT %1")
                  .arg(qMax(0, limit)));
    q.bindValue(QStringLiteral(":user_id"), userId());
    q.bindValue(QStringLiteral(":toDate"), to.isValid() ? to.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    q.bindValue(QStringLiteral(":fromDate"), from.isValid() ? from.toMSecsSinceEpoch() : qint64(0));
    SyncHistoryObjects rows;
    if (!m_database->exec(q))
        return rows;
    while (q.next()) {
        SyncHistoryObject o;
        o.id = q.value(0).toLongLong();
        o.syncHistoryId = q.value(1).toLongLong();
        o.localDir = q.value(2).toString();
        o.remoteDir = q.value(3).toString();
        o.type = q.value(4).toString();
        o.state = q.value(5).toInt();
        o.action = q.value(6).toInt();
        o.timestamp = q.value(7).toLongLong();
        rows << o;
    }
    return rows;
}
