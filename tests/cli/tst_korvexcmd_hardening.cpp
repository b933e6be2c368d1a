#include "KorvexCmdRun.h"
#include "ScriptedPeer.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "TestPki.h"
#include "support/ServiceProcess.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Control characters a server could use to clear the screen or retitle the window.
bool hasControl(const QString &text)
{
    for (const QChar c : text)
        if ((c.unicode() < 0x20 && c != QLatin1Char('\n')) || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            return true;
    return false;
}

QString mode(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? QString::number(st.st_mode & 0777, 8) : QString();
}
} // namespace

using TestFiles::writeFile;

// korvexcmd against what an attacker or bad luck brings: a hostile server
// (a scripted TLS peer on loopback), a service that fails, a database held
// by another process, a password file that is not what it seems, a
// terminal interrupted at the password prompt, and endless wrong TANs.
class TestKorvexCmdHardening : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<TestPki> pki;
    std::unique_ptr<ScriptedPeer> peer;
    std::unique_ptr<ServiceProcess> service;
    QString peerCa;

    QStringList peerArgs() const { return {"--server", peer->url("localhost"), "--ca-file", peerCa}; }
    QStringList serviceArgs() const { return {"--server", service->baseUrl(), "--ca-file", service->caFile()}; }

    // The login steps of a server that wants an SMS TAN and puts escape
    // sequences into the mobile number and the TAN reference; `failingStep`
    // is answered with `statusLine` and an empty envelope instead.
    void serveHostileLogin(const QByteArray &statusLine = "HTTP/1.1 200 OK", const QString &failingStep = "CREATE_SESSION")
    {
        peer->setScript([statusLine, failingStep](const PeerRequest &r, PeerConnection *c) {
            const QString step = QJsonDocument::fromJson(r.body).object().value("step").toString();
            QByteArray data = "{}";
            if (step == failingStep) {
                const QByteArray body = envelope();
                c->writeRaw(statusLine + "\r\nContent-Type: application/json\r\nContent-Length: "
                            + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                return;
            }
            if (step == "IDENTIFY_USER")
                data = "{\"loginState\":\"IDENTIFIED\",\"salt\":\"0a0b\",\"b\":\"0c0d\"}";
            else if (step == "VERIFY_M1")
                data = "{\"loginState\":\"PRE_AUTHENTICATED_SELECT_2FA_METHOD\",\"m2\":\"00\",\"supported2faMethods\":"
                       "[\"SMS\"],\"thirdParty\":{\"MTAN_mobilePhoneNumber\":\"+49\\u001b[2J\\u001b]0;pwned\\u0007 170\"}}";
            else if (step == "SELECT_2FA_METHOD")
                data = "{\"loginState\":\"PRE_AUTHENTICATED_SELECT_2FA_METHOD\",\"code\":\"ref\\u009b31m\\u001b[1;1H\"}";
            c->reply(200, envelope(data));
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        QVERIFY(QFileInfo(qEnvironmentVariable("KORVEXCMD_BINARY")).isExecutable());
        env = std::make_unique<TestEnv>();
        pki = std::make_unique<TestPki>();
        QVERIFY(!pki->isNull());
        peerCa = QDir::homePath() + "/peer-ca.pem";
        QVERIFY(writeFile(peerCa, pki->caPem()));
        const TestPki::Leaf leaf = pki->issue({"localhost"});
        peer = std::make_unique<ScriptedPeer>();
        peer->setTls(leaf.certificatePem, leaf.keyPem);
        QVERIFY(peer->start());
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("alice", "alice-pw").ok());
        QVERIFY(service->addUser("carol", "carol-pw", {"--2fa", "SMS"}).ok());
    }

    void serverTextReachesTheTerminalClean_data()
    {
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown");
        QTest::newRow("mobile number and TAN reference -> cleaned") << QByteArray("HTTP/1.1 200 OK") << 4
                                                                    << "A TAN was sent to +49";
        QTest::newRow("HTTP reason phrase in the failure -> cleaned")
            << QByteArray("HTTP/1.1 500 \x1b]0;pwned\x07\x1b[2J") << 3 << "Network error";
    }
    void serverTextReachesTheTerminalClean()
    {
        QFETCH(QByteArray, statusLine);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        serveHostileLogin(statusLine);
        const CmdRun r = runKorvexCmd(QStringList{"login", "--user", "mallory"} + peerArgs(), "pw");
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(shown), qPrintable(r.err));
        QVERIFY2(!hasControl(r.err), qPrintable(r.err.toUtf8().toPercentEncoding(" :()/.,'-\n")));
    }

    // The desktop client's debug switch that trusts any certificate.
    void ignoreSslSettingIsNotHonoured()
    {
        serveHostileLogin();
        QTest::qWait(300); // late requests of the runs before (their session checks) arrive first
        const int before = peer->requests().size();
        env->settings()->setValue("ui/dbg_dialog_ignore_ssl", true);
        env->settings()->sync();
        // An impostor: the peer's certificate comes from a CA nobody trusts.
        const CmdRun r = runKorvexCmd({"login", "--user", "mallory", "--server", peer->url("localhost"), "--ca-file",
                                       service->caFile()}, "pw");
        env->settings()->remove("ui/dbg_dialog_ignore_ssl");
        env->settings()->sync();
        QVERIFY2(r.exitCode == 3, qPrintable(r.err));
        QVERIFY2(r.err.contains("ui/dbg_dialog_ignore_ssl"), qPrintable(r.err));
        QCOMPARE(peer->requests().size(), before); // nothing went to the impostor
    }

    void failuresSayTheirCause_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        // The first step kept its code before; the later ones said "wrong password".
        QTest::newRow("HTTP 500 at the second login step -> 3, the server") << "http500" << "alice" << 3
                                                                             << "Unable to connect";
        // The first login of an account records it before anything is sent.
        QTest::newRow("database locked by another process -> 5, the database")
            << "locked" << "newcomer" << 5 << "Database error";
    }
    void failuresSayTheirCause()
    {
        QFETCH(QString, fault);
        QFETCH(QString, user);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QSqlDatabase other;
        QStringList server = serviceArgs();
        if (fault == "http500") {
            serveHostileLogin("HTTP/1.1 500 Internal Server Error", "IDENTIFY_USER");
            server = peerArgs();
        } else {
            // Another program in the middle of a write.
            if (!QFile::exists(env->appInfo()->databasePath()))
                runKorvexCmd({"login", "--user", "x", "--server", "https://127.0.0.1:9"}, "pw");
            other = QSqlDatabase::addDatabase("QSQLITE", "holder");
            other.setDatabaseName(env->appInfo()->databasePath());
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec("BEGIN IMMEDIATE"));
        }
        const CmdRun r = runKorvexCmd(QStringList{"login", "--user", user} + server, "alice-pw");
        other.close(); // rolls the open write back
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY2(!r.err.contains("Invalid username or password"), qPrintable(r.err));
    }

    void tooManyWrongTans_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("lines that are no TAN -> gives up") << QByteArray("x\ny\nzz\n12345\n!!!!\n");
        QTest::newRow("TANs the server rejects -> gives up") << QByteArray("ZZ9Z\nZZ9Y\nZZ9X\nZZ9W\n");
        // It once asked again by recursion, and an endless stream crashed it.
        QTest::newRow("endless bad lines -> gives up, no crash") << QByteArray(240000, '\n').replace(0, 1, "x");
    }
    void tooManyWrongTans()
    {
        QFETCH(QByteArray, input);
        const CmdRun r = runKorvexCmd(QStringList{"login", "--user", "carol"} + serviceArgs(), "carol-pw", input);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("Too many wrong TANs"), qPrintable(r.err));
    }

    void passwordFileIsChecked_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("link to a private file -> refused") << "link" << "is a symbolic link";
        QTest::newRow("another user's file -> refused") << "foreign" << "belongs to another user";
        QTest::newRow("readable by the group -> refused") << "group" << "readable by others";
        QTest::newRow("a pipe -> refused, no waiting") << "fifo" << "not a regular file";
    }
    void passwordFileIsChecked()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const QString real = QDir::homePath() + "/real-pw.txt";
        QVERIFY(writeFile(real, "alice-pw\n") && QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        QString given = QDir::homePath() + "/given-" + kind;
        QFile::remove(given);
        if (kind == "link") {
            QVERIFY(QFile::link(real, given));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(given).constData(), 0600), 0);
        } else {
            QVERIFY(QFile::copy(real, given));
            QCOMPARE(::chmod(QFile::encodeName(given).constData(), kind == "group" ? 0640 : 0600), 0);
            if (kind == "foreign" && ::chown(QFile::encodeName(given).constData(), 65534, 65534) != 0)
                QSKIP("needs root to give a file to another user");
        }
        const CmdRun r = runKorvexCmd(QStringList{"login", "--user", "alice", "--password-file", given} + serviceArgs());
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    // Files 0600, folders 0700, also those an earlier version left open.
    void filesArePrivate()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Korvex";
        const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + "/Korvex";
        QVERIFY(QDir().mkpath(cache + "/KorvexSync"));
        QVERIFY(writeFile(cache + "/KorvexSync/korvexcmd.log", "old\n"));
        QCOMPARE(::chmod(QFile::encodeName(cache + "/KorvexSync/korvexcmd.log").constData(), 0644), 0);
        QCOMPARE(::chmod(QFile::encodeName(cache).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(config + "/KorvexSync.conf").constData(), 0644), 0);
        runKorvexCmd(QStringList{"login", "--user", "alice"} + serviceArgs(), "alice-pw");
        int seen = 0;
        for (const QString &root : {config, cache}) {
            QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
            QVERIFY(QFileInfo(root).isDir());
            QCOMPARE(mode(root), QString("700"));
            while (it.hasNext()) {
                const QString path = it.next();
                if (path.endsWith(".lock"))
                    continue; // lock files hold a process id, no secret, in a private folder
                QCOMPARE(mode(path) + ' ' + path, QString(it.fileInfo().isDir() ? "700 " : "600 ") + path);
                ++seen;
            }
        }
        QVERIFY(seen >= 5); // settings, database, CA copy, log, folders
    }

    // Ctrl-C at the password prompt must give the terminal its echo back.
    void interruptAtThePasswordPromptRestoresEcho()
    {
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::unsetenv("KORVEX_PASSWORD");
            const QByteArray binary = qgetenv("KORVEXCMD_BINARY");
            ::execl(binary.constData(), binary.constData(), "login", "--user", "alice", "--server",
                    "https://127.0.0.1:9", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        QByteArray seen;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        const bool prompted = QTest::qWaitFor([&] {
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            seen.append(buffer, int(qMax<ssize_t>(n, 0)));
            return seen.contains("Password for");
        }, 20000);
        QVERIFY2(prompted, seen.constData());
        termios during {};
        QCOMPARE(::tcgetattr(master, &during), 0);
        QVERIFY(!(during.c_lflag & ECHO)); // the prompt switched it off
        ::kill(pid, SIGINT);
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        termios after {};
        QCOMPARE(::tcgetattr(master, &after), 0);
        ::close(master);
        QVERIFY(after.c_lflag & ECHO);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    }
};

QTEST_GUILESS_MAIN(TestKorvexCmdHardening)
#include "tst_korvexcmd_hardening.moc"
