#include "ui/AddSettingView.h"

#include "app/AppInfo.h"

#include "db/FileSafeDao.h"
#include "net/ISession.h"
#include "ri/FilesafeRI.h"
#include "sync/DirUtil.h"
#include "sync/SettingSetup.h"
#include "ui/MessageBoxPrompts.h"
#include "ui/RemoteFolderDialog.h"
#include "ui/RowTable.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

AddSettingView::AddSettingView(const Parts &parts, QWidget *parent)
    : QDialog(parent)
    , m_parts(parts)
    , m_safeTable(new QTableWidget(this))
    , m_remoteFolder(new QLineEdit(QStringLiteral("/"), this))
    , m_remoteButton(new QPushButton(tr("Choose..."), this))
    , m_localFolder(new QLineEdit(this))
    , m_localButton(new QPushButton(tr("Browse..."), this))
    , m_autoSync(new QCheckBox(tr("Synchronize automatically"), this))
{
    setObjectName(QStringLiteral("addSettingView"));
    setWindowTitle(tr("Add a synchronized folder"));
    resize(560, 420);
    m_safes = m_parts.fileSafes ? m_parts.fileSafes->getFileSafes() : FileSafes();

    m_safeTable->setObjectName(QStringLiteral("fileSafeTable"));
    m_safeTable->setAccessibleName(tr("File safes"));
    m_safeTable->setColumnCount(2);
    m_safeTable->setHorizontalHeaderLabels({tr("File safe"), tr("Type")});
    setUpRowTable(m_safeTable);
    m_safeTable->setRowCount(m_safes.size());
    for (int r = 0; r < m_safes.size(); ++r) {
        m_safeTable->setItem(r, 0, new QTableWidgetItem(m_safes.at(r).safeName));
        m_safeTable->setItem(r, 1, new QTableWidgetItem(m_safes.at(r).safeType));
    }
    m_safeTable->resizeColumnToContents(0);

    m_remoteFolder->setObjectName(QStringLiteral("remoteFolderEdit"));
    m_remoteFolder->setReadOnly(true);
    m_remoteFolder->setAccessibleName(tr("Folder in the file safe"));
    m_remoteButton->setObjectName(QStringLiteral("remoteFolderButton"));
    m_remoteButton->setAccessibleName(tr("Choose the folder in the file safe"));
    m_localFolder->setObjectName(QStringLiteral("localFolderEdit"));
    m_localFolder->setAccessibleName(tr("Local folder"));
    m_localButton->setObjectName(QStringLiteral("localFolderButton"));
    m_localButton->setAccessibleName(tr("Choose the local folder"));
    m_autoSync->setObjectName(QStringLiteral("autoSyncCheckBox"));
    m_autoSync->setChecked(true);

    auto *form = new QFormLayout;
    auto *remoteRow = new QHBoxLayout;
    remoteRow->addWidget(m_remoteFolder, 1);
    remoteRow->addWidget(m_remoteButton);
    auto *localRow = new QHBoxLayout;
    localRow->addWidget(m_localFolder, 1);
    localRow->addWidget(m_localButton);
    form->addRow(tr("Folder in the safe:"), remoteRow);
    form->addRow(tr("Local folder:"), localRow);
    form->addRow(QString(), m_autoSync);
    m_encrypt = new QCheckBox(tr("Keep the local copies encrypted on this computer"), this);
    m_encrypt->setObjectName(QStringLiteral("encryptCheckBox"));
    m_encrypt->setToolTip(tr("The files are stored encrypted; a drive shows them in the folder while ${APP_NAME} "
                             "runs. The folder must be empty."));
    m_encrypt->setVisible(m_parts.appInfo && m_parts.appInfo->featureEncryption());
    form->addRow(QString(), m_encrypt);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    m_save = buttons->button(QDialogButtonBox::Save);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Choose the file safe to synchronize:"), this));
    layout->addWidget(m_safeTable, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setTabOrder(m_safeTable, m_remoteButton);
    setTabOrder(m_remoteButton, m_localFolder);
    setTabOrder(m_localFolder, m_localButton);
    setTabOrder(m_localButton, m_autoSync);
    setTabOrder(m_autoSync, m_encrypt);

    connect(m_safeTable, &QTableWidget::itemSelectionChanged, this, &AddSettingView::safeChanged);
    connect(m_remoteButton, &QPushButton::clicked, this, &AddSettingView::on_remoteFolderButton_clicked);
    connect(m_localButton, &QPushButton::clicked, this, &AddSettingView::on_localFolderButton_clicked);
    connect(m_save, &QPushButton::clicked, this, &AddSettingView::on_saveButton_clicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!m_safes.isEmpty())
        m_safeTable->selectRow(0);
    safeChanged();
}

const FileSafe *AddSettingView::selectedSafe() const
{
    const int row = m_safeTable->currentRow();
    return row >= 0 && row < m_safes.size() && m_safeTable->selectionModel()->hasSelection() ? &m_safes.at(row)
                                                                                          : nullptr;
}

void AddSettingView::safeChanged()
{
    const FileSafe *safe = selectedSafe();
    m_remoteFolder->setText(QStringLiteral("/"));
    m_remoteFolderId.clear();
    m_remoteButton->setEnabled(safe != nullptr);
    m_save->setEnabled(safe != nullptr);
    // A default below the sync root, unless the user typed a folder.
    if (safe && m_parts.dirUtil && (m_localFolder->text().isEmpty() || m_localFolder->text() == m_suggestedLocal)) {
        m_suggestedLocal = QDir::toNativeSeparators(m_parts.dirUtil->defaultLocalFolder(safe->safeName));
        m_localFolder->setText(m_suggestedLocal);
    }
}

void AddSettingView::on_localFolderButton_clicked()
{
    const QString dir = QFileDialog::getExistingDirectory(this, tr("Select local folder to synchronize"),
                                                          m_localFolder->text(), QFileDialog::ShowDirsOnly);
    if (dir.isNull()) {
        qInfo("SyncSettingDialog::on_openSelectLocalFolderButton_clicked: select local folder canceled");
        qInfo("AddSettingView::on_localFolderButton_clicked: no destination selected");
        return;
    }
    qInfo("AddSettingView::on_localFolderButton_clicked: selected dir: '%s'", qUtf8Printable(dir));
    m_localFolder->setText(QDir::toNativeSeparators(dir));
}

void AddSettingView::on_remoteFolderButton_clicked()
{
    const FileSafe *safe = selectedSafe();
    if (!safe || !m_parts.filesafeRI)
        return;
    m_remoteButton->setEnabled(false);
    QPointer<AddSettingView> self(this);
    m_parts.filesafeRI->getObjects(safe->safeId, QStringLiteral("/"), 0, QStringLiteral("d"),
                                   [self](const Result<FilesafeObjectsTO_v2> &r) {
                                       if (self)
                                           self->on_getRemoteFolders(r);
                                   });
}

void AddSettingView::on_getRemoteFolders(const Result<FilesafeObjectsTO_v2> &result)
{
    m_remoteButton->setEnabled(true);
    const FileSafe *safe = selectedSafe();
    if (!result.isOk() || !safe) {
        qWarning("AddSettingView::on_getRemoteFolders:Unable to get list of folders: %s", qUtf8Printable(result.message));
        return;
    }
    qInfo("AddSettingView::on_getRemoteFolders: Received list of folders [#%d]", int(result.value.objects.size()));
    RemoteFolderDialog dialog(*safe, result.value, m_parts.filesafeRI, this);
    if (!connect(&dialog, &RemoteFolderDialog::folderSelected, this, &AddSettingView::on_remoteFolderSelected))
        qFatal("AddSettingView::on_getRemoteFolders: failed to connect signals");
    dialog.selectPath(m_remoteFolder->text());
    dialog.exec();
}

void AddSettingView::on_remoteFolderSelected(bool ok, const QString &path, const QString &folderId)
{
    if (!ok)
        return;
    m_remoteFolder->setText(path);
    m_remoteFolderId = folderId;
}

void AddSettingView::on_saveButton_clicked()
{
    const FileSafe *safe = selectedSafe();
    if (!safe)
        return;
    if (m_localFolder->text().trimmed().isEmpty()) {
        m_localFolder->setFocus();
        return;
    }
    SettingSetup::Choice choice;
    choice.safe = *safe;
    choice.remotePath = m_remoteFolder->text();
    choice.remoteFolderId = m_remoteFolderId;
    choice.localDir = m_localFolder->text().trimmed();
    choice.automatic = m_autoSync->isChecked();
    choice.encryption = !m_encrypt->isHidden() && m_encrypt->isChecked();
    MessageBoxPrompts prompts(this);
    SettingSetup setup(m_parts.settings, m_parts.session, &prompts);
    const SyncSetting stored = setup.save(choice);
    if (!stored.isValid())
        return;
    m_storedId = stored.id;
    emit settingStored(stored.id);
    accept();
}
