// The bot's sockets: start, stop and sending. The receive thread is in
// net_receive.cpp. Windows' socket-library start and clean-up have no
// counterpart here; their log lines stay so that logs read as they always
// have.
#include "transport/net_platform_posix.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "transport/chat_key.h"
#include "transport/net_interfaces_posix.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

bool SetInt(int socket, int level, int option, int value) {
  return setsockopt(socket, level, option, &value, sizeof value) == 0;
}

// Room for a burst of thousands of commands while the main thread works
// through them. Beyond net.core.rmem_max only with CAP_NET_ADMIN; without
// it the kernel's ceiling is taken. Not logged: the start's log stays as
// it always was.
constexpr int kReceiveBufferBytes = 8 << 20;
void SizeReceiveBuffer(int socket) {
  if (!SetInt(socket, SOL_SOCKET, SO_RCVBUFFORCE, kReceiveBufferBytes)) {
    SetInt(socket, SOL_SOCKET, SO_RCVBUF, kReceiveBufferBytes);
  }
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// How many groups one socket may join in this network namespace; the
// kernel's default when the setting cannot be read.
std::size_t MembershipLimit() {
  std::ifstream file("/proc/sys/net/ipv4/igmp_max_memberships");
  long long limit = 0;
  if (file >> limit && limit >= 0) return static_cast<std::size_t>(limit);
  return 20;
}

}  // namespace

Net::Net(NetSettings& settings, OutgoingState& out, PacketCodec& codec, BlowfishContext& cipher,
         EventLoop& loop, LineLog& log, const IniFile& netIni)
    : m_settings(settings),
      m_out(out),
      m_codec(codec),
      m_cipher(cipher),
      m_loop(loop),
      m_log(log),
      m_netIni(netIni),
      m_platform(std::make_unique<Platform>()) {
  m_codec.SetSender(this);
}

Net::~Net() {
  if (m_started) {
    EndThread();
    CloseSockets();
    m_alive->store(false);
    m_started = false;
    BlowfishBurn(m_cipher);
  }
  m_codec.SetSender(nullptr);
}

bool Net::NetStart() {
  if (m_started) {
    m_log.LogLine("Already started.");
    return false;
  }
  m_snifferMode = m_settings.SnifferMode;
  m_port = m_settings.Port;
  m_localAddress = m_settings.LocalAddress;
  m_ttl = m_settings.TTL;
  m_log.LogLine(m_snifferMode ? "Snifer sockets mode." : "Simple sockets");
  m_log.LogLine("ip: " + AddressToText(m_localAddress));
  m_log.LogLine("netaddr: " + AddressToText(m_settings.SendAddress));
  m_log.LogLine("port: " + std::to_string(m_port));
  m_log.LogLine("ttl: " + std::to_string(m_ttl));
  try {
    m_log.LogLine("Create recive socket.");
    m_log.LogLine("Call WSAStartup...");
    m_log.LogLine("Ok");
    if (!OpenReceiveSocket() || !OpenSendSocket()) return false;
    m_log.LogLine("Ok");
    m_log.LogLine("Create recive thread...");
    if (!StartThread()) return false;
  } catch (...) {
    // A log view or an allocation that fails half-way must not leave the
    // sockets open (the next start would lose them) or the thread running.
    EndThread();
    CloseSockets();
    throw;
  }
  m_started = true;
  m_log.LogLine("Ok");
  m_log.LogLine("Shiffer enabled.");

  ChatKey key = LoadChatKey(m_netIni, m_log);
  BlowfishInit(m_cipher, key.key.data(), key.key.size(), key.iv.data());
  explicit_bzero(&key, sizeof key);
  m_codec.NewEpoch();
  m_codec.SendAnnouncement(kPacketJoin, m_out.OutAddress);
  m_codec.SendProbe(m_settings.SendAddress);
  return true;
}

bool Net::StartThread() {
  m_platform->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_platform->wakeFd < 0) return Fail(errno);
  m_terminate = false;
  m_alive = std::make_shared<std::atomic<bool>>(true);
  try {
    m_thread = std::thread(&Net::ReceiveLoop, this, m_alive);
  } catch (const std::system_error& error) {
    return Fail(error.code().value());
  }
  return true;
}

bool Net::OpenReceiveSocket() {
  m_log.LogLine("Call Socket...");
  // The capture socket receives nothing until it is bound with a protocol
  // (the receive-all step below), so no other interface's packets slip in.
  m_platform->recvSocket = m_snifferMode ? socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0)
                               : socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_platform->recvSocket < 0) return Fail(errno);
  SizeReceiveBuffer(m_platform->recvSocket);
  m_log.LogLine("Ok");
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (!SetInt(m_platform->recvSocket, SOL_SOCKET, SO_REUSEADDR, 1)) return Fail(errno);
    m_log.LogLine("Ok");
  }

  m_log.LogLine("Call Bind...");
  if (m_snifferMode) {
    InterfaceInfo info;
    if (!FindInterface(m_localAddress, info)) return Fail(errno);
    m_platform->captureIndex = info.Index;
    m_platform->captureLoopback = info.Loopback;
    m_platform->mtu = info.Mtu;
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_ifindex = m_platform->captureIndex;
    if (bind(m_platform->recvSocket, reinterpret_cast<sockaddr*>(&link), sizeof link) != 0) {
      return Fail(errno);
    }
  } else {
    // A socket bound to a unicast address gets no broadcast or multicast
    // datagrams here, so the wildcard address is bound; LocalAddress must
    // still be one of this computer's, as binding to it would require.
    InterfaceInfo info;
    if (m_localAddress != INADDR_ANY && !FindInterface(m_localAddress, info)) {
      return Fail(errno);
    }
    // The wildcard bind lets in broadcasts of every network of this
    // computer; broadcast mode keeps those of LocalAddress's interface
    // only, as a socket bound to that address would get. The arrival
    // interface comes with each datagram.
    m_platform->chatIndex = 0;
    if (!m_settings.MulticastMode && m_localAddress != INADDR_ANY) {
      if (!SetInt(m_platform->recvSocket, IPPROTO_IP, IP_PKTINFO, 1)) return Fail(errno);
      m_platform->chatIndex = info.Index;
    }
    // Only the groups this socket joins, as on Windows.
    SetInt(m_platform->recvSocket, IPPROTO_IP, IP_MULTICAST_ALL, 0);
    const sockaddr_in any = MakeSocketAddress(INADDR_ANY, m_port);
    if (bind(m_platform->recvSocket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
      return Fail(errno);
    }
  }
  m_log.LogLine("Ok");

  if (m_settings.MulticastMode && !JoinGroups()) return false;

  if (m_snifferMode) {
    m_log.LogLine("Call IOCtrlSocket(SIO_RCVALL)...");
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_IP);
    link.sll_ifindex = m_platform->captureIndex;
    if (bind(m_platform->recvSocket, reinterpret_cast<sockaddr*>(&link), sizeof link) != 0) {
      return Fail(errno);
    }
    m_log.LogLine("Ok");
  }
  return true;
}

bool Net::JoinGroups() {
  int member = m_platform->recvSocket;
  if (m_snifferMode) {
    // The capture socket cannot join a group; a UDP socket holds the
    // memberships so that the interface accepts the group's traffic.
    m_platform->memberSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_platform->memberSocket < 0) return Fail(errno);
    member = m_platform->memberSocket;
  }
  const std::vector<std::uint32_t> interfaces = m_interfaces ? *m_interfaces : GetInterfaces();
  // A membership belongs to an interface, not to an address: a second
  // address of one interface would be refused as already joined. A socket
  // holds only so many memberships (ENOBUFS past the limit); the
  // interfaces that come first in the list are the ones joined.
  std::size_t limit = MembershipLimit();
  std::vector<int> joined;
  std::vector<std::uint32_t> leftOut;
  for (std::uint32_t address : interfaces) {
    InterfaceInfo info;
    const int index = FindInterface(address, info) ? info.Index : 0;
    if (index != 0 && std::find(joined.begin(), joined.end(), index) != joined.end()) continue;
    if (joined.size() >= limit) {
      leftOut.push_back(address);
      continue;
    }
    m_log.LogLine("SetSockOpt(IP_ADD_MEMBERSHIP): " + AddressToText(address));
    ip_mreqn request{};
    request.imr_multiaddr.s_addr = htonl(m_settings.SendAddress);
    request.imr_address.s_addr = htonl(address);
    request.imr_ifindex = index;
    if (setsockopt(member, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0) {
      if (errno == ENOBUFS) {
        limit = joined.size();
        leftOut.push_back(address);
        continue;
      }
      if (errno != EADDRINUSE) return Fail(errno);
    }
    m_log.LogLine("Ok");
    joined.push_back(index);
  }
  if (!leftOut.empty()) {
    std::string line = "Group not joined on " + std::to_string(leftOut.size()) +
                       " interface(s), limit of " + std::to_string(limit) +
                       " memberships (net.ipv4.igmp_max_memberships):";
    for (std::uint32_t address : leftOut) line += " " + AddressToText(address);
    m_log.LogLine(line);
  }
  return true;
}

bool Net::OpenSendSocket() {
  m_log.LogLine("Create send socket.");
  m_log.LogLine("Call Socket...");
  m_platform->sendSocket = m_snifferMode ? socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_UDP)
                               : socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_platform->sendSocket < 0) return Fail(errno);
  m_log.LogLine("Ok");
  const in_addr local{htonl(m_localAddress)};
  if (m_snifferMode) {
    m_log.LogLine("Call SetSockOpt...");
    if (!SetInt(m_platform->sendSocket, IPPROTO_IP, IP_HDRINCL, 1)) return Fail(errno);
    // Linux refuses a raw send to a broadcast address without SO_BROADCAST,
    // and sends a group's packets through LocalAddress's interface only
    // when told so.
    SetInt(m_platform->sendSocket, SOL_SOCKET, SO_BROADCAST, 1);
    setsockopt(m_platform->sendSocket, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local);
    return true;
  }
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (!SetInt(m_platform->sendSocket, SOL_SOCKET, SO_REUSEADDR, 1)) return Fail(errno);
    m_log.LogLine("Ok");
  }
  if (m_localAddress != 0) {
    // Broadcasts and group packets leave through LocalAddress's interface.
    const sockaddr_in from = MakeSocketAddress(m_localAddress, 0);
    if (bind(m_platform->sendSocket, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
      return Fail(errno);
    }
  }
  if (m_settings.MulticastMode) {
    m_log.LogLine("SetSockOpt(IP_MULTICAST_IF): " + AddressToText(m_localAddress));
    const unsigned char ttl = m_ttl;
    if (setsockopt(m_platform->sendSocket, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0 ||
        setsockopt(m_platform->sendSocket, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
      return Fail(errno);
    }
  } else {
    m_log.LogLine("SetSockOpt(SO_BROADCAST)");
    if (!SetInt(m_platform->sendSocket, SOL_SOCKET, SO_BROADCAST, 1)) return Fail(errno);
  }
  return true;
}

bool Net::NetStop() {
  if (!m_started) {
    m_log.LogLine("Sniffer not enabled.");
    return false;
  }
  m_codec.SendAnnouncement(kPacketLeave, m_out.OutAddress);
  if (m_thread.joinable()) {
    m_log.LogLine("Recive thread tirminated.");
    // Joined before the socket is closed, so that the thread never polls a
    // descriptor number that may already belong to someone else.
    EndThread();
  }
  if (m_platform->recvSocket >= 0) {
    CloseFd(m_platform->recvSocket);
    m_log.LogLine("Recive socket closed.");
  }
  if (m_platform->sendSocket >= 0) {
    CloseFd(m_platform->sendSocket);
    m_log.LogLine("Send socket closed.");
  }
  CloseSockets();
  m_log.LogLine("WASCleanup.");
  m_alive->store(false);
  m_started = false;
  BlowfishBurn(m_cipher);
  return true;
}

int Net::SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr, std::uint16_t srcPort,
                      std::uint16_t dstPort, const std::uint8_t* bytes, std::size_t length) {
  if (!m_started) return -1;
  const sockaddr_in to = MakeSocketAddress(dstAddr, dstPort);
  const auto* toAddress = reinterpret_cast<const sockaddr*>(&to);
  if (!m_snifferMode) {
    if (sendto(m_platform->sendSocket, bytes, length, 0, toAddress, sizeof to) < 0) {
      ReportNetError(errno);
      return -1;
    }
    return 0;
  }
  if (length > kMaxIpPacketSize - kIpHeaderSize - kUdpHeaderSize) return -1;
  const std::vector<std::uint8_t> packet =
      BuildUdpPacket(srcAddr, dstAddr, srcPort, dstPort, m_ttl, bytes, length);
  const auto sendOne = [&](const std::vector<std::uint8_t>& piece) {
    return sendto(m_platform->sendSocket, piece.data(), piece.size(), 0, toAddress, sizeof to) >= 0;
  };
  bool sent = true;
  if (packet.size() <= m_platform->mtu) {
    sent = sendOne(packet);
  } else {
    if (++m_platform->fragmentId == 0) ++m_platform->fragmentId;
    for (const auto& piece : FragmentPacket(packet, m_platform->mtu, m_platform->fragmentId)) {
      if (!(sent = sendOne(piece))) break;
    }
  }
  if (!sent) {
    ReportNetError(errno);
    return -1;
  }
  return 0;
}

void Net::ReportNetError(int code) {
  // glibc words every number ("Unknown error 99999"); only a code the
  // system knows by name has a text of its own.
  std::string message = W("Неизвестная ошибка сети");
  if (strerrorname_np(code) != nullptr) {
    char buffer[256] = {};
    const char* text = strerror_r(code, buffer, sizeof buffer);
    if (text != nullptr && *text != '\0') message = Utf8ToCp1251(text);
  }
  m_log.LogLine("Net error: " + message);
}

bool Net::Fail(int code) {
  if (code != 0) ReportNetError(code);
  EndThread();
  CloseSockets();
  return false;
}

void Net::EndThread() {
  if (!m_thread.joinable()) return;
  m_terminate = true;
  if (m_platform->wakeFd >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_platform->wakeFd, &one, sizeof one);
  }
  m_thread.join();
}

void Net::CloseSockets() {
  CloseFd(m_platform->recvSocket);
  CloseFd(m_platform->sendSocket);
  CloseFd(m_platform->memberSocket);
  CloseFd(m_platform->wakeFd);
}

}  // namespace pelmo
