#include "FilesCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"

#include "db/FileSafeDao.h"
#include "ri/FilesafeRI.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <memory>

using CliOutput::say;

QList<QCommandLineOption> FilesCommand::options()
{
    return {
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("safes, ls, and the other listings: print the "
                                                                  "service's objects as JSON.")),
        QCommandLineOption(QStringLiteral("recursive"), QStringLiteral("ls: the whole subtree, not just one level.")),
    };
}

QString FilesCommand::help()
{
    return QStringLiteral(
        "  safes [--json]                 The file safes of the account.\n"
        "  ls SAFE[:/FOLDER] [--recursive] [--json]\n"
        "                                 The files and folders below a folder.\n"
        "  get SAFE:/PATH [DEST]          Download a file into DEST (a folder, or a file\n"
        "                                 path; default the current folder).\n"
        "  put FILE... SAFE:/FOLDER       Upload files into a folder; a file of the same\n"
        "                                 name there gets a new version.\n"
        "  mkdir SAFE:/PATH               Create a folder (its parent must exist).\n"
        "  rm SAFE:/PATH                  Move a file or folder into the safe's trash (or\n"
        "                                 the private trash when the safe has none).\n");
}

QStringList FilesCommand::words()
{
    return {QStringLiteral("safes"), QStringLiteral("ls"), QStringLiteral("get"), QStringLiteral("put"),
            QStringLiteral("mkdir"), QStringLiteral("rm")};
}

FilesafeRI *FilesCommand::ri() const
{
    return client()->filesafeRI();
}

bool FilesCommand::checkArguments()
{
    const QString word = context().word;
    QStringList args = context().arguments;
    auto wants = [&](int min, int max) {
        if (args.size() >= min && args.size() <= max)
            return true;
        usage(QStringLiteral("wrong number of arguments"));
        return false;
    };
    auto target = [&](const QString &text) {
        QString error;
        const std::optional<RemotePath> path = RemotePath::parse(text, &error);
        if (!path) {
            usage(error);
            return false;
        }
        m_target = *path;
        return true;
    };
    if (word == QLatin1String("safes"))
        return wants(0, 0);
    if (word == QLatin1String("ls"))
        return wants(1, 1) && target(args.first());
    if (word == QLatin1String("get")) {
        if (!wants(1, 2) || !target(args.first()))
            return false;
        if (m_target.isRoot()) {
            usage(QStringLiteral("'%1' is a file safe, not a file").arg(args.first()));
            return false;
        }
        m_destination = args.value(1, QStringLiteral("."));
        return true;
    }
    if (word == QLatin1String("put")) {
        if (!wants(2, INT_MAX) || !target(args.takeLast()))
            return false;
        m_localFiles = args;
        return true;
    }
    // mkdir, rm
    if (!wants(1, 1) || !target(args.first()))
        return false;
    if (m_target.isRoot()) {
        usage(QStringLiteral("'%1' is the root of the file safe").arg(args.first()));
        return false;
    }
    return true;
}

void FilesCommand::run()
{
    const QString word = context().word;
    if (word == QLatin1String("safes"))
        runSafes();
    else if (word == QLatin1String("ls"))
        runLs();
    else if (word == QLatin1String("get"))
        runGet();
    else if (word == QLatin1String("put"))
        runPut();
    else if (word == QLatin1String("mkdir"))
        runMkdir();
    else
        runRm();
}

void FilesCommand::fail(const QString &what, ErrorCode code, const QString &message)
{
    say(QStringLiteral("korvexcmd %1: %2: %3").arg(context().word, CliOutput::clean(what), CliOutput::clean(message)));
    finish(exitCodeFor(code));
}

void FilesCommand::withSafe(const QString &spec, const SafeHandler &then)
{
    client()->fileSafeDao()->syncFileSafes([this, spec, then](const Result<FileSafes> &result) {
        if (!result.isOk()) {
            fail(QStringLiteral("cannot list the file safes"), result.code, result.message);
            return;
        }
        QList<FileSafe> byName;
        for (const FileSafe &safe : result.value) {
            if (safe.safeId == spec) {
                then(safe);
                return;
            }
            if (safe.safeName == spec)
                byName << safe;
        }
        if (byName.size() == 1) {
            then(byName.first());
            return;
        }
        if (byName.size() > 1) {
            say(QStringLiteral("korvexcmd %1: %2 file safes are named '%3'; give the id instead.")
                    .arg(context().word)
                    .arg(byName.size())
                    .arg(spec));
            finish(ExitUsage);
            return;
        }
        say(QStringLiteral("korvexcmd %1: no file safe '%2' (see 'korvexcmd safes').").arg(context().word, spec));
        finish(ExitNotFound);
    });
}

void FilesCommand::listFolder(const FileSafe &safe, const QString &folder, int depth, const ListHandler &then)
{
    ri()->getObjects(safe.safeId, folder, depth, QStringLiteral("any"),
                     [this, safe, folder, then](const Result<FilesafeObjectsTO_v2> &result) {
                         if (!result.isOk()) {
                             fail(shown(safe, folder), result.code, result.message);
                             return;
                         }
                         then(result.value);
                     });
}

QString FilesCommand::shown(const FileSafe &safe, const QString &path)
{
    // say() keeps line breaks, so a safe's name must lose them here.
    return CliOutput::clean(safe.safeName) + QLatin1Char(':') + path;
}

const FilesafeObjectTO *FilesCommand::find(const FilesafeObjectsTO_v2 &listing, const QString &path)
{
    for (const FilesafeObjectTO &o : listing.objects)
        if (o.path == path)
            return &o;
    return nullptr;
}

void FilesCommand::runSafes()
{
    client()->filesafeRI()->getFilesafes([this](const Result<FilesafesTO_v2> &result) {
        if (!result.isOk()) {
            fail(QStringLiteral("cannot list the file safes"), result.code, result.message);
            return;
        }
        client()->fileSafeDao()->mergeFileSafes(result.value.filesafes);
        if (context().isSet(QStringLiteral("json"))) {
            CliOutput::json(result.value.raw);
        } else {
            QList<QStringList> rows;
            for (const FileSafe &s : result.value.filesafes)
                rows << QStringList{s.safeId,
                                    s.safeName,
                                    s.safeType,
                                    s.access,
                                    QString::number(s.storageUsed),
                                    QString::number(s.storageQuota),
                                    s.hasTrash ? QStringLiteral("yes") : QStringLiteral("no")};
            CliOutput::table({QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("TYPE"),
                              QStringLiteral("ACCESS"), QStringLiteral("USED"), QStringLiteral("QUOTA"),
                              QStringLiteral("TRASH")},
                             rows);
        }
        finish(ExitOk);
    });
}

void FilesCommand::runLs()
{
    withSafe(m_target.safe, [this](const FileSafe &safe) {
        const int depth = context().isSet(QStringLiteral("recursive")) ? 0 : 1;
        listFolder(safe, m_target.path, depth, [this](const FilesafeObjectsTO_v2 &listing) {
            QJsonArray raw;
            QList<QStringList> rows;
            for (int i = 0; i < listing.objects.size(); ++i) {
                const FilesafeObjectTO &o = listing.objects.at(i);
                if (o.path == m_target.path)
                    continue; // the folder itself
                raw << FilesafeObjectsTO_v2::toJson(o);
                rows << QStringList{o.isFolder() ? QStringLiteral("d") : QStringLiteral("f"),
                                    o.isFolder() ? QStringLiteral("-") : QString::number(o.size), o.mtime, o.path};
            }
            if (context().isSet(QStringLiteral("json")))
                CliOutput::json(raw);
            else
                CliOutput::table({QStringLiteral("TYPE"), QStringLiteral("SIZE"), QStringLiteral("MODIFIED"),
                                  QStringLiteral("PATH")},
                                 rows);
            finish(ExitOk);
        });
    });
}

void FilesCommand::runGet()
{
    withSafe(m_target.safe, [this](const FileSafe &safe) {
        listFolder(safe, m_target.parent(), 1, [this, safe](const FilesafeObjectsTO_v2 &listing) {
            const FilesafeObjectTO *object = find(listing, m_target.path);
            const QString shown = FilesCommand::shown(safe, m_target.path);
            if (!object) {
                say(QStringLiteral("korvexcmd get: %1: no such file").arg(shown));
                finish(ExitNotFound);
                return;
            }
            if (object->isFolder()) {
                say(QStringLiteral("korvexcmd get: %1: is a folder").arg(shown));
                finish(ExitUsage);
                return;
            }
            // The service refuses such a download with a bare HTTP status,
            // which would read as a network failure (exit 3).
            if (!object->access.contains(QLatin1Char('r'))) {
                say(QStringLiteral("korvexcmd get: %1: no read access").arg(shown));
                finish(ExitFailed);
                return;
            }
            const QFileInfo dest(m_destination);
            QString target = dest.isDir() || m_destination.endsWith(QLatin1Char('/'))
                                 ? QDir(m_destination).absoluteFilePath(object->name())
                                 : dest.absoluteFilePath();
            if (!QFileInfo(QFileInfo(target).absolutePath()).isDir()) {
                say(QStringLiteral("korvexcmd get: the folder of '%1' does not exist").arg(target));
                finish(ExitLocal);
                return;
            }
            auto progress = std::make_shared<CliOutput::ProgressLine>(object->name());
            const qint64 size = object->size;
            ri()->downloadFile(
                object->objectId, size, target,
                [this, progress, shown, target](const Result<qint64> &result) {
                    progress->finish();
                    if (!result.isOk()) {
                        fail(shown, result.code, result.message);
                        return;
                    }
                    say(QStringLiteral("Downloaded %1 to %2 (%3 bytes).").arg(shown, target).arg(result.value));
                    finish(ExitOk);
                },
                [progress, size](qint64 done, qint64 total) {
                    Q_UNUSED(total)
                    progress->update(qMin(done, size), size);
                });
        });
    });
}

void FilesCommand::runPut()
{
    for (const QString &file : qAsConst(m_localFiles)) {
        const QFileInfo info(file);
        if (!info.isFile()) {
            say(QStringLiteral("korvexcmd put: '%1' is not a readable file").arg(file));
            finish(ExitLocal);
            return;
        }
    }
    withSafe(m_target.safe, [this](const FileSafe &safe) {
        listFolder(safe, m_target.path, 1, [this, safe](const FilesafeObjectsTO_v2 &folder) {
            const FilesafeObjectTO *self = find(folder, m_target.path);
            if (!self || !self->isFolder()) {
                say(QStringLiteral("korvexcmd put: %1: not a folder").arg(shown(safe, m_target.path)));
                finish(ExitNotFound);
                return;
            }
            putNext(safe, folder, 0);
        });
    });
}

void FilesCommand::putNext(const FileSafe &safe, const FilesafeObjectsTO_v2 &folder, int index)
{
    if (index >= m_localFiles.size()) {
        finish(m_worstExit);
        return;
    }
    const QFileInfo local(m_localFiles.at(index));
    const QString remotePath = (m_target.isRoot() ? QString() : m_target.path) + QLatin1Char('/') + local.fileName();
    const QString shown = FilesCommand::shown(safe, remotePath);
    const FilesafeObjectTO *existing = find(folder, remotePath);
    if (existing && existing->isFolder()) {
        say(QStringLiteral("korvexcmd put: %1: a folder of that name exists").arg(shown));
        m_worstExit = m_worstExit ? m_worstExit : int(ExitFailed);
        putNext(safe, folder, index + 1);
        return;
    }
    const FilesafeObjectTO *self = find(folder, m_target.path);
    auto progress = std::make_shared<CliOutput::ProgressLine>(local.fileName());
    ri()->sendRemoteFileAction(
        existing ? existing->objectId : QString(), local.absoluteFilePath(), self->objectId,
        [this, safe, folder, index, progress, shown, newVersion = existing != nullptr](
            const Result<FilesafeObjectsTO_v2> &result) {
            progress->finish();
            if (!result.isOk()) {
                say(QStringLiteral("korvexcmd put: %1: %2").arg(shown, CliOutput::clean(result.message)));
                if (!m_worstExit)
                    m_worstExit = exitCodeFor(result.code);
            } else {
                const qint64 size = result.value.objects.isEmpty() ? -1 : result.value.objects.first().size;
                say(QStringLiteral("Uploaded %1 (%2 bytes%3).")
                        .arg(shown)
                        .arg(size)
                        .arg(newVersion ? QStringLiteral(", new version") : QString()));
            }
            putNext(safe, folder, index + 1);
        },
        [progress](qint64 done, qint64 total) { progress->update(done, total); });
}

void FilesCommand::runMkdir()
{
    withSafe(m_target.safe, [this](const FileSafe &safe) {
        listFolder(safe, m_target.parent(), 1, [this, safe](const FilesafeObjectsTO_v2 &listing) {
            const FilesafeObjectTO *parent = find(listing, m_target.parent());
            const QString shown = FilesCommand::shown(safe, m_target.path);
            if (find(listing, m_target.path)) {
                say(QStringLiteral("korvexcmd mkdir: %1: exists already").arg(shown));
                finish(ExitFailed);
                return;
            }
            if (!parent || !parent->isFolder()) {
                say(QStringLiteral("korvexcmd mkdir: %1: the parent is not a folder").arg(shown));
                finish(ExitNotFound);
                return;
            }
            ri()->createFolder(m_target.name(), parent->objectId,
                               [this, shown](const Result<FilesafeObjectsTO_v2> &result) {
                                   if (!result.isOk()) {
                                       fail(shown, result.code, result.message);
                                       return;
                                   }
                                   say(QStringLiteral("Created %1.").arg(shown));
                                   finish(ExitOk);
                               });
        });
    });
}

void FilesCommand::runRm()
{
    withSafe(m_target.safe, [this](const FileSafe &safe) {
        listFolder(safe, m_target.parent(), 1, [this, safe](const FilesafeObjectsTO_v2 &listing) {
            const FilesafeObjectTO *object = find(listing, m_target.path);
            const QString shown = FilesCommand::shown(safe, m_target.path);
            if (!object) {
                say(QStringLiteral("korvexcmd rm: %1: no such file or folder").arg(shown));
                finish(ExitNotFound);
                return;
            }
            // Into the safe's trash when it has one, else the private trash:
            // a deletion can always be undone.
            const bool toTrash = safe.hasTrash;
            const bool folder = object->isFolder();
            auto done = [this, shown, toTrash](const Result<Nothing> &result) {
                if (!result.isOk()) {
                    fail(shown, result.code, result.message);
                    return;
                }
                say(QStringLiteral("Moved %1 into the %2.")
                        .arg(shown, toTrash ? QStringLiteral("safe's trash") : QStringLiteral("private trash")));
                finish(ExitOk);
            };
            if (folder)
                ri()->deleteFolder(object->objectId, toTrash, done);
            else
                ri()->deleteFile(object->objectId, toTrash, done);
        });
    });
}
