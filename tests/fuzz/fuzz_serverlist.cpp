// The server list built from a servers.json document.
#include "Quiet.h"
#include "app/ConfigurationManager.h"
#include "net/ServerList.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    ConfigurationManager config;
    config.addSource(QStringLiteral("servers"), document.object());
    ServerList list(&config);
    list.findByPrefix(QStringLiteral("PROD"));
    for (int i = -1; i <= list.count(); ++i)
        list.select(i);
    return 0;
}
