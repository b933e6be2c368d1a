#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

// A PEM file of CA certificates to trust in addition to the platform's store.
//
// Whoever can change that file decides which servers the client believes,
// so a file that another user owns or may write (or that lies in a folder
// others may write) is refused. An accepted file is not trusted where it
// lies: its certificates are copied into the client's configuration folder
// (adopt()), readable by the user alone, and the copy is what the client
// trusts from then on, so a later change of the original adds nothing.
class CaFile
{
public:
    struct Loaded
    {
        QList<QSslCertificate> certificates;
        QString error; // empty when certificates were read
        bool ok() const { return error.isEmpty(); }
    };

    // Reads every certificate of the file. A missing or unreadable file, one
    // that fails trustProblem(), or one without a single PEM certificate, is
    // an error with a clear text. The file is read in one go but is refused
    // beyond 4 MiB: a CA bundle is a few hundred kilobytes at most.
    static Loaded read(const QString &path);
    // The certificates of PEM text (no file checks).
    static Loaded parse(const QByteArray &pem);
    // Why the file cannot be trusted (its owner, its or its folder's write
    // permissions), empty when it can. Root's files are as good as the user's.
    static QString trustProblem(const QString &path);

    // Reads `path` and writes its certificates to "ca-certificates.pem" in
    // `folder` (0600). The copy's path, or the error.
    struct Adopted
    {
        QString path;
        QString error;
        bool ok() const { return error.isEmpty(); }
    };
    static Adopted adopt(const QString &path, const QString &folder);

    // The desktop client's "--ca-file FILE" (or "--ca-file=FILE").
    struct Option
    {
        bool given = false;
        QString path;
        QString error; // the option without a value
    };
    static Option fromArguments(const QStringList &arguments);
};
