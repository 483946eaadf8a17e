// The outgoing state every send uses: the channel written into chat
// packets, the destination of the next packet, and the bot's colour in
// every packet header. Between operations OutChannel is "Main" and
// OutAddress equals SendAddress; a service that redirects either sets it
// back (see OutStateGuard in core/replies.h). Main thread only.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

struct OutgoingState {
  std::string OutChannel = "Main";
  std::uint32_t OutAddress = 0;  // IPv4, host order
  std::uint32_t NickColor = 0;   // 32-bit colour value
};

}  // namespace pelmo
