#pragma once

#include "net/GenericRI.h"
#include "net/Request.h"
#include "net/Result.h"
#include "ri/FilesafeObjectsTO_v2.h"
#include "ri/FilesafesTO_v2.h"

#include <QPointer>
#include <QString>

class AppInfo;
class DownloadFile;

// The account's file safes and their contents: lists safes and the objects
// below a folder, downloads a file into a local path, uploads a local file
// as a new file or a new version, creates folders, deletes files and
// folders. File contents travel encrypted with the session key (AES-256-CBC,
// IV in "X-Transport-Iv"), streamed in both directions.
//
// Every operation ends in exactly one call of its callback, never before
// the operation returned. Transfers return their request, so that a caller
// can abort it (Request::abort); the pointer goes null when it ended.
class FilesafeRI : public GenericRI
{
    Q_OBJECT
public:
    using Progress = Request::ProgressCallback;

    static constexpr int UploadTimeoutMs = 420000;
    // What a download's reply may hold ahead of the decryption.
    static constexpr qint64 DownloadReadBufferSize = 1024 * 1024;
    // Encrypted bodies up to this size are sent from memory in one piece.
    static constexpr qint64 SmallBodyBytes = 256 * 1024;

    FilesafeRI(ISession *session, const AppInfo *appInfo, QObject *parent = nullptr);

    // "/rest/loggedin/3/filesafe/" for the first API generation, else
    // "/api/sync/1/files/".
    QString basePath() const;
    // Letters, digits and "-._~" stay, every other byte becomes %XX (the
    // slash too).
    static QByteArray percentEncoded(const QString &text);

    void getFilesafes(Callback<FilesafesTO_v2> callback);
    // The objects below `folderPath` of the safe; depth 0 is the whole
    // subtree, type "any", "d" (folders) or "f" (files).
    void getObjects(const QString &safeId, const QString &folderPath, int depth, const QString &type,
                    Callback<FilesafeObjectsTO_v2> callback);
    // Downloads into a temporary file beside `localDestFilePath` and moves it
    // onto the destination once its decrypted size equals `bytesExpected`.
    // The callback receives the number of bytes written.
    QPointer<Request> downloadFile(const QString &objectId, qint64 bytesExpected, const QString &localDestFilePath,
                                   Callback<qint64> callback, Progress progress = Progress());
    // Uploads a new file into `destination` ("<safe id>/<folder path>" or a
    // folder's object id) when `objectId` is empty, else a new version of
    // that file. The reply lists the stored object.
    QPointer<Request> sendRemoteFileAction(const QString &objectId, const QString &localSourcePath,
                                           const QString &destination, Callback<FilesafeObjectsTO_v2> callback,
                                           Progress progress = Progress());
    // The reply lists the new folder.
    void createFolder(const QString &name, const QString &destination, Callback<FilesafeObjectsTO_v2> callback);
    // Into the safe's trash (`toTrash`) or the user's private trash.
    void deleteFile(const QString &objectId, bool toTrash, Callback<Nothing> callback);
    void deleteFolder(const QString &objectId, bool toTrash, Callback<Nothing> callback);

private:
    void on_readyReadDownloadFile(Request *request, DownloadFile *file, qint64 bytesExpected);
    void on_finishedDownloadFile(qlonglong bytesExpected, DownloadFile *file, const QString &localDestFilePath,
                                 const Callback<qint64> &callback, Request *request, const Result<QByteArray> &result);
    void remove(const QString &kind, const QString &objectId, bool toTrash, Callback<Nothing> callback);
    // Sends through the session; a result that arrives before send()
    // returned (a request that could not be built) is delivered from the
    // event loop instead.
    template<typename T>
    void send(Request *request, Callback<T> callback);
    template<typename T>
    void later(const Callback<T> &callback, const Result<T> &result);

    const AppInfo *m_appInfo;
};
