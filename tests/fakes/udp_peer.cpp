#include "fakes/udp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/date_time.h"
#include "base/line_log.h"
#include "base/random.h"
#include "fakes/recording_sender.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_interfaces_posix.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {

namespace {

// Real time, but never a stamp the bot could also send: the receiver drops
// a packet whose stamp equals the last accepted one's, and the bot's stamps
// are whole milliseconds, so the peer's lie half a millisecond after them
// and grow by at least a millisecond from packet to packet.
class DistinctClock final : public Clock {
 public:
  TDateTime Now() const override {
    constexpr TDateTime kMillisecond = 1.0 / 86400000.0;
    TDateTime now = m_system.Now() + kMillisecond / 2;
    if (now <= m_last) now = m_last + kMillisecond;
    m_last = now;
    return now;
  }
  std::uint64_t TickMs() const override { return m_system.TickMs(); }

 private:
  SystemClock m_system;
  mutable TDateTime m_last = 0;
};

class SilentLog final : public LineLog {
 public:
  void LogLine(const std::string&, std::uint32_t) override {}
};

}  // namespace

struct UdpPeer::CodecParts {
  BlowfishContext cipher{};
  NetSettings settings;
  OutgoingState out;
  SilentLog log;
  DistinctClock clock;
  Random random{12345};
  RecordingSender sender;
  PacketCodec codec{cipher, settings, out, log, clock, random};

  CodecParts() {
    const ChatKey key = BuiltInChatKey();
    BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
    codec.SetSender(&sender);
  }
};

UdpPeer::UdpPeer() : m_codec(std::make_unique<CodecParts>()) {}

UdpPeer::~UdpPeer() {
  if (m_fd >= 0) close(m_fd);
}

bool UdpPeer::Bind(std::uint32_t address, std::uint16_t port, bool reuse) {
  if (m_fd >= 0) close(m_fd);
  m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0) return false;
  const int one = 1;
  if (reuse && setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) return false;
  const sockaddr_in local = MakeSocketAddress(address, port);
  return bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

std::uint16_t UdpPeer::LocalPort() const {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

bool UdpPeer::EnableBroadcast() {
  const int one = 1;
  return setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) == 0;
}

bool UdpPeer::JoinGroup(std::uint32_t group, std::uint32_t interfaceAddress) {
  ip_mreq request{};
  request.imr_multiaddr.s_addr = htonl(group);
  request.imr_interface.s_addr = htonl(interfaceAddress);
  return setsockopt(m_fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0;
}

bool UdpPeer::SetMulticastInterface(std::uint32_t interfaceAddress, std::uint8_t ttl) {
  const in_addr local{htonl(interfaceAddress)};
  const unsigned char hops = ttl;
  return setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) == 0 &&
         setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) == 0;
}

bool UdpPeer::SendRaw(std::uint32_t address, std::uint16_t port,
                      const std::vector<std::uint8_t>& bytes) {
  const sockaddr_in to = MakeSocketAddress(address, port);
  return sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                sizeof to) == static_cast<ssize_t>(bytes.size());
}

std::optional<PeerDatagram> UdpPeer::Receive(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{m_fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    PeerDatagram datagram;
    datagram.Bytes.resize(65536);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t received = recvfrom(m_fd, datagram.Bytes.data(), datagram.Bytes.size(), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received < 0) return std::nullopt;
    datagram.Bytes.resize(static_cast<std::size_t>(received));
    datagram.SrcAddr = ntohl(from.sin_addr.s_addr);
    datagram.SrcPort = ntohs(from.sin_port);
    return datagram;
  }
}

std::vector<std::uint8_t> UdpPeer::EncodePacket(std::uint8_t type,
                                                const std::vector<std::uint8_t>& payload) {
  m_codec->out.NickColor = Color;
  m_codec->sender.Clear();
  m_codec->codec.EncodeAndSend(Host, Nick, 0, static_cast<std::uint16_t>(payload.size()),
                               payload.data(), type, 0);
  const auto& sent = m_codec->sender.Sent();
  return sent.empty() ? std::vector<std::uint8_t>{} : sent.back().Bytes;
}

bool UdpPeer::SendPacket(std::uint32_t address, std::uint16_t port, std::uint8_t type,
                         const std::vector<std::uint8_t>& payload) {
  const std::vector<std::uint8_t> packet = EncodePacket(type, payload);
  return !packet.empty() && SendRaw(address, port, packet);
}

std::optional<PeerPacket> UdpPeer::DecodePacket(const PeerDatagram& datagram) {
  if (datagram.Bytes.empty() || datagram.Bytes.size() > 65535) return std::nullopt;
  std::vector<std::uint8_t> bytes = datagram.Bytes;
  PeerPacket packet;
  PacketCodec& codec = m_codec->codec;
  if (codec.DecodePacket(bytes.data(), static_cast<std::uint16_t>(bytes.size()), packet.Header) !=
      0) {
    return std::nullopt;
  }
  packet.Payload.assign(codec.PacketBody.begin(),
                        codec.PacketBody.begin() + codec.PacketBodyLength);
  packet.SrcAddr = datagram.SrcAddr;
  packet.SrcPort = datagram.SrcPort;
  return packet;
}

std::optional<PeerPacket> UdpPeer::ReceivePacket(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const std::optional<PeerDatagram> datagram = Receive(left);
    if (!datagram) return std::nullopt;
    if (std::optional<PeerPacket> packet = DecodePacket(*datagram)) return packet;
  }
  return std::nullopt;
}

std::optional<PeerPacket> UdpPeer::ReceivePacketOfType(std::uint8_t type,
                                                       std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    std::optional<PeerPacket> packet = ReceivePacket(left);
    if (!packet) return std::nullopt;
    if (packet->Header.PacketType == type) return packet;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> ChatLinePayload(const std::string& channel, const std::string& text) {
  // Sized once and filled in place: GCC 12 at -O3 takes an insert after a
  // two-byte start for a copy past its end (-Warray-bounds).
  std::vector<std::uint8_t> payload(2 + channel.size() + text.size() + 1, 0);
  payload[1] = static_cast<std::uint8_t>(channel.size());
  const auto textStart = std::copy(channel.begin(), channel.end(), payload.begin() + 2);
  std::copy(text.begin(), text.end(), textStart);
  return payload;
}

}  // namespace pelmo
