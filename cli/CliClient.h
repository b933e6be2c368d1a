#pragma once

#include "ri/LoginRI.h"
#include "sync/MultiSyncher.h"

#include <QObject>
#include <QString>

#include <memory>

class AppContext;
class CredentialStore;
class LoginController;
class OndoDatabase;
class OndoSession;
class ServerList;
class UserDao;

// The client's long-lived objects as korvexcmd needs them: the same settings,
// database and key store as the desktop client, without widgets.
class CliClient : public QObject
{
    Q_OBJECT
public:
    explicit CliClient(AppContext *context, QObject *parent = nullptr);
    ~CliClient() override;

    // Opens the database and builds the session and the login objects.
    // Returns an error text when something local is missing.
    QString open();

    // Selects a server by its prefix in the built-in list or by URL
    // ("https://host:port"); the choice is remembered like the desktop
    // client's. Returns an error text for an unknown prefix or a bad URL.
    QString selectServer(const QString &prefixOrUrl);

    ServerList *servers() const { return m_servers.get(); }
    OndoSession *session() const { return m_session; }
    CredentialStore *credentials() const { return m_credentials.get(); }
    LoginRI *loginRI() const { return m_loginRI; }
    LoginController *loginController() const { return m_loginController; }
    FilesafeRI *filesafeRI() const { return m_sync.filesafeRI; }
    OndoDatabase *database() const { return m_database.get(); }
    FileSafeDao *fileSafeDao() const { return m_sync.fileSafes; }
    SyncSettingsDao *syncSettingsDao() const { return m_sync.settings; }
    FileObjectDao *fileObjectDao() const { return m_sync.fileObjects; }
    SyncHistoryDao *syncHistoryDao() const { return m_sync.history; }
    AppContext *appContext() const { return m_context; }
    // What a scheduler of this client works with; mass deletions are asked through `prompts`.
    MultiSyncher::Context schedulerContext(ISyncPrompts *prompts) const;

private:
    AppContext *m_context;
    std::unique_ptr<ServerList> m_servers;
    std::unique_ptr<OndoDatabase> m_database;
    std::unique_ptr<CredentialStore> m_credentials;
    UserDao *m_userDao = nullptr;          // child
    OndoSession *m_session = nullptr;      // child
    LoginRI *m_loginRI = nullptr;          // child
    LoginController *m_loginController = nullptr; // child
    Syncher::Context m_sync; // children
};
