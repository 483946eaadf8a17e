// Net's system calls on Winsock. Simple mode binds the receiving socket to
// the wildcard address and the chat port, as on Linux, so that it hears the
// group and the broadcasts whatever the system's rules for sockets bound to
// one address; LocalAddress must still be this computer's. Sniffer mode
// uses the capture Windows itself offers: a raw socket bound to
// LocalAddress in SIO_RCVALL mode, and a raw sending socket with
// IP_HDRINCL; both need Administrator, and a start without the right fails
// with the system's words in the log. The receive thread waits on two
// events, the socket's FD_READ and the wake-up. The simple socket reads
// with WSARecvMsg and IP_PKTINFO, so that only what arrives on
// LocalAddress's interface, or is addressed to it, is taken.
#include "transport/net_sockets.h"

#include <winsock2.h>
#include <mstcpip.h>
#include <mswsock.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstring>
#include <limits>

#include "base/windows_text_win.h"
#include "transport/net_interfaces_win.h"
#include "transport/sniffer.h"

namespace pelmo {

struct NetSockets::State {
  bool wsaStarted = false;  // WSAStartup succeeded; WSACleanup is due
  bool sniffer = false;
  SOCKET recvSocket = INVALID_SOCKET;
  SOCKET sendSocket = INVALID_SOCKET;
  // Signalled by the receiving socket (FD_READ) and by Wake.
  WSAEVENT recvEvent = WSA_INVALID_EVENT;
  WSAEVENT wakeEvent = WSA_INVALID_EVENT;
  // Sniffer mode: the largest packet the interface sends whole.
  unsigned mtu = 1500;
  // Simple mode: the reader that tells the arrival interface (null: every
  // datagram is taken), the interface of LocalAddress (the main thread
  // changes it when the card is made anew) and LocalAddress itself.
  LPFN_WSARECVMSG recvMsg = nullptr;
  std::atomic<unsigned long> chatIndex{0};
  std::uint32_t localAddress = 0;
  // The sending socket picks the group's interface (IP_MULTICAST_IF).
  bool groupInterface = false;
};

namespace {

int SetInt(SOCKET socket, int level, int option, int value) {
  return ::setsockopt(socket, level, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0
             ? 0
             : ::WSAGetLastError();
}

int SetAddress(SOCKET socket, int option, std::uint32_t address) {
  in_addr value{};
  value.s_addr = htonl(address);
  return ::setsockopt(socket, IPPROTO_IP, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0
             ? 0
             : ::WSAGetLastError();
}

int BindTo(SOCKET socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in local = MakeWinSocketAddress(address, port);
  return ::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0
             ? 0
             : ::WSAGetLastError();
}

bool CloseSocket(SOCKET& socket) {
  const bool wasOpen = socket != INVALID_SOCKET;
  if (wasOpen) ::closesocket(socket);
  socket = INVALID_SOCKET;
  return wasOpen;
}

// The socket's WSARecvMsg, which Winsock hands out only on request.
LPFN_WSARECVMSG FindRecvMsg(SOCKET socket) {
  GUID id = WSAID_WSARECVMSG;
  LPFN_WSARECVMSG function = nullptr;
  DWORD returned = 0;
  if (::WSAIoctl(socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &function,
                 sizeof function, &returned, nullptr, nullptr) != 0) {
    return nullptr;
  }
  return function;
}

// Whether a datagram (its IP_PKTINFO) came in on the chat's interface or is
// addressed to LocalAddress.
bool FromChatNetwork(WSAMSG& message, unsigned long chatIndex, std::uint32_t localAddress) {
  for (WSACMSGHDR* header = WSA_CMSG_FIRSTHDR(&message); header != nullptr;
       header = WSA_CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) continue;
    IN_PKTINFO packet{};
    std::memcpy(&packet, WSA_CMSG_DATA(header), sizeof packet);
    return packet.ipi_ifindex == chatIndex || ntohl(packet.ipi_addr.s_addr) == localAddress;
  }
  return false;
}

void CloseEvent(WSAEVENT& event) {
  if (event != WSA_INVALID_EVENT) ::WSACloseEvent(event);
  event = WSA_INVALID_EVENT;
}

}  // namespace

NetSockets::NetSockets() : m_state(std::make_unique<State>()) {}
NetSockets::~NetSockets() { CloseAll(); }

int NetSockets::Startup() {
  // 2.2 in both modes: the multicast options of ws2tcpip.h belong to it.
  WSADATA data;
  const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
  m_state->wsaStarted = started == 0;
  return started;
}

int NetSockets::OpenReceive(bool sniffer) {
  State& os = *m_state;
  os.sniffer = sniffer;
  os.recvSocket = sniffer ? ::socket(AF_INET, SOCK_RAW, IPPROTO_IP)
                          : ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (os.recvSocket == INVALID_SOCKET) return ::WSAGetLastError();
  // Room for a burst of commands while the main thread works through them.
  SetInt(os.recvSocket, SOL_SOCKET, SO_RCVBUF, 8 << 20);
  return 0;
}

int NetSockets::ReuseAddress(Side side) {
  return SetInt(side == Side::kReceive ? m_state->recvSocket : m_state->sendSocket, SOL_SOCKET,
                SO_REUSEADDR, 1);
}

int NetSockets::BindReceive(std::uint32_t localAddress, std::uint16_t port) {
  State& os = *m_state;
  os.localAddress = localAddress;
  os.recvMsg = nullptr;
  os.chatIndex = 0;
  if (localAddress != INADDR_ANY && !FindWinInterface(localAddress, os.mtu)) {
    return WSAEADDRNOTAVAIL;
  }
  if (!os.sniffer && localAddress != INADDR_ANY) {
    // The wildcard bind lets in the broadcasts of every network and the
    // group's datagrams of every interface joined; the arrival interface
    // tells those of LocalAddress's.
    if (const int code = SetInt(os.recvSocket, IPPROTO_IP, IP_PKTINFO, 1); code != 0) return code;
    os.recvMsg = FindRecvMsg(os.recvSocket);
    if (os.recvMsg == nullptr) return ::WSAGetLastError();
    os.chatIndex = WinInterfaceIndex(localAddress);
  }
  // The capture is bound to its interface's address; the simple socket to
  // the wildcard address (see above).
  return BindTo(os.recvSocket, os.sniffer ? localAddress : INADDR_ANY, port);
}

int NetSockets::RefreshInterface(std::uint32_t localAddress) {
  State& os = *m_state;
  const unsigned long index = WinInterfaceIndex(localAddress);
  if (index == 0) return WSAEADDRNOTAVAIL;
  // A capture stays bound to the address; the simple socket's filter
  // follows the index.
  if (os.recvMsg != nullptr) os.chatIndex = index;
  if (os.groupInterface) return SetAddress(os.sendSocket, IP_MULTICAST_IF, localAddress);
  return 0;
}

int NetSockets::ReceiveAll() {
  DWORD on = RCVALL_ON;
  DWORD returned = 0;
  return ::WSAIoctl(m_state->recvSocket, SIO_RCVALL, &on, sizeof on, nullptr, 0, &returned,
                    nullptr, nullptr) == 0
             ? 0
             : ::WSAGetLastError();
}

// The raw socket of sniffer mode holds memberships itself.
int NetSockets::OpenGroupSocket() { return 0; }

std::size_t NetSockets::MembershipLimit() const {
  return std::numeric_limits<std::size_t>::max();
}

unsigned long NetSockets::InterfaceIndex(std::uint32_t address) const {
  return WinInterfaceIndex(address);
}

NetSockets::Membership NetSockets::JoinGroup(std::uint32_t group, std::uint32_t address,
                                             unsigned long, int& error) {
  ip_mreq request{};
  request.imr_multiaddr.s_addr = htonl(group);
  request.imr_interface.s_addr = htonl(address);
  if (::setsockopt(m_state->recvSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                   reinterpret_cast<const char*>(&request), sizeof request) == 0 ||
      ::WSAGetLastError() == WSAEADDRINUSE) {
    return Membership::kJoined;
  }
  error = ::WSAGetLastError();
  return Membership::kFailed;
}

int NetSockets::OpenSend(bool sniffer) {
  m_state->sendSocket = sniffer ? ::socket(AF_INET, SOCK_RAW, IPPROTO_UDP)
                                : ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return m_state->sendSocket == INVALID_SOCKET ? ::WSAGetLastError() : 0;
}

int NetSockets::IncludeHeaders(std::uint32_t localAddress) {
  const SOCKET send = m_state->sendSocket;
  if (const int code = SetInt(send, IPPROTO_IP, IP_HDRINCL, 1); code != 0) return code;
  // Broadcasts and group packets of our own headers leave as the simple
  // socket's would.
  SetInt(send, SOL_SOCKET, SO_BROADCAST, 1);
  SetAddress(send, IP_MULTICAST_IF, localAddress);
  m_state->groupInterface = true;
  return 0;
}

int NetSockets::BindSend(std::uint32_t localAddress) {
  return BindTo(m_state->sendSocket, localAddress, 0);
}

int NetSockets::SetMulticastSend(std::uint32_t localAddress, std::uint8_t ttl) {
  const SOCKET send = m_state->sendSocket;
  if (const int code = SetAddress(send, IP_MULTICAST_IF, localAddress); code != 0) return code;
  const DWORD hops = ttl;
  if (::setsockopt(send, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&hops),
                   sizeof hops) != 0) {
    return ::WSAGetLastError();
  }
  m_state->groupInterface = true;
  return 0;
}

int NetSockets::SetBroadcast() { return SetInt(m_state->sendSocket, SOL_SOCKET, SO_BROADCAST, 1); }

unsigned NetSockets::Mtu() const { return m_state->mtu; }

int NetSockets::SendTo(std::uint32_t address, std::uint16_t port, const std::uint8_t* bytes,
                       std::size_t length) {
  // Winsock counts the length in an int.
  if (length > kMaxIpPacketSize) return WSAEMSGSIZE;
  const sockaddr_in to = MakeWinSocketAddress(address, port);
  return ::sendto(m_state->sendSocket, reinterpret_cast<const char*>(bytes),
                  static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == SOCKET_ERROR
             ? ::WSAGetLastError()
             : 0;
}

int NetSockets::OpenWake() {
  State& os = *m_state;
  os.recvEvent = ::WSACreateEvent();
  os.wakeEvent = ::WSACreateEvent();
  if (os.recvEvent == WSA_INVALID_EVENT || os.wakeEvent == WSA_INVALID_EVENT) {
    return ::WSAGetLastError();
  }
  // The socket turns non-blocking; the thread waits on the two events.
  if (::WSAEventSelect(os.recvSocket, os.recvEvent, FD_READ) != 0) return ::WSAGetLastError();
  return 0;
}

void NetSockets::Wake() {
  if (m_state->wakeEvent != WSA_INVALID_EVENT) ::WSASetEvent(m_state->wakeEvent);
}

NetSockets::Readiness NetSockets::WaitReadable(int& error) {
  State& os = *m_state;
  const WSAEVENT events[2] = {os.recvEvent, os.wakeEvent};
  const DWORD woken = ::WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
  if (woken == WSA_WAIT_FAILED) {
    error = ::WSAGetLastError();
    return Readiness::kFailed;
  }
  if (woken != WSA_WAIT_EVENT_0) return Readiness::kNothing;
  ::WSAResetEvent(os.recvEvent);
  return Readiness::kReadable;
}

NetSockets::Receipt NetSockets::Receive(std::vector<std::uint8_t>& buffer) {
  const State& os = *m_state;
  Receipt got;
  sockaddr_in from{};
  int received = 0;
  bool skip = false;
  if (os.recvMsg != nullptr) {
    WSABUF data{static_cast<ULONG>(buffer.size()), reinterpret_cast<char*>(buffer.data())};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr*>(&from);
    message.namelen = sizeof from;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = WSABUF{sizeof control, control};
    DWORD count = 0;
    received = os.recvMsg(os.recvSocket, &message, &count, nullptr, nullptr) == SOCKET_ERROR
                   ? SOCKET_ERROR
                   : static_cast<int>(count);
    const unsigned long chatIndex = os.chatIndex.load();
    skip = received > 0 && chatIndex != 0 &&
           !FromChatNetwork(message, chatIndex, os.localAddress);
  } else {
    int fromLength = sizeof from;
    received = ::recvfrom(os.recvSocket, reinterpret_cast<char*>(buffer.data()),
                          static_cast<int>(buffer.size()), 0,
                          reinterpret_cast<sockaddr*>(&from), &fromLength);
  }
  if (received == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    // An interrupted call is tried again; a datagram too long for the
    // buffer, or an ICMP refusal of one of our earlier packets, is lost
    // alone and is no reason to stop for a second.
    if (error == WSAEWOULDBLOCK) {
      got.kind = Receipt::Kind::kEmpty;
    } else if (error == WSAEINTR || error == WSAEMSGSIZE || error == WSAECONNRESET) {
      got.kind = Receipt::Kind::kSkipped;
    } else {
      got.kind = Receipt::Kind::kFailed;
      got.error = error;
    }
    return got;
  }
  got.kind = received == 0 || skip ? Receipt::Kind::kSkipped : Receipt::Kind::kDatagram;
  got.length = static_cast<std::size_t>(received);
  got.fromAddress = ntohl(from.sin_addr.s_addr);
  got.fromPort = ntohs(from.sin_port);
  return got;
}

// Winsock's sockets are not descriptors a loop of this program waits on.
int NetSockets::ReceiveDescriptor() const { return -1; }

void NetSockets::Sleep(int milliseconds) {
  // Only the wake-up ends the wait early.
  ::WSAWaitForMultipleEvents(1, &m_state->wakeEvent, FALSE, static_cast<DWORD>(milliseconds),
                             FALSE);
}

bool NetSockets::Close(Side side) {
  return CloseSocket(side == Side::kReceive ? m_state->recvSocket : m_state->sendSocket);
}

void NetSockets::CloseAll() {
  State& os = *m_state;
  os.recvMsg = nullptr;
  os.groupInterface = false;
  CloseSocket(os.recvSocket);
  CloseSocket(os.sendSocket);
  CloseEvent(os.recvEvent);
  CloseEvent(os.wakeEvent);
  if (os.wsaStarted) {
    ::WSACleanup();
    os.wsaStarted = false;
  }
}

bool PortHeldError(int code) { return code == WSAEADDRINUSE || code == WSAEACCES; }

std::string NetErrorText(int code) { return SystemErrorCp1251(static_cast<unsigned long>(code)); }

void WipeSecret(void* bytes, std::size_t size) { ::SecureZeroMemory(bytes, size); }

}  // namespace pelmo
