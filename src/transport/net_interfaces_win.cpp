// This computer's IPv4 interfaces from GetAdaptersAddresses.
#include "transport/net_interfaces_win.h"

#include <vector>

#include "transport/net_interfaces.h"

namespace pelmo {

bool ForEachAdapterAddress(Adapters which, const AdapterAddressVisit& visit) {
  // The list may grow between two calls: ask again with the size given.
  ULONG size = 16384;
  std::vector<unsigned char> buffer;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    status = ::GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (status != NO_ERROR) return false;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    if (which == Adapters::kUp && adapter->OperStatus != IfOperStatusUp) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
      if (address == nullptr || address->sin_family != AF_INET) continue;
      if (!visit(*adapter, *unicast, ntohl(address->sin_addr.s_addr))) return true;
    }
  }
  return true;
}

void ForEachInterfaceAddress(const InterfaceAddressVisit& visit) {
  ForEachAdapterAddress(Adapters::kUp, [&](const auto& adapter, const auto&,
                                           std::uint32_t address) {
    visit(address, adapter.IfType == IF_TYPE_SOFTWARE_LOOPBACK);
    return true;
  });
}

bool FindWinInterface(std::uint32_t address, unsigned& mtu) {
  bool found = false;
  ForEachAdapterAddress(Adapters::kUp, [&](const auto& adapter, const auto&,
                                           std::uint32_t candidate) {
    if (candidate != address) return true;
    found = true;
    if (adapter.Mtu >= 68 && adapter.Mtu <= 65535) mtu = adapter.Mtu;
    return false;
  });
  // Loopback holds all of 127.0.0.0/8, though the adapter lists one address.
  if (!found && (address >> 24) == 127) found = true;
  return found;
}

unsigned long WinInterfaceIndex(std::uint32_t address) {
  unsigned long index = 0;
  unsigned long loopback = 0;
  ForEachAdapterAddress(Adapters::kUp, [&](const auto& adapter, const auto&,
                                           std::uint32_t candidate) {
    if (adapter.IfType == IF_TYPE_SOFTWARE_LOOPBACK && loopback == 0) loopback = adapter.IfIndex;
    if (candidate != address) return true;
    index = adapter.IfIndex;
    return false;
  });
  // Loopback holds all of 127.0.0.0/8, though the adapter lists one address.
  return index != 0 || (address >> 24) != 127 ? index : loopback;
}

sockaddr_in MakeWinSocketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = htonl(address);
  return result;
}

}  // namespace pelmo
