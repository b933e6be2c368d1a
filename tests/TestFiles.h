#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>

// Real files for tests: content that is the same on every run, written and
// read back whole (test files are small enough).
namespace TestFiles {

// `size` bytes drawn from a generator seeded with `seed`.
inline QByteArray randomData(qint64 size, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray data(int(size), Qt::Uninitialized);
    for (char &c : data)
        c = char(rng.bounded(256));
    return data;
}

// Makes the folder on the way when it is missing.
inline bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The content, or "<unreadable>".
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace TestFiles
