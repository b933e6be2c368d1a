#pragma once

#include "db/FileSafe.h"
#include "net/Result.h"

#include <QObject>

#include <optional>

class ConfigurationManager;
class FilesafeRI;
class ISession;
class OndoDatabase;

// The table file_safe: the current user's file safes as last read from the
// server. syncFileSafes() fetches the server's list and merges it in: new
// safes are inserted, known ones updated, and safes the server no longer
// lists are removed (their sync settings are kept, marked as gone).
class FileSafeDao : public QObject
{
    Q_OBJECT
public:
    FileSafeDao(OndoDatabase *database, ISession *session, FilesafeRI *filesafeRI, const ConfigurationManager *config,
                QObject *parent = nullptr);

    // The callback receives the server's list after filtering (INBOX safes
    // are left out unless the feature "feature/inbox" is on), or the error.
    void syncFileSafes(Callback<FileSafes> callback);
    // The merge of a list the server sent; returns the filtered list.
    FileSafes mergeFileSafes(const FileSafes &serverList);

    FileSafes getFileSafes() const;
    std::optional<FileSafe> getFileSafe(const QString &safeId) const;
    bool insertFileSafe(const FileSafe &safe);
    bool updateFileSafe(const FileSafe &safe);
    // Removes a safe the server no longer lists: the state rows of its
    // settings, the mark on the settings, and the safe unless a setting
    // still refers to it.
    bool removeFileSafe(const QString &safeId);

private:
    qint64 userId() const;

    OndoDatabase *m_database;
    ISession *m_session;
    FilesafeRI *m_filesafeRI;
    const ConfigurationManager *m_config;
};
