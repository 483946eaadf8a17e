// Linux only: lookups of this computer's IPv4 interfaces beyond the address list of
// net.h: the interface that holds an address, for the sniffer's capture;
// and the socket address of an IPv4 address and port.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace pelmo {

struct InterfaceInfo {
  std::string Name;
  int Index = 0;        // the kernel's interface index
  unsigned Mtu = 1500;  // largest IPv4 packet the interface sends whole
  bool Loopback = false;
};

// The interface whose IPv4 address is address (host order). False with
// errno set (EADDRNOTAVAIL when no interface holds it).
bool FindInterface(std::uint32_t address, InterfaceInfo& info);

// The IPv4 socket address of address and port (both host order).
sockaddr_in MakeSocketAddress(std::uint32_t address, std::uint16_t port);

}  // namespace pelmo
