// encrypted: the drive daemon of an encrypted sync setting. The client starts
// one per setting and configures it through the environment only.
#include "DriveDaemon.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {
const char kHelp[] =
    "Usage: encrypted [--help] [--version]\n"
    "\n"
    "The drive daemon of an encrypted sync folder. The client starts it and\n"
    "configures it through the environment only:\n"
    "  KORVEX_MOUNT      the folder where the decrypted files appear (the sync folder)\n"
    "  KORVEX_STORAGE    the folder that keeps them encrypted, under the same names\n"
    "  KORVEX_METHOD     aes128 (the only method)\n"
    "  KORVEX_KEY        the folder's 16-byte key as 32 hexadecimal digits\n"
    "  KORVEX_LOG_FILE   the daemon's log file (standard error when unset)\n"
    "  KORVEX_LOG_LEVEL  DEBUG, INFO, WARN, ERROR or FATAL (default INFO)\n"
    "  KORVEX_BRAND      the application's name, for the log\n"
    "  KORVEX_VOLUME_ICON  not used on Linux\n"
    "\n"
    "It registers with the client on the local socket \"korx\" in the user's\n"
    "runtime folder ($XDG_RUNTIME_DIR), serves the drive with gocryptfs over FUSE\n"
    "(the key never reaches a command line, a log or a file in clear) and\n"
    "unmounts on the client's \"exit\", on SIGTERM, SIGINT or SIGHUP and when the\n"
    "client goes away.\n"
    "\n"
    "Exit status (the client's restart delay in brackets):\n"
    "  0    asked to exit; the drive was unmounted\n"
    "  209  the mount folder is not empty or something else is mounted there [back-off]\n"
    "  210  gocryptfs refused to mount for another reason [back-off]\n"
    "  211  wrong key: it does not open the storage folder [one day]\n"
    "  212  KORVEX_KEY missing or malformed, or another variable missing or bad [one day]\n"
    "  213  gocryptfs is not installed or /dev/fuse is not usable [back-off]\n"
    "  214  the storage folder cannot be created, initialised or read [back-off]\n"
    "  215  no client listens on the local socket [back-off]\n"
    "  216  the file system ended with an error while mounted [2 s]\n"
    "  217  the drive was unmounted by someone else [2 s]\n"
    "  218  internal error [2 s]\n"
    "Back-off: 1 s, 4 s, 16 s, ... up to about 18 hours while the code repeats.\n";
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("encrypted %s\n", KORVEX_VERSION);
            return 0;
        }
        std::fprintf(stderr, "encrypted: unknown argument '%s' (see --help)\n", argv[i]);
        return 218;
    }
    QCoreApplication app(argc, argv);
    DriveDaemon daemon;
    daemon.start();
    return app.exec();
}
