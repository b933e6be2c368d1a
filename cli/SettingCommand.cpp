#include "SettingCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"

#include "db/FileSafeDao.h"
#include "db/SyncSettingsDao.h"
#include "ri/FilesafeRI.h"
#include "sync/SettingSetup.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

using CliOutput::say;

QList<QCommandLineOption> SettingCommand::options()
{
    return {
        QCommandLineOption(QStringLiteral("manual"),
                           QStringLiteral("setting add: synchronise only on request, not on the timer.")),
        QCommandLineOption(QStringLiteral("encrypted"),
                           QStringLiteral("setting add: keep the local copies encrypted on disk (a drive daemon "
                                          "serves the folder, which must start empty; korvexcmd run and the "
                                          "desktop client run the drive).")),
    };
}

QString SettingCommand::help()
{
    return QStringLiteral(
        "  setting add SAFE[:/FOLDER] LOCAL_DIR [--manual] [--encrypted]\n"
        "                                 Pair a local folder (created when missing) with a\n"
        "                                 folder of a safe; prints the new setting's id.\n"
        "  setting list [--json]          The sync settings of the account.\n"
        "  setting remove ID              Forget a sync setting (local and remote files stay).\n");
}

bool SettingCommand::checkArguments()
{
    const QStringList args = context().arguments;
    m_verb = args.value(0);
    if (m_verb == QLatin1String("add")) {
        if (args.size() != 3) {
            usage(QStringLiteral("add takes SAFE[:/FOLDER] and LOCAL_DIR"));
            return false;
        }
        QString error;
        const std::optional<RemotePath> remote = RemotePath::parse(args.at(1), &error);
        if (!remote) {
            usage(error);
            return false;
        }
        m_remote = *remote;
        m_localDir = QFileInfo(args.at(2)).absoluteFilePath();
        return true;
    }
    if (m_verb == QLatin1String("list")) {
        if (args.size() == 1)
            return true;
        usage(QStringLiteral("list takes no arguments"));
        return false;
    }
    if (m_verb == QLatin1String("remove")) {
        bool ok = false;
        m_id = args.value(1).toInt(&ok);
        if (args.size() == 2 && ok && m_id > 0)
            return true;
        usage(QStringLiteral("remove takes the id of a sync setting"));
        return false;
    }
    usage(QStringLiteral("expected add, list or remove"));
    return false;
}

void SettingCommand::run()
{
    if (m_verb == QLatin1String("add"))
        add();
    else if (m_verb == QLatin1String("list"))
        list();
    else
        remove();
}

void SettingCommand::add()
{
    // Sync folders never nest, whichever account on this computer owns them.
    const SyncSettings overlapping = client()->syncSettingsDao()->overlappingSettings(m_localDir);
    if (!overlapping.isEmpty()) {
        const SyncSetting &other = overlapping.first();
        say(QStringLiteral("korvexcmd setting add: '%1' equals, contains or lies inside the sync folder '%2' (setting "
                           "%3); sync folders must not overlap.")
                .arg(m_localDir, other.localDir)
                .arg(other.id));
        finish(ExitUsage);
        return;
    }
    const QFileInfo local(m_localDir);
    if (local.exists() && !local.isDir()) {
        say(QStringLiteral("korvexcmd setting add: '%1' is not a folder.").arg(m_localDir));
        finish(ExitLocal);
        return;
    }
    if (context().isSet(QStringLiteral("encrypted")) && !SettingSetup::emptyForDrive(m_localDir)) {
        say(QStringLiteral("korvexcmd setting add: '%1' is not empty; an encrypted folder must start empty.")
                .arg(m_localDir));
        finish(ExitUsage);
        return;
    }
    client()->fileSafeDao()->syncFileSafes([this](const Result<FileSafes> &result) {
        if (!result.isOk()) {
            say(QStringLiteral("korvexcmd setting add: cannot list the file safes: %1").arg(CliOutput::clean(result.message)));
            finish(exitCodeFor(result.code));
            return;
        }
        QList<FileSafe> matches;
        for (const FileSafe &s : result.value)
            if (s.safeId == m_remote.safe || s.safeName == m_remote.safe)
                matches << s;
        if (matches.size() != 1) {
            say(matches.isEmpty() ? QStringLiteral("korvexcmd setting add: no file safe '%1'.").arg(m_remote.safe)
                                  : QStringLiteral("korvexcmd setting add: several file safes are named '%1'; give "
                                                   "the id.")
                                        .arg(m_remote.safe));
            finish(matches.isEmpty() ? ExitNotFound : ExitUsage);
            return;
        }
        const FileSafe safe = matches.first();
        // The remote folder must exist: its listing includes the folder itself.
        client()->filesafeRI()->getObjects(
            safe.safeId, m_remote.path, 1, QStringLiteral("d"), [this, safe](const Result<FilesafeObjectsTO_v2> &r) {
                const FilesafeObjectTO *folder = nullptr;
                for (const FilesafeObjectTO &o : r.value.objects)
                    if (o.path == m_remote.path && o.isFolder())
                        folder = &o;
                if (!r.isOk() || !folder) {
                    say(QStringLiteral("korvexcmd setting add: the folder %1:%2 does not exist%3")
                            .arg(CliOutput::clean(safe.safeName), m_remote.path,
                                 r.isOk() ? QString() : QStringLiteral(" (%1)").arg(CliOutput::clean(r.message))));
                    finish(r.isOk() || r.code == ERR_STATUS_10904 ? ExitNotFound : exitCodeFor(r.code));
                    return;
                }
                addFor(safe, folder->objectId);
            });
    });
}

void SettingCommand::addFor(const FileSafe &safe, const QString &folderId)
{
    if (!QDir().mkpath(m_localDir)) {
        say(QStringLiteral("korvexcmd setting add: cannot create the folder '%1'.").arg(m_localDir));
        finish(ExitLocal);
        return;
    }
    SyncSetting setting;
    setting.safeId = safe.safeId;
    setting.safeName = safe.safeName;
    setting.safeType = safe.safeType;
    setting.remoteDir = m_remote.path;
    setting.localDir = m_localDir;
    setting.mode = context().isSet(QStringLiteral("manual")) ? 1 : 0;
    setting.rootFolderId = folderId;
    setting.encryption = context().isSet(QStringLiteral("encrypted"));
    if (setting.encryption) {
        setting.encryptionKey = SettingSetup::newDriveKey();
        if (setting.encryptionKey.isEmpty()) {
            say(QStringLiteral("korvexcmd setting add: no random key could be made."));
            finish(ExitLocal);
            return;
        }
    }
    const SyncSetting stored = client()->syncSettingsDao()->add(setting);
    if (!stored.isValid()) {
        say(QStringLiteral("korvexcmd setting add: the setting could not be stored (see the log)."));
        finish(ExitLocal);
        return;
    }
    CliOutput::line(QString::number(stored.id));
    say(QStringLiteral("Sync setting %1: %2:%3 <-> %4 (%5).")
            .arg(stored.id)
            .arg(CliOutput::clean(safe.safeName), m_remote.path, stored.localDir,
                 stored.mode == 0 ? QStringLiteral("automatic") : QStringLiteral("manual")));
    finish(ExitOk);
}

void SettingCommand::list()
{
    const SyncSettings settings = client()->syncSettingsDao()->getList(false);
    auto lastSync = [](const SyncSetting &s) {
        return s.lastSync.isValid() ? s.lastSync.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                    : QStringLiteral("never");
    };
    if (context().isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const SyncSetting &s : settings)
            array << QJsonObject{{QStringLiteral("id"), s.id},
                                 {QStringLiteral("safeId"), s.safeId},
                                 {QStringLiteral("safeName"), s.safeName},
                                 {QStringLiteral("remoteDir"), s.remoteDir},
                                 {QStringLiteral("localDir"), s.localDir},
                                 {QStringLiteral("mode"), s.mode == 0 ? QStringLiteral("automatic") : QStringLiteral("manual")},
                                 {QStringLiteral("lastSync"), s.lastSync.isValid() ? s.lastSync.toString(Qt::ISODateWithMs) : QString()},
                                 {QStringLiteral("remoteState"), s.remoteState == SyncSetting::RemoteAvailable
                                                                     ? QStringLiteral("available")
                                                                     : QStringLiteral("removed")},
                                 {QStringLiteral("encrypted"), s.encryption}};
        CliOutput::json(array);
        finish(ExitOk);
        return;
    }
    QList<QStringList> rows;
    for (const SyncSetting &s : settings)
        rows << QStringList{QString::number(s.id), s.safeName, s.remoteDir, s.localDir,
                            s.mode == 0 ? QStringLiteral("automatic") : QStringLiteral("manual"), lastSync(s),
                            s.remoteState == SyncSetting::RemoteAvailable ? QStringLiteral("available")
                                                                          : QStringLiteral("removed")};
    CliOutput::table({QStringLiteral("ID"), QStringLiteral("SAFE"), QStringLiteral("REMOTE FOLDER"),
                      QStringLiteral("LOCAL FOLDER"), QStringLiteral("MODE"), QStringLiteral("LAST SYNC"),
                      QStringLiteral("REMOTE STATE")},
                     rows);
    finish(ExitOk);
}

void SettingCommand::remove()
{
    const std::optional<SyncSetting> setting = client()->syncSettingsDao()->getSetting(m_id);
    if (!setting) {
        say(QStringLiteral("korvexcmd setting remove: no sync setting %1 of this account.").arg(m_id));
        finish(ExitNotFound);
        return;
    }
    if (!client()->syncSettingsDao()->remove(m_id)) {
        say(QStringLiteral("korvexcmd setting remove: the setting could not be removed (see the log)."));
        finish(ExitLocal);
        return;
    }
    say(QStringLiteral("Removed sync setting %1; the files in '%2' and on the server stay.").arg(m_id).arg(setting->localDir));
    finish(ExitOk);
}
