#include "ServiceProcess.h"

#include "ServiceClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QThread>
#include <QUrl>

ServiceProcess::ServiceProcess(Options options)
    : m_options(std::move(options)), m_tempDir(std::make_unique<QTemporaryDir>()),
      m_dataDir(m_tempDir->path() + QStringLiteral("/data")), m_outFile(m_tempDir->path() + QStringLiteral("/service.out"))
{
}

QByteArray ServiceProcess::output() const
{
    QFile f(m_outFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServiceProcess::start(int timeoutMs)
{
    m_error = isRunning()             ? QStringLiteral("the service runs already")
              : binary().isEmpty()    ? QStringLiteral("KORVEX_SERVICE_BINARY is not set")
              : !m_tempDir->isValid() ? QStringLiteral("no temporary folder")
                                      : QString();
    if (!m_error.isEmpty())
        return false;
    QStringList args{QStringLiteral("--data"), m_dataDir, QStringLiteral("serve"), QStringLiteral("--port"),
                     QStringLiteral("0")};
    args << m_options.extraArgs;

    // Output goes to a file: a pipe that nobody reads while a test blocks
    // would stall the service once it is full.
    QFile::remove(m_outFile);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardOutputFile(m_outFile, QIODevice::Append);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->start(binary(), args);
    if (!m_process->waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(binary(), m_process->errorString());
        m_process.reset();
        return false;
    }
    if (!readStartupLines(timeoutMs)) {
        stop();
        return false;
    }
    return true;
}

bool ServiceProcess::readStartupLines(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    m_port = 0;
    m_caFile.clear();
    m_adminToken.clear();
    while (!deadline.hasExpired()) {
        const QList<QByteArray> lines = output().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("korvex-service: CA certificate "))
                m_caFile = QString::fromLocal8Bit(line.mid(31).trimmed());
            else if (line.startsWith("korvex-service: admin token "))
                m_adminToken = line.mid(28).trimmed();
            else if (line.startsWith("listening on ")) {
                const QUrl url(QString::fromLatin1(line.mid(13).trimmed()));
                m_port = url.port();
            }
        }
        if (m_port > 0 && !m_adminToken.isEmpty() && !m_caFile.isEmpty())
            return true;
        if (m_process->state() != QProcess::Running) {
            m_error = QStringLiteral("the service ended at start: %1").arg(QString::fromLocal8Bit(output()));
            return false;
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("the service did not report \"listening on\" in time: %1")
                  .arg(QString::fromLocal8Bit(output()));
    return false;
}

bool ServiceProcess::stop()
{
    if (!m_process)
        return false;
    const bool wasRunning = m_process->state() == QProcess::Running;
    if (wasRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(10000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    return wasRunning;
}

QSslConfiguration ServiceProcess::sslConfiguration() const
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (!m_caFile.isEmpty())
        config.setCaCertificates(config.caCertificates() + QSslCertificate::fromPath(m_caFile, QSsl::Pem));
    return config;
}

ServiceProcess::CommandResult ServiceProcess::run(const QStringList &args, const QProcessEnvironment &extraEnv) const
{
    CommandResult result;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KORVEX_PASSWORD"));
    env.insert(extraEnv);
    process.setProcessEnvironment(env);
    process.start(binary(), QStringList{QStringLiteral("--data"), m_dataDir} + args);
    if (!process.waitForStarted(10000)) {
        result.err = process.errorString().toLocal8Bit();
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        result.err = "timed out";
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ServiceProcess::CommandResult ServiceProcess::addUser(const QString &name, const QString &password,
                                                      const QStringList &extra) const
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("KORVEX_PASSWORD"), password);
    return run(QStringList{QStringLiteral("add-user"), name} + extra, env);
}

QString ServiceProcess::addSafe(const QString &user, const QString &name, const QStringList &extra,
                                CommandResult *result) const
{
    const CommandResult r = run(QStringList{QStringLiteral("add-safe"), user, name} + extra);
    if (result)
        *result = r;
    return r.ok() ? QString::fromLatin1(r.out.trimmed()) : QString();
}

std::optional<ServiceProcess::OutOfBand> ServiceProcess::latestTan(const QString &user) const
{
    const AdminReply reply = admin("GET", QStringLiteral("/admin/outbox?user=%1")
                                              .arg(QString::fromLatin1(QUrl::toPercentEncoding(user))));
    if (!reply.ok())
        return std::nullopt;
    const auto text = [&](const char *key) { return reply.data.value(QLatin1String(key)).toString(); };
    return OutOfBand{text("method"), text("tan"), text("destination"), text("reference"),
                     reply.data.value(QStringLiteral("index")).toInt()};
}

ServiceProcess::AdminReply ServiceProcess::admin(const QByteArray &method, const QString &path,
                                                 const QJsonObject &body) const
{
    AdminReply result;
    if (!isRunning()) {
        result.error = QStringLiteral("the service is not running");
        return result;
    }
    ServiceClient client(*this);
    client.setTimeout(30000);
    const bool withBody = method == "POST" || method == "PUT";
    const ServiceClient::Reply r = client.request(
        method, path, withBody ? QJsonDocument(body).toJson(QJsonDocument::Compact) : QByteArray(),
        {{"X-Admin-Token", m_adminToken}});
    if (r.error != QNetworkReply::NoError || r.http == 0)
        result.error = QStringLiteral("the admin call failed (network error %1)").arg(int(r.error));
    result.httpStatus = r.http;
    result.status = r.status;
    result.data = r.data;
    result.message = r.message;
    return result;
}

bool ServiceProcess::fault(const QString &kind, const QString &path, const QString &method, int count,
                           QJsonObject extra) const
{
    extra.insert(QStringLiteral("kind"), kind);
    extra.insert(QStringLiteral("path"), path);
    extra.insert(QStringLiteral("method"), method);
    extra.insert(QStringLiteral("count"), count);
    return admin("POST", QStringLiteral("/admin/faults"), extra).ok();
}

bool ServiceProcess::delay(const QString &path, int ms, const QString &method, int count) const
{
    return fault(QStringLiteral("delay"), path, method, count, {{QStringLiteral("ms"), ms}});
}

bool ServiceProcess::stall(const QString &path, int ms, const QString &method, int count) const
{
    return fault(QStringLiteral("stall"), path, method, count, {{QStringLiteral("ms"), ms}});
}

bool ServiceProcess::cutBody(const QString &path, qint64 afterBytes, const QString &method, int count) const
{
    return fault(QStringLiteral("cut"), path, method, count, {{QStringLiteral("after"), double(afterBytes)}});
}

bool ServiceProcess::forceStatus(const QString &path, int httpStatus, const QString &method, int count) const
{
    return fault(QStringLiteral("status"), path, method, count, {{QStringLiteral("status"), httpStatus}});
}

bool ServiceProcess::rewriteBody(const QString &path, const QString &from, const QString &to, const QString &method,
                                 int count) const
{
    return fault(QStringLiteral("rewrite"), path, method, count,
                 {{QStringLiteral("from"), from}, {QStringLiteral("to"), to}});
}

bool ServiceProcess::replaceHeader(const QString &path, const QString &header, const QString &value,
                                   const QString &method, int count) const
{
    return fault(QStringLiteral("header"), path, method, count,
                 {{QStringLiteral("header"), header}, {QStringLiteral("value"), value}});
}

bool ServiceProcess::clearFaults() const
{
    return admin("DELETE", QStringLiteral("/admin/faults")).ok();
}

std::optional<int> ServiceProcess::expireSessions(const QString &user) const
{
    QJsonObject body;
    if (!user.isEmpty())
        body.insert(QStringLiteral("user"), user);
    const AdminReply reply = admin("POST", QStringLiteral("/admin/sessions/expire"), body);
    if (!reply.ok())
        return std::nullopt;
    return reply.data.value(QStringLiteral("expired")).toInt();
}

std::optional<QJsonArray> ServiceProcess::trash(const QString &safeId) const
{
    const AdminReply reply = admin("GET", QStringLiteral("/admin/trash?safe_id=%1").arg(safeId));
    if (!reply.ok())
        return std::nullopt;
    return reply.data.value(QStringLiteral("trash")).toArray();
}
