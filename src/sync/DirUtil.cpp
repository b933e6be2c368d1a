#include "sync/DirUtil.h"

#include "app/AppInfo.h"
#include "app/Settings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const char kDefaultTemplate[] = "${HOME}/${FOLDER_NAME}";

QString withSlash(const QString &path)
{
    QString p = QDir::fromNativeSeparators(path);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}
} // namespace

DirUtil::DirUtil(const AppInfo *appInfo, QObject *parent, UrlOpener opener)
    : QObject(parent)
    , m_appInfo(appInfo)
    , m_opener(std::move(opener))
{
    m_variables.insert(QStringLiteral("FOLDER_NAME"), appInfo ? appInfo->localSyncDirName() : QString());
    m_variables.insert(QStringLiteral("HOME"), QDir::homePath());
    m_variables.insert(QStringLiteral("DOCUMENTS"),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    m_variables.insert(QStringLiteral("DESKTOP"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    m_variables.insert(QStringLiteral("DOWNLOAD"), QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    if (!m_opener)
        m_opener = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

bool DirUtil::expand(const QString &text, QString *result) const
{
    QString out;
    bool ok = true;
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('$') || i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('{')) {
            out += c;
            ++i;
            continue;
        }
        const int close = text.indexOf(QLatin1Char('}'), i + 2);
        if (close < 0) {
            out += text.mid(i);
            ok = false;
            break;
        }
        const QString name = text.mid(i + 2, close - i - 2);
        const auto it = m_variables.constFind(name);
        if (it == m_variables.constEnd() || it->isEmpty()) {
            qWarning("Unable to find expansion for '%s'", qUtf8Printable(name));
            out += text.mid(i, close - i + 1);
            ok = false;
        } else {
            out += *it;
        }
        i = close + 1;
    }
    if (result)
        *result = out;
    return ok;
}

QString DirUtil::getSyncRootPath() const
{
    const QString pattern = Settings::value(Settings::AppDefaultFolderName).toString();
    QString result;
    const bool ok = expand(pattern, &result);
    qDebug("DirUtil::getSyncRootPath: Result: '%s' ('%s')", qUtf8Printable(result), qUtf8Printable(pattern));
    if (!ok || result.isEmpty()) {
        qWarning("DirUtil::getSyncRootPath: path template '%s' incorrect, falling back to default location",
                 qUtf8Printable(pattern));
        expand(QString::fromLatin1(kDefaultTemplate), &result);
    }
    return result;
}

QString DirUtil::defaultLocalFolder(const QString &name, const QString &root) const
{
    const QString base = root.isEmpty() ? getSyncRootPath() : root;
    QString cleaned = name;
    cleaned.replace(QLatin1Char('\\'), QLatin1Char('_'));
    for (const QChar c : {QLatin1Char('.'), QLatin1Char('/'), QLatin1Char(':')})
        cleaned.replace(c, QLatin1Char('_'));
    const QString candidate = QDir::cleanPath(base + QLatin1Char('/') + cleaned);
    if (!QFileInfo::exists(candidate))
        return QFileInfo(candidate).absoluteFilePath();
    QString numbered;
    for (int n = 2; n <= 99; ++n) {
        numbered = QStringLiteral("%1_%2").arg(candidate).arg(n);
        if (!QFileInfo::exists(numbered))
            break;
    }
    return QFileInfo(numbered).absoluteFilePath();
}

void DirUtil::showInGraphicalShell(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.exists()) {
        qDebug("DirUtil::showInGraphicalShell: path does not exist: '%s'", qUtf8Printable(path));
        return;
    }
    const QString absolute = info.absoluteFilePath();
    const bool folder = info.isDir();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"),
            folder ? QStringLiteral("ShowFolders") : QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded)} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return;
        qDebug("DirUtil::showInGraphicalShell: no file manager on the session bus (%s)",
               qUtf8Printable(reply.errorMessage()));
    }
    m_opener(QUrl::fromLocalFile(folder ? absolute : info.absolutePath()));
}

bool DirUtil::isNested(const QString &a, const QString &b)
{
    const QString pa = withSlash(a);
    const QString pb = withSlash(b);
    return pa.startsWith(pb) || pb.startsWith(pa);
}
