#pragma once

#include "db/SyncSetting.h"

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QQueue>
#include <QStringList>

#include <optional>

class AppInfo;
class IFileSystemDriverManager;

// Gives each sync folder the application's folder icon. An encrypted
// folder gets it only while its drive runs (the icon belongs to the mount,
// not to the empty folder beneath). On Windows this is a "desktop.ini" in
// the folder; elsewhere the GIO attribute metadata::custom-icon, set with
// the gio tool when it is installed, because any file written into the
// folder would be synchronised.
class IconOverlay : public QObject
{
    Q_OBJECT
public:
    IconOverlay(IFileSystemDriverManager *manager, const AppInfo *appInfo, QObject *parent = nullptr);

    // The Windows folder settings file: marker line "# <version>", then the
    // shell section naming `iconFile`.
    static QByteArray folderSettingsText(const QString &appVersion, const QString &iconFile);
    // Writes "desktop.ini" into `folder` unless its first line carries the
    // marker of this version already; false when it cannot be written.
    static bool ensureFolderSettingsFile(const QString &folder, const QString &appVersion, const QString &iconFile);

public slots:
    void addOverlay(const SyncSetting &setting);
    void removeOverlay(const SyncSetting &setting);
    // For the settings store's settingRemoved(id): the folder as last seen.
    void removeOverlayById(int settingId);

private:
    QString folderOf(const SyncSetting &setting) const;
    // One gio run at a time, in order: a setting removed right after it was
    // added must end without the icon. Nothing waits for gio on the GUI thread.
    void runGio(const QStringList &args);
    void startNextGio();
    void finishGio();

    IFileSystemDriverManager *m_manager;
    const AppInfo *m_appInfo;
    QHash<int, SyncSetting> m_seen; // by id, as addOverlay saw them
    QQueue<QStringList> m_gioQueue;
    QProcess *m_gio = nullptr;       // the run in progress
    std::optional<QString> m_gioPath; // once looked up; empty: not installed
};
