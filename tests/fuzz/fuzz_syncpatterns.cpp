// The loader of the sync's pattern files, and matching with what it loaded.
#include "Quiet.h"
#include "sync/SyncPatterns.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const SyncPatterns patterns =
        SyncPatterns::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)), "fuzz_syncpatterns");
    patterns.matchesName(QStringLiteral("Thumbs.db"));
    patterns.matchesAnyComponent(QStringLiteral("Docs/.~lock.report.odt#/a b/~$draft.docx"));
    return 0;
}
