#pragma once

#include "support/SyncHarness.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSysInfo>
#include <QTest>

// Scenarios of two-way sync, read like this:
//   "L a/b.txt=text"  write a local file      "L- a/b.txt"  delete it locally
//   "R a/b.txt=text"  write a remote file     "R- a/b.txt"  delete it remotely
//   "LD dir", "RD dir" make a folder locally / remotely
//   "S"                synchronise (client 0)
// and expectations about the last synchronisation and the result:
//   "line upload|a.txt|Ok"      an action line of the last sync
//   "noline a.txt"              no action line names a.txt
//   "local a.txt=text"          "local- a.txt"     "remote a.txt=text"  "remote- a.txt"
//   "conflict a.txt=text"       a conflict copy of a.txt holds text
//   "copyname a.txt= 1"          a conflict copy of a.txt has this counter ("... 2026-12-04 1).txt")
//   "remotetrash a.txt"         the safe's trash holds a.txt
//   "localtrash a.txt"          the desktop trash of the client holds a.txt
//   "exit 7"                    the exit status of the last sync (default 0)
//   "equal"                     local and remote trees are the same
namespace SyncScenario {

// Starts the service and the first client; empty, or what went wrong.
inline QString start(SyncHarness &h)
{
    return h.start() ? (h.client(), h.error()) : h.error();
}

// Runs the steps; returns the last sync's outcome or an error text.
inline QString play(SyncHarness &h, const QStringList &steps, SyncHarness::Run *last)
{
    for (const QString &step : steps) {
        const QString op = step.section(' ', 0, 0), arg = step.section(' ', 1);
        const QString path = arg.section('=', 0, 0);
        const QByteArray content = arg.section('=', 1).toUtf8();
        bool ok = true;
        if (op == "L")
            ok = h.client().write(path, content);
        else if (op == "L-")
            ok = h.client().remove(path);
        else if (op == "LD")
            ok = QDir().mkpath(h.client().path(path));
        else if (op == "R")
            ok = h.remote().put(path, content);
        else if (op == "R-")
            ok = h.remote().remove(path);
        else if (op == "RD")
            ok = h.remote().mkdir(path);
        else if (op == "S")
            ok = (*last = h.syncOnce()).exitCode >= 0;
        else
            return QString("unknown step '%1'").arg(step);
        if (!ok)
            return QString("step '%1' failed: %2").arg(step, last->describe());
    }
    return QString();
}

// Checks one expectation; an empty text when it holds.
inline QString check(SyncHarness &h, const SyncHarness::Run &run, const QString &expect)
{
    const QString op = expect.section(' ', 0, 0), arg = expect.section(' ', 1);
    const QString path = arg.section('=', 0, 0);
    const QByteArray content = arg.section('=', 1).toUtf8();
    if (op == "line") {
        const QStringList f = arg.split('|');
        if (!run.has(f.value(0), f.value(1), f.value(2)))
            return QString("no line '%1'").arg(arg);
    } else if (op == "noline") {
        for (const QString &line : run.lines)
            if (line.section('\t', 1, 1) == arg)
                return QString("unexpected line '%1'").arg(line);
    } else if (op == "local" || op == "remote") {
        const auto now = op == "local" ? h.client().read(path) : h.remote().get(path);
        if (now != content)
            return QString("%1 %2 is '%3'").arg(op, path, QString::fromUtf8(now.value_or("<absent>")));
    } else if (op == "local-" || op == "remote-") {
        if (op == "local-" ? QFileInfo::exists(h.client().path(path)) : h.remote().objects().contains(path))
            return QString("%1 %2 exists").arg(op.chopped(1), path);
    } else if (op == "conflict" || op == "copyname") {
        // "a(host's conflicted copy 2026-12-04).txt", a counter before ")" from the second one of a day on.
        const QFileInfo info(h.client().path(path));
        const QString host = QSysInfo::machineHostName().section('.', 0, 0);
        const QString prefix = info.fileName().section('.', 0, 0) + "(" + (host.isEmpty() ? "" : host + "'s ") + "conflicted copy ";
        const QStringList copies = info.dir().entryList({prefix + '*'}, QDir::Files);
        bool found = false;
        for (const QString &c : copies) {
            if (op == "conflict") {
                QFile f(info.dir().filePath(c));
                found = found || (f.open(QIODevice::ReadOnly) && f.readAll() == content);
            } else {
                for (const QDate &day : {QDate::currentDate(), QDate::currentDate().addDays(-1)})
                    found = found || c.contains("copy " + day.toString("yyyy-MM-dd") + content + ")");
            }
        }
        if (!found)
            return QString("no conflict copy of %1 with %2 '%3' among %4")
                .arg(path, op == "conflict" ? "content" : "counter", QString::fromUtf8(content), copies.join(','));
    } else if (op == "remotetrash") {
        bool found = false;
        for (const QJsonValue v : h.service().trash(h.safeId()).value_or(QJsonArray()))
            found = found || v.toObject().value("path").toString() == '/' + path;
        if (!found)
            return QString("the safe's trash lacks %1").arg(path);
    } else if (op == "localtrash") {
        if (!h.client().trashed().contains(path.section('/', -1)))
            return QString("the desktop trash lacks %1 (%2)").arg(path, h.client().trashed().join(','));
    } else if (op == "exit") {
        if (run.exitCode != arg.toInt())
            return QString("exit %1, expected %2").arg(run.exitCode).arg(arg);
    } else if (op == "equal") {
        const QStringList local = h.localTree(), remote = h.remoteTree();
        if (local != remote)
            return QString("trees differ:\nlocal  %1\nremote %2").arg(local.join(", "), remote.join(", "));
    } else {
        return QString("unknown expectation '%1'").arg(expect);
    }
    return QString();
}

inline void expectAll(SyncHarness &h, const SyncHarness::Run &run, const QStringList &expects)
{
    for (const QString &e : expects) {
        const QString problem = check(h, run, e);
        QVERIFY2(problem.isEmpty(), qPrintable(problem + '\n' + run.describe()));
    }
}

// A fresh service and client, the steps, then the expectations; a last
// sync that failed fails the scenario unless an "exit" expectation allows it.
inline void scenario(const QStringList &steps, const QStringList &expects, const SyncHarness::Options &options = {})
{
    SyncHarness h(options);
    QCOMPARE(start(h), QString());
    SyncHarness::Run last;
    const QString played = play(h, steps, &last);
    QVERIFY2(played.isEmpty(), qPrintable(played));
    if (expects.filter("exit ").isEmpty())
        QVERIFY2(last.exitCode == 0, qPrintable(last.describe()));
    expectAll(h, last, expects);
}

} // namespace SyncScenario
