#pragma once

#include "sync/ISyncPrompts.h"
#include "sync/MultiSyncher.h"
#include "sync/ProgressInfo.h"
#include "sync/SyncAction.h"

#include <QObject>

#include <memory>

namespace CliOutput {
class ProgressLine;
}

// What korvexcmd shows of a sync: one line per carried-out action on
// standard output, the progress line on a terminal, and the mass-deletion
// question on the terminal (default no; with --non-interactive refused
// unless --confirm-deletes).
class SyncReporter : public QObject, public ISyncPrompts
{
    Q_OBJECT
public:
    SyncReporter(bool interactive, bool confirmDeletes, QObject *parent = nullptr);
    ~SyncReporter() override;

    void watch(MultiSyncher *scheduler);
    // This process opens the encrypted folders itself (korvexcmd run).
    void setServesDrives(bool serves) { m_servesDrives = serves; }

    bool promptForTooManyFilesDeleted(const QString &safeName, int count) override;
    bool promptForQuitDuringSync() override { return true; }

    bool deletionRefused() const { return m_deletionRefused; }
    int done() const { return m_done; }
    int failed() const { return m_failed; }
    void reset();
    // Clears the progress line before other output.
    void clearProgress();
    // "N done, M failed"
    void printSummary() const;

private:
    void onExecutedOne(bool ok, const QString &msg, const SyncAction &action);
    void onProgress(bool ok, const ProgressInfo &info);
    void onSkipped(const SyncSetting &setting, MultiSyncher::SkipReason reason);

    bool m_interactive;
    bool m_confirmDeletes;
    bool m_deletionRefused = false;
    bool m_servesDrives = false;
    int m_done = 0;
    int m_failed = 0;
    std::unique_ptr<CliOutput::ProgressLine> m_progress;
};
