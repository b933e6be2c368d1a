#include "WireFormat.h"

#include <openssl/crypto.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace WireFormat {

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

bool isValidUtf8(const std::string &text)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        if (cp >= 0xD800 && cp <= 0xDFFF)
            return false;
        i += extra + 1;
    }
    return true;
}

bool isValidName(const std::string &name, std::string &why)
{
    if (name.empty()) {
        why = "the name is empty";
        return false;
    }
    if (name.size() > 255) {
        why = "the name is longer than 255 bytes";
        return false;
    }
    if (name == "." || name == "..") {
        why = "the name is a relative path component";
        return false;
    }
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            why = "the name contains a control character";
            return false;
        }
        if (c == '/' || c == '\\') {
            why = "the name contains a path separator";
            return false;
        }
    }
    if (!isValidUtf8(name)) {
        why = "the name is not valid UTF-8";
        return false;
    }
    return true;
}

std::optional<std::string> normalizeFolderPath(const std::string &path, std::string &why)
{
    if (!isValidUtf8(path)) {
        why = "the path is not valid UTF-8";
        return std::nullopt;
    }
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) {
            std::string reason;
            if (!isValidName(part, reason)) {
                why = "invalid path component: " + reason;
                return std::nullopt;
            }
            out += '/';
            out += part;
        }
        start = end + 1;
    }
    if (out.empty())
        out = "/";
    if (out.size() > 4096) {
        why = "the path is too long";
        return std::nullopt;
    }
    return out;
}

std::vector<std::string> splitPath(const std::string &path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string joinPath(const std::string &folder, const std::string &name)
{
    if (folder == "/")
        return "/" + name;
    return folder + "/" + name;
}

std::string toHex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        out.push_back(digits[u >> 4]);
        out.push_back(digits[u & 0x0F]);
    }
    return out;
}

std::string checksumText(const QByteArray &sha256)
{
    return "sha256:" + toHex(std::string(sha256.constData(), static_cast<size_t>(sha256.size())));
}

std::optional<std::string> fromHex(const std::string &hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return out;
}

std::optional<std::int64_t> parseId(const std::string &text)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string isoTime(std::int64_t msSinceEpoch)
{
    // Days to a civil date (H. Hinnant's algorithm): listings format one
    // time per object, so this avoids gmtime and printf.
    std::int64_t seconds = msSinceEpoch / 1000;
    int ms = static_cast<int>(msSinceEpoch % 1000);
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);
    if (year < 0 || year > 9999)
        return "0000-01-01T00:00:00.000Z";
    char out[25] = "0000-00-00T00:00:00.000Z";
    auto put = [&out](int at, unsigned value, int digits) {
        for (int i = digits - 1; i >= 0; --i) {
            out[at + i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(0, static_cast<unsigned>(year), 4);
    put(5, month, 2);
    put(8, day, 2);
    put(11, static_cast<unsigned>(rest / 3600), 2);
    put(14, static_cast<unsigned>(rest / 60 % 60), 2);
    put(17, static_cast<unsigned>(rest % 60), 2);
    put(20, static_cast<unsigned>(ms), 3);
    return std::string(out, 24);
}

std::optional<std::int64_t> parseIsoTime(const std::string &text)
{
    std::tm tm{};
    int ms = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &consumed) != 3)
        return std::nullopt;
    std::string rest = text.substr(static_cast<size_t>(consumed));
    if (!rest.empty()) {
        int c2 = 0;
        if (std::sscanf(rest.c_str(), "T%2d:%2d:%2d%n", &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &c2) != 3)
            return std::nullopt;
        rest = rest.substr(static_cast<size_t>(c2));
        if (!rest.empty() && rest[0] == '.') {
            int c3 = 0;
            if (std::sscanf(rest.c_str(), ".%3d%n", &ms, &c3) != 1)
                return std::nullopt;
            rest = rest.substr(static_cast<size_t>(c3));
        }
        if (rest != "Z" && !rest.empty())
            return std::nullopt;
    }
    if (tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59
        || tm.tm_sec > 60)
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(timegm(&tm)) * 1000 + ms;
}

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::optional<std::string> cookieValue(const std::string &cookieHeader, const std::string &name)
{
    size_t pos = 0;
    while (pos < cookieHeader.size()) {
        size_t end = cookieHeader.find(';', pos);
        if (end == std::string::npos)
            end = cookieHeader.size();
        std::string pair = cookieHeader.substr(pos, end - pos);
        const size_t first = pair.find_first_not_of(' ');
        if (first != std::string::npos)
            pair = pair.substr(first);
        const size_t eq = pair.find('=');
        if (eq != std::string::npos && pair.compare(0, eq, name) == 0 && eq == name.size())
            return pair.substr(eq + 1);
        pos = end + 1;
    }
    return std::nullopt;
}

bool equalSecrets(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace WireFormat
