#include "sync/SyncHistoryModel.h"

#include <QLocale>

SyncHistoryModel::SyncHistoryModel(QObject *parent)
    : QStandardItemModel(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SyncHistoryModel::flush);
    setHeaders();
}

void SyncHistoryModel::setHeaders()
{
    setColumnCount(ColumnCount);
    setHorizontalHeaderLabels({tr("Action"), tr("Safe: Item"), tr("Status"), tr("Date/Time")});
}

QString SyncHistoryModel::safeNameFor(const QString &localPath) const
{
    for (const auto &entry : m_safeNames)
        if (localPath.startsWith(entry.first))
            return entry.second;
    return QString();
}

QList<QStandardItem *> SyncHistoryModel::makeRow(const Row &row) const
{
    auto item = [](const QString &text) {
        auto *i = new QStandardItem(text);
        i->setEditable(false);
        return i;
    };
    const QString where = row.safeName.isEmpty() ? row.remotePath : row.safeName + QStringLiteral(": ") + row.remotePath;
    QList<QStandardItem *> items{item(SyncAction::displayText(row.action)), item(where),
                                 item(SyncAction::statusLabel(row.status)),
                                 item(QLocale().toString(row.time.toLocalTime(), QLocale::ShortFormat))};
    for (QStandardItem *i : items) {
        i->setData(row.id, HistoryIdRole);
        i->setData(row.localPath, LocalPathRole);
        i->setData(row.reason, ReasonRole);
        i->setData(row.status, StatusRole);
    }
    if (!row.reason.isEmpty())
        items.at(StatusColumn)->setToolTip(row.reason);
    return items;
}

int SyncHistoryModel::load(const SyncHistoryObjects &rows)
{
    m_pending.clear();
    m_flushTimer.stop();
    clear();
    setHeaders();
    int withReason = 0;
    const int n = qMin(int(rows.size()), MaxRows);
    for (int i = 0; i < n; ++i) {
        const SyncHistoryObject &o = rows.at(i);
        Row row;
        row.id = o.id;
        row.action = o.action;
        row.status = o.state;
        row.localPath = o.localDir;
        row.remotePath = o.remoteDir;
        row.safeName = safeNameFor(o.localDir);
        // The tables keep no reason text; a warning or error explains itself.
        if (o.state >= SyncAction::WARN_START)
            row.reason = SyncAction::statusDescription(o.state);
        row.time = QDateTime::fromMSecsSinceEpoch(o.timestamp);
        withReason += !row.reason.isEmpty();
        appendRow(makeRow(row));
    }
    return withReason;
}

void SyncHistoryModel::addLive(const SyncAction &a)
{
    Row row;
    row.id = a.historyObjectId;
    row.action = a.type;
    row.status = a.status;
    row.safeName = a.safeName;
    row.remotePath = a.remotePath();
    row.localPath = a.localPath();
    if (a.status >= SyncAction::WARN_START)
        row.reason = a.message.isEmpty() ? SyncAction::statusDescription(a.status) : a.message;
    row.time = QDateTime::currentDateTime();
    m_pending << row;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void SyncHistoryModel::flush()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    const QList<Row> batch = m_pending;
    m_pending.clear();
    for (const Row &row : batch) {
        if (row.id > 0) {
            const int existing = rowOfHistoryId(row.id);
            if (existing >= 0)
                removeRow(existing);
        }
        while (rowCount() >= MaxRows)
            removeRow(MaxRows - 1);
        insertRow(0, makeRow(row));
        if (row.id > 0)
            removeDuplicateRowsById(row.id);
    }
    emit liveRowsAdded(int(batch.size()));
}

void SyncHistoryModel::removeDuplicateRowsById(qint64 id)
{
    QList<int> rows;
    for (int r = 0; r < rowCount(); ++r)
        if (historyIdAt(r) == id)
            rows << r;
    if (rows.size() < 2)
        return;
    QStringList names;
    for (int r : rows)
        names << QString::number(r);
    qWarning("SyncHistoryView::removeDuplicateRowsById: duplicate rows:%s for shoid:%lld",
             qUtf8Printable(names.join(QLatin1Char(','))), id);
    for (int i = int(rows.size()) - 1; i >= 1; --i)
        removeRow(rows.at(i));
}

int SyncHistoryModel::rowOfHistoryId(qint64 id) const
{
    for (int r = 0; r < rowCount(); ++r)
        if (historyIdAt(r) == id)
            return r;
    return -1;
}

qint64 SyncHistoryModel::historyIdAt(int row) const
{
    return data(index(row, 0), HistoryIdRole).toLongLong();
}

QString SyncHistoryModel::localPathAt(int row) const
{
    return data(index(row, 0), LocalPathRole).toString();
}

QString SyncHistoryModel::reasonAt(int row) const
{
    return data(index(row, 0), ReasonRole).toString();
}

QPair<QDateTime, QDateTime> SyncHistoryModel::window(int filter, const QDateTime &now, const QDateTime &from,
                                                      const QDateTime &to, bool *ok)
{
    if (ok)
        *ok = true;
    const QDateTime midnight(now.date(), QTime(0, 0));
    switch (filter) {
    case Today:
        return {midnight, midnight.addDays(1)};
    case Yesterday:
        return {midnight.addDays(-1), midnight};
    case LastHour:
        return {now.addSecs(-3600), now.addDays(1)};
    case Range:
        return {from, to};
    default:
        qWarning("SyncHistoryView::loadTableContent: invalid filter selection: %d", filter);
        if (ok)
            *ok = false;
        return {};
    }
}
