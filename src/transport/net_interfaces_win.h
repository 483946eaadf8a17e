// Windows only: this computer's adapters and their IPv4 addresses beyond
// the address list of net.h (one walk of GetAdaptersAddresses for all of
// them), and the socket address of an IPv4 address and port.
#pragma once

#include <winsock2.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <functional>

namespace pelmo {

enum class Adapters { kUp, kAll };

// Called with an adapter, one of its IPv4 address entries and that address
// (host order); false ends the walk.
using AdapterAddressVisit = std::function<bool(
    const IP_ADAPTER_ADDRESSES&, const IP_ADAPTER_UNICAST_ADDRESS&, std::uint32_t)>;

// Calls visit for every IPv4 address of every adapter (kAll) or of those
// that are up (kUp). False when the system gives no list.
bool ForEachAdapterAddress(Adapters which, const AdapterAddressVisit& visit);

// Whether address (host order) is one of this computer's, and the MTU of
// the adapter that holds it (mtu is left alone when the system does not
// say).
bool FindWinInterface(std::uint32_t address, unsigned& mtu);

// The index of the adapter that holds address (the loopback adapter for
// all of 127.0.0.0/8); 0 when none does.
unsigned long WinInterfaceIndex(std::uint32_t address);

// The IPv4 socket address of address and port (both host order).
sockaddr_in MakeWinSocketAddress(std::uint32_t address, std::uint16_t port);

}  // namespace pelmo
