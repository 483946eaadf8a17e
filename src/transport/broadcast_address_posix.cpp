#include "transport/broadcast_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace pelmo {

std::optional<std::uint32_t> InterfaceBroadcast(std::uint32_t address) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<std::uint32_t> result;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    if ((entry->ifa_flags & IFF_BROADCAST) == 0 || entry->ifa_broadaddr == nullptr) continue;
    const auto* local = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (ntohl(local->sin_addr.s_addr) != address) continue;
    const auto* broadcast = reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr);
    result = ntohl(broadcast->sin_addr.s_addr);
    break;
  }
  ::freeifaddrs(list);
  return result;
}

}  // namespace pelmo
