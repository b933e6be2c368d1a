#pragma once

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Records what the code under test logs while the capture lives, so a test
// can check the exact lines. Lines may come from any thread. With
// `passOn`, they also reach the previous handler (the test's own output).
class MessageCapture
{
public:
    explicit MessageCapture(bool passOn = false)
        : m_passOn(passOn)
    {
        QMutexLocker lock(&s_mutex);
        s_current = this;
        m_previous = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        QMutexLocker lock(&s_mutex);
        s_current = nullptr;
    }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList all() const { return select([](const Line &) { return true; }); }
    QStringList messages(QtMsgType type) const
    {
        return select([type](const Line &m) { return m.first == type; });
    }
    QStringList containing(const QString &part) const
    {
        return select([&part](const Line &m) { return m.second.contains(part); });
    }
    QStringList startingWith(const QString &prefix) const
    {
        return select([&prefix](const Line &m) { return m.second.startsWith(prefix); });
    }

private:
    using Line = QPair<QtMsgType, QString>;

    template<typename Pred>
    QStringList select(Pred pred) const
    {
        QMutexLocker lock(&s_mutex);
        QStringList out;
        for (const auto &m : m_messages)
            if (pred(m))
                out << m.second;
        return out;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        QtMessageHandler passOnTo = nullptr;
        {
            QMutexLocker lock(&s_mutex);
            if (!s_current)
                return;
            s_current->m_messages.append(qMakePair(type, text));
            if (s_current->m_passOn)
                passOnTo = s_current->m_previous;
        }
        if (passOnTo)
            passOnTo(type, context, text);
    }
    static inline QMutex s_mutex;
    static inline MessageCapture *s_current = nullptr;
    const bool m_passOn;
    QtMessageHandler m_previous = nullptr;
    QList<Line> m_messages;
};
