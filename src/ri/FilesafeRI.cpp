#include "ri/FilesafeRI.h"

#include "app/AppInfo.h"
#include "net/ISession.h"
#include "sync/AesCryptDevice.h"
#include "sync/Crypto.h"
#include "sync/DownloadFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {
const char kOctetStream[] = "application/octet-stream";
} // namespace

FilesafeRI::FilesafeRI(ISession *session, const AppInfo *appInfo, QObject *parent)
    : GenericRI(session, parent)
    , m_appInfo(appInfo)
{
    qRegisterMetaType<FilesafesTO_v2>();
    qRegisterMetaType<FilesafeObjectsTO_v2>();
}

QString FilesafeRI::basePath() const
{
    return apiVersion() == 1 ? QStringLiteral("/rest/loggedin/3/filesafe/") : QStringLiteral("/api/sync/1/files/");
}

QByteArray FilesafeRI::percentEncoded(const QString &text)
{
    // QUrl's default keeps exactly the unreserved characters.
    return QUrl::toPercentEncoding(text);
}

template<typename T>
void FilesafeRI::later(const Callback<T> &callback, const Result<T> &result)
{
    QTimer::singleShot(0, this, [callback, result] {
        if (callback)
            callback(result);
    });
}

template<typename T>
void FilesafeRI::send(Request *request, Callback<T> callback)
{
    ISession *s = session();
    if (!s) {
        delete request;
        later(callback, Result<T>(ERR_INTERNAL, QStringLiteral("No session")));
        return;
    }
    auto returned = std::make_shared<bool>(false);
    s->send<T>(request, this, [this, returned, callback](const Result<T> &result) {
        if (!result.isOk())
            qWarning("FilesafeRI: %s", qUtf8Printable(result.message));
        if (*returned)
            callback(result);
        else
            later(callback, result);
    });
    *returned = true;
}

void FilesafeRI::getFilesafes(Callback<FilesafesTO_v2> callback)
{
    send(Request::createGet(basePath() + QStringLiteral("info")), std::move(callback));
}

void FilesafeRI::getObjects(const QString &safeId, const QString &folderPath, int depth, const QString &type,
                            Callback<FilesafeObjectsTO_v2> callback)
{
    Request *request = Request::createGet(basePath() + QStringLiteral("info/") + safeId);
    request->setQueryItems({{QStringLiteral("depth"), QString::number(depth)}, {QStringLiteral("type"), type}});
    request->setHeader("X-Object-Path", percentEncoded(folderPath));
    // A whole safe's listing is the one large reply read into memory.
    request->setMaxReplySize(Request::ListingMaxReplySize);
    request->setDeadline(Request::ListingDeadlineMs);
    send(request, std::move(callback));
}

QPointer<Request> FilesafeRI::downloadFile(const QString &objectId, qint64 bytesExpected,
                                           const QString &localDestFilePath, Callback<qint64> callback,
                                           Progress progress)
{
    const QFileInfo destination(localDestFilePath);
    const QString nameTemplate = QStringLiteral("%1/~$$%2_XXXXXX.%3")
                                     .arg(destination.absolutePath(), destination.fileName(),
                                          m_appInfo ? m_appInfo->appNameInternal() : QStringLiteral("download"));
    ISession *s = session();
    if (!s) {
        later(callback, Result<qint64>(ERR_INTERNAL, QStringLiteral("No session")));
        return nullptr;
    }
    Request *request = Request::createGet(basePath() + QStringLiteral("file/") + objectId);
    auto *file = new DownloadFile(nameTemplate, s->sessionKey(), request);
    // A transfer lives as long as it moves; it streams to disk, unbounded.
    request->setDeadline(0);
    request->setOnProgress(std::move(progress));
    connect(request, &Request::readyRead, this,
            [this, request, file, bytesExpected] { on_readyReadDownloadFile(request, file, bytesExpected); });
    QPointer<Request> guard(request);
    auto returned = std::make_shared<bool>(false);
    s->sendRaw(request, this,
               [this, returned, guard, bytesExpected, file, localDestFilePath, callback](const Result<QByteArray> &result) {
                   const Callback<qint64> deliver = [this, returned, callback](const Result<qint64> &r) {
                       if (*returned)
                           callback(r);
                       else
                           later(callback, r);
                   };
                   on_finishedDownloadFile(bytesExpected, file, localDestFilePath, deliver, guard, result);
               });
    *returned = true;
    // Without a limit the network thread reads on while this thread decrypts
    // and writes, and the reply holds whatever it got ahead: a fast server
    // and a slow disk would fill the memory with the file.
    if (guard && guard->reply())
        guard->reply()->setReadBufferSize(DownloadReadBufferSize);
    return guard;
}

void FilesafeRI::on_readyReadDownloadFile(Request *request, DownloadFile *file, qint64 bytesExpected)
{
    QNetworkReply *reply = request->reply();
    if (!reply || request->isFinished())
        return;
    if (!file->isInitialised() && !file->init(QString::fromLatin1(reply->rawHeader("X-Transport-Iv")))) {
        request->abort(ERR_DOWNLOAD_FILE, QStringLiteral("Unable to initiate download file decryption"));
        return;
    }
    if (!file->update(reply->readAll())) {
        request->abort(ERR_DOWNLOAD_FILE, QStringLiteral("Unable to decrypt download file."));
        return;
    }
    // A server that sends more than the object holds would fill the disk.
    if (bytesExpected >= 0 && file->size() > bytesExpected)
        request->abort(ERR_DOWNLOAD_FILE, QStringLiteral("Download size mismatch (expected: %1, received: %2)")
                                              .arg(bytesExpected)
                                              .arg(file->size()));
}

void FilesafeRI::on_finishedDownloadFile(qlonglong bytesExpected, DownloadFile *file,
                                         const QString &localDestFilePath, const Callback<qint64> &callback,
                                         Request *request, const Result<QByteArray> &result)
{
    auto failWith = [file, &callback](const QString &message) {
        file->discard();
        qWarning("FilesafeRI::on_finishedDownloadFile: %s", qUtf8Printable(message));
        callback(Result<qint64>(ERR_DOWNLOAD_FILE, message));
    };
    if (!result.isOk()) {
        file->discard();
        callback(Result<qint64>(result.code, result.message));
        return;
    }
    // Whatever the reader did not take yet (a reply without ready-read
    // signals, or the last bytes) is still in the body.
    if (!file->isInitialised()) {
        const QByteArray iv = request && request->reply() ? request->reply()->rawHeader("X-Transport-Iv") : QByteArray();
        if (!file->init(QString::fromLatin1(iv))) {
            failWith(QStringLiteral("Unable to initiate download file decryption"));
            return;
        }
    }
    if (!result.value.isEmpty() && !file->update(result.value)) {
        failWith(QStringLiteral("Unable to decrypt download file."));
        return;
    }
    if (!file->finish()) {
        failWith(QStringLiteral("Bad padding"));
        return;
    }
    const qint64 received = file->size();
    if (received != bytesExpected) {
        failWith(QStringLiteral("Download size mismatch (expected: %1, received: %2)").arg(bytesExpected).arg(received));
        return;
    }
    switch (file->rename(localDestFilePath)) {
    case DownloadFile::RenameError::None:
        break;
    case DownloadFile::RenameError::DestinationInUse:
        failWith(QStringLiteral("Could not override file. File '%1' seems to be open.").arg(localDestFilePath));
        return;
    case DownloadFile::RenameError::Failed:
        failWith(QStringLiteral("Could not rename file."));
        return;
    }
    qDebug("Destination file: %s", qUtf8Printable(localDestFilePath));
    callback(Result<qint64>::success(received));
}

QPointer<Request> FilesafeRI::sendRemoteFileAction(const QString &objectId, const QString &localSourcePath,
                                                   const QString &destination, Callback<FilesafeObjectsTO_v2> callback,
                                                   Progress progress)
{
    ISession *s = session();
    if (!s) {
        later(callback, Result<FilesafeObjectsTO_v2>(ERR_INTERNAL, QStringLiteral("No session")));
        return nullptr;
    }
    const QByteArray iv = randomBytes(16);
    auto *source = new QFile(localSourcePath);
    auto *device = new AesCryptDevice(s->sessionKey(), iv, source);
    source->setParent(device);
    auto openFailure = [&](const char *log) {
        qWarning(log, qUtf8Printable(localSourcePath));
        later(callback, Result<FilesafeObjectsTO_v2>(ERR_LOCAL_FILE_OPEN,
                                                     QStringLiteral("Failed to open file: [%1] %2 (details:%3)")
                                                         .arg(int(source->error()))
                                                         .arg(localSourcePath, source->errorString())));
        delete device;
        return nullptr;
    };
    if (!source->open(QIODevice::ReadOnly))
        return openFailure("OndoSession::sendRemoteFileAction: cannot open file '%s'");
    if (!device->open(QIODevice::ReadOnly))
        return openFailure("OndoSession::sendRemoteFileAction: cannot open file to enc '%s'");
    qDebug("OndoSession::sendRemoteFileAction: local source: '%s'",
           qUtf8Printable(QFileInfo(localSourcePath).absoluteFilePath()));

    const QString path = basePath() + (objectId.isEmpty() ? QStringLiteral("file") : QStringLiteral("file/") + objectId);
    Request *request = nullptr;
    if (device->size() <= SmallBodyBytes) {
        // A small body is sent from memory. Streamed through the device, it
        // costs the network thread a round trip to this one per chunk, which
        // makes many small uploads a fifth slower. (The 40 ms Nagle delay is
        // another matter: TcpNoDelay answers it, for either kind of body.)
        const QByteArray body = device->readAll();
        if (device->failed()) {
            const QString why = device->errorString();
            delete device;
            later(callback, Result<FilesafeObjectsTO_v2>(
                                ERR_LOCAL_FILE_OPEN, QStringLiteral("Failed to read file: %1 (%2)").arg(localSourcePath, why)));
            return nullptr;
        }
        delete device;
        device = nullptr;
        request = Request::createPost(path, body, QString::fromLatin1(kOctetStream));
    } else {
        request = Request::createPost(path, device, QString::fromLatin1(kOctetStream));
    }
    request->setHeader("X-Filename", percentEncoded(QFileInfo(localSourcePath).fileName()));
    request->setHeader("X-Transport-Iv", iv.toHex());
    request->setHeader("X-Destination", percentEncoded(destination));
    request->setTimeout(UploadTimeoutMs);
    request->setDeadline(0); // a transfer lives as long as it moves
    request->setOnProgress(std::move(progress));
    QPointer<AesCryptDevice> body(device);
    QPointer<Request> guard(request);
    send<FilesafeObjectsTO_v2>(request, [body, localSourcePath, callback](const Result<FilesafeObjectsTO_v2> &result) {
        // The network layer reports a body that ended early as its own
        // error; the device knows the real cause.
        if (!result.isOk() && body && body->failed()) {
            callback(Result<FilesafeObjectsTO_v2>(
                ERR_LOCAL_FILE_OPEN, QStringLiteral("Failed to read file: %1 (%2)").arg(localSourcePath, body->errorString())));
            return;
        }
        callback(result);
    });
    return guard;
}

void FilesafeRI::createFolder(const QString &name, const QString &destination, Callback<FilesafeObjectsTO_v2> callback)
{
    Request *request = Request::createPost(basePath() + QStringLiteral("folder"), QByteArray(),
                                           QStringLiteral("text/plain; charset=UTF-8"));
    request->setHeader("X-Foldername", percentEncoded(name));
    request->setHeader("X-Destination", percentEncoded(destination));
    send(request, std::move(callback));
}

void FilesafeRI::remove(const QString &kind, const QString &objectId, bool toTrash, Callback<Nothing> callback)
{
    Request *request = Request::createDelete(basePath() + kind + objectId);
    request->setQueryItems({{QStringLiteral("mode"), toTrash ? QStringLiteral("trash") : QStringLiteral("trashToPrivate")}});
    send(request, std::move(callback));
}

void FilesafeRI::deleteFile(const QString &objectId, bool toTrash, Callback<Nothing> callback)
{
    remove(QStringLiteral("file/"), objectId, toTrash, std::move(callback));
}

void FilesafeRI::deleteFolder(const QString &objectId, bool toTrash, Callback<Nothing> callback)
{
    remove(QStringLiteral("folder/"), objectId, toTrash, std::move(callback));
}
