// The drive daemon's side of the pipe: whatever lines a daemon (or anything
// that reached the socket) sends, the connection answers or drops them.
#include "Quiet.h"
#include "drive/ClientConnection.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

namespace {
void application()
{
    static int argc = 1;
    static char name[] = "fuzz_pipeprotocol";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    application();
    // More than a socket's buffer would block the writer; lines are short.
    if (size > 16384)
        return 0;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;
    if (size > 0 && ::write(fds[1], data, size) != ssize_t(size)) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    auto *socket = new QLocalSocket;
    socket->setSocketDescriptor(fds[0]);
    {
        ClientConnection connection(socket);
        socket->waitForReadyRead(100);
        connection.dataAvailable();
        connection.postLogLevelChangeEvent(ApplicationLog::DBG);
        connection.postCloseEvent();
    }
    ::close(fds[1]);
    return 0;
}
