#pragma once

#include "sync/ProgressInfo.h"

#include <QDateTime>
#include <QString>

// The texts of the status bar's sync label: the phase of a running sync,
// the item being transferred, and the last sync between runs.
namespace SyncStatusText {

// Codes the window adds to the engine's progress steps.
enum { Canceled = 90, Failed = 91 };

// The phase text for a state code ("(2/5)" ... "Sync failed"); empty for an
// unknown code.
QString phase(int step, int done = 0, int total = 0);
// "%1: %2" (action, item) with " (%1 of %2 MB)" or " (%1 of %2 KB)" during
// a transfer; empty when the report names no item.
QString currentItem(const ProgressInfo &pi);
// "Last sync: " (or, in the settings page, "Last synchronisation: ") and
// the time; empty for an invalid time.
QString lastSync(const QDateTime &time, bool settingsPage = false);

} // namespace SyncStatusText
