#include "ui/RemoteFolderDialog.h"

#include "net/ISession.h"
#include "ri/FilesafeRI.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QString parentOf(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}
} // namespace

RemoteFolderDialog::RemoteFolderDialog(const FileSafe &safe, const FilesafeObjectsTO_v2 &folders,
                                       FilesafeRI *filesafeRI, QWidget *parent)
    : QDialog(parent)
    , m_safe(safe)
    , m_filesafeRI(filesafeRI)
    , m_tree(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("remoteFolderDialog"));
    setWindowTitle(tr("Choose a folder in \"%1\"").arg(safe.safeName));
    resize(420, 380);
    m_tree->setObjectName(QStringLiteral("folderTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setAccessibleName(tr("Folders of the file safe"));
    auto *root = new QTreeWidgetItem(m_tree, {safe.safeName});
    root->setData(0, PathRole, QStringLiteral("/"));
    root->setData(0, IdRole, safe.rootFolderId);
    QList<FilesafeObjectTO> list = folders.objects;
    // Parents before children.
    std::sort(list.begin(), list.end(),
              [](const FilesafeObjectTO &a, const FilesafeObjectTO &b) { return a.path.count('/') < b.path.count('/'); });
    for (const FilesafeObjectTO &o : list)
        if (o.isFolder() && o.path != QLatin1String("/"))
            addFolder(o.path, o.objectId);
    m_tree->expandAll();
    m_tree->sortItems(0, Qt::AscendingOrder);
    m_tree->setCurrentItem(root);

    auto *buttons = new QDialogButtonBox(this);
    m_create = buttons->addButton(tr("Create Folder"), QDialogButtonBox::ActionRole);
    m_create->setObjectName(QStringLiteral("createFolderButton"));
    m_select = buttons->addButton(tr("Select"), QDialogButtonBox::AcceptRole);
    m_select->setObjectName(QStringLiteral("selectButton"));
    m_select->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addWidget(buttons);
    connect(m_select, &QPushButton::clicked, this, &RemoteFolderDialog::on_selectButton_clicked);
    connect(m_create, &QPushButton::clicked, this, &RemoteFolderDialog::on_createFolderButton_clicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &RemoteFolderDialog::on_selectButton_clicked);
}

QTreeWidgetItem *RemoteFolderDialog::itemFor(const QString &path) const
{
    QTreeWidgetItemIterator it(m_tree);
    for (; *it; ++it)
        if ((*it)->data(0, PathRole).toString() == path)
            return *it;
    return nullptr;
}

QTreeWidgetItem *RemoteFolderDialog::addFolder(const QString &path, const QString &id)
{
    if (QTreeWidgetItem *existing = itemFor(path))
        return existing;
    QTreeWidgetItem *parent = itemFor(parentOf(path));
    if (!parent) // a listing without its parent: hang it under the root
        parent = m_tree->topLevelItem(0);
    auto *item = new QTreeWidgetItem(parent, {path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)});
    item->setData(0, PathRole, path);
    item->setData(0, IdRole, id);
    return item;
}

bool RemoteFolderDialog::selectPath(const QString &path)
{
    QTreeWidgetItem *item = itemFor(path);
    if (item)
        m_tree->setCurrentItem(item);
    return item != nullptr;
}

void RemoteFolderDialog::on_selectButton_clicked()
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    int level = 0;
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        ++level;
    const QString path = item->data(0, PathRole).toString();
    qInfo("RemoteFolderDialog::on_selectButton_clicked: level=%d name='%s' path='%s'", level,
          qUtf8Printable(item->text(0)), qUtf8Printable(path));
    emit folderSelected(true, path, item->data(0, IdRole).toString());
    accept();
}

void RemoteFolderDialog::on_createFolderButton_clicked()
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, tr("Create Folder"), tr("Folder name"), QLineEdit::Normal, QString(), &ok);
    if (ok)
        createFolder(name.trimmed());
}

void RemoteFolderDialog::createFolder(const QString &name)
{
    if (name.isEmpty())
        return;
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        QMessageBox::warning(this, tr("Folder creation"), tr("A folder name cannot contain \"/\" or be \".\" or \"..\"."));
        return;
    }
    QTreeWidgetItem *parent = m_tree->currentItem() ? m_tree->currentItem() : m_tree->topLevelItem(0);
    const QString parentPath = parent->data(0, PathRole).toString();
    // "<safe id>/<folder path>", "12/" being the root of safe 12.
    const QString destination = m_safe.safeId + QLatin1Char('/') + parentPath.mid(1);
    m_create->setEnabled(false);
    QPointer<RemoteFolderDialog> self(this);
    m_filesafeRI->createFolder(name, destination, [self, parentPath, name](const Result<FilesafeObjectsTO_v2> &r) {
        if (!self)
            return;
        self->m_create->setEnabled(true);
        if (!r.isOk() || r.value.objects.isEmpty()) {
            qWarning("RemoteFolderDialog::createFolder: '%s' in '%s' failed: %s", qUtf8Printable(name),
                     qUtf8Printable(parentPath), qUtf8Printable(r.message));
            QMessageBox::warning(self, tr("Folder creation"), tr("Folder could not been created."));
            return;
        }
        const FilesafeObjectTO &o = r.value.objects.first();
        QTreeWidgetItem *item = self->addFolder(o.path, o.objectId);
        self->m_tree->setCurrentItem(item);
    });
}
