#include "app/VersionOrder.h"

#include <QStringList>

namespace VersionOrder {

bool isGreater(const QString &a, const QString &b)
{
    const QStringList pa = a.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const QStringList pb = b.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    const int common = qMin(pa.size(), pb.size());
    for (int i = 0; i < common; ++i) {
        // Compared as unsigned 64-bit numbers: "010" equals "10"; a part that
        // is not a number reads as 0.
        const qulonglong x = pa.at(i).toULongLong();
        const qulonglong y = pb.at(i).toULongLong();
        if (x != y)
            return x > y;
    }
    return pa.size() > pb.size();
}

Verdict judge(const QString &own, const QString &compatible, const QString &latest)
{
    if (isGreater(compatible, own))
        return Verdict::UpgradeRequired;
    if (isGreater(latest, own))
        return Verdict::NewVersion;
    return Verdict::UpToDate;
}

} // namespace VersionOrder
