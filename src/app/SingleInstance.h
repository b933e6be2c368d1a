#pragma once

#include <QLockFile>
#include <QObject>
#include <QScopedPointer>

class QLocalServer;

// One instance per user session. The first process takes a lock file and
// listens on a local socket beside it; later ones find the lock held and
// hand their message to the first over the socket. A lock left by a crashed
// process is taken over (its PID is gone) and its stale socket replaced.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `id` names the lock and the socket; `dir` defaults to the user's runtime folder.
    explicit SingleInstance(const QString &id, const QString &dir = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another process is the first instance.
    bool isRunning() const { return !m_primary && !failed(); }
    // The lock could not be taken for another reason than another instance.
    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    const QString &id() const { return m_id; }
    QString socketPath() const;
    QString lockPath() const;

    // Sends one message to the first instance and waits up to timeoutMs for
    // its acknowledgement. Only meaningful when isRunning().
    bool sendMessage(const QString &message, int timeoutMs);

signals:
    void messageReceived(const QString &message);

private:
    void onNewConnection();

    QString m_id;
    QString m_dir;
    QScopedPointer<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_primary = false;
    QString m_error;
};
