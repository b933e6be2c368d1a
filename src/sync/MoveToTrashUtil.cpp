#include "sync/MoveToTrashUtil.h"

#include <QFile>
#include <QFileInfo>

namespace MoveToTrashUtil {

bool moveToTrash(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFile::moveToTrash(absolute))
        return true;
    qWarning("MoveToTrashUtil::moveToTrash: Cannot delete file (%s)", qUtf8Printable(absolute));
    return false;
}

} // namespace MoveToTrashUtil
