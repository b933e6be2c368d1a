#include "net/CaFile.h"

#include "app/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const qint64 MaxCaFileSize = 4 * 1024 * 1024;

bool ownedByAnother(const struct stat &st)
{
    return st.st_uid != ::geteuid() && st.st_uid != 0;
}

bool writableByOthers(const struct stat &st)
{
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// A folder others may write lets them replace the file, unless it is
// sticky (like /tmp) and so keeps each file to its owner.
QString folderProblem(const QString &folder, const QString &file)
{
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return QString();
    if (ownedByAnother(st))
        return QStringLiteral("the folder of CA file '%1' belongs to another user").arg(file);
    if (writableByOthers(st) && !(st.st_mode & S_ISVTX))
        return QStringLiteral("the folder of CA file '%1' can be changed by other users").arg(file);
    return QString();
}
} // namespace

QString CaFile::trustProblem(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString(); // read() says what is wrong with a missing file
    if (ownedByAnother(st))
        return QStringLiteral("CA file '%1' belongs to another user").arg(path);
    if (writableByOthers(st))
        return QStringLiteral("CA file '%1' can be changed by other users (chmod go-w)").arg(path);
    const QFileInfo info(path);
    QString problem = folderProblem(info.absolutePath(), path);
    if (problem.isEmpty() && info.isSymLink())
        problem = folderProblem(QFileInfo(info.canonicalFilePath()).absolutePath(), path);
    return problem;
}

CaFile::Loaded CaFile::parse(const QByteArray &pem)
{
    Loaded loaded;
    loaded.certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    for (int i = loaded.certificates.size() - 1; i >= 0; --i)
        if (loaded.certificates.at(i).isNull())
            loaded.certificates.removeAt(i);
    if (loaded.certificates.isEmpty())
        loaded.error = QStringLiteral("no PEM certificate");
    return loaded;
}

CaFile::Adopted CaFile::adopt(const QString &path, const QString &folder)
{
    Adopted adopted;
    const Loaded loaded = read(path);
    if (!loaded.ok()) {
        adopted.error = loaded.error;
        return adopted;
    }
    if (!PrivateFiles::makeFolder(folder)) {
        adopted.error = QStringLiteral("cannot create the folder '%1'").arg(folder);
        return adopted;
    }
    const QString copy = folder + QStringLiteral("/ca-certificates.pem");
    PrivateFiles::makeFile(copy); // QSaveFile keeps the mode of the file it replaces
    QSaveFile file(copy);
    QByteArray pem;
    for (const QSslCertificate &certificate : loaded.certificates)
        pem += certificate.toPem();
    if (!file.open(QIODevice::WriteOnly) || file.write(pem) != pem.size() || !file.commit()) {
        adopted.error = QStringLiteral("cannot write '%1': %2").arg(copy, file.errorString());
        return adopted;
    }
    PrivateFiles::tighten(copy);
    adopted.path = copy;
    return adopted;
}

CaFile::Loaded CaFile::read(const QString &path)
{
    Loaded loaded;
    if (path.isEmpty()) {
        loaded.error = QStringLiteral("no CA file given");
        return loaded;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        loaded.error = QStringLiteral("CA file '%1' does not exist").arg(path);
        return loaded;
    }
    if (!info.isFile()) {
        loaded.error = QStringLiteral("CA file '%1' is not a file").arg(path);
        return loaded;
    }
    const QString problem = trustProblem(path);
    if (!problem.isEmpty()) {
        loaded.error = problem;
        return loaded;
    }
    if (info.size() > MaxCaFileSize) {
        loaded.error = QStringLiteral("CA file '%1' is too large (%2 bytes)").arg(path).arg(info.size());
        return loaded;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = QStringLiteral("cannot read CA file '%1': %2").arg(path, file.errorString());
        return loaded;
    }
    loaded = parse(file.read(MaxCaFileSize));
    if (!loaded.ok())
        loaded.error = QStringLiteral("CA file '%1' holds no PEM certificate").arg(path);
    return loaded;
}

CaFile::Option CaFile::fromArguments(const QStringList &arguments)
{
    Option option;
    const QString name = QStringLiteral("--ca-file");
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == name) {
            option.given = true;
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                option.error = QStringLiteral("--ca-file needs a file name");
                return option;
            }
            option.path = arguments.at(i + 1);
            ++i;
        } else if (arg.startsWith(name + QLatin1Char('='))) {
            option.given = true;
            option.path = arg.mid(name.size() + 1);
            if (option.path.isEmpty()) {
                option.error = QStringLiteral("--ca-file needs a file name");
                return option;
            }
        }
    }
    return option;
}
