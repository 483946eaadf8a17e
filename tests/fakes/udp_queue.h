// How far the receiving side of a UDP port is behind, as Linux tells it,
// for tests that send in rounds the socket holds.
#pragma once

#include <cstdint>

namespace pelmo {

// Bytes waiting in the receive queues of the UDP sockets bound to port in
// this network namespace (/proc/net/udp), so a test knows when the
// receiver has taken a datagram.
long QueuedBytes(std::uint16_t port);

}  // namespace pelmo
