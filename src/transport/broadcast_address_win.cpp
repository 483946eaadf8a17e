#include "transport/broadcast_address.h"

#include "transport/net_interfaces_win.h"

namespace pelmo {

std::optional<std::uint32_t> InterfaceBroadcast(std::uint32_t address) {
  std::optional<std::uint32_t> result;
  // Every adapter, up or not, as on Linux: the address keeps its network
  // while its adapter is down.
  ForEachAdapterAddress(Adapters::kAll, [&](const auto&, const auto& unicast,
                                            std::uint32_t candidate) {
    if (candidate != address) return true;
    const unsigned prefix = unicast.OnLinkPrefixLength;
    if (prefix != 0 && prefix < 31) result = address | (0xFFFFFFFFu >> prefix);
    return false;
  });
  return result;
}

}  // namespace pelmo
