#pragma once

#include "app/AppContext.h"

#include <QDir>

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
};
