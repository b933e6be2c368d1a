#include "TestEnv.h"
#include "TestFiles.h"
#include "net/NetTestUtil.h"
#include "net/OndoSession.h"
#include "net/ServiceLogin.h"
#include "ri/FilesafeRI.h"
#include "support/ServiceProcess.h"

#include <QCryptographicHash>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace TestFiles;

namespace {
// Download leftovers: the temporary files all start with "~$$".
QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("~$$*")}, QDir::Files | QDir::Hidden | QDir::System);
}

// The folder's change time to the nanosecond: any file created or removed
// in it moves it.
QString folderStamp(const QString &dir)
{
    struct stat st;
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1.%2").arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
}

// Runs one operation and waits for its single callback.
template<typename T, typename Op>
Result<T> wait(Op op, int timeoutMs = 120000)
{
    auto result = std::make_shared<std::optional<Result<T>>>();
    auto calls = std::make_shared<int>(0);
    op([result, calls](const Result<T> &r) {
        ++*calls;
        *result = r;
    });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, timeoutMs))
        return Result<T>(ERR_INTERNAL, QStringLiteral("no outcome"));
    QTest::qWait(0);
    if (*calls != 1)
        return Result<T>(ERR_INTERNAL, QStringLiteral("%1 outcomes").arg(*calls));
    return **result;
}
} // namespace

// The file safe API against the real reference service over verified HTTPS:
// listings of both API generations, encrypted transfers of real files, the
// service's refusals, and faults injected into its replies.
class TestFilesafeRI : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ServiceProcess> service;
    std::unique_ptr<OndoSession> session;
    std::unique_ptr<FilesafeRI> ri;
    std::unique_ptr<QTemporaryDir> dir;
    QString docs;     // PRIVATE, with trash
    QString team;     // TEAMSAFE, with trash
    QString small;    // quota 100 bytes
    QString readOnly; // access "r"
    QString noRead;   // access "cu"

    // A new session of that API generation, logged in as alice; what went wrong.
    QString connectAs(int apiVersion)
    {
        ri.reset();
        SessionOptions options;
        options.apiVersion = apiVersion;
        options.caFile = service->caFile();
        session = std::make_unique<OndoSession>(options);
        session->setServer(testServer(service->baseUrl()));
        ri = std::make_unique<FilesafeRI>(session.get(), env->appInfo());
        return logIn(*session, QStringLiteral("alice"), QStringLiteral("alice-pw"));
    }

    QString local(const QString &name) const { return dir->filePath(name); }

    Result<FilesafeObjectsTO_v2> upload(const QString &objectId, const QString &path, const QString &destination)
    {
        return wait<FilesafeObjectsTO_v2>([&](Callback<FilesafeObjectsTO_v2> cb) {
            ri->sendRemoteFileAction(objectId, path, destination, cb);
        });
    }
    Result<qint64> download(const QString &objectId, qint64 size, const QString &dest)
    {
        return wait<qint64>([&](Callback<qint64> cb) { ri->downloadFile(objectId, size, dest, cb); });
    }
    Result<FilesafeObjectsTO_v2> list(const QString &safeId, const QString &folder = QStringLiteral("/"),
                                      int depth = 0, const QString &type = QStringLiteral("any"))
    {
        return wait<FilesafeObjectsTO_v2>(
            [&](Callback<FilesafeObjectsTO_v2> cb) { ri->getObjects(safeId, folder, depth, type, cb); });
    }
    // The listed object at `path`; an empty one when absent.
    FilesafeObjectTO find(const QString &safeId, const QString &path)
    {
        for (const FilesafeObjectTO &o : list(safeId).value.objects)
            if (o.path == path)
                return o;
        return FilesafeObjectTO();
    }
    // Uploads `data` as a new file into the root of `safeId`; its object.
    FilesafeObjectTO put(const QString &safeId, const QString &name, const QByteArray &data)
    {
        if (!writeFile(local(name), data))
            return FilesafeObjectTO();
        const auto r = upload(QString(), local(name), safeId + QLatin1Char('/'));
        return r.isOk() && !r.value.objects.isEmpty() ? r.value.objects.first() : FilesafeObjectTO();
    }
    Result<FilesafesTO_v2> safes()
    {
        return wait<FilesafesTO_v2>([&](Callback<FilesafesTO_v2> cb) { ri->getFilesafes(cb); });
    }
    Result<FilesafeObjectsTO_v2> mkdir(const QString &name, const QString &parent)
    {
        return wait<FilesafeObjectsTO_v2>([&](Callback<FilesafeObjectsTO_v2> cb) { ri->createFolder(name, parent, cb); });
    }
    qint64 used(const QString &safeId)
    {
        for (const FileSafe &s : safes().value.filesafes)
            if (s.safeId == safeId)
                return s.storageUsed;
        return -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
        QVERIFY2(!ServiceProcess::binary().isEmpty(), "KORVEX_SERVICE_BINARY is not set");
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser(QStringLiteral("alice"), QStringLiteral("alice-pw")).ok());
        docs = service->addSafe("alice", "Docs");
        team = service->addSafe("alice", "Team", {"--type", "TEAMSAFE"});
        small = service->addSafe("alice", "Small", {"--quota", "100"});
        readOnly = service->addSafe("alice", "ReadOnly", {"--access", "r"});
        noRead = service->addSafe("alice", "NoRead", {"--access", "cu"});
        QVERIFY(!docs.isEmpty() && !team.isEmpty() && !small.isEmpty() && !readOnly.isEmpty() && !noRead.isEmpty());
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>(QDir::homePath() + QStringLiteral("/files-XXXXXX"));
        QVERIFY(dir->isValid());
        QCOMPARE(connectAs(3), QString());
    }
    void cleanup()
    {
        service->clearFaults();
        ri.reset();
        session.reset();
        dir.reset();
    }

    void listingsInBothGenerations_data()
    {
        QTest::addColumn<int>("apiVersion");
        QTest::addColumn<QString>("base");
        QTest::newRow("apiVersion 1 -> /rest/loggedin/3/filesafe/") << 1 << "/rest/loggedin/3/filesafe/";
        QTest::newRow("apiVersion 3 -> /api/sync/1/files/") << 3 << "/api/sync/1/files/";
    }
    void listingsInBothGenerations()
    {
        QFETCH(int, apiVersion);
        QFETCH(QString, base);
        QCOMPARE(connectAs(apiVersion), QString());
        QCOMPARE(ri->basePath(), base);
        const QString folder = QStringLiteral("list-%1").arg(apiVersion);
        const auto made = mkdir(folder, team + "/");
        QVERIFY2(made.isOk(), qPrintable(made.message));
        QVERIFY(writeFile(local("in.txt"), "inside"));
        QVERIFY(upload(QString(), local("in.txt"), made.value.objects.value(0).objectId).isOk());

        // A mark put on this generation's paths only shows that the
        // requests went there.
        QVERIFY(service->rewriteBody(base + "info", "\"safe_name\":\"Team\"", "\"safe_name\":\"Team marked\""));
        const auto listed = safes();
        QVERIFY2(listed.isOk(), qPrintable(listed.message));
        QStringList names;
        for (const FileSafe &f : listed.value.filesafes)
            names << f.safeName;
        QVERIFY2(names.contains("Team marked"), qPrintable(names.join(',')));

        QVERIFY(service->rewriteBody(base + "info/" + team, "in.txt", "in-marked.txt"));
        const auto listing = list(team, "/" + folder, 1, "any");
        QVERIFY2(listing.isOk(), qPrintable(listing.message));
        QStringList paths;
        for (const FilesafeObjectTO &o : listing.value.objects)
            paths << o.path + ":" + o.type;
        QCOMPARE(paths, (QStringList{"/" + folder + ":d", "/" + folder + "/in-marked.txt:f"}));
    }

    void listingFields()
    {
        const FilesafeObjectTO file = put(team, "fields.txt", "0123456789");
        QVERIFY(!file.objectId.isEmpty());
        const auto listed = safes();
        QVERIFY2(listed.isOk(), qPrintable(listed.message));
        QCOMPARE(listed.value.raw.size(), listed.value.filesafes.size());
        QStringList names;
        for (const FileSafe &s : listed.value.filesafes) {
            names << s.safeName;
            if (s.safeId == team) {
                QCOMPARE(s.safeType, QStringLiteral("TEAMSAFE"));
                QVERIFY(s.hasTrash);
                QVERIFY(!s.rootFolderId.isEmpty());
                QCOMPARE(s.access, QStringLiteral("crud"));
            }
        }
        QVERIFY(names.contains("Docs") && names.contains("Team") && names.contains("NoRead"));

        const auto all = list(team, "/", 0, "any");
        QVERIFY2(all.isOk(), qPrintable(all.message));
        const auto folders = list(team, "/", 0, "d");
        QVERIFY(folders.isOk());
        for (const FilesafeObjectTO &o : folders.value.objects)
            QVERIFY(o.isFolder());
        QVERIFY(folders.value.objects.size() < all.value.objects.size());
        QStandardItemModel model;
        all.value.fillModel(&model);
        QCOMPARE(model.columnCount(), 5);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(model.rowCount(), all.value.objects.size());
        const auto found = model.findItems("/fields.txt", Qt::MatchExactly, 1);
        QCOMPARE(found.size(), 1);
        QCOMPARE(model.item(found.first()->row(), 0)->text(), QStringLiteral("fields.txt"));
        QCOMPARE(model.item(found.first()->row(), 3)->data(Qt::DisplayRole).toLongLong(), qint64(10));
    }

    void listingWithoutChecksumFails()
    {
        QVERIFY(!put(team, "sum.txt", "x").objectId.isEmpty());
        QVERIFY(service->rewriteBody("/api/sync/1/files/info/" + team, "\"checksum\"", "\"checksun\""));
        const auto r = list(team);
        QCOMPARE(r.code, ERR_BAD_RESPONSE);
        QVERIFY2(r.message.contains("missing key: 'checksum'"), qPrintable(r.message));
        QVERIFY(r.value.objects.isEmpty());
    }

    void uploadAndDownloadRoundTrip_data()
    {
        QTest::addColumn<qint64>("size");
        for (const qint64 size : {0, 1, 15, 16, 17, 65537, 5 * 1024 * 1024})
            QTest::addRow("%lld bytes -> byte-identical", size) << size;
    }
    void uploadAndDownloadRoundTrip()
    {
        QFETCH(qint64, size);
        // Blanks, a percent sign and letters beyond ASCII travel percent-encoded.
        const QString name = QStringLiteral("r\u00fcnd %25-%1.bin").arg(size);
        const QByteArray first = randomData(size, quint32(size));
        const FilesafeObjectTO created = put(docs, name, first);
        QVERIFY(!created.objectId.isEmpty());
        QCOMPARE(created.size, size);
        QCOMPARE(created.checksum,
                 "sha256:" + QString::fromLatin1(QCryptographicHash::hash(first, QCryptographicHash::Sha256).toHex()));
        const QString dest = local("back-" + name);
        const auto down = download(created.objectId, size, dest);
        QVERIFY2(down.isOk(), qPrintable(down.message));
        QCOMPARE(down.value, size);
        QVERIFY(readFile(dest) == first);

        // A new version of the same object; the download replaces the file.
        const QByteArray second = randomData(size + 3, quint32(size + 1000));
        QVERIFY(writeFile(local(name), second));
        const auto version = upload(created.objectId, local(name), QString());
        QVERIFY2(version.isOk(), qPrintable(version.message));
        const FilesafeObjectTO listed = find(docs, "/" + name);
        QCOMPARE(listed.objectId, created.objectId);
        QCOMPARE(listed.size, size + 3);
        QVERIFY(download(created.objectId, size + 3, dest).isOk());
        QVERIFY(readFile(dest) == second);
        QCOMPARE(leftovers(dir->path()), QStringList());
    }

    void failedDownloadKeepsTheDestination_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<qint64>("expected"); // the size the caller expects; 65537 arrive
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut after 1000 bytes -> network error") << "cut" << qint64(65537) << int(ERR_NETWORK) << "";
        QTest::newRow("one byte more than expected -> size mismatch") << "shorter" << qint64(65536)
            << int(ERR_DOWNLOAD_FILE) << "Download size mismatch (expected: 65536, received: 65537)";
        QTest::newRow("one byte less than expected -> size mismatch") << "longer" << qint64(65538)
            << int(ERR_DOWNLOAD_FILE) << "Download size mismatch (expected: 65538, received: 65537)";
        QTest::newRow("destination is a folder -> cannot override") << "folder" << qint64(65537)
            << int(ERR_DOWNLOAD_FILE) << "Could not override file. File '%1' seems to be open.";
    }
    void failedDownloadKeepsTheDestination()
    {
        QFETCH(QString, fault);
        QFETCH(qint64, expected);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QByteArray content = randomData(65537, 7);
        const FilesafeObjectTO object = put(docs, "keep-" + fault, content);
        QVERIFY(!object.objectId.isEmpty());
        const QString dest = local("dest");
        if (fault == "cut")
            QVERIFY(service->cutBody("/api/sync/1/files/file/" + object.objectId, 1000));
        QVERIFY(writeFile(fault == "folder" ? dest + "/inside/x" : dest, "the old content"));
        const auto r = download(object.objectId, expected, dest);
        QCOMPARE(int(r.code), code);
        QVERIFY2(r.message.contains(message.arg(dest)), qPrintable(r.message));
        QCOMPARE(readFile(fault == "folder" ? dest + "/inside/x" : dest), QByteArray("the old content"));
        QCOMPARE(leftovers(dir->path()), QStringList());
    }

    void badTransportIvCreatesNoFile_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("header missing -> no file") << "";
        QTest::newRow("31 digits -> no file") << "0123456789abcdef0123456789abcde";
        QTest::newRow("32 characters, not hex -> no file") << "zz23456789abcdef0123456789abcdef";
    }
    void badTransportIvCreatesNoFile()
    {
        QFETCH(QString, value);
        const FilesafeObjectTO object = put(docs, "iv-" + QString::number(value.size()), randomData(70000, 3));
        QVERIFY(!object.objectId.isEmpty());
        const QString target = dir->filePath("iv");
        QVERIFY(writeFile(target + "/iv.bin", "old"));
        const QString before = folderStamp(target);
        QVERIFY(service->replaceHeader("/api/sync/1/files/file/" + object.objectId, "X-Transport-Iv", value));
        const auto r = download(object.objectId, object.size, target + "/iv.bin");
        QCOMPARE(r.code, ERR_DOWNLOAD_FILE);
        QVERIFY2(r.message.contains("Unable to initiate download file decryption"), qPrintable(r.message));
        QCOMPARE(folderStamp(target), before); // nothing was created, not even for a moment
        QCOMPARE(readFile(target + "/iv.bin"), QByteArray("old"));
    }

    void serviceRefusalsReachTheCaller_data()
    {
        QTest::addColumn<QString>("case_");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("quota exceeded -> 22") << "quota" << int(ERR_STATUS_10907) << "storage quota exceeded";
        QTest::newRow("missing safe -> 23") << "safe" << int(ERR_STATUS_10910) << "destination file safe not found";
        QTest::newRow("missing destination folder -> 24")
            << "folder" << int(ERR_STATUS_10911) << "destination folder not found";
        QTest::newRow("upload without access -> service status 403")
            << "upload" << int(ERR_SERVER_STATUS) << "code:403 message: access denied";
        // The service refuses downloads with an HTTP status, which the
        // network layer reports as its own error.
        QTest::newRow("download without access -> HTTP 403") << "download" << int(ERR_NETWORK) << "HTTP: 403";
        QTest::newRow("missing local file -> 27, named") << "missing" << int(ERR_LOCAL_FILE_OPEN) << "Failed to open file: [";
    }
    void serviceRefusalsReachTheCaller()
    {
        QFETCH(QString, case_);
        QFETCH(int, code);
        QFETCH(QString, message);
        QVERIFY(writeFile(local("some.bin"), randomData(1000, 1)));
        Result<qint64> outcome;
        if (case_ == "download") {
            const FilesafeObjectTO object = put(noRead, "unreadable.bin", "secret");
            QVERIFY(!object.objectId.isEmpty());
            outcome = download(object.objectId, object.size, local("fetched.bin"));
            QVERIFY(!QFileInfo::exists(local("fetched.bin")));
        } else {
            const QString destination = case_ == "quota"    ? small + "/"
                                        : case_ == "safe"   ? QStringLiteral("987654/")
                                        : case_ == "folder" ? docs + "/no/such/folder"
                                        : case_ == "upload" ? readOnly + "/"
                                                            : docs + "/";
            const auto r = upload(QString(), local(case_ == "missing" ? "not-there" : "some.bin"), destination);
            outcome = Result<qint64>(r.code, r.message);
        }
        QCOMPARE(int(outcome.code), code);
        QVERIFY2(outcome.message.contains(message), qPrintable(outcome.message));
        if (case_ == "missing") // the caller learns which file
            QVERIFY(outcome.message.contains(local("not-there")));
    }

    void uploadOfAChangingFileStoresNothing_data()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("grows while uploading -> nothing stored") << qint64(3 * 1024 * 1024 + 1);
        QTest::newRow("shrinks while uploading -> nothing stored") << qint64(1024 * 1024);
    }
    void uploadOfAChangingFileStoresNothing()
    {
        QFETCH(qint64, newSize);
        const QString path = local("changing.bin");
        QVERIFY(writeFile(path, randomData(3 * 1024 * 1024, 11)));
        const qint64 usedBefore = used(team);
        QVERIFY(usedBefore >= 0);
        const auto r = wait<FilesafeObjectsTO_v2>([&](Callback<FilesafeObjectsTO_v2> cb) {
            ri->sendRemoteFileAction(QString(), path, team + "/", cb);
            // The upload has announced its length; the file changes now.
            QFile f(path);
            if (f.open(QIODevice::ReadWrite))
                f.resize(newSize);
        });
        QCOMPARE(r.code, ERR_LOCAL_FILE_OPEN);
        QVERIFY2(r.message.contains(newSize > 3 * 1024 * 1024 ? "longer" : "shorter"), qPrintable(r.message));
        QVERIFY(find(team, "/changing.bin").objectId.isEmpty());
        QCOMPARE(used(team), usedBefore);
    }

    void deleteIntoTheTrash_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("toTrash");
        QTest::newRow("file, mode=trash -> the safe's trash") << false << true;
        QTest::newRow("file, trashToPrivate -> the private trash") << false << false;
        QTest::newRow("folder, mode=trash -> the safe's trash") << true << true;
        QTest::newRow("folder, trashToPrivate -> the private trash") << true << false;
    }
    void deleteIntoTheTrash()
    {
        QFETCH(bool, folder);
        QFETCH(bool, toTrash);
        const QString name = QStringLiteral("del-%1-%2").arg(folder).arg(toTrash);
        FilesafeObjectTO object;
        if (folder) {
            const auto made = mkdir(name, team + "/");
            QVERIFY2(made.isOk() && made.value.objects.size() == 1, qPrintable(made.message));
            object = made.value.objects.first();
        } else {
            object = put(team, name, "bye");
        }
        QVERIFY(!object.objectId.isEmpty());
        const auto r = wait<Nothing>([&](Callback<Nothing> cb) {
            folder ? ri->deleteFolder(object.objectId, toTrash, cb) : ri->deleteFile(object.objectId, toTrash, cb);
        });
        QVERIFY2(r.isOk(), qPrintable(r.message));
        QVERIFY(find(team, "/" + name).objectId.isEmpty());
        const auto trash = service->trash(toTrash ? team : docs);
        QVERIFY(trash);
        QStringList trashed;
        for (const QJsonValue &v : *trash)
            trashed << v.toObject().value("object_id").toString();
        QVERIFY2(trashed.contains(object.objectId), qPrintable(trashed.join(',')));
        // A file is no folder and the other way round.
        const auto wrong = wait<Nothing>([&](Callback<Nothing> cb) {
            folder ? ri->deleteFile(object.objectId, true, cb) : ri->deleteFolder(object.objectId, true, cb);
        });
        QVERIFY(!wrong.isOk());
    }
};

QTEST_GUILESS_MAIN(TestFilesafeRI)
#include "tst_filesaferi.moc"
