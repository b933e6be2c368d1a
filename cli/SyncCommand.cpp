#include "SyncCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "app/SignalWatcher.h"
#include "SyncReporter.h"

#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "app/AppContext.h"
#include "sync/MultiSyncher.h"


#include <QJsonArray>
#include <QJsonObject>

QList<QCommandLineOption> SyncCommand::options()
{
    return {
        QCommandLineOption(QStringLiteral("confirm-deletes"),
                           QStringLiteral("sync, run: allow a run to delete 50 or more files on the server without "
                                          "asking.")),
        QCommandLineOption(QStringLiteral("limit"), QStringLiteral("history: at most this many rows (default 100)."),
                           QStringLiteral("n"), QStringLiteral("100")),
    };
}

QString SyncCommand::help()
{
    return QStringLiteral(
        "  sync [ID...] [--confirm-deletes]\n"
        "                                 Synchronise the given sync settings once (default:\n"
        "                                 all of them): a line per action, then a summary.\n"
        "                                 Before 50 or more files are deleted on the server\n"
        "                                 it asks (default no).\n"
        "  history [--limit N] [--json]   The actions of past runs, newest first.\n");
}

bool SyncCommand::checkArguments()
{
    if (context().word == QLatin1String("history")) {
        if (!context().arguments.isEmpty()) {
            usage(QStringLiteral("takes no arguments"));
            return false;
        }
        bool ok = false;
        m_limit = context().value(QStringLiteral("limit")).toInt(&ok);
        if (!ok || m_limit <= 0) {
            usage(QStringLiteral("--limit takes a positive number"));
            return false;
        }
        return true;
    }
    for (const QString &arg : context().arguments) {
        bool ok = false;
        const int id = arg.toInt(&ok);
        if (!ok || id <= 0) {
            usage(QStringLiteral("'%1' is not a sync setting id (see 'korvexcmd setting list')").arg(arg));
            return false;
        }
        m_ids << id;
    }
    return true;
}

void SyncCommand::run()
{
    if (context().word == QLatin1String("history"))
        runHistory();
    else
        runSync();
}

void SyncCommand::runSync()
{
    SyncSettingsDao *settings = client()->syncSettingsDao();
    SyncSettings chosen;
    for (int id : qAsConst(m_ids)) {
        const std::optional<SyncSetting> s = settings->getSetting(id);
        if (!s || s->safeId.isEmpty()) {
            CliOutput::say(QStringLiteral("korvexcmd sync: no sync setting %1 of this account.").arg(id));
            finish(ExitNotFound);
            return;
        }
        chosen << *s;
    }
    if (m_ids.isEmpty())
        chosen = settings->getList(false);
    if (chosen.isEmpty()) {
        CliOutput::say(QStringLiteral("korvexcmd sync: there are no sync settings (see 'korvexcmd setting add')."));
        finish(ExitOk);
        return;
    }
    m_reporter = new SyncReporter(context().interactive, context().isSet(QStringLiteral("confirm-deletes")), this);
    m_scheduler = new MultiSyncher(client()->schedulerContext(m_reporter), this);
    m_reporter->watch(m_scheduler);
    m_signals = new SignalWatcher(this);
    connect(m_signals, &SignalWatcher::signalled, this, [this](int) {
        CliOutput::say(QStringLiteral("korvexcmd sync: interrupted; stopping."));
        m_interrupted = true;
        m_scheduler->stopSync();
    });
    connect(m_scheduler, &MultiSyncher::quotaExceeded, this, [](const SyncAction &a) {
        CliOutput::say(QStringLiteral("korvexcmd sync: the storage quota of '%1' is exhausted; the run stops.")
                           .arg(CliOutput::clean(a.safeName)));
    });
    connect(m_scheduler, &MultiSyncher::sessionTimeout, this,
            [this](OndoSession::SessionState, ErrorCode errCode, ErrorCode) {
                m_reporter->clearProgress();
                CliOutput::say(QStringLiteral("korvexcmd sync: the server session was lost (%1); the run stops.")
                                   .arg(errorCodeName(errCode)));
                finish(ExitSyncStopped);
            });
    connect(m_scheduler, &MultiSyncher::syncCanceled, this, [this] {
        m_reporter->clearProgress();
        m_reporter->printSummary();
        finish(ExitSyncStopped);
    });
    connect(m_scheduler, &MultiSyncher::syncFinished, this, [this](int done, int failed, const SyncActions &) {
        Q_UNUSED(done)
        m_reporter->clearProgress();
        m_reporter->printSummary();
        if (m_reporter->deletionRefused())
            finish(ExitSyncStopped);
        else
            finish(failed > 0 ? ExitSyncFailed : ExitOk);
    });
    m_scheduler->startSyncOf(chosen);
}

void SyncCommand::runHistory()
{
    const SyncHistoryObjects rows =
        client()->syncHistoryDao()->historyList(QDateTime::fromMSecsSinceEpoch(0), QDateTime::currentDateTimeUtc(), m_limit);
    if (context().isSet(QStringLiteral("json"))) {
        QJsonArray list;
        for (const SyncHistoryObject &r : rows)
            list << QJsonObject{{QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(r.timestamp, Qt::UTC).toString(Qt::ISODateWithMs)},
                                {QStringLiteral("action"), r.action},
                                {QStringLiteral("actionText"), SyncAction::displayText(r.action)},
                                {QStringLiteral("status"), r.state},
                                {QStringLiteral("statusText"), SyncAction::statusLabel(r.state)},
                                {QStringLiteral("type"), r.type},
                                {QStringLiteral("localPath"), r.localDir},
                                {QStringLiteral("remotePath"), r.remoteDir}};
        CliOutput::json(list);
    } else {
        QList<QStringList> table;
        for (const SyncHistoryObject &r : rows)
            table << QStringList{QDateTime::fromMSecsSinceEpoch(r.timestamp).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                 SyncAction::displayText(r.action), SyncAction::statusLabel(r.state), r.localDir};
        CliOutput::table({QStringLiteral("TIME"), QStringLiteral("ACTION"), QStringLiteral("STATUS"),
                          QStringLiteral("LOCAL PATH")},
                         table);
    }
    finish(ExitOk);
}
