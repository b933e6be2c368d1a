// The order of dotted versions as a server sends them: three versions
// separated by new lines.
#include "app/VersionOrder.h"

#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)).split(QLatin1Char('\n'));
    const QString a = parts.value(0), b = parts.value(1), c = parts.value(2);
    VersionOrder::isGreater(a, b);
    VersionOrder::isGreater(b, a);
    VersionOrder::judge(a, b, c);
    return 0;
}
