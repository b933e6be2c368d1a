#pragma once

#include "sync/ObjectState.h"

#include <functional>

// The local side of a sync setting as it is now.
namespace SyncState {

constexpr int MaxDepth = 50;

// Every file and folder below `localDir` (hidden ones too, symbolic links
// never), keyed by their relative path in Unicode form C; files carry size
// and modification time, no checksum. Recursion stops MaxDepth folders deep.
// `keepGoing` is asked now and then; when it says no, the scan stops.
// Folders and entries that exist but cannot be read go to `unreadable`
// (relative paths, "" for the folder itself): what lies below them is
// missing from the result without having been deleted.
ObjectStates scan(const QString &localDir, const std::function<bool()> &keepGoing = {},
                  QStringList *unreadable = nullptr);

} // namespace SyncState
