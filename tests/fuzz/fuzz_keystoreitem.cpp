// The key store item's parser: whatever text the item holds, every read
// either answers or throws one of the store's own errors.
#include "Quiet.h"
#include "app/AppContext.h"
#include "drive/CredentialStore.h"

#include <cstdint>
#include <exception>

namespace {
class FixedItem : public CredentialStore::Backend
{
public:
    QString text;
    QString read(const QString &) override { return text; }
    void write(const QString &, const QString &) override {}
    void remove(const QString &) override {}
};

const AppContext &context()
{
    static const AppContext instance(QStringLiteral("fuzz"));
    return instance;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto backend = std::make_unique<FixedItem>();
    backend->text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    CredentialStore store(context().appInfo(), std::move(backend));
    try {
        store.readPassword(QStringLiteral("PROD"), QStringLiteral("alice"));
    } catch (const std::exception &) {
    }
    try {
        store.readDoubleSec(QStringLiteral("PROD"), QStringLiteral("alice"));
    } catch (const std::exception &) {
    }
    try {
        store.readEncryptionKey(1);
    } catch (const std::exception &) {
    }
    return 0;
}
