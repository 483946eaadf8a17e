#include "transport/broadcast_address.h"

namespace pelmo {

namespace {

constexpr std::uint32_t kLimitedBroadcast = 0xFFFFFFFF;   // 255.255.255.255
constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255

}  // namespace

std::uint32_t BroadcastAddressOf(std::uint32_t localAddress) {
  if ((localAddress >> 24) == 127) return kLoopbackBroadcast;
  return InterfaceBroadcast(localAddress).value_or(kLimitedBroadcast);
}

}  // namespace pelmo
