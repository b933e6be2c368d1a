#pragma once

#include <memory>
#include <optional>
#include <string>

#include <openssl/bn.h>

// The server side of the login's SRP exchange: 1024-bit group of RFC 5054,
// g = 2, k = 3, SHA-256. Numbers enter every hash as their minimal unsigned
// big-endian magnitude (no padding to the length of N), exactly as the client
// computes them; "bytes" below always means that form.
namespace Srp {

using BnPtr = std::unique_ptr<BIGNUM, decltype(&BN_clear_free)>;

BnPtr fromBytes(const std::string &bytes);
std::string toBytes(const BIGNUM *n);
// Lower-case hex, two digits per byte, no leading zero bytes ("" for zero).
std::string toHex(const BIGNUM *n);
// Hex text of any length and case, read as a number; empty optional if not hex.
std::optional<std::string> bytesFromHexNumber(const std::string &hex);

const BIGNUM *N();
const BIGNUM *g();

// SHA-256 of the concatenation of the parts.
std::string hash(std::initializer_list<std::string> parts);

// x = H(s | H(username | ":" | password)); v = g^x mod N. The salt in bytes.
std::string verifier(const std::string &username, const std::string &password, const std::string &salt);

// One handshake as the server sees it.
class ServerHandshake
{
public:
    // Checks A (A mod N must not be 0), draws b and computes B = k*v + g^b mod N.
    static std::unique_ptr<ServerHandshake> begin(const std::string &verifierBytes, const std::string &aBytes,
                                                  std::string &why);

    const std::string &publicB() const { return m_B; }
    const std::string &publicA() const { return m_A; }

    struct Proof
    {
        std::string key;  // K: the 32 digest bytes of H(S)
        std::string m2;   // H(A | M1 | K)
    };
    // Recomputes M1 from what the server knows; empty optional if the
    // client's proof differs (wrong password) or the numbers are degenerate.
    std::optional<Proof> verify(const std::string &username, const std::string &salt,
                                const std::string &m1Bytes) const;

private:
    std::string m_v;
    std::string m_A;
    std::string m_b;
    std::string m_B;
};

} // namespace Srp
