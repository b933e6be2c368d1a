#pragma once

#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QString>

// One object (file or folder) on one side of a sync setting: the local
// tree, the state after the last sync, or the remote listing. An empty path
// stands for an absent object.
struct ObjectState
{
    QString objectId;  // the server's id (remote side and last state)
    QString path;      // relative to the setting's folder, "/"-separated, NFC
    qint64 size = 0;
    QDateTime localMtime;
    QDateTime remoteMtime;
    QString type;      // "f" file, "d" folder
    QString checksum;  // "sha256:..."; see hasChecksum()

    bool isPresent() const { return !path.isEmpty(); }
    bool isFile() const { return type == QLatin1String("f"); }
    bool isFolder() const { return type == QLatin1String("d"); }
    // Something follows the algorithm prefix.
    bool hasChecksum() const;
};

Q_DECLARE_METATYPE(ObjectState)

// Relative path -> state.
using ObjectStates = QHash<QString, ObjectState>;
