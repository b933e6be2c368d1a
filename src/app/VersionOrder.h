#pragma once

#include <QString>

// Order of dotted version strings ("1.1.10" > "1.1.9", "1.1.0" > "1.1").
namespace VersionOrder {
// True when a is greater than b: parts compared as decimal integers from the
// left, the first difference decides; with equal common parts the longer wins.
bool isGreater(const QString &a, const QString &b);

enum class Verdict { UpToDate, NewVersion, UpgradeRequired };
// What a version answer means for the running client.
Verdict judge(const QString &own, const QString &compatible, const QString &latest);
} // namespace VersionOrder
