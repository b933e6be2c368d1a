#pragma once

#include "db/SyncHistory.h"
#include "sync/SyncAction.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QStandardItemModel>
#include <QTimer>

// The rows of the "File Sync Activities" table: loaded from the history
// tables for a time window, and kept up to date while a sync runs. Live
// rows are collected and put in together (at most every FlushMs), so that a
// run of many small files costs the window one update per batch rather
// than one per action. Newest first, never more than MaxRows.
class SyncHistoryModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Column { ActionColumn, ItemColumn, StatusColumn, TimeColumn, ColumnCount };
    enum Role { HistoryIdRole = Qt::UserRole + 1, LocalPathRole, ReasonRole, StatusRole };
    // The entries of the filter selector.
    enum Filter { Today = 0, Yesterday = 1, LastHour = 2, Range = 3 };

    static constexpr int MaxRows = 1000;
    static constexpr int FlushMs = 250;

    explicit SyncHistoryModel(QObject *parent = nullptr);

    // The local folders of the sync settings and their safe names, to name
    // the safe of a row read from the history tables.
    void setSafeNames(const QList<QPair<QString, QString>> &localDirToSafe) { m_safeNames = localDirToSafe; }

    // Replaces the rows (headers set again); returns the number with a reason.
    int load(const SyncHistoryObjects &rows);
    // A freshly executed action; shown with the next batch.
    void addLive(const SyncAction &action);
    // Puts the collected live rows in now.
    void flush();
    int pendingCount() const { return m_pending.size(); }

    int rowOfHistoryId(qint64 id) const;
    qint64 historyIdAt(int row) const;
    QString localPathAt(int row) const;
    QString reasonAt(int row) const;

    // The time window of a filter entry; an unexpected entry gives empty
    // bounds (and `ok` false).
    static QPair<QDateTime, QDateTime> window(int filter, const QDateTime &now, const QDateTime &from,
                                              const QDateTime &to, bool *ok = nullptr);

signals:
    // One batch of live rows went in.
    void liveRowsAdded(int count);

private:
    struct Row
    {
        qint64 id = 0;
        int action = 0;
        int status = 0;
        QString safeName;
        QString remotePath;
        QString localPath;
        QString reason;
        QDateTime time;
    };
    QList<QStandardItem *> makeRow(const Row &row) const;
    void setHeaders();
    void removeDuplicateRowsById(qint64 id);
    QString safeNameFor(const QString &localPath) const;

    QList<QPair<QString, QString>> m_safeNames;
    QList<Row> m_pending;
    QTimer m_flushTimer;
};
