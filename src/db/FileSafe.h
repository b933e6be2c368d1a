#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One file safe of the account as the client keeps it.
struct FileSafe
{
    QString safeId;
    QString safeName;
    // "PRIVATE", "TEAMSAFE", "INBOX", "MAIL_IN"
    QString safeType;
    // Permission letters: "r" download, "c" create, "u" update, "d" delete.
    QString access;
    qint64 storageQuota = 0;
    qint64 storageUsed = 0;
    bool hasTrash = false;
    QString rootFolderId;
    // 1 Administrator, 2 Editor, 3 Restricted Viewer, 4 Viewer.
    int roleType = 0;
    // The server's marker of the safe's last change.
    QString lastEvent;
    QString expiryDate;
    // Not stored: the time of the last modification as the server sent it.
    QString lastMod;

    bool canRead() const { return access.contains(QLatin1Char('r')); }
    bool canCreate() const { return access.contains(QLatin1Char('c')); }
    bool canUpdate() const { return access.contains(QLatin1Char('u')); }
    bool canDelete() const { return access.contains(QLatin1Char('d')); }
};
Q_DECLARE_METATYPE(FileSafe)

using FileSafes = QList<FileSafe>;
