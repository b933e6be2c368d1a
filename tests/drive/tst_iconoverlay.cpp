// The folder icon: the gio tool (a stand-in script that records its
// arguments) on Linux, the "desktop.ini" file for Windows.
#include "TestEnv.h"
#include "drive/IFileSystemDriverManager.h"
#include "drive/IconOverlay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace quarnet::daemon::api;

namespace {
// A manager that reports one status for every setting.
class FixedStatusManager : public IFileSystemDriverManager
{
public:
    status current = NoDaemon;
    status daemonStatus(const SyncSetting &) const override { return current; }
    bool isManagingExternalDrives() const override { return false; }
    void setDecryptWhenOffline(bool) override {}
    void setOnline(bool) override {}
};
} // namespace

class TestIconOverlay : public QObject
{
    Q_OBJECT

    TestEnv m_env;
    QTemporaryDir m_dir;

    QStringList gioCalls() const
    {
        QFile file(m_dir.filePath(QStringLiteral("gio.calls")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringList();
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("bin"))));
        QFile gio(m_dir.filePath(QStringLiteral("bin/gio")));
        QVERIFY(gio.open(QIODevice::WriteOnly));
        gio.write("#!/bin/sh\necho \"$*\" >> \"$GIO_CALLS\"\n");
        gio.close();
        QVERIFY(gio.setPermissions(gio.permissions() | QFile::ExeOwner));
        qputenv("PATH", m_dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ':' + qgetenv("PATH"));
        qputenv("GIO_CALLS", m_dir.filePath(QStringLiteral("gio.calls")).toLocal8Bit());
    }

    // An encrypted folder gets its icon only while its drive runs; the
    // folder itself never gets a file.
    void theIconFollowsTheDrive()
    {
        const QString folder = m_dir.filePath(QStringLiteral("Safe"));
        QVERIFY(QDir().mkpath(folder));
        SyncSetting setting;
        setting.id = 1;
        setting.localDir = folder + QLatin1Char('/');
        setting.encryption = true;
        FixedStatusManager manager;
        IconOverlay overlay(&manager, m_env.appInfo());

        manager.current = Crashed;
        overlay.addOverlay(setting);
        overlay.removeOverlay(setting);

        // The runs do not block the caller; they run one after another in
        // the order asked, so the folder ends as the last call left it.
        manager.current = Running;
        overlay.addOverlay(setting);
        overlay.removeOverlay(setting);
        overlay.addOverlay(setting);
        const QString icon =
            QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/folder_icon.png")).toString();
        const QString set = QStringLiteral("set %1 metadata::custom-icon %2").arg(folder, icon);
        const QString unset = QStringLiteral("set -t unset %1 metadata::custom-icon").arg(folder);
        QTRY_COMPARE(gioCalls(), (QStringList{set, unset, set}));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void theWindowsFileIsRewrittenForAnotherVersionOnly_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("none -> written") << QByteArray() << true;
        QTest::newRow("other version -> rewritten") << QByteArray("# 0.9\n[.ShellClassInfo]\nIconFile=x\n") << true;
        QTest::newRow("this version -> kept") << QByteArray("# 1.2.3\nkept as it is\n") << false;
    }
    void theWindowsFileIsRewrittenForAnotherVersionOnly()
    {
        QFETCH(QByteArray, existing);
        QFETCH(bool, rewritten);
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("desktop.ini")));
        if (!existing.isEmpty()) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing);
            file.close();
        }
        QVERIFY(IconOverlay::ensureFolderSettingsFile(folder.path(), QStringLiteral("1.2.3"), QStringLiteral("C:/k/i.ico")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), rewritten ? QByteArray("# 1.2.3\n[.ShellClassInfo]\nConfirmFileOp=0\nNoSharing=0\n"
                                                        "IconFile=C:/k/i.ico\nIconIndex=0\n")
                                           : existing);
    }
};

QTEST_MAIN(TestIconOverlay)
#include "tst_iconoverlay.moc"
