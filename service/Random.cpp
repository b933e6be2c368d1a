#include "Random.h"

#include "WireFormat.h"

#include <openssl/rand.h>

#include <climits>
#include <stdexcept>

namespace Random {

void fill(void *out, std::size_t n)
{
    if (n > static_cast<std::size_t>(INT_MAX)
        || RAND_bytes(static_cast<unsigned char *>(out), static_cast<int>(n)) != 1)
        throw std::runtime_error("the random generator failed");
}

std::string bytes(std::size_t n)
{
    std::string out(n, '\0');
    if (n > 0)
        fill(&out[0], n);
    return out;
}

std::string hex(std::size_t n)
{
    return WireFormat::toHex(bytes(n));
}

} // namespace Random
