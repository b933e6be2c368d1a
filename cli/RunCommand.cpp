#include "RunCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "app/SignalWatcher.h"
#include "SyncReporter.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "drive/EncryptedDrives.h"
#include "sync/MultiSyncher.h"


#include <QTimer>

QString RunCommand::help()
{
    return QStringLiteral(
        "  run [--confirm-deletes]        Keep the automatic sync settings in step, every\n"
        "                                 app/sync_interval_minutes, until SIGINT/SIGTERM.\n");
}

bool RunCommand::checkArguments()
{
    if (context().arguments.isEmpty())
        return true;
    usage(QStringLiteral("takes no arguments"));
    return false;
}

void RunCommand::run()
{
    // Nobody answers questions in the background: mass deletions need
    // --confirm-deletes.
    m_reporter = new SyncReporter(false, context().isSet(QStringLiteral("confirm-deletes")), this);
    // The drives of encrypted settings, as the desktop runs them; without
    // them those settings are skipped (another client may serve them).
    m_drives = new EncryptedDrives(client()->appContext()->appInfo(), client()->syncSettingsDao(),
                                   Settings::value(Settings::AppDecryptWhenOffline).toBool(), this);
    m_drives->manager()->setOnline(true);
    if (m_drives->serve())
        m_reporter->setServesDrives(true);
    else
        CliOutput::say(QStringLiteral("korvexcmd run: another client serves the encrypted folders; they are not "
                                      "synchronised here."));
    MultiSyncher::Context c = client()->schedulerContext(m_reporter);
    c.drives = m_drives->manager();
    m_scheduler = new MultiSyncher(c, this);
    connect(m_drives, &EncryptedDrives::driveReady, m_scheduler,
            [this](const SyncSetting &setting) { m_scheduler->startSyncWhenIdle(setting.id); });
    m_reporter->watch(m_scheduler);
    connect(m_scheduler, &MultiSyncher::syncStarted, this, [this] { m_reporter->reset(); });
    connect(m_scheduler, &MultiSyncher::syncFinished, this, [this](int, int, const SyncActions &) {
        m_reporter->clearProgress();
        m_reporter->printSummary();
    });
    connect(m_scheduler, &MultiSyncher::syncCanceled, this, [this] {
        m_reporter->clearProgress();
        m_reporter->printSummary();
    });
    connect(m_scheduler, &MultiSyncher::sessionTimeout, this,
            [this](OndoSession::SessionState, ErrorCode errCode, ErrorCode) {
                CliOutput::say(QStringLiteral("korvexcmd run: the server session was lost (%1); logging in again.")
                                   .arg(errorCodeName(errCode)));
                m_scheduler->loggedOut();
                relogin([this] { m_scheduler->loggedIn(); });
            });
    m_signals = new SignalWatcher(this);
    connect(m_signals, &SignalWatcher::signalled, this, [this](int) {
        CliOutput::say(QStringLiteral("korvexcmd run: stopping."));
        m_scheduler->loggedOut();
        if (m_scheduler->isSyncing())
            m_scheduler->stopSync();
        m_drives->manager()->removeAllSettings(); // the daemons unmount
        finish(ExitOk);
    });
    CliOutput::say(QStringLiteral("korvexcmd run: synchronising every %1 minutes; stop with Ctrl-C.")
                       .arg(Settings::value(Settings::AppSyncIntervalMinutes).toInt()));
    m_scheduler->loggedIn();
}
