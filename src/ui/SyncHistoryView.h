#pragma once

#include "sync/SyncAction.h"

#include <QWidget>

class DirUtil;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QModelIndex;
class QPushButton;
class QTableView;
class SyncHistoryDao;
class SyncHistoryModel;
class SyncSettingsDao;

// "File Sync Activities": the actions of past and running syncs for a time
// window, newest first; a double click or the context menu reveals the item
// in the file manager (never starts it).
class SyncHistoryView : public QWidget
{
    Q_OBJECT
public:
    SyncHistoryView(SyncHistoryDao *history, SyncSettingsDao *settings, DirUtil *dirUtil, QWidget *parent = nullptr);

    SyncHistoryModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }

public slots:
    void initHistoryTable();
    void loadTableContent();
    void on_selectFilterComboBox_currentIndexChanged(int index);
    void on_syncExecutedOne(const SyncAction &action);
    void on_historyTableView_doubleClicked(const QModelIndex &index);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showContextMenu(const QPoint &pos);
    void showReason(const QModelIndex &index);
    // The information icon on the first `rows` rows that carry a reason.
    void markReasons(int rows);
    void revealPath(const QString &path);

    SyncHistoryDao *m_history;
    SyncSettingsDao *m_settings;
    DirUtil *m_dirUtil;
    SyncHistoryModel *m_model;
    QComboBox *m_filter;
    QDateTimeEdit *m_from;
    QDateTimeEdit *m_to;
    QLabel *m_toLabel;
    QPushButton *m_refresh;
    QTableView *m_table;
};
