#pragma once

#include "app/AppInfo.h"
#include "app/ConfigurationManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

// The client's identity and settings as the entry point sets them up, over
// the folders that tests/isolate made for this test.
struct TestEnv
{
    std::unique_ptr<ConfigurationManager> config = std::make_unique<ConfigurationManager>();
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<AppInfo> appInfo;

    TestEnv()
    {
        config->load(QStringLiteral(":/config.json"));
        config->setDefault(QStringLiteral("brand/appRev"), QStringLiteral("test"));
        QCoreApplication::setOrganizationName(config->value(QStringLiteral("brand/orgName")).toString());
        QCoreApplication::setOrganizationDomain(config->value(QStringLiteral("brand/orgDomain")).toString());
        QCoreApplication::setApplicationName(config->value(QStringLiteral("brand/appNameInternal")).toString());
        settings = std::make_unique<QSettings>();
        config->setSettings(settings.get());
        appInfo = std::make_unique<AppInfo>(config.get());
    }

    // True when HOME is the temporary folder of tests/isolate.
    static bool isolated()
    {
        const QByteArray root = qgetenv("KORVEX_TEST_ROOT");
        return !root.isEmpty() && QDir::homePath().startsWith(QString::fromLocal8Bit(root));
    }
};
