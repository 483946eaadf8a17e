// This computer's IPv4 interface addresses as the platform lists them
// (net_interfaces_posix.cpp, net_interfaces_win.cpp), under GetInterfaces
// of net.h, which orders them the same way on every platform.
#pragma once

#include <cstdint>
#include <functional>

namespace pelmo {

// Called with an address (host order) and whether its interface is a
// loopback one.
using InterfaceAddressVisit = std::function<void(std::uint32_t address, bool loopback)>;

// Calls visit for every IPv4 address of every interface that is up;
// nothing when the system gives no list.
void ForEachInterfaceAddress(const InterfaceAddressVisit& visit);

}  // namespace pelmo
