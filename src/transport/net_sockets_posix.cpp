// Net's system calls on Linux. Sniffer mode captures with an AF_PACKET
// socket (which cannot join a group: a UDP socket holds the memberships)
// and sends through a raw socket; simple mode's receiving socket learns
// each datagram's arrival interface (IP_PKTINFO) for broadcast mode.
#include "transport/net_sockets.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

#include "base/cp1251.h"
#include "transport/net_interfaces_posix.h"

namespace pelmo {

struct NetSockets::State {
  bool sniffer = false;
  int recvSocket = -1;
  int sendSocket = -1;
  // Simple mode: the interface of LocalAddress, the only one whose
  // datagrams are taken (0: any), and LocalAddress itself. The main thread
  // changes the index when the card is made anew.
  std::atomic<int> chatIndex{0};
  std::uint32_t localAddress = 0;
  // The sending socket picks the group's interface (IP_MULTICAST_IF).
  bool groupInterface = false;
  int wakeFd = -1;  // eventfd that wakes the receive thread at stop
  // Holds the group memberships in sniffer mode (a capture socket cannot).
  int memberSocket = -1;
  // Sniffer mode: the capture interface.
  int captureIndex = 0;
  std::atomic<bool> captureLoopback{false};
  unsigned mtu = 1500;
};

namespace {

int SetInt(int socket, int level, int option, int value) {
  return setsockopt(socket, level, option, &value, sizeof value) == 0 ? 0 : errno;
}

// Room for a burst of thousands of commands while the main thread works
// through them. Beyond net.core.rmem_max only with CAP_NET_ADMIN; without
// it the kernel's ceiling is taken.
constexpr int kReceiveBufferBytes = 8 << 20;
void SizeReceiveBuffer(int socket) {
  if (SetInt(socket, SOL_SOCKET, SO_RCVBUFFORCE, kReceiveBufferBytes) != 0) {
    SetInt(socket, SOL_SOCKET, SO_RCVBUF, kReceiveBufferBytes);
  }
}

int BindTo(int socket, const sockaddr_in& address) {
  return bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
}

// The capture bound to an interface, taking protocol (0: nothing yet).
int BindCapture(int socket, int index, std::uint16_t protocol) {
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(protocol);
  link.sll_ifindex = index;
  return bind(socket, reinterpret_cast<const sockaddr*>(&link), sizeof link) == 0 ? 0 : errno;
}

bool CloseFd(int& fd) {
  const bool wasOpen = fd >= 0;
  if (wasOpen) close(fd);
  fd = -1;
  return wasOpen;
}

// Whether a received datagram (its IP_PKTINFO) came in on the chat's
// interface or is addressed to LocalAddress.
bool FromChatNetwork(const msghdr& message, int chatIndex, std::uint32_t localAddress) {
  for (const cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(header))) {
    if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo packet{};
    std::memcpy(&packet, CMSG_DATA(header), sizeof packet);
    // What this computer sends to LocalAddress itself comes in through
    // loopback.
    return packet.ipi_ifindex == chatIndex || ntohl(packet.ipi_addr.s_addr) == localAddress;
  }
  return false;
}

// The socket's count of datagrams dropped for want of room (SO_RXQ_OVFL),
// when the datagram carries one.
std::uint32_t SystemDrops(const msghdr& message) {
  for (const cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(header))) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SO_RXQ_OVFL) continue;
    std::uint32_t drops = 0;
    std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
    return drops;
  }
  return 0;
}

}  // namespace

NetSockets::NetSockets() : m_state(std::make_unique<State>()) {}
NetSockets::~NetSockets() { CloseAll(); }

int NetSockets::Startup() { return 0; }

int NetSockets::OpenReceive(bool sniffer) {
  State& os = *m_state;
  os.sniffer = sniffer;
  // The capture socket receives nothing until it is bound with a protocol
  // (ReceiveAll), so no other interface's packets slip in.
  os.recvSocket = sniffer ? socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0)
                          : socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (os.recvSocket < 0) return errno;
  SizeReceiveBuffer(os.recvSocket);
  // Each datagram then carries how many the buffer has had no room for.
  if (!sniffer) SetInt(os.recvSocket, SOL_SOCKET, SO_RXQ_OVFL, 1);
  return 0;
}

int NetSockets::ReuseAddress(Side side) {
  return SetInt(side == Side::kReceive ? m_state->recvSocket : m_state->sendSocket, SOL_SOCKET,
                SO_REUSEADDR, 1);
}

int NetSockets::BindReceive(std::uint32_t localAddress, std::uint16_t port) {
  State& os = *m_state;
  os.localAddress = localAddress;
  InterfaceInfo info;
  if (os.sniffer) {
    if (!FindInterface(localAddress, info)) return errno != 0 ? errno : EADDRNOTAVAIL;
    os.captureIndex = info.Index;
    os.captureLoopback = info.Loopback;
    os.mtu = info.Mtu;
    return BindCapture(os.recvSocket, os.captureIndex, 0);
  }
  // A socket bound to a unicast address gets no broadcast or multicast
  // datagrams here, so the wildcard address is bound; LocalAddress must
  // still be one of this computer's, as binding to it would require.
  if (localAddress != INADDR_ANY && !FindInterface(localAddress, info)) {
    return errno != 0 ? errno : EADDRNOTAVAIL;
  }
  // The wildcard bind lets in the broadcasts of every network of this
  // computer, and the group's datagrams of every interface it is joined
  // on; only those of LocalAddress's interface are kept, as a socket bound
  // to that address would get. The arrival interface comes with each
  // datagram.
  os.chatIndex = 0;
  if (localAddress != INADDR_ANY) {
    if (const int code = SetInt(os.recvSocket, IPPROTO_IP, IP_PKTINFO, 1); code != 0) return code;
    os.chatIndex = info.Index;
  }
  // Only the groups this socket joins, as on Windows.
  SetInt(os.recvSocket, IPPROTO_IP, IP_MULTICAST_ALL, 0);
  return BindTo(os.recvSocket, MakeSocketAddress(INADDR_ANY, port));
}

int NetSockets::RefreshInterface(std::uint32_t localAddress) {
  State& os = *m_state;
  InterfaceInfo info;
  if (!FindInterface(localAddress, info)) return errno != 0 ? errno : EADDRNOTAVAIL;
  if (os.sniffer) {
    os.captureIndex = info.Index;
    os.captureLoopback = info.Loopback;
    os.mtu = info.Mtu;
    if (const int code = BindCapture(os.recvSocket, os.captureIndex, ETH_P_IP); code != 0) {
      return code;
    }
  } else if (os.chatIndex != 0) {
    os.chatIndex = info.Index;
  }
  // Linux keeps the index the address had when the option was set.
  if (os.groupInterface) {
    const in_addr local{htonl(localAddress)};
    if (setsockopt(os.sendSocket, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0) {
      return errno;
    }
  }
  return 0;
}

int NetSockets::ReceiveAll() {
  return BindCapture(m_state->recvSocket, m_state->captureIndex, ETH_P_IP);
}

int NetSockets::OpenGroupSocket() {
  State& os = *m_state;
  if (!os.sniffer) return 0;
  os.memberSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return os.memberSocket < 0 ? errno : 0;
}

std::size_t NetSockets::MembershipLimit() const {
  // The limit of this network namespace; the kernel's default when the
  // setting cannot be read.
  std::ifstream file("/proc/sys/net/ipv4/igmp_max_memberships");
  long long limit = 0;
  if (file >> limit && limit >= 0) return static_cast<std::size_t>(limit);
  return 20;
}

unsigned long NetSockets::InterfaceIndex(std::uint32_t address) const {
  InterfaceInfo info;
  return FindInterface(address, info) ? static_cast<unsigned long>(info.Index) : 0;
}

NetSockets::Membership NetSockets::JoinGroup(std::uint32_t group, std::uint32_t address,
                                             unsigned long index, int& error) {
  const State& os = *m_state;
  ip_mreqn request{};
  request.imr_multiaddr.s_addr = htonl(group);
  request.imr_address.s_addr = htonl(address);
  request.imr_ifindex = static_cast<int>(index);
  const int member = os.memberSocket >= 0 ? os.memberSocket : os.recvSocket;
  if (setsockopt(member, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0 ||
      errno == EADDRINUSE) {
    return Membership::kJoined;
  }
  if (errno == ENOBUFS) return Membership::kFull;
  error = errno;
  return Membership::kFailed;
}

int NetSockets::OpenSend(bool sniffer) {
  m_state->sendSocket = sniffer ? socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_UDP)
                                : socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return m_state->sendSocket < 0 ? errno : 0;
}

int NetSockets::IncludeHeaders(std::uint32_t localAddress) {
  const int send = m_state->sendSocket;
  if (const int code = SetInt(send, IPPROTO_IP, IP_HDRINCL, 1); code != 0) return code;
  // Linux refuses a raw send to a broadcast address without SO_BROADCAST,
  // and sends a group's packets through LocalAddress's interface only when
  // told so.
  SetInt(send, SOL_SOCKET, SO_BROADCAST, 1);
  const in_addr local{htonl(localAddress)};
  setsockopt(send, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local);
  m_state->groupInterface = true;
  return 0;
}

int NetSockets::BindSend(std::uint32_t localAddress) {
  return BindTo(m_state->sendSocket, MakeSocketAddress(localAddress, 0));
}

int NetSockets::SetMulticastSend(std::uint32_t localAddress, std::uint8_t ttl) {
  const int send = m_state->sendSocket;
  const in_addr local{htonl(localAddress)};
  const unsigned char hops = ttl;
  if (setsockopt(send, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0 ||
      setsockopt(send, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) != 0) {
    return errno;
  }
  m_state->groupInterface = true;
  return 0;
}

int NetSockets::SetBroadcast() { return SetInt(m_state->sendSocket, SOL_SOCKET, SO_BROADCAST, 1); }

unsigned NetSockets::Mtu() const { return m_state->mtu; }

int NetSockets::SendTo(std::uint32_t address, std::uint16_t port, const std::uint8_t* bytes,
                       std::size_t length) {
  const sockaddr_in to = MakeSocketAddress(address, port);
  return sendto(m_state->sendSocket, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to),
                sizeof to) < 0
             ? errno
             : 0;
}

int NetSockets::OpenWake() {
  m_state->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return m_state->wakeFd < 0 ? errno : 0;
}

void NetSockets::Wake() {
  // Never read: the descriptor stays readable, so every later wait ends at
  // once too.
  if (m_state->wakeFd < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(m_state->wakeFd, &one, sizeof one);
}

NetSockets::Readiness NetSockets::WaitReadable(int& error) {
  pollfd fds[2] = {{m_state->recvSocket, POLLIN, 0}, {m_state->wakeFd, POLLIN, 0}};
  if (poll(fds, 2, -1) < 0) {
    if (errno == EINTR) return Readiness::kNothing;
    error = errno;
    return Readiness::kFailed;
  }
  return fds[0].revents != 0 ? Readiness::kReadable : Readiness::kNothing;
}

NetSockets::Receipt NetSockets::Receive(std::vector<std::uint8_t>& buffer) {
  const State& os = *m_state;
  Receipt got;
  ssize_t received = 0;
  bool skip = false;
  if (os.sniffer) {
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    received = recvfrom(os.recvSocket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                        reinterpret_cast<sockaddr*>(&from), &fromLength);
    // On loopback every packet is seen leaving and again arriving.
    skip = received > 0 && os.captureLoopback && from.sll_pkttype == PACKET_OUTGOING;
  } else {
    sockaddr_in from{};
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo)) +
                                  CMSG_SPACE(sizeof(std::uint32_t))] = {};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    received = recvmsg(os.recvSocket, &message, MSG_DONTWAIT);
    got.fromAddress = ntohl(from.sin_addr.s_addr);
    got.fromPort = ntohs(from.sin_port);
    const int chatIndex = os.chatIndex.load();
    skip = received > 0 && chatIndex != 0 &&
           !FromChatNetwork(message, chatIndex, os.localAddress);
    if (received >= 0) got.systemDrops = SystemDrops(message);
  }
  if (received < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      got.kind = Receipt::Kind::kEmpty;
    } else if (errno == EINTR) {
      got.kind = Receipt::Kind::kSkipped;
    } else {
      got.kind = Receipt::Kind::kFailed;
      got.error = errno;
    }
    return got;
  }
  got.kind = received == 0 || skip ? Receipt::Kind::kSkipped : Receipt::Kind::kDatagram;
  got.length = static_cast<std::size_t>(received);
  return got;
}

int NetSockets::ReceiveDescriptor() const { return m_state->recvSocket; }

void NetSockets::Sleep(int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd wake{m_state->wakeFd, POLLIN, 0};
    if (poll(&wake, 1, static_cast<int>(left.count()) + 1) > 0) return;
  }
}

bool NetSockets::Close(Side side) {
  return CloseFd(side == Side::kReceive ? m_state->recvSocket : m_state->sendSocket);
}

void NetSockets::CloseAll() {
  State& os = *m_state;
  os.groupInterface = false;
  for (int* fd : {&os.recvSocket, &os.sendSocket, &os.memberSocket, &os.wakeFd}) CloseFd(*fd);
}

bool PortHeldError(int code) { return code == EADDRINUSE; }

std::string NetErrorText(int code) {
  // glibc words every number ("Unknown error 99999"); only a code the
  // system knows by name has a text of its own.
  if (strerrorname_np(code) == nullptr) return {};
  char buffer[256] = {};
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return text != nullptr ? Utf8ToCp1251(text) : std::string();
}

void WipeSecret(void* bytes, std::size_t size) { explicit_bzero(bytes, size); }

}  // namespace pelmo
