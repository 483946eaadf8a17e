// The bot's colour in every packet header it sends. Where a packet goes
// (address and channel) is never state: each send is given it. Main thread
// only.
#pragma once

#include <cstdint>

namespace pelmo {

struct OutgoingState {
  std::uint32_t NickColor = 0;  // 32-bit colour value
};

}  // namespace pelmo
