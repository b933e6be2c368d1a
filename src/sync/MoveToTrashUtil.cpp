#include "sync/MoveToTrashUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace MoveToTrashUtil {

namespace {
// Qt makes the home trash with a plain mkdir and, when its parent folder
// is missing, "moves to the trash" relative to the current folder instead.
// The trash folders are made here first, private to the user.
void ensureHomeTrash()
{
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    for (const QString &sub : {QStringLiteral("/files"), QStringLiteral("/info")}) {
        if (QFileInfo(trash + sub).isDir())
            continue;
        QDir().mkpath(trash + sub);
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
} // namespace

bool moveToTrash(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    ensureHomeTrash();
    QString inTrash;
    if (QFile::moveToTrash(absolute, &inTrash)) {
        if (QFileInfo(inTrash).isAbsolute())
            return true;
        // Landed somewhere relative to the current folder: put it back.
        const QString stray = QFileInfo(inTrash).absoluteFilePath();
        qWarning("MoveToTrashUtil::moveToTrash: the trash is not usable ('%s'); '%s' is left in place",
                 qUtf8Printable(stray), qUtf8Printable(absolute));
        QDir().rename(stray, absolute);
        return false;
    }
    qWarning("MoveToTrashUtil::moveToTrash: Cannot delete file (%s)", qUtf8Printable(absolute));
    return false;
}

} // namespace MoveToTrashUtil
