#include "net/TcpNoDelay.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cstdlib>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace TcpNoDelay {

int applyToOwnSockets()
{
    int switched = 0;
#ifdef Q_OS_LINUX
    // Called after every reply, so it stays cheap: no stat of the entries,
    // one getsockopt for what is not a TCP socket.
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return 0;
    const int own = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end || fd <= 2 || fd == own)
            continue;
        int value = 0;
        socklen_t length = sizeof(value);
        if (::getsockopt(int(fd), SOL_SOCKET, SO_TYPE, &value, &length) != 0 || value != SOCK_STREAM)
            continue;
        length = sizeof(value);
        if (::getsockopt(int(fd), SOL_SOCKET, SO_DOMAIN, &value, &length) != 0 || (value != AF_INET && value != AF_INET6))
            continue;
        length = sizeof(value);
        if (::getsockopt(int(fd), IPPROTO_TCP, TCP_NODELAY, &value, &length) == 0 && value)
            continue;
        const int on = 1;
        if (::setsockopt(int(fd), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on)) == 0)
            ++switched;
    }
    ::closedir(dir);
#endif
    return switched;
}

} // namespace TcpNoDelay
