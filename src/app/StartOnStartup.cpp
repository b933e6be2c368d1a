#include "app/StartOnStartup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#ifdef Q_OS_WIN
#include <QSettings>
namespace {
const char *kRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}
#endif

namespace {
// Desktop entry Exec quoting: the path in double quotes, with ", `, $ and \ escaped.
QString quoteExec(const QString &path)
{
    QString out;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// The running program under the name a user would type: a package links
// /usr/bin/korvex-sync to its private folder, and an entry naming the link
// survives the package moving its files.
QString publicExecutable()
{
    const QString running = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(QFileInfo(running).fileName());
    if (!onPath.isEmpty() && QFileInfo(onPath).canonicalFilePath() == QFileInfo(running).canonicalFilePath())
        return onPath;
    return running;
}

bool sameProgram(const QString &a, const QString &b)
{
    if (a == b) // case-sensitive
        return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

QString unquoteExec(const QString &value)
{
    if (!value.startsWith(QLatin1Char('"')))
        return value.section(QLatin1Char(' '), 0, 0);
    QString out;
    for (int i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            out += value.at(++i);
        } else if (c == QLatin1Char('"')) {
            break;
        } else {
            out += c;
        }
    }
    return out;
}
} // namespace

StartOnStartup::StartOnStartup(const QString &appName, const QString &executable)
    : m_appName(appName)
    , m_executable(QDir::toNativeSeparators(executable.isEmpty() ? publicExecutable() : executable))
{
}

QString StartOnStartup::entryPath() const
{
#ifdef Q_OS_WIN
    return QString::fromLatin1(kRunKey) + QLatin1Char('\\') + m_appName;
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/autostart/%1.desktop").arg(m_appName);
#endif
}

QString StartOnStartup::entryExecutable() const
{
#ifdef Q_OS_WIN
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    return run.value(m_appName).toString();
#else
    // The first file of that name decides, the user's before the system's.
    const QString name = QStringLiteral("/autostart/%1.desktop").arg(m_appName);
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        QFile file(dir + name);
        if (!file.exists())
            continue;
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        QTextStream in(&file);
        in.setCodec("UTF-8");
        bool inEntry = false;
        QString exec;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(QLatin1Char('[')))
                inEntry = line == QLatin1String("[Desktop Entry]");
            else if (!inEntry)
                continue;
            else if (line.startsWith(QLatin1String("Exec=")))
                exec = unquoteExec(line.mid(5).trimmed());
            else if (line == QLatin1String("Hidden=true") || line == QLatin1String("X-GNOME-Autostart-enabled=false"))
                return {}; // switched off
        }
        return exec;
    }
    return {};
#endif
}

bool StartOnStartup::isEnabled() const
{
    return sameProgram(entryExecutable(), m_executable);
}

#ifndef Q_OS_WIN
// The user's entry: the common head, then `rest`; its folder is made when missing.
bool StartOnStartup::writeEntry(const QString &rest) const
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\n%2")
                   .arg(QCoreApplication::applicationName(), rest)
                   .toUtf8());
    return file.commit();
}
#endif

bool StartOnStartup::enable()
{
    if (isEnabled())
        return true;
#ifdef Q_OS_WIN
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    run.setValue(m_appName, m_executable);
    run.sync();
    return run.status() == QSettings::NoError;
#else
    return writeEntry(QStringLiteral("Exec=%1\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
                          .arg(quoteExec(m_executable)));
#endif
}

bool StartOnStartup::disable()
{
    if (!isEnabled())
        return true;
#ifdef Q_OS_WIN
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    run.remove(m_appName);
    run.sync();
    return run.status() == QSettings::NoError;
#else
    if (QFile::exists(entryPath()) && !QFile::remove(entryPath()))
        return false;
    if (!isEnabled())
        return true;
    // The system-wide entry still starts us: the user's file overrides it.
    return writeEntry(QStringLiteral("Hidden=true\n"));
#endif
}
