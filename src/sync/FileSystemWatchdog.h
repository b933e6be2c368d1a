#pragma once

#include "app/DelayedCall.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <random>

// Checks over and over that a drive's mount really works: creates, writes,
// reads back, copies and deletes test files and folders (".korvexTest<n>")
// in the mount and checks that a file written there appears under the same
// name in the storage folder. Each run ends in success() or error(); from
// the third failed run in a row on, tooManyErrors() follows. The first run
// comes 10 s after construction; while runs succeed the pause grows by 1.4
// up to ten minutes, after a failure the next run follows in 1.5 s.
class FileSystemWatchdog : public QObject
{
    Q_OBJECT
public:
    FileSystemWatchdog(const QString &root, const QString &storage, QObject *parent = nullptr,
                       DelayedCall::Schedule schedule = DelayedCall::timer());

    int successCount() const { return m_successCount; }
    int successiveErrors() const { return m_successiveErrors; }
    int intervalMs() const { return m_intervalMs; }

signals:
    void success();
    void error(int successiveErrors);
    void tooManyErrors();

public slots:
    void runTest();

private:
    bool runChecks();
    bool checkRoot();
    bool touchFile(const QString &path);
    bool deleteFileCheck();
    bool createFolderCheck();
    bool deleteFolderCheck();
    bool copyCheck();
    bool writeThroughCheck();
    bool writeFile(const QString &path, const QByteArray &data);
    bool readBack(const QString &path, const QByteArray &data);
    QString testName();
    QByteArray randomData(int min, int max);
    void cleanUp();

    QStringList m_createdFiles;
    QStringList m_createdFolders;
    int m_successCount = 0;
    int m_successiveErrors = 0;
    int m_intervalMs = 1500;
    QString m_root;
    QString m_storage;
    DelayedCall::Schedule m_schedule;
    std::minstd_rand m_random;
};
