#include "drive/IconOverlay.h"

#include "app/AppInfo.h"
#include "drive/IFileSystemDriverManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace quarnet::daemon::api;

namespace {
const char kSettingsFile[] = "desktop.ini";
const char kGioAttribute[] = "metadata::custom-icon";
} // namespace

IconOverlay::IconOverlay(IFileSystemDriverManager *manager, const AppInfo *appInfo, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
    , m_appInfo(appInfo)
{
}

QString IconOverlay::folderOf(const SyncSetting &setting) const
{
    return QDir::cleanPath(QDir::fromNativeSeparators(setting.localDir));
}

QByteArray IconOverlay::folderSettingsText(const QString &appVersion, const QString &iconFile)
{
    return QStringLiteral("# %1\n[.ShellClassInfo]\nConfirmFileOp=0\nNoSharing=0\nIconFile=%2\nIconIndex=0\n")
        .arg(appVersion, iconFile)
        .toUtf8();
}

bool IconOverlay::ensureFolderSettingsFile(const QString &folder, const QString &appVersion, const QString &iconFile)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(kSettingsFile);
    const QByteArray marker = QStringLiteral("# %1").arg(appVersion).toUtf8();
    QFile file(path);
    if (file.exists()) {
        if (file.open(QIODevice::ReadWrite | QIODevice::Text) && file.readLine().startsWith(marker))
            return true;
        file.close();
        file.remove();
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)
        || file.write(folderSettingsText(appVersion, iconFile)) < 0) {
        qWarning("IconOverlay: cannot write %s: %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        return false;
    }
    file.close();
#ifdef Q_OS_WIN
    SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(folder).utf16()), FILE_ATTRIBUTE_SYSTEM);
#endif
    return true;
}

void IconOverlay::runGio(const QStringList &args)
{
    m_gioQueue.enqueue(args);
    if (!m_gio)
        startNextGio();
}

void IconOverlay::startNextGio()
{
    if (!m_gioPath)
        m_gioPath = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (m_gioPath->isEmpty()) {
        m_gioQueue.clear();
        return;
    }
    if (m_gioQueue.isEmpty())
        return;
    const QStringList args = m_gioQueue.dequeue();
    m_gio = new QProcess(this);
    m_gio->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_gio, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, args](int code, QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit || code != 0) {
                    // Without a metadata store (no GVfs) there is nothing to set: not worth more than a debug line.
                    qDebug("IconOverlay: gio %s: %s", qUtf8Printable(args.join(QLatin1Char(' '))),
                           qUtf8Printable(QString::fromLocal8Bit(m_gio->readAll()).trimmed()));
                }
                finishGio();
            });
    connect(m_gio, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) // no finished() follows
            finishGio();
    });
    // A gio that hangs (a stalled GVfs) must not hold up the icons queued after it.
    QTimer::singleShot(5000, m_gio, &QProcess::kill);
    m_gio->start(*m_gioPath, args);
}

void IconOverlay::finishGio()
{
    m_gio->deleteLater();
    m_gio = nullptr;
    startNextGio();
}

void IconOverlay::addOverlay(const SyncSetting &setting)
{
    m_seen.insert(setting.id, setting);
    if (setting.encryption
        && (m_manager->daemonStatus(setting) != Running || m_manager->isManagingExternalDrives()))
        return;
    const QString folder = folderOf(setting);
    if (!QFileInfo(folder).isDir())
        return;
#ifdef Q_OS_WIN
    ensureFolderSettingsFile(folder, m_appInfo->appVersion(),
                             QCoreApplication::applicationDirPath() + QStringLiteral("/folder_icon_win.ico"));
#else
    const QString icon = QCoreApplication::applicationDirPath() + QStringLiteral("/folder_icon.png");
    runGio({QStringLiteral("set"), folder, QLatin1String(kGioAttribute), QUrl::fromLocalFile(icon).toString()});
#endif
}

void IconOverlay::removeOverlayById(int settingId)
{
    if (m_seen.contains(settingId))
        removeOverlay(m_seen.take(settingId));
}

void IconOverlay::removeOverlay(const SyncSetting &setting)
{
    if (setting.encryption && m_manager->daemonStatus(setting) != Running)
        return;
    const QString folder = folderOf(setting);
#ifdef Q_OS_WIN
    QFile file(folder + QLatin1Char('/') + QLatin1String(kSettingsFile));
    if (file.exists() && file.open(QIODevice::ReadWrite)) {
        file.close();
        file.remove();
        const std::wstring native = QDir::toNativeSeparators(folder).toStdWString();
        const DWORD attributes = GetFileAttributesW(native.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(native.c_str(), attributes & ~FILE_ATTRIBUTE_SYSTEM);
    }
#else
    if (QFileInfo(folder).isDir())
        runGio({QStringLiteral("set"), QStringLiteral("-t"), QStringLiteral("unset"), folder,
                QLatin1String(kGioAttribute)});
#endif
}
