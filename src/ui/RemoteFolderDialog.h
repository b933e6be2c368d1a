#pragma once

#include "db/FileSafe.h"
#include "ri/FilesafeObjectsTO_v2.h"

#include <QDialog>

class FilesafeRI;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The folders of one file safe as a tree: pick one (double click or
// "Select"), or create a new folder inside the selected one.
class RemoteFolderDialog : public QDialog
{
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1, IdRole };

    RemoteFolderDialog(const FileSafe &safe, const FilesafeObjectsTO_v2 &folders, FilesafeRI *filesafeRI,
                       QWidget *parent = nullptr);

    QTreeWidget *tree() const { return m_tree; }
    // Selects the item of `path` ("/" for the root); false when it is not listed.
    bool selectPath(const QString &path);

signals:
    void folderSelected(bool ok, const QString &path, const QString &folderId);

public slots:
    void on_selectButton_clicked();
    void on_createFolderButton_clicked();
    // Creates `name` inside the selected folder (the button asks for it).
    void createFolder(const QString &name);

private:
    QTreeWidgetItem *addFolder(const QString &path, const QString &id);
    QTreeWidgetItem *itemFor(const QString &path) const;

    FileSafe m_safe;
    FilesafeRI *m_filesafeRI;
    QTreeWidget *m_tree;
    QPushButton *m_select;
    QPushButton *m_create;
};
