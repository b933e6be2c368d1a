#pragma once

#include <QMetaType>

// The state of one drive daemon as the client sees it; shared with the
// daemon, whose exit codes 209..218 are passed through as statuses.
namespace quarnet::daemon::api {
enum status : int {
    Exited = 0,          // exited with code 0
    Running = 1,         // the last watchdog run on the mount succeeded
    NotChecked = 2,      // a new daemon process object
    Crashed = 192,
    ExecutableNotFound = 193,
    FailedToStart = 194,
    UnknownExitCode = 195,
    NoDaemon = 196,      // no daemon exists for the asked sync setting
    FirstDaemonCode = 209,
    LastDaemonCode = 218,
};
} // namespace quarnet::daemon::api
Q_DECLARE_METATYPE(quarnet::daemon::api::status)
