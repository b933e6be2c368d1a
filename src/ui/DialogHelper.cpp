#include "ui/DialogHelper.h"

#include "sync/SettingSetup.h"

#include <QFileDialog>

namespace DialogHelper {

namespace {
QString pick(QWidget *parent, const QString &title, const char *who)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted) {
        qInfo("DialogHelper::%s: select local folder canceled", who);
        return QString();
    }
    const QStringList selected = dialog.selectedFiles();
    for (const QString &dir : selected)
        qInfo("DialogHelper::%s: selected dir: '%s'", who, qUtf8Printable(dir));
    if (selected.isEmpty() || selected.first().isEmpty()) {
        qInfo("DialogHelper::%s: no destination selected", who);
        return QString();
    }
    return selected.first();
}
} // namespace

QString pickValidFolder(QWidget *parent, const QString &title, SettingSetup &setup)
{
    return setup.checkPickedFolder(pick(parent, title, "pickValidFolder"), true);
}

QString pickValidDefaultFolder(QWidget *parent, const QString &title, SettingSetup &setup)
{
    return setup.checkPickedFolder(pick(parent, title, "pickValidDefaultFolder"), false);
}

} // namespace DialogHelper
