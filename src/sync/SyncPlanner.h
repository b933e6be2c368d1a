#pragma once

#include "db/SyncSetting.h"
#include "sync/ObjectState.h"
#include "sync/SyncAction.h"
#include "sync/SyncPatterns.h"

#include <functional>

// The decision table of a sync: the local tree, the state after the last
// completed sync and the remote listing are compared path by path into an
// ordered list of actions. Reads local files only to compute checksums when
// sizes alone cannot decide.
class SyncPlanner
{
public:
    SyncPlanner(const SyncSetting &setting, const SyncPatterns &excludeSilently, qint64 historyId = 0);

    // `stopped` is asked before each path (an empty list is returned when it
    // says yes); `applyState` receives the actions that only update the
    // state table (UpdateSyncState, RemoveSyncState) as they are decided.
    SyncActions build(const ObjectStates &local, const ObjectStates &last, const ObjectStates &remote,
                      const std::function<bool()> &stopped = {},
                      const std::function<void(SyncAction &)> &applyState = {});

    // Paths that need nothing (unchanged, left out silently) and state-only
    // updates that `applyState` took care of are not in the list; the log's
    // summary counts them.
    //
    // The order of the action list: uploads last, folder deletions inner
    // first, everything else by type and path.
    static bool actionLessThan(const SyncAction &a, const SyncAction &b);

private:
    void decide(SyncAction &a, ObjectState &lo, const ObjectState &la, const ObjectState &re);
    void decideFileOnAllSides(SyncAction &a, ObjectState &lo, const ObjectState &la, const ObjectState &re);
    void isSizeValid(SyncAction &a, qint64 size, const char *side);
    // The local checksum with the algorithm of `remoteChecksum`, computed
    // once into `lo`; empty when it cannot be computed.
    QString localChecksum(ObjectState &lo, const QString &remoteChecksum);
    bool isSilentlyExcluded(const QString &path);

    SyncSetting m_setting;
    const SyncPatterns &m_excludeSilently;
    qint64 m_historyId;
    QHash<QString, bool> m_excludedFolders;
};
