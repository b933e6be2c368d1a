#include "ServiceProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QThread>
#include <QTimer>
#include <QUrl>

ServiceProcess::ServiceProcess() : ServiceProcess(Options()) {}

ServiceProcess::ServiceProcess(Options options)
    : m_options(std::move(options)), m_tempDir(std::make_unique<QTemporaryDir>()),
      m_dataDir(m_tempDir->path() + QStringLiteral("/data")), m_outFile(m_tempDir->path() + QStringLiteral("/service.out"))
{
}

ServiceProcess::~ServiceProcess()
{
    stop();
}

QString ServiceProcess::binary()
{
    return QString::fromLocal8Bit(qgetenv("KORVEX_SERVICE_BINARY"));
}

bool ServiceProcess::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString ServiceProcess::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_port);
}

QByteArray ServiceProcess::output() const
{
    QFile f(m_outFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ServiceProcess::start(int timeoutMs)
{
    m_error.clear();
    if (isRunning()) {
        m_error = QStringLiteral("the service runs already");
        return false;
    }
    if (binary().isEmpty()) {
        m_error = QStringLiteral("KORVEX_SERVICE_BINARY is not set");
        return false;
    }
    if (!m_tempDir->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
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

bool ServiceProcess::restart(int timeoutMs)
{
    stop();
    return start(timeoutMs);
}

QSslConfiguration ServiceProcess::sslConfiguration() const
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (!m_caFile.isEmpty()) {
        QList<QSslCertificate> cas = config.caCertificates();
        cas << QSslCertificate::fromPath(m_caFile, QSsl::Pem);
        config.setCaCertificates(cas);
    }
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

ServiceProcess::CommandResult ServiceProcess::setUser(const QString &name, const QStringList &extra) const
{
    return run(QStringList{QStringLiteral("set-user"), name} + extra);
}

QString ServiceProcess::addSafe(const QString &user, const QString &name, const QStringList &extra,
                                CommandResult *result) const
{
    const CommandResult r = run(QStringList{QStringLiteral("add-safe"), user, name} + extra);
    if (result)
        *result = r;
    return r.ok() ? QString::fromLatin1(r.out.trimmed()) : QString();
}

ServiceProcess::CommandResult ServiceProcess::shareSafe(const QString &safeId, const QString &user,
                                                        const QStringList &extra) const
{
    return run(QStringList{QStringLiteral("share-safe"), safeId, user} + extra);
}

std::optional<ServiceProcess::OutOfBand> ServiceProcess::latestTan(const QString &user) const
{
    const AdminReply reply = admin("GET", QStringLiteral("/admin/outbox?user=%1")
                                              .arg(QString::fromLatin1(QUrl::toPercentEncoding(user))));
    if (!reply.ok())
        return std::nullopt;
    OutOfBand oob;
    oob.method = reply.data.value(QStringLiteral("method")).toString();
    oob.tan = reply.data.value(QStringLiteral("tan")).toString();
    oob.destination = reply.data.value(QStringLiteral("destination")).toString();
    oob.reference = reply.data.value(QStringLiteral("reference")).toString();
    oob.index = reply.data.value(QStringLiteral("index")).toInt();
    return oob;
}

ServiceProcess::AdminReply ServiceProcess::admin(const QByteArray &method, const QString &path,
                                                 const QJsonObject &body) const
{
    AdminReply result;
    if (!isRunning()) {
        result.error = QStringLiteral("the service is not running");
        return result;
    }
    QNetworkAccessManager nam;
    QNetworkRequest request(QUrl(baseUrl() + path));
    request.setSslConfiguration(sslConfiguration());
    request.setRawHeader("X-Admin-Token", m_adminToken);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QByteArray payload;
    if (method == "POST" || method == "PUT") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
    }
    QNetworkReply *reply = nam.sendCustomRequest(request, method, payload);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    if (!reply->isFinished()) {
        reply->abort();
        result.error = QStringLiteral("the admin call timed out");
        reply->deleteLater();
        return result;
    }
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray text = reply->readAll();
    if (reply->error() != QNetworkReply::NoError && result.httpStatus == 0)
        result.error = reply->errorString();
    const QJsonObject envelope = QJsonDocument::fromJson(text).object();
    result.status = envelope.value(QStringLiteral("status")).toInt();
    result.message = envelope.value(QStringLiteral("message")).toString();
    result.data = envelope.value(QStringLiteral("data")).toObject();
    reply->deleteLater();
    return result;
}

ServiceProcess::Fault ServiceProcess::makeFault(const QString &kind, const QString &path, const QString &method,
                                                int count)
{
    Fault fault;
    fault.kind = kind;
    fault.path = path;
    fault.method = method;
    fault.count = count;
    return fault;
}

std::optional<int> ServiceProcess::injectFault(const Fault &fault) const
{
    QJsonObject body{{QStringLiteral("kind"), fault.kind},   {QStringLiteral("path"), fault.path},
                     {QStringLiteral("method"), fault.method}, {QStringLiteral("ms"), fault.ms},
                     {QStringLiteral("status"), fault.status}, {QStringLiteral("after"), double(fault.after)},
                     {QStringLiteral("count"), fault.count},  {QStringLiteral("from"), fault.from},
                     {QStringLiteral("to"), fault.to},         {QStringLiteral("header"), fault.header},
                     {QStringLiteral("value"), fault.value}};
    const AdminReply reply = admin("POST", QStringLiteral("/admin/faults"), body);
    if (!reply.ok())
        return std::nullopt;
    return reply.data.value(QStringLiteral("id")).toInt();
}

bool ServiceProcess::delay(const QString &path, int ms, const QString &method, int count) const
{
    Fault fault = makeFault(QStringLiteral("delay"), path, method, count);
    fault.ms = ms;
    return injectFault(fault).has_value();
}

bool ServiceProcess::stall(const QString &path, int ms, const QString &method, int count) const
{
    Fault fault = makeFault(QStringLiteral("stall"), path, method, count);
    fault.ms = ms;
    return injectFault(fault).has_value();
}

bool ServiceProcess::cutBody(const QString &path, qint64 afterBytes, const QString &method, int count) const
{
    Fault fault = makeFault(QStringLiteral("cut"), path, method, count);
    fault.after = afterBytes;
    return injectFault(fault).has_value();
}

bool ServiceProcess::forceStatus(const QString &path, int httpStatus, const QString &method, int count) const
{
    Fault fault = makeFault(QStringLiteral("status"), path, method, count);
    fault.status = httpStatus;
    return injectFault(fault).has_value();
}

bool ServiceProcess::rewriteBody(const QString &path, const QString &from, const QString &to, const QString &method,
                                 int count) const
{
    Fault fault = makeFault(QStringLiteral("rewrite"), path, method, count);
    fault.from = from;
    fault.to = to;
    return injectFault(fault).has_value();
}

bool ServiceProcess::replaceHeader(const QString &path, const QString &header, const QString &value,
                                   const QString &method, int count) const
{
    Fault fault = makeFault(QStringLiteral("header"), path, method, count);
    fault.header = header;
    fault.value = value;
    return injectFault(fault).has_value();
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
