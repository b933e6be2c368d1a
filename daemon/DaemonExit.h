#pragma once

// Exit codes of the drive daemon. The client passes 209..218 through as the
// drive's status and picks its restart delay by them: 211 and 212 wait a day
// (nothing changes without the user), 209, 210, 213, 214 and 215 back off
// (1 s, 4 s, 16 s, ... up to 18 h), 216, 217 and 218 retry after 2 s.
namespace DaemonExit {
enum Code : int {
    Done = 0,                 // asked to exit (pipe, SIGTERM/SIGINT/SIGHUP, client gone); unmounted
    MountPointInUse = 209,    // the mount folder is not empty or something else is mounted there
    MountFailed = 210,        // gocryptfs refused to mount for another reason
    WrongKey = 211,           // the key does not open the storage folder's gocryptfs.conf
    BadEnvironment = 212,     // KORVEX_KEY missing or not 32 hex digits, or another variable missing
    FuseMissing = 213,        // gocryptfs not installed or /dev/fuse not usable
    StorageUnusable = 214,    // the storage folder cannot be made, initialised or read
    ClientUnreachable = 215,  // no client listens on the local socket
    FileSystemDied = 216,     // gocryptfs ended with an error while the drive was mounted
    UnmountedOutside = 217,   // the drive was unmounted by someone else
    InternalError = 218,      // anything else
};
}
