#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects every log line while it exists (and passes them on), so tests can
// check what reached the log.
class LogCapture
{
public:
    LogCapture()
    {
        s_lines().clear();
        m_previous = qInstallMessageHandler(&LogCapture::handler);
        s_previous() = m_previous;
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }

    QStringList lines() const
    {
        QMutexLocker lock(&s_mutex());
        return s_lines();
    }
    bool contains(const QString &text) const
    {
        const QStringList all = lines();
        for (const QString &l : all)
            if (l.contains(text))
                return true;
        return false;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        {
            QMutexLocker lock(&s_mutex());
            s_lines() << message;
        }
        if (s_previous())
            s_previous()(type, context, message);
    }
    static QStringList &s_lines()
    {
        static QStringList lines;
        return lines;
    }
    static QMutex &s_mutex()
    {
        static QMutex mutex;
        return mutex;
    }
    static QtMessageHandler &s_previous()
    {
        static QtMessageHandler previous = nullptr;
        return previous;
    }
    QtMessageHandler m_previous = nullptr;
};
