#pragma once

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

// The pattern files that keep objects out of a sync: one regular
// expression per line, matched in full against every component of a path.
class SyncPatterns
{
public:
    static constexpr const char *ExcludeSilently = ":/res/patterns/exclude_silently.txt";
    static constexpr const char *Exclude = ":/res/patterns/exclude.txt";
    static constexpr const char *Deletable = ":/res/patterns/deletable.txt";

    SyncPatterns() = default;
    explicit SyncPatterns(const QList<QRegularExpression> &patterns);

    // Lines that are empty, blank or start with "#" are skipped; every other
    // line is taken as it is, anchored with "^" and "$". Invalid expressions
    // are logged and dropped. The log lines start with `logPrefix`
    // ("Syncher::loadExcludePatterns") and name the list (`what`).
    static SyncPatterns load(const QString &fileName, const char *logPrefix, const char *what = "exclude");
    // The same from the file's text (also the fuzzer's entry).
    static SyncPatterns parse(const QByteArray &text, const char *logPrefix);

    int size() const { return m_patterns.size(); }
    bool isEmpty() const { return m_patterns.isEmpty(); }
    const QList<QRegularExpression> &patterns() const { return m_patterns; }

    // The name is matched in full by one of the patterns.
    bool matchesName(const QString &name) const;
    // Some component of the "/"-separated path is.
    bool matchesAnyComponent(const QString &path) const;

private:
    QList<QRegularExpression> m_patterns;
    // One alternation of all patterns, so that a name is matched once.
    QRegularExpression m_combined;
    // Names repeat across paths (folders); remember the answers.
    mutable QHash<QString, bool> m_cache;
};
