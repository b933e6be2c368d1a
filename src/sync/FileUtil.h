#pragma once

#include <QString>

// Content checksums written as algorithm name, colon and lower-case hex
// digest ("sha256:9f86d0..."). Files are read in chunks, never whole.
namespace FileUtil {

enum Algorithm { None = 0, Md5 = 1, Sha1 = 2, Sha256 = 3, Sha512 = 4 };

// "md5", "sha1", "sha256", "sha512"; anything else is None.
int algorithmFromName(const QString &name);
QString algorithmName(int algorithm);

// Empty for an unknown algorithm or a file that cannot be read.
QString calculateCheckSum(const QString &path, int algorithm);
QString calculateCheckSum(const QString &path, const QString &algorithmName);

// The name before the colon ("sha256"); empty without such a prefix.
QString checkSumAlgorithm(const QString &checksum);
// Both carry a "name:" prefix and it is the same.
bool isSameAlgorithm(const QString &a, const QString &b);

} // namespace FileUtil
