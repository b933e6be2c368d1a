#include "net/CaFile.h"

#include <QFile>
#include <QFileInfo>

namespace {
const qint64 MaxCaFileSize = 4 * 1024 * 1024;
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
    if (info.size() > MaxCaFileSize) {
        loaded.error = QStringLiteral("CA file '%1' is too large (%2 bytes)").arg(path).arg(info.size());
        return loaded;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = QStringLiteral("cannot read CA file '%1': %2").arg(path, file.errorString());
        return loaded;
    }
    loaded.certificates = QSslCertificate::fromDevice(&file, QSsl::Pem);
    for (int i = loaded.certificates.size() - 1; i >= 0; --i)
        if (loaded.certificates.at(i).isNull())
            loaded.certificates.removeAt(i);
    if (loaded.certificates.isEmpty())
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
