#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "fakes/bot_fixture.h"

namespace pelmo {

std::uint16_t FindFreeLoopbackPort() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("no Winsock");
  struct Cleanup {
    ~Cleanup() { ::WSACleanup(); }
  } cleanup;
  // Ask the system for a free port whose successor is free too.
  for (int attempt = 0; attempt < 50; ++attempt) {
    SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket == INVALID_SOCKET) break;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(Loopback(1));
    address.sin_port = 0;
    int size = sizeof address;
    std::uint16_t port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    ::closesocket(socket);
    if (port < 1024 || port == 65535) continue;
    SOCKET next = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (next == INVALID_SOCKET) break;
    address.sin_port = htons(static_cast<std::uint16_t>(port + 1));
    const bool free = ::bind(next, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::closesocket(next);
    if (free) return port;
  }
  throw std::runtime_error("no free loopback UDP port");
}

}  // namespace pelmo
