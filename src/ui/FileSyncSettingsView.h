#pragma once

#include "db/SyncSetting.h"

#include <QWidget>

class DirUtil;
class QCheckBox;
class QItemSelection;
class QLabel;
class QModelIndex;
class QPushButton;
class QStandardItemModel;
class QTableView;
class SyncSettingsDao;

// The "File Safe" tab: one row per sync setting of the user, a detail panel
// for the selected one, and the actions to add, sync now, remove one or all
// (their folders on disk stay untouched) and show a folder in the file
// manager. The list is rebuilt whenever a setting is added, removed or
// changes its remote state.
class FileSyncSettingsView : public QWidget
{
    Q_OBJECT
public:
    enum Role { SettingIdRole = Qt::UserRole + 1, SortRole };

    FileSyncSettingsView(SyncSettingsDao *settings, DirUtil *dirUtil, QWidget *parent = nullptr);

    int selectedRow() const;
    int selectedSettingId() const;
    QStandardItemModel *model() const { return m_model; }

public slots:
    void on_addSettingButton_clicked();
    void on_syncSettingNowButton_clicked();
    void on_deleteSettingButton_clicked();
    void on_removeAllButton_clicked();
    void on_doubleClickSetting(const QModelIndex &index);
    void on_remoteStateChanged(int settingId, SyncSetting::RemoteState state);
    void on_openFolderInFileManager();
    void on_autoSyncCheckBoxStateChanged(int state);
    void on_syncSettingsDataChanged();
    void on_tableViewSelectionChanged();
    void selectSetting(int settingId);
    // Enables the actions that need a logged-in user.
    void setLoggedIn(bool loggedIn);

signals:
    void addSettingRequested();
    void syncSettingRequested(int settingId);

private:
    void showDetails(const SyncSetting *setting);
    void showContextMenu(const QPoint &pos);

    SyncSettingsDao *m_settings;
    DirUtil *m_dirUtil;
    QStandardItemModel *m_model = nullptr;
    QTableView *m_table;
    SyncSettings m_list;
    QLabel *m_localFolder;
    QLabel *m_safeIcon;
    QLabel *m_safeName;
    QLabel *m_remoteFolder;
    QLabel *m_roleCaption;
    QLabel *m_role;
    QLabel *m_lastSync;
    QCheckBox *m_autoSync;
    QPushButton *m_add;
    QPushButton *m_syncNow;
    QPushButton *m_delete;
    QPushButton *m_removeAll;
    bool m_loggedIn = false;
};
