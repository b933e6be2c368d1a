#include "net/SessionOptions.h"

#include "app/ConfigurationManager.h"
#include "app/Settings.h"

SessionOptions SessionOptions::fromSettings(const ConfigurationManager *config)
{
    SessionOptions options;
    if (config)
        options.apiVersion = config->value(QStringLiteral("brand/apiVersion"), 3).toInt();
    options.ignoreSslErrors = Settings::value(Settings::UiDbgDialogIgnoreSsl, config).toBool();
    options.caFile = Settings::value(Settings::NetCaFile, config).toString();
    return options;
}
