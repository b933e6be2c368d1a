// The JSON readers over a server's reply: the envelope every request checks
// ("status", "message", "data") and every typed read of a member.
#include "net/JsonReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    JsonReader reader = JsonReader::fromText(text);
    reader.toInt(QStringLiteral("status"));
    reader.toString(QStringLiteral("message"), JsonReader::Optional);
    JsonReader body = reader.child(QStringLiteral("data"), JsonReader::Optional);
    for (const QString &key : body.object().keys()) {
        JsonReader probe(body.object());
        probe.toString(key);
        probe.toInt64(key);
        probe.toDouble(key);
        probe.toBool(key);
        probe.toStringList(key);
        probe.toIntList(key);
        const QJsonArray array = probe.toArray(key, JsonReader::Optional);
        for (int i = 0; i < array.size(); ++i)
            probe.element(array, i).toString(QStringLiteral("name"), JsonReader::Optional);
    }
    JsonReader::compact(reader.object());
    return 0;
}
