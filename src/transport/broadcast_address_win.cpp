#include "transport/broadcast_address.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <vector>

namespace pelmo {

namespace {

constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFF;   // 255.255.255.255
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255

}  // namespace

std::uint32_t BroadcastAddressOf(std::uint32_t localAddress) {
  if ((localAddress >> 24) == 127) return kLoopbackBroadcast;
  // The adapters' list grows between two calls now and then: ask again.
  ULONG size = 16384;
  std::vector<unsigned char> buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    status = ::GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (status != NO_ERROR) return kLimitedBroadcast;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
      if (address->sin_family != AF_INET || ntohl(address->sin_addr.s_addr) != localAddress) {
        continue;
      }
      const unsigned prefix = unicast->OnLinkPrefixLength;
      if (prefix == 0 || prefix >= 31) return kLimitedBroadcast;
      return localAddress | (0xFFFFFFFFu >> prefix);
    }
  }
  return kLimitedBroadcast;
}

}  // namespace pelmo
