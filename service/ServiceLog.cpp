#include "ServiceLog.h"

#include "WireFormat.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <mutex>

namespace ServiceLog {

namespace {
std::mutex g_mutex;
FILE *g_file = nullptr;
bool g_verbose = false;

void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg && !g_verbose)
        return;
    const char *level = "DBG ";
    switch (type) {
    case QtDebugMsg:
        break;
    case QtInfoMsg:
        level = "INFO";
        break;
    case QtWarningMsg:
        level = "WARN";
        break;
    case QtCriticalMsg:
        level = "ERROR";
        break;
    case QtFatalMsg:
        level = "FATAL";
        break;
    }
    const std::string line = "[" + WireFormat::isoTime(WireFormat::nowMs()) + "] " + level + " "
        + text.toStdString() + "\n";
    std::lock_guard<std::mutex> lock(g_mutex);
    std::fputs(line.c_str(), stderr);
    if (g_file) {
        std::fputs(line.c_str(), g_file);
        std::fflush(g_file);
    }
}
} // namespace

void install(const std::string &filePath, bool verbose)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_verbose = verbose;
    if (!filePath.empty())
        g_file = std::fopen(filePath.c_str(), "a");
    qInstallMessageHandler(handler);
}

} // namespace ServiceLog
