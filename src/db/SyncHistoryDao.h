#pragma once

#include "db/SyncHistory.h"

#include <QObject>

class ISession;
class OndoDatabase;

// The tables sync_history (one row per run) and sync_history_object (one
// row per carried-out action of a run).
class SyncHistoryDao : public QObject
{
    Q_OBJECT
public:
    // What the log lines name an action by (the action layer knows the names).
    struct LogNames
    {
        QString safeName;
        QString action;
        QString status;
    };

    SyncHistoryDao(OndoDatabase *database, ISession *session, QObject *parent = nullptr);

    SyncHistory startSync(const QDateTime &start, int state);
    // The end of a run, normal or by cancellation or failure.
    bool endSync(qint64 historyId, int state, const QDateTime &end);
    // Finished runs of the current user in one state, newest first.
    QList<SyncHistory> finishedRuns(int state) const;

    // Returns the new row's id (0 on failure).
    qint64 storeSyncHistoryObject(qint64 historyId, const SyncHistoryObject &object, const LogNames &names = {});
    // True when exactly one row changed.
    bool updateSyncHistoryObject(qint64 id, qint64 historyId, const SyncHistoryObject &object,
                                 const LogNames &names = {});
    // The rows of real actions of runs started in [from, to], newest first.
    SyncHistoryObjects historyList(const QDateTime &from, const QDateTime &to, int limit) const;

private:
    qint64 userId() const;

    OndoDatabase *m_database;
    ISession *m_session;
};
