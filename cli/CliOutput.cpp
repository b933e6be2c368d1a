#include "CliOutput.h"

#include "passwords/SecretWipe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include <unistd.h>

namespace CliOutput {

namespace {
bool isUnsafe(uint c)
{
    return c < 0x20 || c == 0x7f || (c >= 0x80 && c <= 0x9f) || (c >= 0x202a && c <= 0x202e)
           || (c >= 0x2066 && c <= 0x2069);
}

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    fputc('\n', stream);
    fflush(stream);
}
} // namespace

QString clean(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const uint c : text.toUcs4()) {
        if (isUnsafe(c))
            continue;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

void say(const QString &text)
{
    // Our own messages may have several lines; server text in them was
    // cleaned by the caller.
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList cleaned;
    for (const QString &l : lines)
        cleaned << clean(l);
    write(stderr, cleaned.join(QLatin1Char('\n')));
}

void line(const QString &text)
{
    // Tabs separate fields; what is between them is cleaned.
    QStringList fields = text.split(QLatin1Char('\t'));
    for (QString &f : fields)
        f = clean(f);
    write(stdout, fields.join(QLatin1Char('\t')));
}

void table(const QStringList &header, const QList<QStringList> &rows)
{
    QList<QStringList> cleaned;
    cleaned << header;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << clean(cell);
        cleaned << cells;
    }
    QList<int> widths;
    for (const QStringList &row : qAsConst(cleaned)) {
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = qMax(widths[i], row.at(i).size());
        }
    }
    for (const QStringList &row : qAsConst(cleaned)) {
        QString text;
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += QLatin1String("  ");
            text += i + 1 < row.size() ? row.at(i).leftJustified(widths.at(i)) : row.at(i);
        }
        write(stdout, text);
    }
}

void secret(const QString &text)
{
    QByteArray bytes = (stdoutIsTerminal() ? clean(text) : text).toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    fputc('\n', stdout);
    fflush(stdout);
    SecretWipe::wipe(bytes);
}

void json(const QJsonValue &value)
{
    QJsonDocument doc;
    if (value.isArray())
        doc = QJsonDocument(value.toArray());
    else
        doc = QJsonDocument(value.toObject());
    const QByteArray bytes = doc.toJson(QJsonDocument::Indented);
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    fflush(stdout);
}

QString humanSize(qint64 bytes)
{
    static const char *units[] = {"B", "kB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000.0 && unit < 4) {
        value /= 1000.0;
        ++unit;
    }
    if (unit == 0)
        return QStringLiteral("%1 B").arg(bytes);
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(QLatin1String(units[unit]));
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool stdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

ProgressLine::ProgressLine(const QString &label)
    : m_label(clean(label))
    , m_enabled(stderrIsTerminal())
{
    m_started.start();
}

ProgressLine::~ProgressLine()
{
    finish();
}

void ProgressLine::setLabel(const QString &label)
{
    m_label = clean(label);
}

void ProgressLine::update(qint64 done, qint64 total)
{
    if (!m_enabled)
        return;
    // Ten updates a second are plenty for a person and cheap for a terminal.
    if (m_shown && m_lastDraw.isValid() && m_lastDraw.elapsed() < 100 && done < total)
        return;
    draw(done, total);
}

void ProgressLine::draw(qint64 done, qint64 total)
{
    const double seconds = qMax<qint64>(m_started.elapsed(), 1) / 1000.0;
    QString text = m_label + QLatin1String(": ") + humanSize(done);
    if (total > 0)
        text += QStringLiteral(" of %1 (%2%)").arg(humanSize(total)).arg(done * 100 / total);
    text += QStringLiteral(", %1/s").arg(humanSize(qint64(double(done) / seconds)));
    const QByteArray bytes = "\r\033[K" + text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    fflush(stderr);
    m_shown = true;
    m_lastDraw.start();
}

void ProgressLine::finish()
{
    if (!m_shown)
        return;
    fputs("\r\033[K", stderr);
    fflush(stderr);
    m_shown = false;
}

} // namespace CliOutput
