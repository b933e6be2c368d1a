#pragma once

#include "db/SyncSetting.h"

#include <QObject>
#include <QStringList>

#include <optional>

class CredentialStore;
class ISession;
class OndoDatabase;

// The table sync_setting. The key of an encrypted setting lives in the key
// store under the setting's id, never in the database.
class SyncSettingsDao : public QObject
{
    Q_OBJECT
public:
    // Which settings a query returns; the clauses are joined by AND.
    struct Filter
    {
        bool currentUser = true;  // the session's account on its server
        bool automaticOnly = false;
        QString overlapping;      // whose local folder contains or lies inside this one
        int settingId = 0;        // just this one
    };

    SyncSettingsDao(OndoDatabase *database, ISession *session, CredentialStore *credentials,
                    QObject *parent = nullptr);

    // The current user's settings (only the automatic ones on request).
    SyncSettings getList(bool automaticOnly = false) const;
    SyncSettings getListInternal(const Filter &filter) const;
    std::optional<SyncSetting> getSetting(int settingId) const;
    // Settings of any account on this computer whose local folder equals,
    // contains or lies inside `localDir`.
    SyncSettings overlappingSettings(const QString &localDir) const;

    // Stores a new setting (local folder with "/" separators and one trailing
    // "/"); an encrypted setting's key goes to the key store. Returns the
    // setting as stored, or an invalid one.
    SyncSetting add(const SyncSetting &setting);
    bool remove(int settingId);
    bool setMode(int settingId, int mode);
    bool setRemoteState(int settingId, SyncSetting::RemoteState state);
    bool setRootFolderId(int settingId, const QString &rootFolderId);
    bool setLastSync(int settingId, const QDateTime &time, const QString &lastEvent);
    QStringList allLocalDirs() const;
    QStringList userLocalDirs() const;

    // "/" separators and exactly one trailing "/".
    static QString normalizedLocalDir(const QString &path);

signals:
    void remoteStateChanged(int settingId, SyncSetting::RemoteState remoteState);
    void settingAdded(const SyncSetting &setting);
    void settingRemoved(int settingId);

private:
    SyncSetting buildFromCursor(const class QSqlQuery &query) const;
    bool run(const QString &statement, const QList<QPair<QString, QVariant>> &values);
    QStringList localDirs(const QString &statement, bool userOnly) const;

    OndoDatabase *m_database;
    ISession *m_session;
    CredentialStore *m_credentials;
};
