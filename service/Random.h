#pragma once

#include <cstddef>
#include <string>

// The service's one source of randomness: session ids, tokens, TANs, salts,
// SRP secrets, serial numbers. A generator failure never turns into
// predictable bytes: it throws std::runtime_error("the random generator
// failed"), which ends a request with 500 or the command with an error.
namespace Random {
void fill(void *out, std::size_t n);
std::string bytes(std::size_t n);
// Lower-case hexadecimal text of n random bytes.
std::string hex(std::size_t n);
} // namespace Random
