#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

// One pairing of a local folder with a remote folder of a file safe. A
// setting with an id of 0 or less stands for no setting (a failed read or
// insert).
struct SyncSetting
{
    enum RemoteState {
        RemoteAvailable = 0, // the server still lists the safe
        RemoteRemoved = 1,   // the safe disappeared from the server's list
    };

    int id = 0;
    QString safeId;
    QString safeName;
    QString safeType;
    QString remoteDir;
    // "/" separators, always ending in "/".
    QString localDir;
    QDateTime lastSync;
    // 0: automatic synchronisation (the only mode the timer's runs take).
    int mode = 0;
    RemoteState remoteState = RemoteAvailable;
    QString rootFolderId;
    int roleType = 0;
    // The safe's last_event as of the last completed sync.
    QString syncedLastEvent;
    QDateTime expiryDate;
    QString access;
    // Local copies are kept encrypted by a drive daemon.
    bool encryption = false;
    // The 16-byte key of an encrypted setting (from the key store).
    QByteArray encryptionKey;
    // The account that stored the setting (settings of every account on this
    // computer share the no-overlap rule, and its refusal names the owner).
    QString accountName;

    bool isValid() const { return id > 0; }
    bool isAutomatic() const { return mode == 0; }
};
Q_DECLARE_METATYPE(SyncSetting)
Q_DECLARE_METATYPE(SyncSetting::RemoteState)

using SyncSettings = QList<SyncSetting>;
