#pragma once

#include "db/FileObject.h"

#include <QObject>

#include <optional>

class OndoDatabase;

// The table fs_object: per sync setting, the state of every object as it
// was the same on both sides after the last sync.
class FileObjectDao : public QObject
{
    Q_OBJECT
public:
    explicit FileObjectDao(OndoDatabase *database, QObject *parent = nullptr);

    // Inserts a row; callers remove an older row of the same path first.
    bool store(int settingId, const FileObject &object);
    bool remove(int settingId, const QString &path);
    // Replaces the row of the object's path in one transaction.
    bool replace(int settingId, const FileObject &object);
    // Path -> object; a later row of the same path wins.
    FileObjects getAll(int settingId) const;
    std::optional<FileObject> get(int settingId, const QString &path) const;
    // For a transaction over several calls (OndoDatabase::Transaction).
    OndoDatabase *database() const;

private:
    OndoDatabase *m_database;
};
