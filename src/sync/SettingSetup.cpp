#include "sync/SettingSetup.h"

#include "db/SyncSettingsDao.h"
#include "net/ISession.h"
#include "sync/Crypto.h"
#include "sync/ISetupPrompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString translated(const char *text)
{
    return QCoreApplication::translate("AddSettingView", text);
}

QString toSlashes(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}
} // namespace

SettingSetup::SettingSetup(SyncSettingsDao *settings, ISession *session, ISetupPrompts *prompts)
    : m_settings(settings)
    , m_session(session)
    , m_prompts(prompts)
{
}

QString SettingSetup::cleanPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(toSlashes(path)).absoluteFilePath());
}

SyncSetting SettingSetup::buildRecord(const Choice &choice) const
{
    SyncSetting s;
    s.accountName = m_session ? m_session->account().name : QString();
    if (s.accountName.isEmpty())
        s.accountName = QStringLiteral("undef_u");
    s.safeId = choice.safe.safeId;
    s.safeName = choice.safe.safeName;
    s.safeType = choice.safe.safeType;
    s.roleType = choice.safe.roleType;
    s.access = choice.safe.access;
    const QString remote = toSlashes(choice.remotePath);
    if (remote.isEmpty() || remote == QLatin1String("/")) {
        s.remoteDir = QStringLiteral("/");
        s.rootFolderId = choice.safe.rootFolderId;
    } else {
        s.remoteDir = remote;
        s.rootFolderId = choice.remoteFolderId;
    }
    s.localDir = toSlashes(choice.localDir);
    s.mode = choice.automatic ? 0 : 1;
    s.encryption = choice.encryption;
    return s;
}

std::optional<SyncSetting> SettingSetup::firstConflict(const QString &path) const
{
    const SyncSettings rows = m_settings->overlappingSettings(path);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QString SettingSetup::conflictText(const QString &candidate, const SyncSetting &conflict) const
{
    const QString me = m_session ? m_session->account().name : QString();
    const QString folder = QDir::toNativeSeparators(candidate).toHtmlEscaped();
    const QString safe = conflict.safeName.toHtmlEscaped();
    if (conflict.accountName == me)
        return translated(QT_TRANSLATE_NOOP("AddSettingView",
                                    "The local folder \"%1\" <ul><li>is already synchronized</li><li>or contains a "
                                    "folder which is synchronized</li><li>or is within a folder which is "
                                    "synchronized</li></ul>with the file safe <b>\"%2\"</b> used by <b>yourself</b>. "))
            .arg(folder, safe);
    return translated(QT_TRANSLATE_NOOP("AddSettingView",
                                "The local folder \"%1\" <ul><li>is already synchronized</li><li>or contains a folder "
                                "which is synchronized</li><li>or is within a folder which is synchronized</li></ul>with "
                                "the file safe <b>\"%2\"</b> used by ${SERVICE_NAME} user <b>\"%3\"</b>. "))
        .arg(folder, safe, conflict.accountName.toHtmlEscaped());
}

bool SettingSetup::resolveConflict(const QString &path, const QString &removeFailedText)
{
    const std::optional<SyncSetting> conflict = firstConflict(path);
    if (!conflict)
        return true;
    const QString text = conflictText(path, *conflict) +
                         translated(QT_TRANSLATE_NOOP("AddSettingView",
                                              "<br/><br/>Do you want to replace that synchronization setting?"));
    if (!m_prompts->ask(translated(QT_TRANSLATE_NOOP("AddSettingView", "Folder already used!")), text))
        return false;
    // Only the first overlapping setting is replaced; another one still
    // overlapping is found by the next attempt.
    if (!m_settings->remove(conflict->id)) {
        m_prompts->tell(ISetupPrompts::Notice::Warning, translated(QT_TRANSLATE_NOOP("AddSettingView", "Warning")),
                        removeFailedText.arg(conflict->safeName.toHtmlEscaped()));
        return false;
    }
    return true;
}

bool SettingSetup::ensureFolder(const QString &path, const QString &question, const QString &failure)
{
    if (QFileInfo(path).isDir())
        return true;
    const QString native = QDir::toNativeSeparators(path);
    if (!m_prompts->ask(translated(QT_TRANSLATE_NOOP("AddSettingView", "Info")), question.arg(native)))
        return false;
    if (!QDir().mkpath(path)) {
        m_prompts->tell(ISetupPrompts::Notice::Information, translated(QT_TRANSLATE_NOOP("AddSettingView", "Info")),
                        failure.arg(native));
        return false;
    }
    return true;
}

QByteArray SettingSetup::newDriveKey()
{
    const QByteArray key = randomBytes(16);
    return key.size() == 16 ? key : QByteArray();
}

bool SettingSetup::emptyForDrive(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

SyncSetting SettingSetup::save(const Choice &choice)
{
    SyncSetting record = buildRecord(choice);
    const QString path = cleanPath(choice.localDir);
    if (!resolveConflict(path, translated(QT_TRANSLATE_NOOP("AddSettingView", "Failed to remove settings for filesafe %1"))))
        return SyncSetting();
    if (!ensureFolder(path, translated(QT_TRANSLATE_NOOP("AddSettingView", "The local folder does not exist:\n    %1\nCreate it?")),
                      translated(QT_TRANSLATE_NOOP("AddSettingView", "Cannot create folder:\n%1"))))
        return SyncSetting();
    if (record.encryption) {
        if (!emptyForDrive(path)) {
            m_prompts->tell(ISetupPrompts::Notice::Information, translated(QT_TRANSLATE_NOOP("AddSettingView", "Info")),
                            translated(QT_TRANSLATE_NOOP("AddSettingView",
                                                         "An encrypted folder must be empty when it is set up:\n%1"))
                                .arg(QDir::toNativeSeparators(path)));
            return SyncSetting();
        }
        record.encryptionKey = newDriveKey();
        if (record.encryptionKey.isEmpty()) {
            m_prompts->tell(ISetupPrompts::Notice::Warning, translated(QT_TRANSLATE_NOOP("AddSettingView", "Warning")),
                            translated(QT_TRANSLATE_NOOP("AddSettingView",
                                                         "No key could be made for the encrypted folder.")));
            return SyncSetting();
        }
    }
    record.localDir = path;
    const SyncSetting stored = m_settings->add(record);
    if (!stored.isValid())
        qWarning("AddSettingView::save: failed to store the sync setting for '%s'", qUtf8Printable(path));
    return stored;
}

QString SettingSetup::checkPickedFolder(const QString &picked, bool offerReplace)
{
    if (picked.isEmpty())
        return QString();
    const QString path = cleanPath(picked);
    if (!offerReplace) {
        if (const std::optional<SyncSetting> conflict = firstConflict(path)) {
            m_prompts->tell(ISetupPrompts::Notice::Information,
                            translated(QT_TRANSLATE_NOOP("AddSettingView", "Folder already synchronized")),
                            conflictText(path, *conflict) +
                                translated(QT_TRANSLATE_NOOP("AddSettingView", "<br/><br/>Please choose a different folder.")));
            return QString();
        }
        return path;
    }
    if (!resolveConflict(path, translated(QT_TRANSLATE_NOOP("AddSettingView",
                                                    "Failed to remove synchronization setting for filesafe \"%1\""))))
        return QString();
    if (!ensureFolder(path,
                      translated(QT_TRANSLATE_NOOP("AddSettingView",
                                           "The local folder does not exist:<br/>    %1<br/><br/>Create it?")),
                      translated(QT_TRANSLATE_NOOP("AddSettingView", "Cannot create folder:<br/>%1"))))
        return QString();
    return path;
}
