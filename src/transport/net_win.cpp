// The bot's sockets on Winsock: start, stop and sending. The receive
// thread is in net_receive_win.cpp.
//
// Simple mode binds the receiving socket to the wildcard address and the
// chat port, as on Linux, so that it hears the group and the broadcasts
// whatever the system's rules for sockets bound to one address; LocalAddress
// must still be this computer's. Sniffer mode is the Windows original: a
// raw socket bound to LocalAddress in SIO_RCVALL mode, and a raw sending
// socket with IP_HDRINCL; both need Administrator, and a start without the
// right fails with the system's words in the log.
#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <system_error>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "base/windows_text_win.h"
#include "transport/chat_key.h"
#include "transport/net_platform_win.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

bool SetInt(SOCKET socket, int level, int option, int value) {
  return ::setsockopt(socket, level, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

void CloseSocket(SOCKET& socket) {
  if (socket != INVALID_SOCKET) ::closesocket(socket);
  socket = INVALID_SOCKET;
}

void CloseEvent(WSAEVENT& event) {
  if (event != WSA_INVALID_EVENT) ::WSACloseEvent(event);
  event = WSA_INVALID_EVENT;
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
    // 2.2 in both modes: the multicast options of ws2tcpip.h belong to it.
    WSADATA data;
    const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0) return Fail(started);
    m_platform->wsaStarted = true;
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
  ::SecureZeroMemory(&key, sizeof key);
  m_codec.NewEpoch();
  m_codec.SendAnnouncement(kPacketJoin, m_out.OutAddress);
  m_codec.SendProbe(m_settings.SendAddress);
  return true;
}

bool Net::StartThread() {
  Platform& os = *m_platform;
  os.recvEvent = ::WSACreateEvent();
  os.wakeEvent = ::WSACreateEvent();
  if (os.recvEvent == WSA_INVALID_EVENT || os.wakeEvent == WSA_INVALID_EVENT) {
    return Fail(::WSAGetLastError());
  }
  // The socket turns non-blocking; the thread waits on the two events.
  if (::WSAEventSelect(os.recvSocket, os.recvEvent, FD_READ) != 0) {
    return Fail(::WSAGetLastError());
  }
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
  Platform& os = *m_platform;
  m_log.LogLine("Call Socket...");
  os.recvSocket = m_snifferMode ? ::socket(AF_INET, SOCK_RAW, IPPROTO_IP)
                                : ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (os.recvSocket == INVALID_SOCKET) return Fail(::WSAGetLastError());
  // Room for a burst of commands while the main thread works through them;
  // not logged, so that the start's log stays as it always was.
  SetInt(os.recvSocket, SOL_SOCKET, SO_RCVBUF, 8 << 20);
  m_log.LogLine("Ok");
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (!SetInt(os.recvSocket, SOL_SOCKET, SO_REUSEADDR, 1)) return Fail(::WSAGetLastError());
    m_log.LogLine("Ok");
  }

  m_log.LogLine("Call Bind...");
  if (m_localAddress != INADDR_ANY && !FindWinInterface(m_localAddress, os.mtu)) {
    return Fail(WSAEADDRNOTAVAIL);
  }
  // The capture is bound to its interface's address; the simple socket to
  // the wildcard address (see above).
  const sockaddr_in local =
      MakeWinSocketAddress(m_snifferMode ? m_localAddress : INADDR_ANY, m_port);
  if (::bind(os.recvSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return Fail(::WSAGetLastError());
  }
  m_log.LogLine("Ok");

  if (m_settings.MulticastMode && !JoinGroups()) return false;

  if (m_snifferMode) {
    m_log.LogLine("Call IOCtrlSocket(SIO_RCVALL)...");
    DWORD on = RCVALL_ON;
    DWORD returned = 0;
    if (::WSAIoctl(os.recvSocket, SIO_RCVALL, &on, sizeof on, nullptr, 0, &returned, nullptr,
                   nullptr) != 0) {
      return Fail(::WSAGetLastError());
    }
    m_log.LogLine("Ok");
  }
  return true;
}

bool Net::JoinGroups() {
  const std::vector<std::uint32_t> interfaces = m_interfaces ? *m_interfaces : GetInterfaces();
  // A membership belongs to an adapter, not to an address: a second
  // address of one adapter is passed over, and one the system reports as
  // joined already counts as joined.
  std::vector<unsigned long> joined;
  for (std::uint32_t address : interfaces) {
    const unsigned long adapter = WinInterfaceIndex(address);
    if (adapter != 0 && std::find(joined.begin(), joined.end(), adapter) != joined.end()) {
      continue;
    }
    m_log.LogLine("SetSockOpt(IP_ADD_MEMBERSHIP): " + AddressToText(address));
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(m_settings.SendAddress);
    request.imr_interface.s_addr = htonl(address);
    if (::setsockopt(m_platform->recvSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                     reinterpret_cast<const char*>(&request), sizeof request) != 0 &&
        ::WSAGetLastError() != WSAEADDRINUSE) {
      return Fail(::WSAGetLastError());
    }
    m_log.LogLine("Ok");
    joined.push_back(adapter);
  }
  return true;
}

bool Net::OpenSendSocket() {
  Platform& os = *m_platform;
  m_log.LogLine("Create send socket.");
  m_log.LogLine("Call Socket...");
  os.sendSocket = m_snifferMode ? ::socket(AF_INET, SOCK_RAW, IPPROTO_UDP)
                                : ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (os.sendSocket == INVALID_SOCKET) return Fail(::WSAGetLastError());
  m_log.LogLine("Ok");
  in_addr local{};
  local.s_addr = htonl(m_localAddress);
  if (m_snifferMode) {
    m_log.LogLine("Call SetSockOpt...");
    if (!SetInt(os.sendSocket, IPPROTO_IP, IP_HDRINCL, 1)) return Fail(::WSAGetLastError());
    // Broadcasts and group packets of our own headers leave as the simple
    // socket's would.
    SetInt(os.sendSocket, SOL_SOCKET, SO_BROADCAST, 1);
    ::setsockopt(os.sendSocket, IPPROTO_IP, IP_MULTICAST_IF,
                 reinterpret_cast<const char*>(&local), sizeof local);
    return true;
  }
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (!SetInt(os.sendSocket, SOL_SOCKET, SO_REUSEADDR, 1)) return Fail(::WSAGetLastError());
    m_log.LogLine("Ok");
  }
  if (m_localAddress != 0) {
    // Broadcasts and group packets leave through LocalAddress's interface.
    const sockaddr_in from = MakeWinSocketAddress(m_localAddress, 0);
    if (::bind(os.sendSocket, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
      return Fail(::WSAGetLastError());
    }
  }
  if (m_settings.MulticastMode) {
    m_log.LogLine("SetSockOpt(IP_MULTICAST_IF): " + AddressToText(m_localAddress));
    const DWORD ttl = m_ttl;
    if (::setsockopt(os.sendSocket, IPPROTO_IP, IP_MULTICAST_IF,
                     reinterpret_cast<const char*>(&local), sizeof local) != 0 ||
        ::setsockopt(os.sendSocket, IPPROTO_IP, IP_MULTICAST_TTL,
                     reinterpret_cast<const char*>(&ttl), sizeof ttl) != 0) {
      return Fail(::WSAGetLastError());
    }
  } else {
    m_log.LogLine("SetSockOpt(SO_BROADCAST)");
    if (!SetInt(os.sendSocket, SOL_SOCKET, SO_BROADCAST, 1)) return Fail(::WSAGetLastError());
  }
  return true;
}

bool Net::NetStop() {
  if (!m_started) {
    m_log.LogLine("Sniffer not enabled.");
    return false;
  }
  Platform& os = *m_platform;
  m_codec.SendAnnouncement(kPacketLeave, m_out.OutAddress);
  if (m_thread.joinable()) {
    m_log.LogLine("Recive thread tirminated.");
    // Joined before the socket is closed: the thread never waits on a
    // socket that is gone.
    EndThread();
  }
  if (os.recvSocket != INVALID_SOCKET) {
    CloseSocket(os.recvSocket);
    m_log.LogLine("Recive socket closed.");
  }
  if (os.sendSocket != INVALID_SOCKET) {
    CloseSocket(os.sendSocket);
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
  Platform& os = *m_platform;
  const sockaddr_in to = MakeWinSocketAddress(dstAddr, dstPort);
  const auto* toAddress = reinterpret_cast<const sockaddr*>(&to);
  const auto sendOne = [&](const std::uint8_t* data, std::size_t size) {
    return ::sendto(os.sendSocket, reinterpret_cast<const char*>(data), static_cast<int>(size), 0,
                    toAddress, sizeof to) != SOCKET_ERROR;
  };
  if (!m_snifferMode) {
    if (length > kMaxIpPacketSize || !sendOne(bytes, length)) {
      ReportNetError(length > kMaxIpPacketSize ? WSAEMSGSIZE : ::WSAGetLastError());
      return -1;
    }
    return 0;
  }
  if (length > kMaxIpPacketSize - kIpHeaderSize - kUdpHeaderSize) return -1;
  const std::vector<std::uint8_t> packet =
      BuildUdpPacket(srcAddr, dstAddr, srcPort, dstPort, m_ttl, bytes, length);
  bool sent = true;
  if (packet.size() <= os.mtu) {
    sent = sendOne(packet.data(), packet.size());
  } else {
    if (++os.fragmentId == 0) ++os.fragmentId;
    for (const auto& piece : FragmentPacket(packet, os.mtu, os.fragmentId)) {
      if (!(sent = sendOne(piece.data(), piece.size()))) break;
    }
  }
  if (!sent) {
    ReportNetError(::WSAGetLastError());
    return -1;
  }
  return 0;
}

void Net::ReportNetError(int code) {
  std::string message = SystemErrorCp1251(static_cast<unsigned long>(code));
  if (message.empty()) message = W("Неизвестная ошибка сети");
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
  if (m_platform->wakeEvent != WSA_INVALID_EVENT) ::WSASetEvent(m_platform->wakeEvent);
  m_thread.join();
}

void Net::CloseSockets() {
  Platform& os = *m_platform;
  CloseSocket(os.recvSocket);
  CloseSocket(os.sendSocket);
  CloseEvent(os.recvEvent);
  CloseEvent(os.wakeEvent);
  if (os.wsaStarted) {
    ::WSACleanup();
    os.wsaStarted = false;
  }
}

}  // namespace pelmo
