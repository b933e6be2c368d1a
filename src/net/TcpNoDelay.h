#pragma once

// The network access manager keeps its sockets to itself and leaves
// Nagle's rule on. A request with a body then goes out as two packets, the
// second held back until the server acknowledges the first, which a server
// delays by up to 40 ms: small uploads crawl at 25 a second. This switches
// the rule off on the TCP sockets of this process (all of them carry
// request and reply, never a stream of small writes). Linux only; elsewhere
// it does nothing.
namespace TcpNoDelay {

// Returns how many sockets were switched.
int applyToOwnSockets();

} // namespace TcpNoDelay
