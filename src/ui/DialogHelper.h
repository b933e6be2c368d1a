#pragma once

#include <QString>

class QWidget;
class SettingSetup;

// The folder pickers with the no-overlap rule: a folder for a new sync
// setting (a conflict may replace the stored setting, a missing folder is
// created) and the base folder under which new settings are placed (a
// conflict is refused).
namespace DialogHelper {

QString pickValidFolder(QWidget *parent, const QString &title, SettingSetup &setup);
QString pickValidDefaultFolder(QWidget *parent, const QString &title, SettingSetup &setup);

} // namespace DialogHelper
