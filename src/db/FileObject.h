#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// One row of fs_object: the state of an object as it was the same on both
// sides after the last sync. Unset times are invalid date-times.
struct FileObject
{
    QString objectId;
    // Relative to the sync setting's folders, "/" separators.
    QString path;
    qint64 size = 0;
    QDateTime localMtime;
    QDateTime remoteMtime;
    QString type;
    QString checksum;

    bool isValid() const { return !path.isEmpty(); }
};

using FileObjects = QHash<QString, FileObject>;
