#pragma once

#include <QElapsedTimer>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// The one place where korvexcmd writes: data to standard output (tables,
// JSON, plain lines), messages to standard error, and the progress line of
// transfers, which only a terminal gets. Text that came from a server goes
// through clean() before it reaches either stream, so a hostile name or
// message cannot move the cursor, clear the screen or retitle the window.
namespace CliOutput {

// `text` without control characters (C0, DEL, C1) and without the
// bidirectional overrides that can make a terminal show text reordered.
QString clean(const QString &text);

// A message on standard error with a line end; each of its lines is
// cleaned (server text inside it must go through clean() first, since line
// ends stay).
void say(const QString &text);
// One line of data on standard output; tabs separate its fields, each of
// which is cleaned.
void line(const QString &text);
// A table with a header line; columns are padded to their widest cell, and
// the last column is not padded. Every cell is cleaned.
void table(const QStringList &header, const QList<QStringList> &rows);
// A secret (a password) alone on standard output, for `$(korvexcmd ...)`:
// as it is when standard output is a pipe or a file, cleaned when it is a
// terminal. The bytes written are wiped afterwards.
void secret(const QString &text);
// A JSON value (indented) on standard output. JSON escapes control
// characters itself, so nothing is cleaned.
void json(const QJsonValue &value);

// "1.5 MB", "999 B": decimal units, as file managers show them.
QString humanSize(qint64 bytes);

bool stderrIsTerminal();
bool stdoutIsTerminal();

// "label: 12.0 MB of 100 MB (12%), 31.4 MB/s" rewritten in place on a
// terminal, at most ten times a second, and cleared by finish(). Without a
// terminal on standard error it writes nothing.
class ProgressLine
{
public:
    explicit ProgressLine(const QString &label);
    ~ProgressLine();
    void setLabel(const QString &label);
    void update(qint64 done, qint64 total);
    void finish();

private:
    void draw(qint64 done, qint64 total);

    QString m_label;
    bool m_enabled;
    bool m_shown = false;
    QElapsedTimer m_started;
    QElapsedTimer m_lastDraw;
};

} // namespace CliOutput
