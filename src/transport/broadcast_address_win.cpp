#include "transport/broadcast_address.h"

#include "transport/net_interfaces_win.h"

namespace pelmo {

namespace {

constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFF;   // 255.255.255.255
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255

}  // namespace

std::uint32_t BroadcastAddressOf(std::uint32_t localAddress) {
  if ((localAddress >> 24) == 127) return kLoopbackBroadcast;
  std::uint32_t result = kLimitedBroadcast;
  // Every adapter, up or not, as on Linux: the address keeps its network
  // while its adapter is down.
  ForEachAdapterAddress(Adapters::kAll, [&](const auto&, const auto& unicast,
                                            std::uint32_t address) {
    if (address != localAddress) return true;
    const unsigned prefix = unicast.OnLinkPrefixLength;
    if (prefix != 0 && prefix < 31) result = localAddress | (0xFFFFFFFFu >> prefix);
    return false;
  });
  return result;
}

}  // namespace pelmo
