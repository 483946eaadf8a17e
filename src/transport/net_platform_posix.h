// Linux only: the socket state of Net, shared by net_posix.cpp and
// net_receive_posix.cpp.
#pragma once

#include <cstdint>

#include "transport/net.h"

namespace pelmo {

struct Net::Platform {
  int recvSocket = -1;
  int sendSocket = -1;
  // Simple broadcast mode: the interface of LocalAddress, the only one
  // whose datagrams are taken (0: any).
  int chatIndex = 0;
  int wakeFd = -1;  // eventfd that wakes the receive thread at stop
  // Holds the group memberships in sniffer mode (a capture socket cannot).
  int memberSocket = -1;
  // Sniffer mode: the capture interface.
  int captureIndex = 0;
  bool captureLoopback = false;
  unsigned mtu = 1500;
  std::uint16_t fragmentId = 0;
};

}  // namespace pelmo
