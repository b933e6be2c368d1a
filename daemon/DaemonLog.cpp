#include "DaemonLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
const char *const kNames[] = {"DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
}

void DaemonLog::open(const QString &path)
{
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        std::fprintf(stderr, "encrypted: cannot open log file %s: %s\n", qUtf8Printable(path),
                     qUtf8Printable(m_file.errorString()));
}

bool DaemonLog::parseLevel(const QString &name, Level *level)
{
    for (int i = Debug; i <= Fatal; ++i) {
        if (name == QLatin1String(kNames[i])) {
            *level = Level(i);
            return true;
        }
    }
    return false;
}

const char *DaemonLog::levelName(Level level)
{
    return kNames[level];
}

void DaemonLog::write(Level level, const QString &text)
{
    if (level < m_threshold)
        return;
    const QByteArray line = QStringLiteral("[%1] %2 %3 %4\n")
                                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")))
                                .arg(QCoreApplication::applicationPid(), 5)
                                .arg(QLatin1String(kNames[level]), -5)
                                .arg(text)
                                .toUtf8();
    if (m_file.isOpen()) {
        m_file.write(line);
        m_file.flush();
    } else {
        std::fputs(line.constData(), stderr);
    }
}
