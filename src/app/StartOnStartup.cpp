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
    , m_executable(QDir::toNativeSeparators(executable.isEmpty() ? QCoreApplication::applicationFilePath()
                                                                 : executable))
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
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    in.setCodec("UTF-8");
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return unquoteExec(line.mid(5).trimmed());
    }
    return {};
#endif
}

bool StartOnStartup::isEnabled() const
{
    return entryExecutable() == m_executable; // case-sensitive
}

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
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << QCoreApplication::applicationName() << "\n"
        << "Exec=" << quoteExec(m_executable) << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    return file.commit();
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
    return QFile::remove(entryPath());
#endif
}
