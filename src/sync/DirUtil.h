#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class AppInfo;

// Where sync folders go by default, the check that keeps sync folders apart,
// and showing a file in the desktop's file manager.
class DirUtil : public QObject
{
    Q_OBJECT
public:
    // Opens a URL with the desktop (a seam for tests).
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit DirUtil(const AppInfo *appInfo, QObject *parent = nullptr, UrlOpener opener = UrlOpener());

    // "${HOME}/${FOLDER_NAME}" unless the setting "app/default_folder_name"
    // says otherwise.
    QString getSyncRootPath() const;
    // A folder below `root` (default: the sync root) named after `name` that
    // does not exist yet: name, name_2, ... name_99.
    QString defaultLocalFolder(const QString &name, const QString &root = QString()) const;
    // ${NAME} replaced from the variable table; false on an unknown name or
    // a "${" without "}".
    bool expand(const QString &text, QString *result) const;

    // Selects a file (or opens a folder) in the file manager: the
    // org.freedesktop.FileManager1 D-Bus call, else the folder opened.
    void showInGraphicalShell(const QString &path) const;

    // One path equals, contains or lies inside the other.
    static bool isNested(const QString &a, const QString &b);

    const QHash<QString, QString> &variables() const { return m_variables; }

private:
    const AppInfo *m_appInfo;
    QHash<QString, QString> m_variables;
    UrlOpener m_opener;
};
