#include "transport/broadcast_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace pelmo {

namespace {

constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFF;   // 255.255.255.255
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255

}  // namespace

std::uint32_t BroadcastAddressOf(std::uint32_t localAddress) {
  if ((localAddress >> 24) == 127) return kLoopbackBroadcast;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return kLimitedBroadcast;
  std::uint32_t result = kLimitedBroadcast;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    if ((entry->ifa_flags & IFF_BROADCAST) == 0 || entry->ifa_broadaddr == nullptr) continue;
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (ntohl(address->sin_addr.s_addr) != localAddress) continue;
    const auto* broadcast = reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr);
    result = ntohl(broadcast->sin_addr.s_addr);
    break;
  }
  ::freeifaddrs(list);
  return result;
}

}  // namespace pelmo
