#pragma once

#include <string>

// The service's own private CA and its server certificate for "localhost"
// and 127.0.0.1, kept in the data folder's tls/ folder: made at the first
// start, and the server certificate again when it is missing or near expiry.
namespace TlsSetup {

struct Files
{
    std::string caCert;
    std::string caKey;
    std::string serverCert;
    std::string serverKey;
};

Files filesIn(const std::string &tlsFolder);
// Creates what is missing; false with `error` when OpenSSL or the disk fails.
bool ensure(const std::string &tlsFolder, std::string &error);

} // namespace TlsSetup
