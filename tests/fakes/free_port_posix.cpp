#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "fakes/bot_fixture.h"

namespace pelmo {

std::uint16_t FindFreeLoopbackPort() {
  // Ask the system for a free port whose successor is free too.
  for (int attempt = 0; attempt < 50; ++attempt) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) break;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(Loopback(1));
    address.sin_port = 0;
    socklen_t size = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    ::close(fd);
    if (port < 1024 || port == 65535) continue;
    int next = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (next < 0) break;
    address.sin_port = htons(static_cast<std::uint16_t>(port + 1));
    bool free = ::bind(next, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(next);
    if (free) return port;
  }
  throw std::runtime_error("no free loopback UDP port");
}

}  // namespace pelmo
