#pragma once

#include "app/AppContext.h"

#include <QDir>
#include <QFile>
#include <QTest>

// The client's identity and settings exactly as the programs set them up
// (revision "test"), over the folders that tests/isolate made for this test.
struct TestEnv : AppContext
{
    TestEnv()
        : AppContext(QStringLiteral("test"))
    {
    }

    // True when HOME is the temporary folder of tests/isolate.
    static bool isolated()
    {
        const QByteArray root = qgetenv("KORVEX_TEST_ROOT");
        return !root.isEmpty() && QDir::homePath().startsWith(QString::fromLocal8Bit(root));
    }

    // The client's log file as it stands (empty when there is none).
    QString logText() const
    {
        QFile f(appInfo()->logFilePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Waits until the log holds `needle` at least `count` times.
    bool waitForLog(const QString &needle, int count = 1, int timeoutMs = 30000) const
    {
        return QTest::qWaitFor([&] { return logText().count(needle) >= count; }, timeoutMs);
    }
};
