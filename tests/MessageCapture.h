#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Records what the code under test logs while the capture lives, so a test
// can check the exact lines.
class MessageCapture
{
public:
    MessageCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList messages(QtMsgType type) const
    {
        QStringList out;
        for (const auto &m : m_messages)
            if (m.first == type)
                out << m.second;
        return out;
    }
    QStringList containing(const QString &part) const
    {
        QStringList out;
        for (const auto &m : m_messages)
            if (m.second.contains(part))
                out << m.second;
        return out;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (s_current)
            s_current->m_messages.append(qMakePair(type, text));
    }
    static inline MessageCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    QList<QPair<QtMsgType, QString>> m_messages;
};
