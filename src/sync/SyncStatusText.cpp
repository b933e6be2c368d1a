#include "sync/SyncStatusText.h"

#include "sync/SyncAction.h"

#include <QCoreApplication>
#include <QLocale>

namespace SyncStatusText {

namespace {
QString translated(const char *text)
{
    return QCoreApplication::translate("StatusBarView", text);
}
} // namespace

QString phase(int step, int done, int total)
{
    switch (step) {
    case 0:
    case 10:
    case 12:
        return QStringLiteral("(2/5)");
    case 20:
    case 21:
    case 22:
        return QStringLiteral("(3/5)");
    case 30:
    case 31:
    case 32:
        return QStringLiteral("(4/5)");
    case 40:
    case 41:
        if (total > 0)
            return QStringLiteral("(5/5; %1%)").arg(qBound(0, done * 100 / total, 100));
        return QStringLiteral("(5/5)");
    case 42:
        return translated(QT_TRANSLATE_NOOP("StatusBarView", "Sync successful"));
    case Canceled:
        return translated(QT_TRANSLATE_NOOP("StatusBarView", "Sync canceled"));
    case Failed:
        return translated(QT_TRANSLATE_NOOP("StatusBarView", "Sync failed"));
    default:
        return QString();
    }
}

QString currentItem(const ProgressInfo &pi)
{
    if (pi.path.isEmpty())
        return QString();
    QString text = translated(QT_TRANSLATE_NOOP("StatusBarView", "%1: %2"))
                       .arg(SyncAction::displayText(pi.actionType), pi.safeName + QLatin1Char('/') + pi.path);
    if (pi.bytesTotal > 0) {
        const bool mb = pi.bytesTotal >= 1024 * 1024;
        const double unit = mb ? 1024.0 * 1024.0 : 1024.0;
        const QLocale locale;
        const QString done = locale.toString(pi.bytesDone / unit, 'f', 1);
        const QString total = locale.toString(pi.bytesTotal / unit, 'f', 1);
        text += (mb ? translated(QT_TRANSLATE_NOOP("StatusBarView", " (%1 of %2 MB)"))
                    : translated(QT_TRANSLATE_NOOP("StatusBarView", " (%1 of %2 KB)")))
                    .arg(done, total);
    }
    return text;
}

QString lastSync(const QDateTime &time, bool settingsPage)
{
    if (!time.isValid())
        return QString();
    const QString prefix = settingsPage ? translated(QT_TRANSLATE_NOOP("StatusBarView", "Last synchronisation: "))
                                        : translated(QT_TRANSLATE_NOOP("StatusBarView", "Last sync: "));
    return prefix + QLocale().toString(time.toLocalTime(), QLocale::ShortFormat);
}

} // namespace SyncStatusText
