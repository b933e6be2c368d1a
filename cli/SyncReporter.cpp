#include "SyncReporter.h"

#include "CliOutput.h"
#include "PasswordSource.h"

#include "sync/MultiSyncher.h"

#include <cstdio>

SyncReporter::SyncReporter(bool interactive, bool confirmDeletes, QObject *parent)
    : QObject(parent)
    , m_interactive(interactive)
    , m_confirmDeletes(confirmDeletes)
    , m_progress(std::make_unique<CliOutput::ProgressLine>(QString()))
{
}

SyncReporter::~SyncReporter() = default;

void SyncReporter::watch(MultiSyncher *scheduler)
{
    connect(scheduler, &MultiSyncher::syncExecutedOne, this, &SyncReporter::onExecutedOne);
    connect(scheduler, &MultiSyncher::syncProgress, this, &SyncReporter::onProgress);
    connect(scheduler, &MultiSyncher::syncSkipped, this, &SyncReporter::onSkipped);
}

void SyncReporter::onSkipped(const SyncSetting &setting, MultiSyncher::SkipReason reason)
{
    QString why;
    switch (reason) {
    case MultiSyncher::SkipReason::DriveNotRunning:
        why = m_servesDrives
                  ? QStringLiteral("its encrypted folder is not open yet; it is synchronised once its drive is ready")
                  : QStringLiteral("its encrypted folder is not open here; 'korvexcmd run' or the desktop client opens it");
        break;
    case MultiSyncher::SkipReason::FolderUnreadable:
        why = QStringLiteral("the local folder %1 is missing or not readable").arg(CliOutput::clean(setting.localDir));
        break;
    case MultiSyncher::SkipReason::NoReadAccess:
        why = QStringLiteral("no read access to the safe");
        break;
    case MultiSyncher::SkipReason::SafeExpired:
        why = QStringLiteral("the safe has expired");
        break;
    case MultiSyncher::SkipReason::SyncedElsewhere:
        why = QStringLiteral("another program is synchronising it right now");
        break;
    }
    clearProgress();
    CliOutput::say(QStringLiteral("Sync setting %1 (%2) skipped: %3.")
                       .arg(setting.id)
                       .arg(CliOutput::clean(setting.safeName), why));
}

void SyncReporter::reset()
{
    m_done = m_failed = 0;
    m_deletionRefused = false;
}

void SyncReporter::clearProgress()
{
    m_progress->finish();
}

bool SyncReporter::promptForTooManyFilesDeleted(const QString &safeName, int count)
{
    clearProgress();
    const QString what = QStringLiteral("This sync would delete %1 files in the online safe '%2'.")
                             .arg(count)
                             .arg(CliOutput::clean(safeName));
    if (m_confirmDeletes) {
        CliOutput::say(what + QStringLiteral(" Going on (--confirm-deletes)."));
        return true;
    }
    if (!m_interactive) {
        CliOutput::say(what + QStringLiteral(" Refused: give --confirm-deletes to allow it."));
        m_deletionRefused = true;
        return false;
    }
    fprintf(stderr, "%s Delete them? [y/N] ", qUtf8Printable(what));
    fflush(stderr);
    const std::optional<QString> answer = PasswordSource::readLine();
    const QString a = answer ? answer->trimmed().toLower() : QString();
    const bool yes = a == QLatin1String("y") || a == QLatin1String("yes");
    if (!yes) {
        CliOutput::say(QStringLiteral("Not deleted; the sync of '%1' was stopped.").arg(CliOutput::clean(safeName)));
        m_deletionRefused = true;
    }
    return yes;
}

void SyncReporter::onExecutedOne(bool ok, const QString &msg, const SyncAction &action)
{
    Q_UNUSED(msg)
    if (ok)
        ++m_done;
    else
        ++m_failed;
    clearProgress();
    QString line = SyncAction::displayText(action.type) + QLatin1Char('\t') + action.path + QLatin1Char('\t')
                   + SyncAction::statusLabel(action.status);
    if (!action.message.isEmpty())
        line += QLatin1Char('\t') + action.message;
    CliOutput::line(line);
}

void SyncReporter::onProgress(bool ok, const ProgressInfo &info)
{
    Q_UNUSED(ok)
    if (info.step == ProgressInfo::AnalysisFailed) {
        clearProgress();
        CliOutput::say(QStringLiteral("A sync setting was not synchronised: %1").arg(CliOutput::clean(info.text)));
        return;
    }
    if (info.step != ProgressInfo::Action || info.bytesTotal <= 0)
        return;
    m_progress->setLabel(info.safeName + QLatin1Char(':') + info.path);
    m_progress->update(info.bytesDone, info.bytesTotal);
}

void SyncReporter::printSummary() const
{
    CliOutput::line(QStringLiteral("%1 done, %2 failed").arg(m_done).arg(m_failed));
}
