#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects what the code under test logs while it is alive, so a test can
// check the exact lines and how often they came.
class LogCapture
{
public:
    LogCapture() { s_previous = qInstallMessageHandler(&LogCapture::handle), s_lines.clear(); }
    ~LogCapture() { qInstallMessageHandler(s_previous); }

    // The lines of the given level, in order.
    static QStringList lines(QtMsgType type)
    {
        QStringList out;
        for (const auto &l : qAsConst(s_lines))
            if (l.first == type)
                out << l.second;
        return out;
    }
    static QStringList linesStartingWith(const QString &prefix)
    {
        QStringList out;
        for (const auto &l : qAsConst(s_lines))
            if (l.second.startsWith(prefix))
                out << l.second;
        return out;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &msg) { s_lines.append({type, msg}); }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QList<QPair<QtMsgType, QString>> s_lines;
};
