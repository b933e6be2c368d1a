#pragma once

#include <QString>

#include <optional>

// A path inside a file safe as korvexcmd takes it: "SAFE:/folder/file",
// where SAFE is the safe's name or id ("SAFE", "SAFE:" and "SAFE:/" are its
// root). The safe is everything before the first colon. The path is checked
// before anything goes to the network: an empty, "." or ".." component or a
// NUL character is refused.
struct RemotePath
{
    QString safe;
    QString path = QStringLiteral("/"); // "/" or "/a/b", without a trailing slash

    bool isRoot() const { return path == QLatin1String("/"); }
    // "/a/b" -> "/a"; the root's parent is the root.
    QString parent() const;
    // The last component; empty for the root.
    QString name() const;
    // "SAFE:/a/b"
    QString toString() const;

    // Fills `error` and returns nothing when the text is not acceptable.
    static std::optional<RemotePath> parse(const QString &text, QString *error);
    // The same check for a path alone ("/a/b").
    static std::optional<QString> checkedPath(const QString &path, QString *error);
};
