#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// One run of the scheduler (sync_history).
struct SyncHistory
{
    qint64 id = 0;
    QDateTime startTime;
    QDateTime endTime;
    int state = 0;

    bool isValid() const { return id > 0; }
};

// One carried-out action of a run (sync_history_object).
struct SyncHistoryObject
{
    qint64 id = 0;
    qint64 syncHistoryId = 0;
    QString localDir;
    QString remoteDir;
    QString type;
    int state = 0;  // an action status code
    int action = 0; // an action type code
    qint64 timestamp = 0; // ms since the epoch
};
Q_DECLARE_METATYPE(SyncHistoryObject)

using SyncHistoryObjects = QList<SyncHistoryObject>;
