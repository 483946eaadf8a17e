// Windows only: lookups of this computer's adapters beyond the address
// list of net.h, and the socket address of an IPv4 address and port.
#pragma once

#include <winsock2.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstdint>

namespace pelmo {

// Whether address (host order) is one of this computer's, and the MTU of
// the adapter that holds it (mtu is left alone when the system does not
// say).
bool FindWinInterface(std::uint32_t address, unsigned& mtu);

// The index of the adapter that holds address; 0 when none does.
unsigned long WinInterfaceIndex(std::uint32_t address);

// The IPv4 socket address of address and port (both host order).
sockaddr_in MakeWinSocketAddress(std::uint32_t address, std::uint16_t port);

}  // namespace pelmo
