#include "chat_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ini_file.h"
#include "core/settings_table.h"
#include "transport/net.h"
#include "transport/net_interfaces_posix.h"

namespace pelmo {

namespace {

bool ParseAddress(const std::string& text, std::uint32_t& address) {
  in_addr parsed{};
  if (text.empty() || ::inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  address = ntohl(parsed.s_addr);
  return true;
}

bool SetInt(int fd, int level, int option, int value) {
  return ::setsockopt(fd, level, option, &value, sizeof value) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int Bound(std::uint32_t address, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const sockaddr_in where = MakeSocketAddress(address, port);
  if (!SetInt(fd, SOL_SOCKET, SO_REUSEADDR, 1) ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

// The address of this computer's interface that routes to address: what a
// connected UDP socket would send from. False when no route leads there.
bool RouteSource(std::uint32_t address, std::uint16_t port, std::uint32_t& source) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const sockaddr_in to = MakeSocketAddress(address, port);
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  // A broadcast address is refused to a socket without the right to it.
  const bool ok = SetInt(fd, SOL_SOCKET, SO_BROADCAST, 1) &&
                  ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
                  ::getsockname(fd, reinterpret_cast<sockaddr*>(&from), &fromLength) == 0;
  ::close(fd);
  source = ntohl(from.sin_addr.s_addr);
  return ok && source != 0;
}

}  // namespace

bool ReadChatNetSettings(const IniFile& netIni, std::uint32_t ownAddress,
                         ChatNetSettings& settings, std::string& error) {
  // The bot's own keys and defaults (core/settings_table.h); the client
  // only reads, it never writes the bot's Net.ini.
  const auto text = [&netIni](NetKey key) {
    const SettingRow& row = NetSetting(key);
    return netIni.ReadString(row.section, row.key, "");
  };
  const auto number = [&netIni](NetKey key) {
    const SettingRow& row = NetSetting(key);
    const long long value = netIni.ReadInteger(row.section, row.key, std::stoll(row.defaultValue));
    return row.clamped ? std::clamp(value, row.low, row.high) : value;
  };
  const auto missing = [&netIni](NetKey key) {
    return "no usable [net] " + std::string(NetSetting(key).key) + " in " + netIni.Path();
  };
  if (!ParseAddress(text(NetKey::kIp), settings.InterfaceAddress)) {
    error = missing(NetKey::kIp);
    return false;
  }
  settings.Port = static_cast<std::uint16_t>(number(NetKey::kPort));
  settings.TTL = static_cast<std::uint8_t>(number(NetKey::kTtl));
  settings.MulticastMode = number(NetKey::kMulticast) != 0;
  settings.MaxMessageSize = static_cast<std::uint16_t>(number(NetKey::kMaxMessageSize));
  if (settings.MulticastMode) {
    if (!ParseAddress(text(NetKey::kGroup), settings.SendAddress)) {
      settings.SendAddress = TextToAddress(NetSetting(NetKey::kGroup).defaultValue);
    }
  } else if (!ParseAddress(text(NetKey::kBroadcast), settings.SendAddress)) {
    error = missing(NetKey::kBroadcast);
    return false;
  }
  // A Net.ini copied from the bot's computer names the bot's address,
  // which this computer lacks: the chat is then joined on the given own
  // address, or on the interface that routes to the group or broadcast
  // address.
  InterfaceInfo holder;
  if (!FindInterface(settings.InterfaceAddress, holder)) {
    std::uint32_t chosen = ownAddress;
    if (chosen == 0 && !RouteSource(settings.SendAddress, settings.Port, chosen)) {
      error = "[net] ip " + AddressToText(settings.InterfaceAddress) +
              " is not an address of this computer, and no interface leads to " +
              AddressToText(settings.SendAddress) + ": give this computer's address with --ip";
      return false;
    }
    settings.InterfaceAddress = chosen;
  }
  settings.OwnAddress = ownAddress;
  if (settings.OwnAddress == 0) {
    settings.OwnAddress = settings.InterfaceAddress;
    if ((settings.InterfaceAddress >> 24) == 127) {
      // 127.1.x.y, from the process id: never the bot's 127.0.0.1, and two
      // clients on one computer rarely meet.
      const auto pid = static_cast<std::uint32_t>(::getpid());
      settings.OwnAddress = 0x7F010000u | ((pid / 254) & 0xFF) << 8 | (1 + pid % 254);
    }
  }
  return true;
}

ChatSocket::~ChatSocket() { Close(); }

bool ChatSocket::Open(const ChatNetSettings& settings, std::string& error) {
  Close();
  const auto fail = [&](const char* step) {
    error = std::string(step) + ": " + std::strerror(errno);
    Close();
    return false;
  };
  m_groupFd = Bound(INADDR_ANY, settings.Port);
  if (m_groupFd < 0) return fail("group socket");
  // Only the groups this socket joins.
  SetInt(m_groupFd, IPPROTO_IP, IP_MULTICAST_ALL, 0);
  const in_addr interface{htonl(settings.InterfaceAddress)};
  if (settings.MulticastMode) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(settings.SendAddress);
    request.imr_interface = interface;
    if (::setsockopt(m_groupFd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0) {
      return fail("joining the group");
    }
  }
  m_ownFd = Bound(settings.OwnAddress, settings.Port);
  if (m_ownFd < 0) return fail("own socket");

  m_sendFd = Bound(settings.OwnAddress, 0);
  if (m_sendFd < 0) return fail("send socket");
  sockaddr_in bound{};
  socklen_t boundLength = sizeof bound;
  if (::getsockname(m_sendFd, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
    return fail("send socket");
  }
  m_ownAddress = settings.OwnAddress;
  m_sendAddress = settings.SendAddress;
  m_sendPort = ntohs(bound.sin_port);
  if (settings.MulticastMode) {
    const unsigned char ttl = settings.TTL;
    if (::setsockopt(m_sendFd, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0 ||
        ::setsockopt(m_sendFd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
      return fail("multicast options");
    }
  } else if (!SetInt(m_sendFd, SOL_SOCKET, SO_BROADCAST, 1)) {
    return fail("broadcast option");
  }
  return true;
}

void ChatSocket::Close() {
  CloseFd(m_groupFd);
  CloseFd(m_ownFd);
  CloseFd(m_sendFd);
}

std::optional<TRecvInfo> ChatSocket::Receive(int fd) {
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  const ssize_t received = ::recvfrom(fd, m_buffer.data(), m_buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (received <= 0) return std::nullopt;
  TRecvInfo info;
  info.SrcAddr = ntohl(from.sin_addr.s_addr);
  info.SrcPort = ntohs(from.sin_port);
  info.DstAddr = fd == m_ownFd ? m_ownAddress : m_sendAddress;
  info.DataLength = static_cast<std::uint16_t>(received);
  info.Data.assign(m_buffer.begin(), m_buffer.begin() + received);
  return info;
}

int ChatSocket::SendDatagram(std::uint32_t, std::uint32_t dstAddr, std::uint16_t,
                             std::uint16_t dstPort, const std::uint8_t* bytes,
                             std::size_t length) {
  if (m_sendFd < 0) return -1;
  const sockaddr_in to = MakeSocketAddress(dstAddr, dstPort);
  return ::sendto(m_sendFd, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0
             ? -1
             : 0;
}

}  // namespace pelmo
