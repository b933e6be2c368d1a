#include "KorvexCmdRun.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "support/ServiceProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

// korvexcmd against the reference service: logins, second factors, the
// file and password commands, judged by exit status and messages.
using TestFiles::writeFile;

class TestKorvexCmd : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceProcess> service;

    QStringList serverArgs() const { return {"--server", service->baseUrl(), "--ca-file", service->caFile()}; }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        QVERIFY(QFileInfo(qEnvironmentVariable("KORVEXCMD_BINARY")).isExecutable());
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("alice", "alice-pw").ok());
        QVERIFY(service->addUser("bob", "bob-pw", {"--2fa", "SMS", "--mobile", "+49170123456"}).ok());
    }

    void helpAndVersion()
    {
        const CmdRun help = runKorvexCmd({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("Exit status:") && help.out.contains("login"));
        const CmdRun version = runKorvexCmd({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("korvexcmd 1.1.0"));
    }

    // Each exit status as --help documents it; "SERVER" stands for the
    // service's address and CA options.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command -> 2") << QStringList{} << "pw" << 2 << "expected a command";
        QTest::newRow("unknown command -> 2") << QStringList{"frobnicate"} << "pw" << 2 << "unknown command";
        QTest::newRow("unknown option -> 2") << QStringList{"login", "--bogus"} << "pw" << 2 << "Unknown option";
        QTest::newRow("bad server -> 2") << QStringList{"login", "--user", "x", "--server", "nowhere"} << "pw" << 2
                                         << "neither a server of the list nor an http(s) URL";
        QTest::newRow("no user -> 2") << QStringList{"login"} << "pw" << 2 << "no account name given";
        QTest::newRow("bad tan method -> 2") << QStringList{"login", "--user", "x", "--tan-method", "fax"} << "pw" << 2
                                             << "unknown --tan-method";
        QTest::newRow("wrong password -> 1") << QStringList{"login", "--user", "alice", "SERVER"} << "wrong" << 1
                                             << "Invalid username or password";
        QTest::newRow("no password, non-interactive -> 4")
            << QStringList{"login", "--user", "alice", "--non-interactive"} << QString() << 4 << "KORVEX_PASSWORD";
        QTest::newRow("unreachable server -> 3")
            << QStringList{"login", "--user", "alice", "--server", "https://127.0.0.1:9"} << "alice-pw" << 3
            << "Korvex service currently not available";
        QTest::newRow("file command without a remembered account -> 4")
            << QStringList{"safes"} << QString() << 4 << "korvexcmd login --remember";
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, password);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const int at = args.indexOf("SERVER");
        if (at >= 0)
            args = args.mid(0, at) + serverArgs() + args.mid(at + 1);
        const CmdRun r = runKorvexCmd(args, password);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    void loginWithoutSecondFactor()
    {
        const CmdRun r = runKorvexCmd(QStringList{"login", "--user", "Alice"} + serverArgs(), "alice-pw");
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.contains("Logged in to Custom") && r.err.contains("as alice"), qPrintable(r.err));
        QVERIFY(!r.err.contains("alice-pw")); // the password is never echoed
        // The same from a private password file.
        const QString path = QDir::homePath() + "/pw.txt";
        QVERIFY(writeFile(path, "alice-pw\n") && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        const CmdRun fromFile = runKorvexCmd({"login", "--user", "alice", "--password-file", path});
        QVERIFY2(fromFile.exitCode == 0, qPrintable(fromFile.err));
    }

    void smsTanOnStdinThenDeviceBound()
    {
        // The TAN prompt is answered with the TAN the service sent to bob.
        const CmdRun first = runKorvexCmd(QStringList{"login", "--user", "bob"} + serverArgs(), "bob-pw", {}, {}, [this] {
            const auto oob = service->latestTan("bob");
            return (oob ? oob->tan : QStringLiteral("none")).toUtf8();
        });
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY(first.err.contains("A TAN was sent to"));
        // The server and CA are remembered, the device-bound factor spares the TAN.
        const CmdRun second = runKorvexCmd({"login", "--user", "bob", "--non-interactive"}, "bob-pw");
        QVERIFY2(second.exitCode == 0, qPrintable(second.err));
        QVERIFY(!second.err.contains("TAN"));
        // Forget the device: the TAN is needed again, and cannot be asked for.
        QCOMPARE(runKorvexCmd({"logout", "--user", "bob", "--forget-device"}).exitCode, 0);
        const CmdRun third = runKorvexCmd({"login", "--user", "bob", "--non-interactive"}, "bob-pw");
        QCOMPARE(third.exitCode, 4);
        QVERIFY(third.err.contains("--non-interactive"));
        // A wrong TAN, then the end of the input.
        const CmdRun wrong = runKorvexCmd({"login", "--user", "bob"}, "bob-pw", "ZZ9Z\n");
        QCOMPARE(wrong.exitCode, 4);
        QVERIFY2(wrong.err.contains("The TAN was not accepted") && wrong.err.contains("No TAN given"), qPrintable(wrong.err));
    }

    void hostilePathsAreRefusedBeforeAnyRequest_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("ls SAFE:/../x -> 2") << QStringList{"ls", "Files:/../x"};
        QTest::newRow("get SAFE:/a//b -> 2") << QStringList{"get", "Files:/a//b"};
        QTest::newRow("rm SAFE:/./a -> 2") << QStringList{"rm", "Files:/./a"};
        QTest::newRow("put into SAFE:/a/.. -> 2") << QStringList{"put", "x", "Files:/a/.."};
    }
    void hostilePathsAreRefusedBeforeAnyRequest()
    {
        QFETCH(QStringList, args);
        // No account is needed to be refused: the path is checked first.
        const CmdRun r = runKorvexCmd(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("is not a valid path"), qPrintable(r.err));
    }

    void fileCommands()
    {
        QVERIFY(service->addUser("dave", "dave-pw").ok());
        const QString safeId = service->addSafe("dave", "Files");
        QVERIFY(!safeId.isEmpty());
        const CmdRun login = runKorvexCmd(QStringList{"login", "--remember", "--user", "dave"} + serverArgs(), "dave-pw");
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));

        const CmdRun table = runKorvexCmd({"safes"});
        QVERIFY2(table.exitCode == 0, qPrintable(table.err));
        const QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.first().startsWith("ID") && lines.first().contains("QUOTA"));
        QVERIFY(lines.at(1).startsWith(safeId + " ") && lines.at(1).contains(" Files "));
        const CmdRun json = runKorvexCmd({"safes", "--json"});
        QCOMPARE(json.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).array().at(0).toObject().value("safe_name").toString(),
                 QStringLiteral("Files"));

        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.bin");
        const QByteArray bytes = TestFiles::randomData(300000, 7);
        QVERIFY(writeFile(a, "hello") && writeFile(b, bytes));
        const CmdRun put = runKorvexCmd({"put", a, b, "Files:/"});
        QVERIFY2(put.exitCode == 0, qPrintable(put.err));
        QCOMPARE(put.out, QString()); // messages go to standard error
        QVERIFY2(put.err.contains("Uploaded Files:/b.bin (300000 bytes)"), qPrintable(put.err));

        auto listing = [&](const QString &where) {
            QStringList paths;
            const CmdRun ls = runKorvexCmd({"ls", where, "--json"});
            for (const QJsonValue &v : QJsonDocument::fromJson(ls.out.toUtf8()).array())
                paths << v.toObject().value("path").toString() + ":" + v.toObject().value("type").toString();
            return ls.exitCode == 0 ? paths : QStringList{"exit " + QString::number(ls.exitCode), ls.err};
        };
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f"}));
        // Empty when `args` fail with `code` and name `message`.
        auto refusal = [&](const QStringList &args, int code, const QString &message) {
            const CmdRun r = runKorvexCmd(args);
            return r.exitCode == code && r.err.contains(message) ? QString() : QString::number(r.exitCode) + ": " + r.err;
        };

        const QString back = dir.filePath("back.bin");
        const CmdRun get = runKorvexCmd({"get", "Files:/b.bin", back});
        QVERIFY2(get.exitCode == 0, qPrintable(get.err));
        QCOMPARE(get.out, QString());
        QVERIFY(TestFiles::readFile(back) == bytes);

        // Again, changed: a new version of the same file.
        QVERIFY(writeFile(b, bytes + "more"));
        const CmdRun again = runKorvexCmd({"put", b, "Files:/"});
        QVERIFY2(again.exitCode == 0 && again.err.contains("300004 bytes, new version"), qPrintable(again.err));
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f"}));
        QCOMPARE(runKorvexCmd({"get", "Files:/b.bin", dir.path()}).exitCode, 0); // into a folder: keeps its name
        QCOMPARE(QFileInfo(dir.filePath("b.bin")).size(), qint64(300004));

        QCOMPARE(runKorvexCmd({"mkdir", safeId + ":/sub"}).exitCode, 0); // by id
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f", "/sub:d"}));
        QCOMPARE(runKorvexCmd({"rm", "Files:/a.txt"}).exitCode, 0);
        QCOMPARE(runKorvexCmd({"rm", "Files:/sub"}).exitCode, 0);
        QCOMPARE(listing("Files:/"), QStringList{"/b.bin:f"});
        const auto trash = service->trash(safeId);
        QVERIFY(trash && trash->size() == 2);

        QCOMPARE(refusal({"ls", "Nope:/"}, 6, "no file safe 'Nope'"), QString());
        QCOMPARE(refusal({"get", "Files:/a.txt", back}, 6, "Files:/a.txt: no such file"), QString());
        QVERIFY(!get.err.contains('\r') && !put.err.contains('\r')); // no progress line without a terminal

        // A safe that lets files in but not out: refused, not "unreachable".
        QVERIFY(!service->addSafe("dave", "Drop", {"--access", "cu"}).isEmpty());
        QCOMPARE(runKorvexCmd({"put", a, "Drop:/"}).exitCode, 0);
        QCOMPARE(refusal({"get", "Drop:/a.txt", back}, 1, "Drop:/a.txt: no read access"), QString());

        // A safe name with a line break and an escape sequence in it cannot
        // forge a line or steer the terminal.
        QVERIFY(service->rewriteBody("/api/sync/1/files/info", "\"safe_name\":\"Files\"",
                                     "\"safe_name\":\"Files\\u001b[2J\\nForged line\"", "GET", 0));
        const QString hostile = refusal({"get", safeId + ":/a.txt", back}, 6, "korvexcmd get: Files[2JForged line:/a.txt: no such file");
        service->clearFaults();
        QCOMPARE(hostile, QString());
    }

    void passwordSafe()
    {
        QVERIFY(service->addUser("pete", "pete-pw").ok());
        const CmdRun login = runKorvexCmd(QStringList{"login", "--user", "pete", "--remember"} + serverArgs(), "pete-pw");
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));
        QProcessEnvironment breachedPassword;
        breachedPassword.insert("KORVEX_ENTRY_PASSWORD", "letmein");

        const CmdRun mail = runKorvexCmd({"passwords", "add", "--title", "Mail", "--username", "pete@example.org", "--generate",
                                          "--length", "20"});
        QVERIFY2(mail.exitCode == 0, qPrintable(mail.err));
        const QString mailId = mail.out.trimmed();
        QVERIFY(mail.err.contains("strength"));
        const CmdRun router = runKorvexCmd({"passwords", "add", "--title", "Router"}, {}, {}, breachedPassword);
        QVERIFY2(router.exitCode == 0, qPrintable(router.err));
        const QString routerId = router.out.trimmed();
        QCOMPARE(runKorvexCmd({"passwords", "add", "--title", "X", "--non-interactive"}).exitCode, 4); // no password source
        QCOMPARE(runKorvexCmd({"passwords", "add"}, {}, {}, breachedPassword).exitCode, 2);          // no title

        const CmdRun list = runKorvexCmd({"passwords", "list", "--json"});
        QCOMPARE(list.exitCode, 0);
        const QJsonArray entries = QJsonDocument::fromJson(list.out.toUtf8()).array();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).toObject().keys(), (QStringList{"id", "title", "url", "username"}));
        QVERIFY(!list.out.contains("letmein") && !runKorvexCmd({"passwords", "list"}).out.contains("letmein"));

        // Only the field itself on standard output.
        QCOMPARE(runKorvexCmd({"passwords", "get", routerId}).out, QString("letmein\n"));
        QCOMPARE(runKorvexCmd({"passwords", "get", mailId}).out.trimmed().size(), 20);
        QCOMPARE(runKorvexCmd({"passwords", "get", mailId, "--field", "username"}).out, QString("pete@example.org\n"));

        const CmdRun breached = runKorvexCmd({"passwords", "breached"});
        QCOMPARE(breached.exitCode, 0);
        QVERIFY(breached.out.contains("Router") && !breached.out.contains("Mail"));
        QCOMPARE(runKorvexCmd({"passwords", "edit", routerId, "--generate"}).exitCode, 0);
        QVERIFY(runKorvexCmd({"passwords", "get", routerId}).out != "letmein\n");
        QVERIFY(!runKorvexCmd({"passwords", "breached"}).out.contains("Router"));

        QCOMPARE(runKorvexCmd({"passwords", "rm", mailId}).exitCode, 0);
        const CmdRun gone = runKorvexCmd({"passwords", "get", mailId});
        QCOMPARE(gone.exitCode, 6);
        QVERIFY(gone.out.isEmpty());
    }

    void generatePassword_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("--length 24 --no-special -> letters and digits") << QStringList{"--length", "24", "--no-special"}
                                                                       << "[A-Za-z0-9]{24}";
        QTest::newRow("--no-digits --no-special -> letters") << QStringList{"--no-digits", "--no-special"} << "[A-Za-z]{12}";
        QTest::newRow("--memorizable -> 12 with two digits") << QStringList{"--memorizable"}
                                                            << "[a-z]{4}([0-9]{2}[a-z]{2}|[a-z][0-9]{2}[a-z]|[a-z]{2}[0-9]{2})[a-z]{4}";
    }
    void generatePassword()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, pattern);
        // No login: a user without remembered password does not matter.
        const CmdRun r = runKorvexCmd(QStringList{"passwords", "generate", "--user", "nobody"} + options);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(QRegularExpression("\\A" + pattern + "\n\\z").match(r.out).hasMatch(), qPrintable(r.out));
        QVERIFY(r.err.startsWith("Strength: "));
    }

    // Last: it removes the trusted CA. Without the service's CA the TLS
    // handshake must fail verification.
    void untrustedCertificate()
    {
        QSettings settings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Korvex/KorvexSync.conf", QSettings::IniFormat);
        settings.remove("net/ca_file");
        settings.sync();
        const CmdRun r = runKorvexCmd({"login", "--user", "alice", "--server", service->baseUrl()}, "alice-pw");
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("Unable to connect to Korvex"), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestKorvexCmd)
#include "tst_korvexcmd.moc"
