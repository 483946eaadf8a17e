#include "transport/net_interfaces_posix.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transport/net_interfaces.h"

namespace pelmo {

namespace {

std::uint32_t AddressOf(const sockaddr* address) {
  return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

bool IsIpv4Up(const ifaddrs* entry) {
  return entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
         (entry->ifa_flags & IFF_UP) != 0;
}

}  // namespace

void ForEachInterfaceAddress(const InterfaceAddressVisit& visit) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (IsIpv4Up(entry)) visit(AddressOf(entry->ifa_addr), (entry->ifa_flags & IFF_LOOPBACK) != 0);
  }
  freeifaddrs(list);
}

sockaddr_in MakeSocketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = htonl(address);
  return result;
}

bool FindInterface(std::uint32_t address, InterfaceInfo& info) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        AddressOf(entry->ifa_addr) != address) {
      continue;
    }
    info.Name = entry->ifa_name;
    // An alias label ("eth0:1") names the device before the colon.
    info.Name = info.Name.substr(0, info.Name.find(':'));
    info.Loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    found = true;
    break;
  }
  freeifaddrs(list);
  if (!found) {
    errno = EADDRNOTAVAIL;
    return false;
  }
  info.Index = static_cast<int>(if_nametoindex(info.Name.c_str()));
  if (info.Index == 0) return false;
  const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe >= 0) {
    ifreq request{};
    std::strncpy(request.ifr_name, info.Name.c_str(), IFNAMSIZ - 1);
    if (ioctl(probe, SIOCGIFMTU, &request) == 0 && request.ifr_mtu >= 68) {
      info.Mtu = static_cast<unsigned>(request.ifr_mtu);
    }
    close(probe);
  }
  return true;
}

}  // namespace pelmo
