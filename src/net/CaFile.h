#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

// A PEM file of CA certificates to trust in addition to the platform's store.
class CaFile
{
public:
    struct Loaded
    {
        QList<QSslCertificate> certificates;
        QString error; // empty when certificates were read
        bool ok() const { return error.isEmpty(); }
    };

    // Reads every certificate of the file. A missing or unreadable file, or
    // one without a single PEM certificate, is an error with a clear text.
    // The file is read in one go but is refused beyond 4 MiB: a CA bundle is
    // a few hundred kilobytes at most.
    static Loaded read(const QString &path);

    // The desktop client's "--ca-file FILE" (or "--ca-file=FILE").
    struct Option
    {
        bool given = false;
        QString path;
        QString error; // the option without a value
    };
    static Option fromArguments(const QStringList &arguments);
};
