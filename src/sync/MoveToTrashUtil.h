#pragma once

#include <QString>

// Deletion that the user can undo: the file or folder goes to the desktop's
// trash (the freedesktop trash on Linux).
namespace MoveToTrashUtil {

bool moveToTrash(const QString &path);

} // namespace MoveToTrashUtil
