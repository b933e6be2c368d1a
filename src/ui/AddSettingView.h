#pragma once

#include "db/FileSafe.h"
#include "net/Result.h"
#include "ri/FilesafeObjectsTO_v2.h"

#include <QDialog>

class AppInfo;
class DirUtil;
class FileSafeDao;
class FilesafeRI;
class ISession;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SyncSettingsDao;

// Setting up a sync folder: a file safe, a folder in it and a local folder,
// automatic or not. Saving checks the no-overlap rule (SettingSetup) and
// stores the setting; the dialog then closes.
class AddSettingView : public QDialog
{
    Q_OBJECT
public:
    struct Parts
    {
        FileSafeDao *fileSafes = nullptr;
        FilesafeRI *filesafeRI = nullptr;
        SyncSettingsDao *settings = nullptr;
        ISession *session = nullptr;
        DirUtil *dirUtil = nullptr;
        const AppInfo *appInfo = nullptr; // its feature switch shows the encryption option
    };

    explicit AddSettingView(const Parts &parts, QWidget *parent = nullptr);

    int storedSettingId() const { return m_storedId; }

public slots:
    void on_localFolderButton_clicked();
    void on_remoteFolderButton_clicked();
    void on_getRemoteFolders(const Result<FilesafeObjectsTO_v2> &result);
    void on_remoteFolderSelected(bool ok, const QString &path, const QString &folderId);
    void on_saveButton_clicked();

signals:
    void settingStored(int settingId);

private:
    void safeChanged();
    const FileSafe *selectedSafe() const;

    Parts m_parts;
    FileSafes m_safes;
    QTableWidget *m_safeTable;
    QLineEdit *m_remoteFolder;
    QPushButton *m_remoteButton;
    QLineEdit *m_localFolder;
    QPushButton *m_localButton;
    QCheckBox *m_autoSync;
    QCheckBox *m_encrypt = nullptr;
    QPushButton *m_save;
    QString m_remoteFolderId;
    QString m_suggestedLocal; // the default shown, replaced when the safe changes
    int m_storedId = 0;
};
