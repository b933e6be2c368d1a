#include "ui/FileSyncSettingsView.h"

#include "db/SyncSettingsDao.h"
#include "sync/DirUtil.h"
#include "sync/SettingDetails.h"
#include "sync/SyncStatusText.h"
#include "ui/FileManagerText.h"
#include "ui/RowTable.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

FileSyncSettingsView::FileSyncSettingsView(SyncSettingsDao *settings, DirUtil *dirUtil, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_dirUtil(dirUtil)
    , m_table(new QTableView(this))
{
    setObjectName(QStringLiteral("fileSyncSettingsView"));
    m_table->setObjectName(QStringLiteral("syncSettingsTable"));
    m_table->setAccessibleName(tr("Synchronized Folders"));
    setUpRowTable(m_table);
    m_table->setSortingEnabled(true);

    auto *details = new QGroupBox(tr("Details"), this);
    auto *form = new QFormLayout(details);
    auto label = [details](const char *name) {
        auto *l = new QLabel(details);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
        return l;
    };
    m_localFolder = label("localFolderLabel");
    m_safeIcon = new QLabel(details);
    m_safeIcon->setObjectName(QStringLiteral("safeIconLabel"));
    m_safeName = label("safeNameLabel");
    m_remoteFolder = label("remoteFolderLabel");
    m_role = label("roleLabel");
    m_lastSync = label("lastSyncLabel");
    m_roleCaption = new QLabel(tr("Role:"), details);
    m_autoSync = new QCheckBox(tr("Synchronize automatically"), details);
    m_autoSync->setObjectName(QStringLiteral("autoSyncCheckBox"));
    auto *safeRow = new QHBoxLayout;
    safeRow->addWidget(m_safeIcon);
    safeRow->addWidget(m_safeName, 1);
    form->addRow(tr("Local folder:"), m_localFolder);
    form->addRow(tr("File safe:"), safeRow);
    form->addRow(tr("Folder in the safe:"), m_remoteFolder);
    form->addRow(m_roleCaption, m_role);
    form->addRow(QString(), m_autoSync);
    form->addRow(QString(), m_lastSync);

    m_add = new QPushButton(tr("Add Setting"), this);
    m_add->setObjectName(QStringLiteral("addSettingButton"));
    m_syncNow = new QPushButton(tr("Sync"), this);
    m_syncNow->setObjectName(QStringLiteral("syncSettingNowButton"));
    m_syncNow->setToolTip(tr("Synchronize this folder now ..."));
    m_delete = new QPushButton(tr("Delete Setting"), this);
    m_delete->setObjectName(QStringLiteral("deleteSettingButton"));
    m_removeAll = new QPushButton(tr("Remove all ..."), this);
    m_removeAll->setObjectName(QStringLiteral("removeAllButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_syncNow);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_removeAll);

    auto *body = new QHBoxLayout;
    body->addWidget(m_table, 3);
    body->addWidget(details, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    setTabOrder(m_table, m_autoSync);
    setTabOrder(m_autoSync, m_add);
    setTabOrder(m_add, m_syncNow);
    setTabOrder(m_syncNow, m_delete);
    setTabOrder(m_delete, m_removeAll);

    connect(m_add, &QPushButton::clicked, this, &FileSyncSettingsView::on_addSettingButton_clicked);
    connect(m_syncNow, &QPushButton::clicked, this, &FileSyncSettingsView::on_syncSettingNowButton_clicked);
    connect(m_delete, &QPushButton::clicked, this, &FileSyncSettingsView::on_deleteSettingButton_clicked);
    connect(m_removeAll, &QPushButton::clicked, this, &FileSyncSettingsView::on_removeAllButton_clicked);
    connect(m_table, &QTableView::doubleClicked, this, &FileSyncSettingsView::on_doubleClickSetting);
    connect(m_table, &QTableView::customContextMenuRequested, this, &FileSyncSettingsView::showContextMenu);
    connect(m_autoSync, &QCheckBox::stateChanged, this, &FileSyncSettingsView::on_autoSyncCheckBoxStateChanged);
    if (m_settings) {
        connect(m_settings, &SyncSettingsDao::settingAdded, this, &FileSyncSettingsView::on_syncSettingsDataChanged);
        connect(m_settings, &SyncSettingsDao::settingRemoved, this, &FileSyncSettingsView::on_syncSettingsDataChanged);
        connect(m_settings, &SyncSettingsDao::remoteStateChanged, this, &FileSyncSettingsView::on_remoteStateChanged);
    }
    setLoggedIn(false);
    showDetails(nullptr);
}

void FileSyncSettingsView::setLoggedIn(bool loggedIn)
{
    m_loggedIn = loggedIn;
    m_add->setEnabled(loggedIn);
    const bool any = selectedSettingId() > 0;
    m_syncNow->setEnabled(loggedIn && any);
    m_delete->setEnabled(any);
    m_removeAll->setEnabled(!m_list.isEmpty());
    if (loggedIn)
        on_syncSettingsDataChanged();
}

int FileSyncSettingsView::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel() ? m_table->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

int FileSyncSettingsView::selectedSettingId() const
{
    const int row = selectedRow();
    return row < 0 || !m_model ? 0 : m_model->index(row, 0).data(SettingIdRole).toInt();
}

void FileSyncSettingsView::on_syncSettingsDataChanged()
{
    const int previous = selectedSettingId();
    m_list = m_settings && m_loggedIn ? m_settings->getList() : SyncSettings();
    if (!m_model) {
        m_model = new QStandardItemModel(this);
        m_model->setSortRole(SortRole);
        m_table->setModel(m_model);
        connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &FileSyncSettingsView::on_tableViewSelectionChanged);
        connect(m_table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
                [](int column, Qt::SortOrder order) {
                    qDebug("FileSyncSettingsView::on_syncSettingsSortOrderChanged: column %d order %d", column,
                           int(order));
                });
    }
    m_model->clear();
    m_model->setColumnCount(1);
    m_model->setHorizontalHeaderLabels({tr("Synchronized Folders")});
    for (const SyncSetting &s : m_list) {
        auto *item = new QStandardItem(
            QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(s.localDir), s.safeName + s.remoteDir));
        item->setEditable(false);
        item->setData(s.id, SettingIdRole);
        item->setData(s.localDir.toLower(), SortRole);
        if (s.remoteState != SyncSetting::RemoteAvailable)
            item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        m_model->appendRow(item);
    }
    m_table->sortByColumn(0, Qt::AscendingOrder);
    m_table->resizeRowsToContents();
    qInfo("FileSyncSettingsView::on_syncSettingsDataChanged: rows: %d", m_model->rowCount());
    if (previous > 0 && std::any_of(m_list.cbegin(), m_list.cend(), [previous](const SyncSetting &s) { return s.id == previous; }))
        selectSetting(previous);
    else if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    on_tableViewSelectionChanged();
}

void FileSyncSettingsView::selectSetting(int settingId)
{
    if (!m_model) {
        qWarning("FileSyncSettingsView::selectSetting: model not yet initialized (setting id: %d)", settingId);
        return;
    }
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->index(r, 0).data(SettingIdRole).toInt() == settingId) {
            qDebug("FileSyncSettingsView::selectSetting: select row: %d setting: %d)", r, settingId);
            m_table->selectRow(r);
            return;
        }
    }
    qWarning("FileSyncSettingsView::selectSetting: setting not found (id: %d) in %d rows", settingId,
             m_model->rowCount());
}

void FileSyncSettingsView::on_tableViewSelectionChanged()
{
    const int id = selectedSettingId();
    qDebug("FileSyncSettingsView::on_tableViewSelectionChanged: selected row: %d", selectedRow());
    const auto it = std::find_if(m_list.cbegin(), m_list.cend(), [id](const SyncSetting &s) { return s.id == id; });
    showDetails(it == m_list.cend() ? nullptr : &*it);
    m_syncNow->setEnabled(m_loggedIn && id > 0);
    m_delete->setEnabled(id > 0);
    m_removeAll->setEnabled(!m_list.isEmpty());
}

void FileSyncSettingsView::showDetails(const SyncSetting *setting)
{
    const SettingDetails d = setting ? SettingDetails::of(*setting) : SettingDetails::none();
    m_localFolder->setText(d.localDir);
    m_localFolder->setStyleSheet(setting ? SettingDetails::labelStyle(d.localReadable) : QString());
    m_safeName->setText(d.safeName);
    m_safeName->setStyleSheet(setting ? SettingDetails::labelStyle(d.remoteAvailable) : QString());
    QStyle::StandardPixmap pixmap = QStyle::SP_DirIcon;
    switch (d.icon) {
    case SettingDetails::Icon::Warning: pixmap = QStyle::SP_MessageBoxWarning; break;
    case SettingDetails::Icon::PrivateSafe: pixmap = QStyle::SP_DirHomeIcon; break;
    case SettingDetails::Icon::TeamSafe: pixmap = QStyle::SP_DirLinkIcon; break;
    default: break;
    }
    m_safeIcon->setPixmap(d.icon == SettingDetails::Icon::None ? QPixmap() : style()->standardIcon(pixmap).pixmap(16, 16));
    m_remoteFolder->setText(d.remoteDir);
    m_role->setText(d.role);
    m_role->setVisible(!d.role.isEmpty());
    m_roleCaption->setVisible(!d.role.isEmpty());
    m_lastSync->setText(setting ? SyncStatusText::lastSync(setting->lastSync, true) : QString());
    // Showing a setting is not changing it.
    const QSignalBlocker block(m_autoSync);
    m_autoSync->setChecked(d.automatic);
    m_autoSync->setEnabled(setting != nullptr);
}

void FileSyncSettingsView::on_autoSyncCheckBoxStateChanged(int state)
{
    const int id = selectedSettingId();
    if (id <= 0 || !m_settings)
        return;
    const int mode = state == Qt::Checked ? 0 : 1;
    m_settings->setMode(id, mode);
    for (SyncSetting &s : m_list)
        if (s.id == id)
            s.mode = mode;
}

void FileSyncSettingsView::on_addSettingButton_clicked()
{
    emit addSettingRequested();
}

void FileSyncSettingsView::on_syncSettingNowButton_clicked()
{
    const int id = selectedSettingId();
    if (id > 0)
        emit syncSettingRequested(id);
}

void FileSyncSettingsView::on_deleteSettingButton_clicked()
{
    const int id = selectedSettingId();
    const auto it = std::find_if(m_list.cbegin(), m_list.cend(), [id](const SyncSetting &s) { return s.id == id; });
    if (it == m_list.cend())
        return;
    const QString folder = QDir::toNativeSeparators(it->localDir);
    QMessageBox ask(QMessageBox::Question, tr("Info"),
                    tr("Do you want to remove\n    %1\nfrom the list of synchronized folders?").arg(folder),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    ask.setTextFormat(Qt::PlainText);
    if (ask.exec() != QMessageBox::Yes)
        return;
    // The folder's contents on disk are never touched.
    if (!m_settings->remove(id))
        QMessageBox::warning(this, tr("Unable to remove sync folder"),
                             tr("The folder %1 couldn't be removed! Please try again").arg(folder));
}

void FileSyncSettingsView::on_removeAllButton_clicked()
{
    QMessageBox ask(QMessageBox::Question, tr("Info"),
                    tr("<b>Clear list of synchronized folders</b><br/><br/>The contents of the synchronized folders will "
                       "not be deleted. No folder will be synchronized anymore. <br/><br/>Do you want to clear the list "
                       "of synchronized folders?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    const SyncSettings all = m_list;
    qInfo("FileSyncSettingsView::on_removeAllButton_clicked: Yes (#settings: %d)", int(all.size()));
    QStringList failed;
    for (const SyncSetting &s : all)
        if (!m_settings->remove(s.id))
            failed << QDir::toNativeSeparators(s.localDir).toHtmlEscaped();
    if (!failed.isEmpty())
        QMessageBox::warning(this, tr("Unable to remove synchronized folders"),
                             tr("Failed to remove he following folder from the list of synchronized folders:<br/><br/>%1")
                                 .arg(failed.join(QStringLiteral("<br/>"))));
}

void FileSyncSettingsView::on_doubleClickSetting(const QModelIndex &index)
{
    if (index.isValid())
        on_openFolderInFileManager();
}

void FileSyncSettingsView::on_remoteStateChanged(int settingId, SyncSetting::RemoteState state)
{
    qDebug("FileSyncSettingsView::on_remoteStateChanged: setting %d state %d", settingId, int(state));
    on_syncSettingsDataChanged();
}

void FileSyncSettingsView::on_openFolderInFileManager()
{
    const int id = selectedSettingId();
    for (const SyncSetting &s : qAsConst(m_list))
        if (s.id == id && m_dirUtil)
            m_dirUtil->showInGraphicalShell(s.localDir);
}

void FileSyncSettingsView::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid())
        return;
    m_table->selectRow(index.row());
    const int id = selectedSettingId();
    const auto it = std::find_if(m_list.cbegin(), m_list.cend(), [id](const SyncSetting &s) { return s.id == id; });
    if (it == m_list.cend())
        return;
    QMenu menu(this);
    menu.addAction(showInFileManagerText(QFileInfo(QDir::cleanPath(it->localDir)).fileName()), this,
                   &FileSyncSettingsView::on_openFolderInFileManager);
    menu.addAction(tr("Sync"), this, &FileSyncSettingsView::on_syncSettingNowButton_clicked);
    menu.exec(m_table->viewport()->mapToGlobal(pos));
}
