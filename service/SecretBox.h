#pragma once

#include <optional>
#include <string>

// Seals secrets at rest (password entries, session keys) with the service's
// own key: AES-256-GCM, a fresh 12-byte nonce per value, nonce | ciphertext | tag.
class SecretBox
{
public:
    explicit SecretBox(std::string key) : m_key(std::move(key)) {}

    std::optional<std::string> seal(const std::string &plain) const;
    std::optional<std::string> open(const std::string &sealed) const;
    // A stable secret of this service for one purpose: SHA-256(key | label).
    std::string derive(const std::string &label) const;

private:
    std::string m_key;
};
