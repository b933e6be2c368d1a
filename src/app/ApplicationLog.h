#pragma once

#include <QFile>
#include <QMutex>
#include <QObject>
#include <QTextStream>

class AppInfo;

// The one sink of the client's diagnostics: filters by level, formats each
// message into one line and appends it to the log file, rotating it past
// 5 MiB. Installed as the process-wide Qt message handler.
class ApplicationLog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LogLevel logLevel READ logLevel WRITE setLogLevel NOTIFY logLevelChanged)
public:
    enum LogLevel { DBG = 0, WARN = 1, ERROR = 2, FATAL = 3, INFO = 4 };
    Q_ENUM(LogLevel)

    static constexpr qint64 kRotateSize = 5 * 1024 * 1024;
    static constexpr int kSizeCheckInterval = 100;

    explicit ApplicationLog(AppInfo *appInfo, QObject *parent = nullptr);
    ~ApplicationLog() override;

    void install();
    void uninstall();

    void setLogLevel(LogLevel level);
    LogLevel logLevel() const { return m_logLevel; }
    void setNetTraffic(bool on);
    bool netTraffic() const { return m_netTraffic; }
    void setEnabled(bool on) { m_enabled = on; }
    QString filePath() const;
    // Another file than the client's own (korvexcmd keeps a log of its own).
    void setFilePath(const QString &path);

    // Formats one line as it is written to the file, without the line end.
    static QString formatLine(QtMsgType type, const QMessageLogContext &context, const QString &text,
                              const QDateTime &now, qint64 pid);
    // Whether a message of this type and text passes the filter at this threshold.
    static bool passes(QtMsgType type, const QString &text, int threshold);

    // The handler body; public so that tests can feed it directly.
    void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text);

signals:
    void logLevelChanged(ApplicationLog::LogLevel level);

private:
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    void rotateIfNeededLocked();
    bool openLocked();

    QFile m_file;
    AppInfo *m_appInfo;
    QTextStream m_stream;
    bool m_enabled = true;
    int m_messageCount = 0;
    LogLevel m_logLevel = WARN;
    int m_threshold = WARN;
    bool m_netTraffic = false;
    // Serialises the handler: lines never interleave, the counter and the
    // rotation never run twice at once.
    QMutex m_mutex;
    QtMessageHandler m_previousHandler = nullptr;
    QString m_filePath; // overrides AppInfo's when set
};
