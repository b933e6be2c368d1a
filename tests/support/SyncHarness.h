#pragma once

#include "ServiceClient.h"
#include "ServiceProcess.h"

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// Sync tests against the real reference service and real folders:
//
//     SyncHarness harness;
//     QVERIFY2(harness.start(), qPrintable(harness.error()));
//     harness.remote().put("Docs/a.txt", "hello");
//     harness.syncOnce();
//     QCOMPARE(harness.localTree(), harness.remoteTree());
//
// Clients are korvexcmd processes (KORVEXCMD_BINARY), each with its own home
// folder (settings, database), its own sync folder and the shared key store
// of the test's D-Bus session; client(0) is made on first use: it logs in
// with --remember and pairs its folder with the root of the safe. The
// remote side is edited as another device of the same account would, with
// ServiceClient. Fault injection goes through service().
class SyncHarness
{
public:
    struct Options
    {
        QString user = QStringLiteral("alice");
        QString password = QStringLiteral("alice-pw");
        QStringList safeOptions; // add-safe options ("--quota", "1000", ...)
        // When set, the korvexcmd clients log in as this user, with whom the
        // safe is shared with `clientAccess`; the remote side stays the owner.
        QString clientUser;
        QString clientAccess = QStringLiteral("crud");
    };

    // One run of korvexcmd.
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
        // The action lines: "display word\tpath\tstatus label[\tmessage]".
        QStringList lines;
        bool has(const QString &word, const QString &path, const QString &label = QString()) const;
        QString describe() const;
    };

    class Client
    {
    public:
        QString folder() const { return m_folder; }
        QString home() const { return m_home; }
        // korvexcmd with this client's home.
        Run run(const QStringList &args, const QByteArray &input = QByteArray(), int timeoutMs = 120000) const;
        Run sync(const QStringList &extraArgs = {}, const QByteArray &input = QByteArray()) const;
        // korvexcmd started without waiting; finish() waits and collects.
        std::unique_ptr<QProcess> start(const QStringList &args) const;
        static Run finish(QProcess &process, int timeoutMs = 120000);
        // Writes a file below the sync folder (parents created); the time is
        // moved on a second so that an edit within the same second shows.
        bool write(const QString &path, const QByteArray &content) const;
        bool remove(const QString &path) const;
        std::optional<QByteArray> read(const QString &path) const;
        QString path(const QString &relative) const { return m_folder + QLatin1Char('/') + relative; }
        // Files moved to this client's desktop trash.
        QStringList trashed() const;

    private:
        friend class SyncHarness;
        QString m_home;
        QString m_folder;
        QProcessEnvironment m_env;
    };

    // The remote side: another device of the same account.
    class Remote
    {
    public:
        explicit Remote(SyncHarness *harness) : m_harness(harness) {}
        // Creates missing folders; a file of that path gets a new version.
        bool put(const QString &path, const QByteArray &content);
        bool mkdir(const QString &path);
        // Into the safe's trash.
        bool remove(const QString &path);
        std::optional<QByteArray> get(const QString &path);
        // path -> object id / type, from a fresh listing.
        QMap<QString, QPair<QString, QString>> objects();
        ServiceClient &client() { return *m_client; }

    private:
        bool ensureLoggedIn();
        // The id of the folder that holds `path` (made when missing); empty on failure.
        QString parentId(const QString &path);
        SyncHarness *m_harness;
        std::unique_ptr<ServiceClient> m_client;
    };

    SyncHarness();
    explicit SyncHarness(const Options &options);
    ~SyncHarness();

    bool start();
    QString error() const { return m_error; }
    ServiceProcess &service() { return *m_service; }
    QString safeId() const { return m_safeId; }
    const Options &options() const { return m_options; }

    Remote &remote() { return *m_remote; }
    // Client i (made on first use).
    Client &client(int i = 0);
    Run syncOnce(int i = 0) { return client(i).sync(); }

    // "path/" for folders, "path <size> <sha256 prefix>" for files, sorted;
    // conflict copies and the client's own leftovers left out unless asked.
    QStringList localTree(int i = 0, bool withConflictCopies = false)
    {
        return treeOf(client(i).folder(), withConflictCopies);
    }
    QStringList remoteTree();
    static QStringList treeOf(const QString &folder, bool withConflictCopies);
    // How many listings of the safe the service answered so far.
    int listingCount() const { return m_service ? m_service->output().count("FileHandlers::objects:") : 0; }

private:
    Options m_options;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<Remote> m_remote;
    QList<std::shared_ptr<Client>> m_clients;
    QString m_safeId;
    QString m_error;
};
