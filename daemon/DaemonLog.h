#pragma once

#include <QFile>
#include <QString>

// The daemon's log: one line per message, appended to KORVEX_LOG_FILE (or
// standard error when there is none). Levels in increasing weight: DEBUG,
// INFO, WARN, ERROR, FATAL; a threshold lets its own level and heavier ones
// through. Never give it a key or a password.
class DaemonLog
{
public:
    enum Level { Debug = 0, Info = 1, Warn = 2, Error = 3, Fatal = 4 };

    void open(const QString &path);
    void setThreshold(Level level) { m_threshold = level; }
    // "DEBUG", "INFO", "WARN", "ERROR", "FATAL"; false for anything else.
    static bool parseLevel(const QString &name, Level *level);
    static const char *levelName(Level level);

    void write(Level level, const QString &text);
    void debug(const QString &text) { write(Debug, text); }
    void info(const QString &text) { write(Info, text); }
    void warn(const QString &text) { write(Warn, text); }
    void error(const QString &text) { write(Error, text); }

private:
    QFile m_file;
    Level m_threshold = Info;
};
