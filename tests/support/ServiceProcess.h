#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// Runs the reference service `korvex-service` as a child process for a test:
// a fresh data folder in a temporary directory, a free port on 127.0.0.1,
// HTTPS with the service's own CA.
//
// The binary comes from the environment variable KORVEX_SERVICE_BINARY; a
// test sets it in CMake with
//     ENV "KORVEX_SERVICE_BINARY=$<TARGET_FILE:korvex-service>"
//
// Typical use:
//     ServiceProcess service;
//     QVERIFY2(service.start(), qPrintable(service.errorString()));
//     QVERIFY(service.addUser("alice", "secret").ok());
//     const QString safeId = service.addSafe("alice", "Documents");
//     ... a client against service.baseUrl() with service.sslConfiguration() ...
//     service.forceStatus("/api/sync/1/files/info", 500);   // next matching request fails
//     const auto tan = service.latestTan("alice");           // the out-of-band TAN
//
// Every call returns a value and never uses QVERIFY/QCOMPARE; the test checks
// what it gets. Calls that talk to the admin interface run a local event loop
// and need a Q(Core)Application.
class ServiceProcess
{
public:
    struct Options
    {
        QStringList extraArgs; // more options for "serve"
    };

    // Result of one command-line call of korvex-service (add-user, add-safe, ...).
    struct CommandResult
    {
        int exitCode = -1; // -1: did not run or crashed
        QByteArray out;
        QByteArray err;
        bool ok() const { return exitCode == 0; }
    };

    // The latest out-of-band message (TAN) that the service "sent" to a user.
    struct OutOfBand
    {
        QString method;      // "SMS", "MTAN", "PHOTOTAN", "ITAN"
        QString tan;         // the code to enter
        QString destination; // mobile number, "photoTAN device", "iTAN list"
        QString reference;   // what the challenge showed
        int index = 0;       // iTAN: the index asked for
    };

    // Reply of the admin interface: HTTP status, envelope status and data.
    struct AdminReply
    {
        int httpStatus = 0;
        int status = 0;
        QJsonObject data;
        QString message;
        QString error; // transport problem, if any
        bool ok() const { return error.isEmpty() && httpStatus == 200 && status == 200; }
    };

    explicit ServiceProcess(Options options = {});
    ~ServiceProcess() { stop(); }
    ServiceProcess(const ServiceProcess &) = delete;
    ServiceProcess &operator=(const ServiceProcess &) = delete;

    // The binary named by KORVEX_SERVICE_BINARY (empty when unset).
    static QString binary() { return QString::fromLocal8Bit(qgetenv("KORVEX_SERVICE_BINARY")); }

    // Starts the service and waits until it listens; false with errorString().
    bool start(int timeoutMs = 30000);
    // SIGTERM, then waits for the end (kills after 10 s). True if it had run.
    bool stop();
    // stop() and start() on the same data folder (the port changes).
    bool restart(int timeoutMs = 30000) {
        stop();
        return start(timeoutMs);
    }
    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    QString errorString() const { return m_error; }

    QString baseUrl() const { return QStringLiteral("https://127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }
    QString caFile() const { return m_caFile; }
    QByteArray adminToken() const { return m_adminToken; }
    QString dataDir() const { return m_dataDir; }
    // Standard output and error of the running service so far.
    QByteArray output() const;
    // The default TLS configuration with the service's CA added.
    QSslConfiguration sslConfiguration() const;

    // korvex-service --data DIR <args...>, with extra environment variables.
    CommandResult run(const QStringList &args, const QProcessEnvironment &extraEnv = QProcessEnvironment()) const;
    // add-user NAME with the password in KORVEX_PASSWORD; extra options such as
    // {"--2fa", "SMS", "--state", "EXPIRED", "--passwords-max", "3"}.
    CommandResult addUser(const QString &name, const QString &password, const QStringList &extra = {}) const;
    // add-safe USER NAME; the new safe's id, or empty on failure (then `result` tells why).
    // Extra options such as {"--type", "TEAMSAFE", "--access", "r", "--quota", "1000"}.
    QString addSafe(const QString &user, const QString &name, const QStringList &extra = {},
                    CommandResult *result = nullptr) const;
    CommandResult shareSafe(const QString &safeId, const QString &user, const QStringList &extra = {}) const
    {
        return run(QStringList{QStringLiteral("share-safe"), safeId, user} + extra);
    }

    // The latest TAN delivered to the user, from the admin interface.
    std::optional<OutOfBand> latestTan(const QString &user) const;

    // The admin interface: "/admin/..." with the admin token.
    AdminReply admin(const QByteArray &method, const QString &path, const QJsonObject &body = {}) const;
    // Faults of the admin interface. Each hits the next `count` requests (0:
    // all until cleared) whose path starts with `path` and, when given, whose
    // method is `method`: "delay" waits ms, then answers; "stall" holds the
    // reply until clearFaults() or ms; "cut" closes the connection after
    // `afterBytes` of the body (-1: half); "status" answers the HTTP status;
    // "rewrite" turns the first `from` in the body into `to`; "header" sets
    // the reply header to `value` (empty: removed).
    bool delay(const QString &path, int ms, const QString &method = {}, int count = 1) const;
    bool stall(const QString &path, int ms = 600000, const QString &method = {}, int count = 1) const;
    bool cutBody(const QString &path, qint64 afterBytes = -1, const QString &method = {}, int count = 1) const;
    bool forceStatus(const QString &path, int httpStatus, const QString &method = {}, int count = 1) const;
    bool rewriteBody(const QString &path, const QString &from, const QString &to, const QString &method = {},
                     int count = 1) const;
    bool replaceHeader(const QString &path, const QString &header, const QString &value, const QString &method = {},
                       int count = 1) const;
    bool clearFaults() const; // also releases stalled replies
    // Ends the sessions of a user (all users when empty); the number ended.
    std::optional<int> expireSessions(const QString &user = {}) const;
    // The objects in the trash held by a safe (object_id, safe_id, path, type, size).
    std::optional<QJsonArray> trash(const QString &safeId) const;

private:
    bool readStartupLines(int timeoutMs);
    bool fault(const QString &kind, const QString &path, const QString &method, int count, QJsonObject extra) const;

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    std::unique_ptr<QProcess> m_process;
    QString m_dataDir;
    QString m_outFile;
    QString m_error;
    QString m_caFile;
    QByteArray m_adminToken;
    int m_port = 0;
};
