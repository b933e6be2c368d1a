#pragma once

#include "Command.h"
#include "RemotePath.h"

#include "db/FileSafe.h"
#include "net/Result.h"
#include "ri/FilesafeObjectsTO_v2.h"

#include <functional>

class FilesafeRI;

// The file commands: safes, ls, get, put, mkdir, rm.
class FilesCommand : public RemoteCommand
{
    Q_OBJECT
public:
    using RemoteCommand::RemoteCommand;

    static QList<QCommandLineOption> options();
    static QString help();
    static QStringList words();

protected:
    bool checkArguments() override;
    void run() override;

private:
    using SafeHandler = std::function<void(const FileSafe &safe)>;
    using ListHandler = std::function<void(const FilesafeObjectsTO_v2 &objects)>;

    FilesafeRI *ri() const;
    // Finds the safe by id or name, then calls `then`; finishes on failure.
    void withSafe(const QString &spec, const SafeHandler &then);
    // Lists a folder (depth 1, or the subtree); finishes on failure.
    void listFolder(const FileSafe &safe, const QString &folder, int depth, const ListHandler &then);
    // The object at `path` in a listing of its parent; nullptr when absent.
    static const FilesafeObjectTO *find(const FilesafeObjectsTO_v2 &listing, const QString &path);
    // "SAFE:/path" for messages, the safe's name (server text) cleaned.
    static QString shown(const FileSafe &safe, const QString &path);
    // Says what failed, naming the object, and finishes with the matching
    // exit status.
    void fail(const QString &what, ErrorCode code, const QString &message);

    void runSafes();
    void runLs();
    void runGet();
    void runPut();
    void putNext(const FileSafe &safe, const FilesafeObjectsTO_v2 &folder, int index);
    void runMkdir();
    void runRm();

    RemotePath m_target;      // the remote path of ls/get/mkdir/rm, the folder of put
    QStringList m_localFiles; // put
    QString m_destination;    // get
    int m_worstExit = 0;
};
