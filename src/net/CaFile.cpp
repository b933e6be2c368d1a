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
