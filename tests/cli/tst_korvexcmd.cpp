#include "TestEnv.h"
#include "support/ServiceProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

// korvexcmd as a user runs it: a process with arguments, environment and
// standard input, judged by its exit status and its messages.
class TestKorvexCmd : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceProcess> service;

    struct Run
    {
        int exitCode = -1;
        QString err;
        QString out;
    };

    QStringList serverArgs() const { return {"--server", service->baseUrl(), "--ca-file", service->caFile()}; }

    // Runs korvexcmd; when `tanUser` is set, answers the TAN prompt with the
    // TAN the service delivered to that user.
    Run run(const QStringList &args, const QString &password = QString(), const QString &tanUser = QString(),
            const QByteArray &stdinText = QByteArray(), const QProcessEnvironment &extraEnv = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("KORVEX_PASSWORD");
        env.remove("KORVEX_ENTRY_PASSWORD");
        if (!password.isNull())
            env.insert("KORVEX_PASSWORD", password);
        env.insert(extraEnv);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("KORVEXCMD_BINARY"), args);
        Run r;
        if (!p.waitForStarted())
            return r;
        QByteArray err;
        if (!tanUser.isEmpty()) {
            QElapsedTimer t;
            t.start();
            while (!err.contains("TAN: ") && p.state() == QProcess::Running && t.elapsed() < 20000) {
                p.waitForReadyRead(200);
                err += p.readAllStandardError();
            }
            const auto tan = service->latestTan(tanUser);
            p.write((tan ? tan->tan : QStringLiteral("none")).toUtf8() + "\n");
        }
        if (!stdinText.isEmpty())
            p.write(stdinText);
        p.closeWriteChannel();
        if (!p.waitForFinished(30000))
            p.kill();
        err += p.readAllStandardError();
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromUtf8(err);
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        return r;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestEnv::isolated());
        QVERIFY(QFileInfo(qEnvironmentVariable("KORVEXCMD_BINARY")).isExecutable());
        service = std::make_unique<ServiceProcess>();
        QVERIFY2(service->start(), qPrintable(service->errorString()));
        QVERIFY(service->addUser("alice", "alice-pw").ok());
        QVERIFY(service->addUser("bob", "bob-pw", {"--2fa", "SMS", "--mobile", "+49170123456"}).ok());
        QVERIFY(service->addUser("carol", "carol-pw", {"--2fa", "SMS"}).ok());
    }

    void helpAndVersion()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("Exit status:"));
        QVERIFY(help.out.contains("login"));
        const Run version = run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("korvexcmd 1.1.0"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command -> 2") << QStringList{} << "expected a command";
        QTest::newRow("unknown command -> 2") << QStringList{"frobnicate"} << "unknown command";
        QTest::newRow("unknown option -> 2") << QStringList{"login", "--bogus"} << "Unknown option";
        QTest::newRow("bad server -> 2") << QStringList{"login", "--user", "x", "--server", "nowhere"}
                                         << "neither a server of the list nor an http(s) URL";
        QTest::newRow("no user -> 2") << QStringList{"login"} << "no account name given";
        QTest::newRow("bad tan method -> 2") << QStringList{"login", "--user", "x", "--tan-method", "fax"}
                                             << "unknown --tan-method";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args, "pw");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    void loginWithoutSecondFactor()
    {
        const Run r = run(QStringList{"login", "--user", "Alice"} + serverArgs(), "alice-pw");
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.err.contains("Logged in to Custom"));
        QVERIFY(r.err.contains("as alice"));
        QVERIFY(!r.err.contains("alice-pw")); // the password is never echoed
    }

    void wrongPassword()
    {
        const Run r = run(QStringList{"login", "--user", "alice"} + serverArgs(), "wrong");
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("Invalid username or password"), qPrintable(r.err));
    }

    void smsTanOnStdinThenDeviceBound()
    {
        const Run first = run(QStringList{"login", "--user", "bob"} + serverArgs(), "bob-pw", "bob");
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY(first.err.contains("A TAN was sent to"));
        // The server and CA are remembered, the device-bound factor spares the TAN.
        const Run second = run({"login", "--user", "bob", "--non-interactive"}, "bob-pw");
        QVERIFY2(second.exitCode == 0, qPrintable(second.err));
        QVERIFY(!second.err.contains("TAN"));
        // Forget the device: the TAN is needed again, and cannot be asked for.
        QCOMPARE(run({"logout", "--user", "bob", "--forget-device"}).exitCode, 0);
        const Run third = run({"login", "--user", "bob", "--non-interactive"}, "bob-pw");
        QCOMPARE(third.exitCode, 4);
        QVERIFY(third.err.contains("--non-interactive"));
    }

    void wrongTanThenEndOfInput()
    {
        const Run r = run(QStringList{"login", "--user", "carol"} + serverArgs(), "carol-pw", QString(), "ZZ9Z\n");
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains("The TAN was not accepted"), qPrintable(r.err));
        QVERIFY(r.err.contains("No TAN given"));
    }

    void passwordFile()
    {
        const QString path = QDir::homePath() + "/pw.txt";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alice-pw\n");
        f.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        const Run open = run({"login", "--user", "alice", "--password-file", path}, QString());
        QCOMPARE(open.exitCode, 5);
        QVERIFY(open.err.contains("readable by others"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const Run ok = run({"login", "--user", "alice", "--password-file", path}, QString());
        QVERIFY2(ok.exitCode == 0, qPrintable(ok.err));
    }

    void noPasswordNonInteractive()
    {
        const Run r = run({"login", "--user", "alice", "--non-interactive"}, QString());
        QCOMPARE(r.exitCode, 4);
        QVERIFY(r.err.contains("KORVEX_PASSWORD"));
    }

    void unreachableServer()
    {
        const Run r = run({"login", "--user", "alice", "--server", "https://127.0.0.1:9"}, "alice-pw");
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("Korvex service currently not available"), qPrintable(r.err));
    }

    void fileCommandsNeedARememberedAccount()
    {
        const Run r = run({"safes"});
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains("korvexcmd login --remember"), qPrintable(r.err));
        QCOMPARE(r.out, QString());
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
        const Run r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("is not a valid path"), qPrintable(r.err));
    }

    void fileCommands()
    {
        QVERIFY(service->addUser("dave", "dave-pw").ok());
        const QString safeId = service->addSafe("dave", "Files");
        QVERIFY(!safeId.isEmpty());
        const Run login = run(QStringList{"login", "--remember", "--user", "dave"} + serverArgs(), "dave-pw");
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));

        const Run table = run({"safes"});
        QVERIFY2(table.exitCode == 0, qPrintable(table.err));
        const QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.first().startsWith("ID") && lines.first().contains("QUOTA"));
        QVERIFY(lines.at(1).startsWith(safeId + " ") && lines.at(1).contains(" Files "));
        const Run json = run({"safes", "--json"});
        QCOMPARE(json.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).array().at(0).toObject().value("safe_name").toString(),
                 QStringLiteral("Files"));

        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.bin");
        QByteArray bytes(300000, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7 + i / 251);
        for (const auto &[path, data] : {qMakePair(a, QByteArray("hello")), qMakePair(b, bytes)}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        }
        const Run put = run({"put", a, b, "Files:/"});
        QVERIFY2(put.exitCode == 0, qPrintable(put.err));
        QCOMPARE(put.out, QString()); // messages go to standard error
        QVERIFY2(put.err.contains("Uploaded Files:/b.bin (300000 bytes)"), qPrintable(put.err));

        auto listing = [&](const QString &where) {
            QStringList paths;
            const Run ls = run({"ls", where, "--json"});
            for (const QJsonValue &v : QJsonDocument::fromJson(ls.out.toUtf8()).array())
                paths << v.toObject().value("path").toString() + ":" + v.toObject().value("type").toString();
            return ls.exitCode == 0 ? paths : QStringList{"exit " + QString::number(ls.exitCode), ls.err};
        };
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f"}));

        const QString back = dir.filePath("back.bin");
        const Run get = run({"get", "Files:/b.bin", back});
        QVERIFY2(get.exitCode == 0, qPrintable(get.err));
        QCOMPARE(get.out, QString());
        QFile fetched(back);
        QVERIFY(fetched.open(QIODevice::ReadOnly));
        QVERIFY(fetched.readAll() == bytes);
        fetched.close();

        // Again, changed: a new version of the same file.
        {
            QFile f(b);
            QVERIFY(f.open(QIODevice::Append) && f.write("more") == 4);
        }
        const Run again = run({"put", b, "Files:/"});
        QVERIFY2(again.exitCode == 0 && again.err.contains("300004 bytes, new version"), qPrintable(again.err));
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f"}));
        QCOMPARE(run({"get", "Files:/b.bin", dir.path()}).exitCode, 0); // into a folder: keeps its name
        QCOMPARE(QFileInfo(dir.filePath("b.bin")).size(), qint64(300004));

        const Run mkdir = run({"mkdir", safeId + ":/sub"}); // by id
        QVERIFY2(mkdir.exitCode == 0, qPrintable(mkdir.err));
        QCOMPARE(listing("Files:/"), (QStringList{"/a.txt:f", "/b.bin:f", "/sub:d"}));
        QCOMPARE(run({"rm", "Files:/a.txt"}).exitCode, 0);
        QCOMPARE(run({"rm", "Files:/sub"}).exitCode, 0);
        QCOMPARE(listing("Files:/"), QStringList{"/b.bin:f"});
        const auto trash = service->trash(safeId);
        QVERIFY(trash && trash->size() == 2);

        const Run unknown = run({"ls", "Nope:/"});
        QCOMPARE(unknown.exitCode, 6);
        QVERIFY2(unknown.err.contains("no file safe 'Nope'"), qPrintable(unknown.err));
        const Run missing = run({"get", "Files:/a.txt", back});
        QCOMPARE(missing.exitCode, 6);
        QVERIFY2(missing.err.contains("Files:/a.txt: no such file"), qPrintable(missing.err));
        QVERIFY(!get.err.contains('\r') && !put.err.contains('\r')); // no progress line without a terminal

        // A safe that lets files in but not out: refused, not "unreachable".
        QVERIFY(!service->addSafe("dave", "Drop", {"--access", "cu"}).isEmpty());
        QCOMPARE(run({"put", a, "Drop:/"}).exitCode, 0);
        const Run refused = run({"get", "Drop:/a.txt", back});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("Drop:/a.txt: no read access"), qPrintable(refused.err));

        // A safe name with a line break and an escape sequence in it cannot
        // forge a line or steer the terminal.
        QVERIFY(service->rewriteBody("/api/sync/1/files/info", "\"safe_name\":\"Files\"",
                                     "\"safe_name\":\"Files\\u001b[2J\\nForged line\"", "GET", 0));
        const Run hostile = run({"get", safeId + ":/a.txt", back});
        service->clearFaults();
        QCOMPARE(hostile.exitCode, 6);
        QVERIFY2(hostile.err.contains("korvexcmd get: Files[2JForged line:/a.txt: no such file"), qPrintable(hostile.err));
    }

    void untrustedCertificate()
    {
        // Without the service's CA the TLS handshake must fail verification.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Korvex/KorvexSync.conf";
        QSettings settings(config, QSettings::IniFormat);
        settings.remove("net/ca_file");
        settings.sync();
        const Run r = run({"login", "--user", "alice", "--server", service->baseUrl()}, "alice-pw");
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains("Unable to connect to Korvex"), qPrintable(r.err));
    }

    void passwordSafe()
    {
        QVERIFY(service->addUser("pete", "pete-pw").ok());
        const Run login = run(QStringList{"login", "--user", "pete", "--remember"} + serverArgs(), "pete-pw");
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));
        QProcessEnvironment breachedPassword;
        breachedPassword.insert("KORVEX_ENTRY_PASSWORD", "letmein");

        const Run mail = run({"passwords", "add", "--title", "Mail", "--username", "pete@example.org", "--generate",
                              "--length", "20"});
        QVERIFY2(mail.exitCode == 0, qPrintable(mail.err));
        const QString mailId = mail.out.trimmed();
        QVERIFY(mail.err.contains("strength"));
        const Run router = run({"passwords", "add", "--title", "Router"}, {}, {}, {}, breachedPassword);
        QVERIFY2(router.exitCode == 0, qPrintable(router.err));
        const QString routerId = router.out.trimmed();
        QCOMPARE(run({"passwords", "add", "--title", "X", "--non-interactive"}).exitCode, 4); // no password source
        QCOMPARE(run({"passwords", "add"}, {}, {}, {}, breachedPassword).exitCode, 2);          // no title

        const Run list = run({"passwords", "list", "--json"});
        QCOMPARE(list.exitCode, 0);
        const QJsonArray entries = QJsonDocument::fromJson(list.out.toUtf8()).array();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).toObject().keys(), (QStringList{"id", "title", "url", "username"}));
        QVERIFY(!list.out.contains("letmein") && !run({"passwords", "list"}).out.contains("letmein"));

        // Only the field itself on standard output.
        QCOMPARE(run({"passwords", "get", routerId}).out, QString("letmein\n"));
        QCOMPARE(run({"passwords", "get", mailId}).out.trimmed().size(), 20);
        QCOMPARE(run({"passwords", "get", mailId, "--field", "username"}).out, QString("pete@example.org\n"));

        const Run breached = run({"passwords", "breached"});
        QCOMPARE(breached.exitCode, 0);
        QVERIFY(breached.out.contains("Router") && !breached.out.contains("Mail"));
        QCOMPARE(run({"passwords", "edit", routerId, "--generate"}).exitCode, 0);
        QVERIFY(run({"passwords", "get", routerId}).out != "letmein\n");
        QVERIFY(!run({"passwords", "breached"}).out.contains("Router"));

        QCOMPARE(run({"passwords", "rm", mailId}).exitCode, 0);
        const Run gone = run({"passwords", "get", mailId});
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
        const Run r = run(QStringList{"passwords", "generate", "--user", "nobody"} + options);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(QRegularExpression("\\A" + pattern + "\n\\z").match(r.out).hasMatch(), qPrintable(r.out));
        QVERIFY(r.err.startsWith("Strength: "));
    }
};

QTEST_GUILESS_MAIN(TestKorvexCmd)
#include "tst_korvexcmd.moc"
