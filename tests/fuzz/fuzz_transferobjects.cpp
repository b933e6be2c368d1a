// Every transfer object the client reads from a server's "data".
#include "Quiet.h"
#include "net/ClientVersionTO_v1.h"
#include "net/ISession.h"
#include "ri/FilesafeObjectsTO_v2.h"
#include "ri/FilesafesTO_v2.h"
#include "ri/LoginTO.h"
#include "ri/PasswordTO.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

namespace {
template<typename T>
void read(const QJsonValue &value)
{
    T out;
    QString error;
    fromJson(value, out, error);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    const QJsonValue value = document.isObject() ? QJsonValue(document.object())
                                                 : document.isArray() ? QJsonValue(document.array()) : QJsonValue();
    read<IdentifyUserTO>(value);
    read<VerifyM1TO>(value);
    read<TanMethodResponseTO>(value);
    read<ConcludeWithKeyTO>(value);
    read<LogoutTO_v1>(value);
    read<ClientVersionTO_v1>(value);
    read<FilesafesTO_v2>(value);
    read<FilesafeObjectsTO_v2>(value);
    read<EmptyPasswordTO>(value);
    read<EmptyPasswordsTO>(value);
    read<SinglePasswordTO>(value);
    read<PasswordIdListTO>(value);
    read<qint64>(value);
    return 0;
}
