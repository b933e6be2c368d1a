#pragma once

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>

class DaemonLog;

// The daemon's end of the local socket to the client: JSON objects, one per
// line. It registers with {"request":"ready","body":{"pid":<pid>}} and keeps
// exactly one "poll" outstanding; the client answers a poll with the next
// event ("log" with a level, or "exit").
class PipeLink : public QObject
{
    Q_OBJECT
public:
    PipeLink(const QString &path, DaemonLog *log, QObject *parent = nullptr);

    // Connects, retrying for `patienceMs`; then connected() or unreachable().
    void open(int patienceMs);

signals:
    void connected();
    void unreachable();
    void logLevelRequested(const QString &level);
    void exitRequested();
    // The client closed its end or went away.
    void lost();

private:
    void tryConnect();
    void onReadyRead();
    void send(const char *request, const QJsonObject &body);

    QString m_path;
    DaemonLog *m_log;
    QLocalSocket m_socket;
    QTimer m_retry;
    QElapsedTimer m_since;
    int m_patienceMs = 0;
    int m_nextId = 1;
    int m_pollId = -1;
    bool m_registered = false;
};
