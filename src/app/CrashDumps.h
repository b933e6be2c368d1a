#pragma once

#include <QStringList>

// Crash dumps found at start. The dump server itself is not part of this
// client; this only finds "*.dmp" files not handled before and renames them so
// that each is offered once.
namespace CrashDumps {
// Renames every new "*.dmp" in dir after "%1_%2_crash_dump_%3" (application,
// version, time stamp and index) and returns the new paths.
QStringList collectNew(const QString &dir, const QString &appName, const QString &version);
}
