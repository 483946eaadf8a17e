// Windows only: the Winsock state of Net, shared by net_win.cpp and
// net_receive_win.cpp.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>

#include "transport/net.h"

namespace pelmo {

struct Net::Platform {
  bool wsaStarted = false;  // WSAStartup succeeded; WSACleanup is due
  SOCKET recvSocket = INVALID_SOCKET;
  SOCKET sendSocket = INVALID_SOCKET;
  // Signalled by the receiving socket (FD_READ) and by NetStop.
  WSAEVENT recvEvent = WSA_INVALID_EVENT;
  WSAEVENT wakeEvent = WSA_INVALID_EVENT;
  // Sniffer mode: the largest packet the interface sends whole.
  unsigned mtu = 1500;
  std::uint16_t fragmentId = 0;
};

// Whether address (host order) is one of this computer's, and the MTU of
// the adapter that holds it (mtu is left alone when the system does not
// say).
bool FindWinInterface(std::uint32_t address, unsigned& mtu);

// The index of the adapter that holds address; 0 when none does.
unsigned long WinInterfaceIndex(std::uint32_t address);

// The IPv4 socket address of address and port (both host order).
sockaddr_in MakeWinSocketAddress(std::uint32_t address, std::uint16_t port);

}  // namespace pelmo
