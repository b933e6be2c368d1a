#include "app/ApplicationLog.h"

#include "app/AppInfo.h"
#include "app/ConfigurationManager.h"
#include "app/PrivateFiles.h"
#include "app/Settings.h"

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace {
QAtomicPointer<ApplicationLog> s_installed;
// A message logged from inside the handler (a warning of QFile, say) must not
// wait for the lock its own thread holds.
thread_local bool t_inHandler = false;
} // namespace

ApplicationLog::ApplicationLog(AppInfo *appInfo, QObject *parent)
    : QObject(parent)
    , m_appInfo(appInfo)
{
    m_stream.setCodec("UTF-8");
    ConfigurationManager *config = appInfo ? appInfo->config() : nullptr;
    const auto read = [config](const SettingKey &key) {
        return config ? config->value(key.name(), key.defaultValue) : key.defaultValue;
    };
    setNetTraffic(read(Settings::NetLogNetTraffic).toBool());
    bool ok = false;
    const QByteArray name = read(Settings::AppLogLevel).toString().toLatin1();
    const int level = name.isEmpty() ? -1 : QMetaEnum::fromType<LogLevel>().keyToValue(name.constData(), &ok);
    setLogLevel(ok ? static_cast<LogLevel>(level) : WARN);
}

ApplicationLog::~ApplicationLog()
{
    uninstall();
    QMutexLocker lock(&m_mutex);
    m_stream.flush();
    m_file.close();
}

void ApplicationLog::install()
{
    s_installed.storeRelease(this);
    m_previousHandler = qInstallMessageHandler(&ApplicationLog::messageHandler);
}

void ApplicationLog::uninstall()
{
    if (s_installed.testAndSetOrdered(this, nullptr))
        qInstallMessageHandler(m_previousHandler);
}

void ApplicationLog::setLogLevel(LogLevel level)
{
    if (level < DBG || level > INFO)
        level = WARN;
    m_logLevel = level;
    m_threshold = level;
    if (m_appInfo && m_appInfo->config())
        m_appInfo->config()->setValue(Settings::AppLogLevel.name(),
                                      QString::fromLatin1(QMetaEnum::fromType<LogLevel>().valueToKey(level)));
    emit logLevelChanged(level);
}

void ApplicationLog::setNetTraffic(bool on)
{
    m_netTraffic = on;
    QLoggingCategory::setFilterRules(QStringLiteral("net.traffic.debug=%1").arg(on ? "true" : "false"));
}

QString ApplicationLog::filePath() const
{
    if (!m_filePath.isEmpty())
        return m_filePath;
    return m_appInfo ? m_appInfo->logFilePath() : QString();
}

void ApplicationLog::setFilePath(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    m_filePath = path;
    if (m_file.isOpen()) {
        m_stream.flush();
        m_stream.setDevice(nullptr);
        m_file.close();
    }
}

bool ApplicationLog::passes(QtMsgType type, const QString &text, int threshold)
{
    if (threshold == FATAL || text.startsWith(QLatin1String("##")))
        return true;
    return static_cast<int>(type) >= threshold;
}

QString ApplicationLog::formatLine(QtMsgType type, const QMessageLogContext &context, const QString &text,
                                   const QDateTime &now, qint64 pid)
{
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz"));
    const QString pidText = QStringLiteral("%1").arg(pid, 5, 10, QLatin1Char(' '));
    QString line;
    switch (type) {
    case QtDebugMsg:
        line = QStringLiteral("[%1] %2 DBG  %3").arg(stamp, pidText, text);
        break;
    case QtWarningMsg:
        line = QStringLiteral("[%1] %2 WARN  %3").arg(stamp, pidText, text);
        break;
    case QtCriticalMsg:
        line = QStringLiteral("[%1] %2 ERROR %3").arg(stamp, pidText, text);
        break;
    case QtFatalMsg:
        line = QStringLiteral("[%1] %2 FATAL %3").arg(stamp, pidText, text);
        break;
    case QtInfoMsg:
        line = QStringLiteral("[%1] %2 INFO %3").arg(stamp, pidText, text);
        break;
    }
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        const QString file = context.file ? QFileInfo(QString::fromUtf8(context.file)).fileName() : QString();
        line += QStringLiteral(" [%1:%2] [%3]")
                    .arg(file)
                    .arg(context.line)
                    .arg(context.function ? QString::fromUtf8(context.function) : QString());
    }
    return line;
}

void ApplicationLog::messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    ApplicationLog *log = s_installed.loadAcquire();
    if (!log || t_inHandler) {
        fprintf(stderr, "%s\n", qUtf8Printable(text));
        if (type == QtFatalMsg)
            abort();
        return;
    }
    log->handleMessage(type, context, text);
}

void ApplicationLog::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (passes(type, text, m_threshold)) {
        static const QRegularExpression banner(QStringLiteral("^##\\s*"));
        QString body = text;
        body.remove(banner);

        t_inHandler = true;
        {
            QMutexLocker lock(&m_mutex);
            if (++m_messageCount % kSizeCheckInterval == 0)
                rotateIfNeededLocked();
            if (m_file.isOpen() || openLocked()) {
                const QString line = formatLine(type, context, body, QDateTime::currentDateTime(),
                                                QCoreApplication::applicationPid());
                if (m_enabled) {
                    m_stream << line << '\n';
                    m_stream.flush();
                }
            }
        }
        t_inHandler = false;
    }
    if (type == QtFatalMsg)
        abort();
}

bool ApplicationLog::openLocked()
{
    const QString path = filePath();
    m_file.setFileName(path);
    // The log names accounts, servers and paths: for its user's eyes only.
    PrivateFiles::makeFolder(QFileInfo(path).absolutePath());
    PrivateFiles::makeFile(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        fprintf(stderr, "Error: cannot open log file: %s\n", qUtf8Printable(path));
        return false;
    }
    m_stream.setDevice(&m_file);
    return true;
}

void ApplicationLog::rotateIfNeededLocked()
{
    if (!m_file.isOpen() || m_file.size() <= kRotateSize)
        return;
    m_stream.flush();
    m_stream.setDevice(nullptr);
    const QString path = m_file.fileName();
    m_file.close();
    const QString old = path + QStringLiteral(".1");
    QFile::remove(old);
    QFile::rename(path, old);
}
