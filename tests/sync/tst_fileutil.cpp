#include "TestEnv.h"
#include "TestFiles.h"
#include "app/Settings.h"
#include "sync/DirUtil.h"
#include "sync/FileUtil.h"
#include "sync/MoveToTrashUtil.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QThread>
#include <QtTest>

#include <memory>

using TestFiles::writeFile;

namespace {
// A file manager on its own connection to the session bus, in its own
// thread, so that the client's blocking call really travels over the bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

public slots:
    void ShowItems(const QStringList &uris, const QString &) { record(QStringLiteral("ShowItems"), uris); }
    void ShowFolders(const QStringList &uris, const QString &) { record(QStringLiteral("ShowFolders"), uris); }

private:
    void record(const QString &method, const QStringList &uris)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << method + QLatin1Char(' ') + uris.join(QLatin1Char(','));
    }
    mutable QMutex m_mutex;
    QStringList m_calls;
};
} // namespace

// Checksums, default folders, nesting, the file manager and the trash, on
// real files in the test's own home folder and over the private session bus.
class TestFileUtil : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

    QString home(const QString &name) const { return QDir::homePath() + QLatin1Char('/') + name; }
    // A DirUtil whose fallback opener only notes what it was asked to open.
    std::unique_ptr<DirUtil> dirsNoting(QStringList *opened) const
    {
        return std::make_unique<DirUtil>(env->appInfo(), nullptr, [opened](const QUrl &url) {
            *opened << url.toLocalFile();
            return true;
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        env = std::make_unique<TestEnv>();
    }

    void checksum_data()
    {
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("hash"); // QCryptographicHash::Algorithm
        QTest::newRow("sha256 of an empty file -> digest of nothing") << "sha256" << 0 << int(QCryptographicHash::Sha256);
        QTest::newRow("sha256 past the read buffer -> whole content") << "sha256" << 600001 << int(QCryptographicHash::Sha256);
        QTest::newRow("unknown name -> empty") << "crc32" << 10 << -1;
    }
    void checksum()
    {
        QFETCH(QString, algorithm);
        QFETCH(int, size);
        QFETCH(int, hash);
        const QByteArray data = TestFiles::randomData(size, quint32(size));
        const QString path = home(QStringLiteral("sum.bin"));
        QVERIFY(writeFile(path, data));
        const QString expected =
            hash < 0 ? QString()
                     : algorithm + QLatin1Char(':')
                           + QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Algorithm(hash)).toHex());
        QCOMPARE(FileUtil::calculateCheckSum(path, algorithm), expected);
        if (size == 0)
            QCOMPARE(expected, QStringLiteral("sha256:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    }

    void checksumOfMissingFileIsEmpty()
    {
        const QString path = home(QStringLiteral("no-such-file"));
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("FileUtil::calculateCheckSum: Failed to open local file '%1'").arg(path)));
        QCOMPARE(FileUtil::calculateCheckSum(path, FileUtil::Sha256), QString());
    }

    void algorithmPrefix_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("algorithmOfA");
        QTest::addColumn<bool>("same");
        QTest::newRow("sha256 and sha256 -> same") << "sha256:00" << "sha256:ff" << "sha256" << true;
        QTest::newRow("md5 and sha1 -> not comparable") << "md5:00" << "sha1:00" << "md5" << false;
        QTest::newRow("no colon -> no algorithm") << "abcdef" << "abcdef" << "" << false;
        QTest::newRow("colon first -> no algorithm") << ":00" << ":00" << "" << false;
        QTest::newRow("prefix is case-sensitive -> different") << "SHA256:00" << "sha256:00" << "SHA256" << false;
    }
    void algorithmPrefix()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, algorithmOfA);
        QFETCH(bool, same);
        QCOMPARE(FileUtil::checkSumAlgorithm(a), algorithmOfA);
        QCOMPARE(FileUtil::isSameAlgorithm(a, b), same);
        QCOMPARE(FileUtil::isSameAlgorithm(b, a), same);
    }

    void defaultLocalFolderMangledAndNumbered()
    {
        DirUtil dirs(env->appInfo());
        const QString root = home(QStringLiteral("root"));
        const QString first = root + QStringLiteral("/a_b_c_d_e");
        QCOMPARE(dirs.defaultLocalFolder(QStringLiteral("a.b/c:d\\e"), root), first);
        QVERIFY(QDir().mkpath(first));
        QCOMPARE(dirs.defaultLocalFolder(QStringLiteral("a.b/c:d\\e"), root), first + QStringLiteral("_2"));
        QVERIFY(writeFile(first + QStringLiteral("_2"), "a file takes the name too"));
        QCOMPARE(dirs.defaultLocalFolder(QStringLiteral("a.b/c:d\\e"), root), first + QStringLiteral("_3"));
        // ".." cannot climb out of the root.
        QCOMPARE(dirs.defaultLocalFolder(QStringLiteral(".."), root), root + QStringLiteral("/__"));
    }

    void syncRootTemplate_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected"); // relative to HOME
        QTest::addColumn<QString>("warning");
        QTest::newRow("default -> HOME/FOLDER_NAME") << "" << "/%1" << "";
        QTest::newRow("known variables -> expanded") << "${HOME}/x/${FOLDER_NAME}" << "/x/%1" << "";
        QTest::newRow("unknown variable -> default with warning")
            << "${HOME}/${NO_SUCH}" << "/%1" << "Unable to find expansion for 'NO_SUCH'";
        QTest::newRow("unclosed ${ -> default with warning") << "${HOME/x" << "/%1" << "";
    }
    void syncRootTemplate()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QFETCH(QString, warning);
        if (pattern.isEmpty())
            env->settings()->remove(Settings::AppDefaultFolderName.name());
        else
            Settings::setValue(Settings::AppDefaultFolderName, pattern);
        DirUtil dirs(env->appInfo());
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        const bool fallsBack = expected == QLatin1String("/%1") && !pattern.isEmpty();
        if (fallsBack)
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("DirUtil::getSyncRootPath: path template '%1' incorrect, "
                                                           "falling back to default location")
                                                .arg(pattern)));
        QVERIFY(!env->appInfo()->localSyncDirName().isEmpty());
        QCOMPARE(dirs.getSyncRootPath(), QDir::homePath() + expected.arg(env->appInfo()->localSyncDirName()));
        env->settings()->remove(Settings::AppDefaultFolderName.name());
    }

    void nested_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("nested");
        QTest::newRow("equal -> nested") << "/a/b" << "/a/b/" << true;
        QTest::newRow("parent -> nested") << "/a" << "/a/b" << true;
        QTest::newRow("sibling with common prefix -> apart") << "/a/b" << "/a/bc" << false;
        QTest::newRow("different case -> apart") << "/a/B" << "/a/b" << false;
    }
    void nested()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, nested);
        QCOMPARE(DirUtil::isNested(a, b), nested);
        QCOMPARE(DirUtil::isNested(b, a), nested);
    }

    void showInFileManager_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file -> ShowItems") << false;
        QTest::newRow("folder -> ShowFolders") << true;
    }
    void showInFileManager()
    {
        QFETCH(bool, folder);
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs the session bus of scripts/with-keyring");
        const QString dir = home(QStringLiteral("shown dir"));
        const QString file = dir + QStringLiteral("/a file.txt");
        QVERIFY(writeFile(file, "x"));
        const QString target = folder ? dir : file;

        QThread thread;
        auto *manager = new FakeFileManager;
        manager->moveToThread(&thread);
        connect(&thread, &QThread::finished, manager, &QObject::deleteLater);
        thread.start();
        {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fm"));
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), manager,
                                       QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
            QStringList opened;
            dirsNoting(&opened)->showInGraphicalShell(target);
            QCOMPARE(manager->calls(), QStringList{(folder ? QStringLiteral("ShowFolders ") : QStringLiteral("ShowItems "))
                                                   + QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded)});
            QCOMPARE(opened, QStringList());
            bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fm"));
        thread.quit();
        thread.wait();

        // Nobody answers now: the folder is opened instead.
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.FileManager1")));
        QStringList opened;
        const auto dirs = dirsNoting(&opened);
        dirs->showInGraphicalShell(target);
        QCOMPARE(opened, QStringList{dir});
        // A path that does not exist shows nothing.
        dirs->showInGraphicalShell(dir + QStringLiteral("/gone"));
        QCOMPARE(opened.size(), 1);
    }

    void moveToTrash()
    {
        const QString file = home(QStringLiteral("trash me.txt"));
        const QString dir = home(QStringLiteral("trash dir"));
        QVERIFY(writeFile(file, "file"));
        QVERIFY(writeFile(dir + QStringLiteral("/inner/x"), "x"));
        QVERIFY(MoveToTrashUtil::moveToTrash(file));
        QVERIFY(MoveToTrashUtil::moveToTrash(dir));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(!QFileInfo::exists(dir));
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
        QVERIFY2(trash.startsWith(qEnvironmentVariable("KORVEX_TEST_ROOT")), qPrintable(trash));
        QCOMPARE(TestFiles::readFile(trash + QStringLiteral("/files/trash me.txt")), QByteArray("file"));
        QCOMPARE(TestFiles::readFile(trash + QStringLiteral("/files/trash dir/inner/x")), QByteArray("x"));
        for (const char *info : {"/info/trash me.txt.trashinfo", "/info/trash dir.trashinfo"})
            QVERIFY2(QFileInfo::exists(trash + QLatin1String(info)), info);
        // Nothing there: nothing to trash.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^MoveToTrashUtil::moveToTrash: ")));
        QVERIFY(!MoveToTrashUtil::moveToTrash(file));
    }
};

QTEST_GUILESS_MAIN(TestFileUtil)
#include "tst_fileutil.moc"
