#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

class DaemonLog;

// Serves one drive with gocryptfs over FUSE: the storage folder holds the
// encrypted files under their plain names (-plaintextnames, so that a file
// written at the mount appears under the same name in the storage), the
// mount folder shows them decrypted. gocryptfs runs in the foreground as our
// child and gets the password on its standard input, never on a command
// line or in a file.
class GocryptfsMount : public QObject
{
    Q_OBJECT
public:
    GocryptfsMount(const QString &mount, const QString &storage, DaemonLog *log, QObject *parent = nullptr);
    ~GocryptfsMount() override;

    // Checks FUSE and gocryptfs, clears a drive of ours left mounted by an
    // earlier run, makes both folders and initialises an empty storage
    // folder. Returns 0 or the daemon's exit code for the problem.
    int prepare(const QByteArray &password);
    // Starts serving; ends in mounted() or ended().
    void start(const QByteArray &password);
    // Unmounts (lazily when busy) and waits for gocryptfs to end. Safe to
    // call at any time, also before start() or twice.
    void stop();
    bool isMounted() const { return m_mounted; }

    // The file system type and source of what is mounted at `path` according
    // to /proc/self/mountinfo; empty when nothing is.
    static QString mountedType(const QString &path, QString *source = nullptr);

signals:
    void mounted();
    // gocryptfs ended without stop(): the daemon's exit code for it.
    void ended(int exitCode);

private:
    void onOutput(QProcess::ProcessChannel channel);
    void onFinished(int exitCode, QProcess::ExitStatus status);
    bool runTool(const QString &program, const QStringList &args, const QByteArray &input, int timeoutMs,
                 int *exitCode, QString *output);
    bool unmount();

    QString m_mount;
    QString m_storage;
    DaemonLog *m_log;
    QString m_gocryptfs;
    QPointer<QProcess> m_process;
    bool m_mounted = false;
    bool m_stopping = false;
};
