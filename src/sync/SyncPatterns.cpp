#include "sync/SyncPatterns.h"

#include <QFile>
#include <QStringList>

SyncPatterns::SyncPatterns(const QList<QRegularExpression> &patterns)
    : m_patterns(patterns)
{
    QStringList parts;
    // Each pattern keeps its own anchors inside the alternation, so the
    // combination matches exactly when one of them does.
    for (const QRegularExpression &re : patterns)
        parts << QStringLiteral("(?:%1)").arg(re.pattern());
    // Back-references would count groups across the patterns; those lists
    // are matched one pattern at a time.
    static const QRegularExpression backReference(QStringLiteral("\\\\[1-9gk]"));
    const bool combinable = !parts.join(QString()).contains(backReference);
    if (!parts.isEmpty() && combinable) {
        m_combined = QRegularExpression(parts.join(QLatin1Char('|')));
        if (m_combined.isValid())
            m_combined.optimize();
    }
}

SyncPatterns SyncPatterns::parse(const QByteArray &text, const char *logPrefix)
{
    static const QRegularExpression skipped(QStringLiteral("^\\s*(|#.*)$"));
    QList<QRegularExpression> patterns;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        // A file written on Windows ends its lines with CR LF; the CR belongs
        // to the line end, not to the pattern.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (skipped.match(line).hasMatch())
            continue;
        QRegularExpression re(QLatin1Char('^') + line + QLatin1Char('$'));
        if (!re.isValid()) {
            qWarning("%s: invalid pattern (line: %d): %s", logPrefix, i + 1, qUtf8Printable(line));
            continue;
        }
        patterns << re;
    }
    return SyncPatterns(patterns);
}

SyncPatterns SyncPatterns::load(const QString &fileName, const char *logPrefix, const char *what)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("%s: Failed to read %s patterns: %s", logPrefix, what, qUtf8Printable(fileName));
        return SyncPatterns();
    }
    SyncPatterns patterns = parse(file.readAll(), logPrefix);
    qDebug("%s: %s patterns found: %d", logPrefix, what, patterns.size());
    return patterns;
}

bool SyncPatterns::matchesName(const QString &name) const
{
    if (m_patterns.isEmpty())
        return false;
    const auto cached = m_cache.constFind(name);
    if (cached != m_cache.constEnd())
        return *cached;
    bool matched = false;
    if (m_combined.isValid()) {
        matched = m_combined.match(name).hasMatch();
    } else {
        for (const QRegularExpression &re : m_patterns) {
            if (re.match(name).hasMatch()) {
                matched = true;
                break;
            }
        }
    }
    if (m_cache.size() > 100000)
        m_cache.clear();
    m_cache.insert(name, matched);
    return matched;
}

bool SyncPatterns::matchesAnyComponent(const QString &path) const
{
    if (m_patterns.isEmpty())
        return false;
    for (const QStringRef &part : path.splitRef(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (matchesName(part.toString()))
            return true;
    return false;
}
