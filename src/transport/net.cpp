// The bot's sockets: start, stop and sending, the same steps and log lines
// on every platform. Receiving is in net_receive.cpp; the system calls are
// NetSockets'. The log names Winsock's start and clean-up on
// every platform, as the chat's users have always read it.
#include "transport/net.h"

#include <algorithm>
#include <system_error>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "transport/chat_key.h"
#include "transport/fragment_reassembler.h"
#include "transport/net_settings.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

// What may wait for the main thread: far more than a burst of commands
// from a whole LAN, far less than the memory a flood of long lines would
// take.
constexpr std::size_t kHandOffDatagrams = 50000;
constexpr std::size_t kHandOffBytes = 32u << 20;

// The system's words for an error code, or ours when it has none.
std::string ErrorWords(int code) {
  std::string message = NetErrorText(code);
  return message.empty() ? W("Неизвестная ошибка сети") : message;
}

}  // namespace

Net::Net(NetSettings& settings, PacketCodec& codec, BlowfishContext& cipher, EventLoop& loop,
         LineLog& log, const IniFile& netIni)
    : m_settings(settings),
      m_codec(codec),
      m_cipher(cipher),
      m_loop(loop),
      m_log(log),
      m_netIni(netIni) {
  m_codec.SetSender(this);
}

Net::~Net() {
  if (m_started) {
    StopTimers();
    EndReceiving();
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
  m_fault = StartFault{};
  m_snifferMode = m_settings.SnifferMode;
  m_port = m_settings.Port;
  m_localAddress = m_settings.LocalAddress;
  m_ttl = m_settings.TTL;
  m_group = m_settings.SendAddress;
  m_multicastMode = m_settings.MulticastMode;
  m_log.LogLine(m_snifferMode ? "Snifer sockets mode." : "Simple sockets");
  m_log.LogLine("ip: " + AddressToText(m_localAddress));
  m_log.LogLine("netaddr: " + AddressToText(m_settings.SendAddress));
  m_log.LogLine("port: " + std::to_string(m_port));
  m_log.LogLine("ttl: " + std::to_string(m_ttl));
  if (m_multicastMode && !IsGroupAddress(m_group)) {
    // Joining would fail on most systems; where it did not, the chat's
    // lines would go to one computer of the LAN.
    m_log.LogLine(W("Адрес группы должен быть от 224.0.0.0 до 239.255.255.255."));
    return Fail(StartFault::Kind::kNotGroup, 0);
  }
  try {
    m_log.LogLine("Create recive socket.");
    m_log.LogLine("Call WSAStartup...");
    if (const int code = m_sockets.Startup(); code != 0) return Fail(code);
    m_log.LogLine("Ok");
    if (!OpenReceiveSocket() || !OpenSendSocket()) return false;
    m_log.LogLine("Ok");
    // The line users have always read, also where the main thread reads.
    m_log.LogLine("Create recive thread...");
    if (!StartReceiving()) return false;
  } catch (...) {
    // A log view or an allocation that fails half-way must not leave the
    // sockets open (the next start would lose them) or the thread running.
    EndReceiving();
    CloseSockets();
    throw;
  }
  m_started = true;
  m_log.LogLine("Ok");
  m_log.LogLine("Shiffer enabled.");
  m_sendErrorLoggedOnce = false;
  m_sendErrorsQuiet = 0;
  if (m_localAddress != 0) {
    m_interfaceIndex = m_sockets.InterfaceIndex(m_localAddress);
    m_interfaceTimer = m_loop.StartTimer(kInterfaceCheckInterval, true, [this, alive = m_alive] {
      if (alive->load()) CheckInterface();
    });
  }

  ChatKey key = LoadChatKey(m_netIni, m_log);
  BlowfishInit(m_cipher, key.key.data(), key.key.size(), key.iv.data());
  WipeSecret(&key, sizeof key);
  m_codec.NewEpoch();
  m_codec.SendAnnouncement(kPacketJoin, m_settings.SendAddress);
  m_codec.SendProbe(m_settings.SendAddress);
  return true;
}

bool Net::StartReceiving() {
  m_terminate = false;
  m_alive = std::make_shared<std::atomic<bool>>(true);
  m_handOff = std::make_shared<HandOff>(kHandOffDatagrams, kHandOffBytes);
  m_systemDrops = 0;
  DescriptorWatcher* watcher = m_loop.Descriptors();
  const int fd = m_sockets.ReceiveDescriptor();
  if (watcher != nullptr && fd >= 0) {
    m_buffer.resize(kPacketBufferSize);
    m_fragments = std::make_unique<FragmentReassembler>();
    m_watcher = watcher;
    m_watchedFd = fd;
    WatchSocket();
    return true;
  }
  if (const int code = m_sockets.OpenWake(); code != 0) return Fail(code);
  try {
    m_thread = std::thread(&Net::ReceiveLoop, this, m_alive);
  } catch (const std::system_error& error) {
    return Fail(error.code().value());
  }
  return true;
}

bool Net::OpenReceiveSocket() {
  m_log.LogLine("Call Socket...");
  if (const int code = m_sockets.OpenReceive(m_snifferMode); code != 0) return Fail(code);
  m_log.LogLine("Ok");
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (const int code = m_sockets.ReuseAddress(NetSockets::Side::kReceive); code != 0) {
      return Fail(code);
    }
    m_log.LogLine("Ok");
  }

  m_log.LogLine("Call Bind...");
  const int bound = m_sockets.BindReceive(m_localAddress, m_port);
  if (bound != 0) {
    return Fail(PortHeldError(bound) ? StartFault::Kind::kPortHeld : StartFault::Kind::kOther,
                bound);
  }
  m_log.LogLine("Ok");

  if (m_settings.MulticastMode && !JoinGroups()) return false;

  if (m_snifferMode) {
    m_log.LogLine("Call IOCtrlSocket(SIO_RCVALL)...");
    if (const int code = m_sockets.ReceiveAll(); code != 0) return Fail(code);
    m_log.LogLine("Ok");
  }
  return true;
}

bool Net::JoinGroups() {
  if (const int code = m_sockets.OpenGroupSocket(); code != 0) return Fail(code);
  const std::vector<std::uint32_t> interfaces = m_interfaces ? *m_interfaces : GetInterfaces();
  // A membership belongs to an interface, not to an address: a second
  // address of one interface would be refused as already joined. Where the
  // system lets a socket hold only so many memberships, the interfaces that
  // come first in the list are the ones joined.
  std::size_t limit = m_sockets.MembershipLimit();
  std::vector<unsigned long> joined;
  std::vector<std::uint32_t> leftOut;
  for (std::uint32_t address : interfaces) {
    const unsigned long index = m_sockets.InterfaceIndex(address);
    if (index != 0 && std::find(joined.begin(), joined.end(), index) != joined.end()) continue;
    if (joined.size() >= limit) {
      leftOut.push_back(address);
      continue;
    }
    m_log.LogLine("SetSockOpt(IP_ADD_MEMBERSHIP): " + AddressToText(address));
    int error = 0;
    const NetSockets::Membership membership =
        m_sockets.JoinGroup(m_settings.SendAddress, address, index, error);
    if (membership == NetSockets::Membership::kFailed) return Fail(error);
    if (membership == NetSockets::Membership::kFull) {
      limit = joined.size();
      leftOut.push_back(address);
      continue;
    }
    m_log.LogLine("Ok");
    joined.push_back(index);
  }
  if (!leftOut.empty()) {
    // Only Linux sets such a limit.
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
  if (const int code = m_sockets.OpenSend(m_snifferMode); code != 0) return Fail(code);
  m_log.LogLine("Ok");
  if (m_snifferMode) {
    m_log.LogLine("Call SetSockOpt...");
    if (const int code = m_sockets.IncludeHeaders(m_localAddress); code != 0) return Fail(code);
    return true;
  }
  if (m_settings.ReuseAddr) {
    m_log.LogLine("Call SetSockOpt(SO_REUSEADDR)...");
    if (const int code = m_sockets.ReuseAddress(NetSockets::Side::kSend); code != 0) {
      return Fail(code);
    }
    m_log.LogLine("Ok");
  }
  if (m_localAddress != 0) {
    // Broadcasts and group packets leave through LocalAddress's interface.
    if (const int code = m_sockets.BindSend(m_localAddress); code != 0) return Fail(code);
  }
  if (m_settings.MulticastMode) {
    m_log.LogLine("SetSockOpt(IP_MULTICAST_IF): " + AddressToText(m_localAddress));
    if (const int code = m_sockets.SetMulticastSend(m_localAddress, m_ttl); code != 0) {
      return Fail(code);
    }
  } else {
    m_log.LogLine("SetSockOpt(SO_BROADCAST)");
    if (const int code = m_sockets.SetBroadcast(); code != 0) return Fail(code);
  }
  return true;
}

bool Net::NetStop() {
  // A stop ends what a failed start had to say.
  m_fault = StartFault{};
  if (!m_started) {
    m_log.LogLine("Sniffer not enabled.");
    return false;
  }
  m_codec.SendAnnouncement(kPacketLeave, m_settings.SendAddress);
  StopTimers();
  if (Receiving()) {
    m_log.LogLine("Recive thread tirminated.");
    // Ended before the socket is closed, so that nothing waits on a socket
    // that is gone (or on a descriptor number that may already belong to
    // someone else).
    EndReceiving();
  }
  if (m_sockets.Close(NetSockets::Side::kReceive)) m_log.LogLine("Recive socket closed.");
  if (m_sockets.Close(NetSockets::Side::kSend)) m_log.LogLine("Send socket closed.");
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
  int error = 0;
  if (!m_snifferMode) {
    error = m_sockets.SendTo(dstAddr, dstPort, bytes, length);
  } else {
    if (length > kMaxIpPacketSize - kIpHeaderSize - kUdpHeaderSize) return -1;
    const std::vector<std::uint8_t> packet =
        BuildUdpPacket(srcAddr, dstAddr, srcPort, dstPort, m_ttl, bytes, length);
    const unsigned mtu = m_sockets.Mtu();
    if (packet.size() <= mtu) {
      error = m_sockets.SendTo(dstAddr, dstPort, packet.data(), packet.size());
    } else {
      if (++m_fragmentId == 0) ++m_fragmentId;
      for (const auto& piece : FragmentPacket(packet, mtu, m_fragmentId)) {
        error = m_sockets.SendTo(dstAddr, dstPort, piece.data(), piece.size());
        if (error != 0) break;
      }
    }
  }
  if (error != 0) {
    ReportSendError(error);
    return -1;
  }
  return 0;
}

void Net::ReportSendError(int code) {
  // A card that is gone fails every packet; one line now and then says so
  // without burying the rest of the log.
  const auto now = std::chrono::steady_clock::now();
  if (m_sendErrorLoggedOnce && now - m_sendErrorLogged < kSendErrorQuiet) {
    ++m_sendErrorsQuiet;
    return;
  }
  std::string line = "Net error: " + ErrorWords(code);
  if (m_sendErrorsQuiet != 0) {
    line += " (" + std::to_string(m_sendErrorsQuiet) + " more send errors since the last line)";
  }
  m_log.LogLine(line);
  m_sendErrorLoggedOnce = true;
  m_sendErrorLogged = now;
  m_sendErrorsQuiet = 0;
}

void Net::CheckInterface() {
  if (!m_started || m_localAddress == 0) return;
  const unsigned long index = m_sockets.InterfaceIndex(m_localAddress);
  if (index == m_interfaceIndex) return;
  const std::string address = AddressToText(m_localAddress);
  m_interfaceIndex = index;
  if (index == 0) {
    m_log.LogLine(W("Сетевой интерфейс адреса ") + address +
                  W(" пропал; чат не слышен, пока он не вернётся."));
    return;
  }
  // A membership and a sending interface belong to the index the card had;
  // the group is joined anew on the card's new index.
  int error = m_sockets.RefreshInterface(m_localAddress);
  if (error == 0 && m_multicastMode) m_sockets.JoinGroup(m_group, m_localAddress, index, error);
  std::string line = W("Сетевой интерфейс адреса ") + address + W(" появился снова (индекс ") +
                     std::to_string(index) + "): ";
  if (error != 0) {
    line += W("подключиться к нему не удалось: ") + ErrorWords(error);
  } else if (m_multicastMode) {
    line += W("бот снова слушает его, группа ") + AddressToText(m_group) + W(" подключена снова.");
  } else {
    line += W("бот снова слушает его.");
  }
  m_log.LogLine(line);
}

void Net::ReportNetError(int code) { m_log.LogLine("Net error: " + ErrorWords(code)); }

bool Net::Fail(int code) { return Fail(StartFault::Kind::kOther, code); }

bool Net::Fail(StartFault::Kind kind, int code) {
  m_fault.kind = kind;
  m_fault.port = m_port;
  m_fault.group = m_group;
  m_fault.words = code != 0 ? ErrorWords(code) : std::string();
  if (code != 0) ReportNetError(code);
  EndReceiving();
  CloseSockets();
  return false;
}

void Net::EndReceiving() {
  if (m_watcher != nullptr) {
    m_watcher->UnwatchFd(m_watchedFd);
    m_watcher = nullptr;
    m_watchedFd = -1;
    m_fragments.reset();
  }
  if (!m_thread.joinable()) return;
  m_terminate = true;
  m_sockets.Wake();
  m_thread.join();
}

void Net::CloseSockets() { m_sockets.CloseAll(); }

void Net::StopTimers() {
  for (EventLoop::TimerId* timer : {&m_interfaceTimer, &m_dropReportTimer, &m_rewatchTimer}) {
    if (*timer != 0) m_loop.StopTimer(*timer);
    *timer = 0;
  }
}

}  // namespace pelmo
