#include "sync/SyncState.h"

#include <QDir>
#include <QFileInfo>

namespace SyncState {

namespace {
struct Scanner
{
    QString root;
    const std::function<bool()> &keepGoing;
    ObjectStates states;
    int visited = 0;
    bool stopped = false;

    void walk(const QString &relative, int depth)
    {
        if (stopped)
            return;
        const QDir dir(relative.isEmpty() ? root : root + relative);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks
                                  | QDir::NoDotAndDotDot,
                              QDir::NoSort);
        for (const QFileInfo &e : entries) {
            if (keepGoing && (++visited % 1000) == 0 && !keepGoing()) {
                stopped = true;
                return;
            }
            // Sockets, pipes and devices are no content to sync.
            if (!e.isDir() && !e.isFile())
                continue;
            ObjectState s;
            s.path = (relative + e.fileName()).normalized(QString::NormalizationForm_C);
            s.localMtime = e.lastModified().toUTC();
            if (e.isDir()) {
                s.type = QStringLiteral("d");
                states.insert(s.path, s);
                if (depth + 1 < MaxDepth)
                    walk(relative + e.fileName() + QLatin1Char('/'), depth + 1);
                else
                    qWarning("Maximum folder depth of %d was achieved for %s", MaxDepth, qUtf8Printable(s.path));
            } else {
                s.type = QStringLiteral("f");
                s.size = e.size();
                states.insert(s.path, s);
            }
            if (stopped)
                return;
        }
    }
};
} // namespace

ObjectStates scan(const QString &localDir, const std::function<bool()> &keepGoing)
{
    QString root = QDir::fromNativeSeparators(localDir);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (!QFileInfo(root).isDir()) {
        qCritical("SyncState::scan: Local base dir %s does not exist", qUtf8Printable(root));
        return {};
    }
    Scanner scanner{root, keepGoing, {}};
    scanner.walk(QString(), 0);
    return scanner.states;
}

} // namespace SyncState
