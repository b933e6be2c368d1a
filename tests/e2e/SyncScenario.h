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

inline QString conflictPrefix(const QString &base)
{
    const QString host = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    return base + QStringLiteral("(") + (host.isEmpty() ? QString() : host + QStringLiteral("'s ")) +
           QStringLiteral("conflicted copy ");
}

// Runs the steps; returns the last sync's outcome or an error text.
inline QString play(SyncHarness &h, const QStringList &steps, SyncHarness::Run *last)
{
    for (const QString &step : steps) {
        const QString op = step.section(QLatin1Char(' '), 0, 0);
        const QString arg = step.section(QLatin1Char(' '), 1);
        const QString path = arg.section(QLatin1Char('='), 0, 0);
        const QByteArray content = arg.section(QLatin1Char('='), 1).toUtf8();
        bool ok = true;
        if (op == QLatin1String("L"))
            ok = h.client().write(path, content);
        else if (op == QLatin1String("L-"))
            ok = h.client().remove(path);
        else if (op == QLatin1String("LD"))
            ok = QDir().mkpath(h.client().path(path));
        else if (op == QLatin1String("R"))
            ok = h.remote().put(path, content);
        else if (op == QLatin1String("R-"))
            ok = h.remote().remove(path);
        else if (op == QLatin1String("RD"))
            ok = h.remote().mkdir(path);
        else if (op == QLatin1String("S")) {
            *last = h.syncOnce();
            ok = last->exitCode >= 0;
        } else
            return QStringLiteral("unknown step '%1'").arg(step);
        if (!ok)
            return QStringLiteral("step '%1' failed: %2").arg(step, last->describe());
    }
    return QString();
}

// Checks one expectation; an empty text when it holds.
inline QString check(SyncHarness &h, const SyncHarness::Run &run, const QString &expect)
{
    const QString op = expect.section(QLatin1Char(' '), 0, 0);
    const QString arg = expect.section(QLatin1Char(' '), 1);
    const QString path = arg.section(QLatin1Char('='), 0, 0);
    const QByteArray content = arg.section(QLatin1Char('='), 1).toUtf8();
    if (op == QLatin1String("line")) {
        const QStringList f = arg.split(QLatin1Char('|'));
        if (!run.has(f.value(0), f.value(1), f.value(2)))
            return QStringLiteral("no line '%1'").arg(arg);
    } else if (op == QLatin1String("noline")) {
        for (const QString &line : run.lines)
            if (line.section(QLatin1Char('\t'), 1, 1) == arg)
                return QStringLiteral("unexpected line '%1'").arg(line);
    } else if (op == QLatin1String("local")) {
        if (h.client().read(path) != content)
            return QStringLiteral("local %1 is '%2'").arg(path, QString::fromUtf8(h.client().read(path).value_or("<absent>")));
    } else if (op == QLatin1String("local-")) {
        if (QFileInfo::exists(h.client().path(path)))
            return QStringLiteral("local %1 exists").arg(path);
    } else if (op == QLatin1String("remote")) {
        if (h.remote().get(path) != content)
            return QStringLiteral("remote %1 is '%2'").arg(path, QString::fromUtf8(h.remote().get(path).value_or("<absent>")));
    } else if (op == QLatin1String("remote-")) {
        if (h.remote().objects().contains(path))
            return QStringLiteral("remote %1 exists").arg(path);
    } else if (op == QLatin1String("conflict")) {
        const QFileInfo info(h.client().path(path));
        const QString prefix = conflictPrefix(info.fileName().section(QLatin1Char('.'), 0, 0));
        const QStringList copies = info.dir().entryList({prefix + QLatin1Char('*')}, QDir::Files);
        bool found = false;
        for (const QString &c : copies) {
            QFile f(info.dir().filePath(c));
            found = found || (f.open(QIODevice::ReadOnly) && f.readAll() == content);
        }
        if (!found)
            return QStringLiteral("no conflict copy of %1 with '%2' among %3").arg(path, QString::fromUtf8(content), copies.join(QLatin1Char(',')));
    } else if (op == QLatin1String("copyname")) {
        const QFileInfo info(h.client().path(path));
        const QString prefix = conflictPrefix(info.fileName().section(QLatin1Char('.'), 0, 0));
        const QStringList copies = info.dir().entryList({prefix + QLatin1Char('*')}, QDir::Files);
        const QString counter = QString::fromUtf8(content) + QLatin1Char(')');
        const QString date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        bool found = false;
        for (const QString &copy : copies)
            found = found || copy.contains(QStringLiteral("copy %1%2").arg(date, counter))
                    || copy.contains(QStringLiteral("copy %1%2").arg(QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy-MM-dd")), counter));
        if (!found)
            return QStringLiteral("no conflict copy of %1 with counter '%2' among %3").arg(path, QString::fromUtf8(content), copies.join(QLatin1Char(',')));
    } else if (op == QLatin1String("remotetrash")) {
        const auto trash = h.service().trash(h.safeId());
        bool found = false;
        for (const QJsonValue v : trash.value_or(QJsonArray()))
            found = found || v.toObject().value(QStringLiteral("path")).toString() == QLatin1Char('/') + path;
        if (!found)
            return QStringLiteral("the safe's trash lacks %1").arg(path);
    } else if (op == QLatin1String("localtrash")) {
        if (!h.client().trashed().contains(path.section(QLatin1Char('/'), -1)))
            return QStringLiteral("the desktop trash lacks %1 (%2)").arg(path, h.client().trashed().join(QLatin1Char(',')));
    } else if (op == QLatin1String("exit")) {
        if (run.exitCode != arg.toInt())
            return QStringLiteral("exit %1, expected %2").arg(run.exitCode).arg(arg);
    } else if (op == QLatin1String("equal")) {
        const QStringList local = h.localTree(), remote = h.remoteTree();
        if (local != remote)
            return QStringLiteral("trees differ:\nlocal  %1\nremote %2").arg(local.join(QStringLiteral(", ")), remote.join(QStringLiteral(", ")));
    } else {
        return QStringLiteral("unknown expectation '%1'").arg(expect);
    }
    return QString();
}

inline void scenario(const QStringList &steps, const QStringList &expects, const SyncHarness::Options &options = {})
{
    SyncHarness h(options);
    QVERIFY2(h.start(), qPrintable(h.error()));
    h.client();
    QVERIFY2(h.error().isEmpty(), qPrintable(h.error()));
    SyncHarness::Run last;
    const QString played = play(h, steps, &last);
    QVERIFY2(played.isEmpty(), qPrintable(played));
    if (!expects.contains(QStringLiteral("exit 7")) && !expects.filter(QStringLiteral("exit ")).size())
        QVERIFY2(last.exitCode == 0, qPrintable(last.describe()));
    for (const QString &e : expects) {
        const QString problem = check(h, last, e);
        QVERIFY2(problem.isEmpty(), qPrintable(problem + QStringLiteral("\n") + last.describe()));
    }
}

} // namespace SyncScenario
