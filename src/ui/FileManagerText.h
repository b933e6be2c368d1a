#pragma once

#include <QCoreApplication>
#include <QString>

// The context menu entry that reveals `name` in the platform's file manager.
inline QString showInFileManagerText(const QString &name)
{
#if defined(Q_OS_WIN)
    return QCoreApplication::translate("FileManager", "Show '%1' in Explorer").arg(name);
#elif defined(Q_OS_MACOS)
    return QCoreApplication::translate("FileManager", "Show '%1' in Finder").arg(name);
#else
    return QCoreApplication::translate("FileManager", "Show '%1' in File Manager").arg(name);
#endif
}
