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
ObjectStates scan(const QString &localDir, const std::function<bool()> &keepGoing = {});

} // namespace SyncState
