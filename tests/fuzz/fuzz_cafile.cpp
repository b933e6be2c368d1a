// The CA file reader over any text.
#include "net/CaFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const CaFile::Loaded loaded = CaFile::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    for (const QSslCertificate &certificate : loaded.certificates)
        certificate.toPem();
    return 0;
}
