#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Parsing and checking of what arrives in headers and paths. Everything a
// client sends is hostile until one of these functions accepted it.
namespace WireFormat {

// The same bytes for the client core's crypto, which takes QByteArray.
inline QByteArray qbytes(const std::string &bytes)
{
    return QByteArray(bytes.data(), static_cast<int>(bytes.size()));
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(const std::string &text);

// A single object name: valid UTF-8, 1 to 255 bytes, not "." or "..", no "/",
// "\" or control characters (NUL included). On failure `why` says what is wrong.
bool isValidName(const std::string &name, std::string &why);

// A folder path inside a safe, decoded: made absolute ("Docs" and "/Docs/"
// become "/Docs"), every component a valid name. "/" is the root.
std::optional<std::string> normalizeFolderPath(const std::string &path, std::string &why);

// The components of a normalised path ("/" has none).
std::vector<std::string> splitPath(const std::string &path);
std::string joinPath(const std::string &folder, const std::string &name);

// Lower-case hex of bytes, and the bytes of strict hex (even length, hex digits only).
std::string toHex(const std::string &bytes);
std::optional<std::string> fromHex(const std::string &hex);
// An object's "checksum" as listings carry it: "sha256:" and the digest's hex.
std::string checksumText(const QByteArray &sha256);

// Decimal text of a non-negative 64-bit id; empty optional for anything else.
std::optional<std::int64_t> parseId(const std::string &text);

// Milliseconds since the epoch as "yyyy-MM-ddTHH:mm:ss.zzzZ" (UTC), and back
// from the same form or a plain date "yyyy-MM-dd" (midnight UTC).
std::string isoTime(std::int64_t msSinceEpoch);
std::optional<std::int64_t> parseIsoTime(const std::string &text);
std::int64_t nowMs();

// The value of one cookie in a Cookie header.
std::optional<std::string> cookieValue(const std::string &cookieHeader, const std::string &name);

// Constant-time comparison for secrets.
bool equalSecrets(const std::string &a, const std::string &b);

} // namespace WireFormat
