#pragma once

#include <QProcess>
#include <QTest>

#include <functional>

// korvexcmd as a user runs it: a process with arguments, environment and
// standard input, judged by its exit status and what it printed. The event
// loop runs meanwhile, so a scripted peer in the test can answer it.
struct CmdRun
{
    int exitCode = -1; // -1: did not start, crashed or hung
    QString out;
    QString err;
};

// `password` goes into KORVEX_PASSWORD (a null one: none). `tan`, when set,
// gives the line to type once the program prompts "TAN: ".
inline CmdRun runKorvexCmd(const QStringList &args, const QString &password = QString(),
                           const QByteArray &stdinText = QByteArray(), const QProcessEnvironment &extraEnv = {},
                           const std::function<QByteArray()> &tan = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KORVEX_PASSWORD"));
    env.remove(QStringLiteral("KORVEX_ENTRY_PASSWORD"));
    if (!password.isNull())
        env.insert(QStringLiteral("KORVEX_PASSWORD"), password);
    env.insert(extraEnv);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KORVEXCMD_BINARY"), args);
    CmdRun r;
    if (!p.waitForStarted())
        return r;
    QByteArray err;
    if (tan) {
        const bool prompted = QTest::qWaitFor([&] {
            err += p.readAllStandardError();
            return err.contains("TAN: ") || p.state() == QProcess::NotRunning;
        }, 20000);
        if (prompted)
            p.write(tan() + "\n");
    }
    p.write(stdinText);
    p.closeWriteChannel();
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 30000))
        p.kill();
    p.waitForFinished(5000);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(err + p.readAllStandardError());
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    return r;
}
