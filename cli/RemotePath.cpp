#include "RemotePath.h"

#include <QStringList>

QString RemotePath::parent() const
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString RemotePath::name() const
{
    return isRoot() ? QString() : path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString RemotePath::toString() const
{
    return safe + QLatin1Char(':') + path;
}

std::optional<QString> RemotePath::checkedPath(const QString &text, QString *error)
{
    QString p = text;
    if (p.contains(QChar(0))) {
        *error = QStringLiteral("the path contains a NUL character");
        return std::nullopt;
    }
    if (p.isEmpty() || p == QLatin1String("/"))
        return QStringLiteral("/");
    if (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    if (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const QStringList parts = p.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")) {
            *error = QStringLiteral("'%1' is not a valid path: empty, '.' and '..' components are not allowed")
                         .arg(text);
            return std::nullopt;
        }
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

std::optional<RemotePath> RemotePath::parse(const QString &text, QString *error)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    RemotePath result;
    result.safe = colon < 0 ? text : text.left(colon);
    if (result.safe.isEmpty()) {
        *error = QStringLiteral("'%1' names no file safe (SAFE:/path)").arg(text);
        return std::nullopt;
    }
    if (result.safe.contains(QChar(0))) {
        *error = QStringLiteral("the file safe's name contains a NUL character");
        return std::nullopt;
    }
    const std::optional<QString> path = checkedPath(colon < 0 ? QString() : text.mid(colon + 1), error);
    if (!path)
        return std::nullopt;
    result.path = *path;
    return result;
}
