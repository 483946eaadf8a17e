#include "fakes/pelmobot_peer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/replies.h"

namespace pelmo {

::testing::AssertionResult BindTesterBobAndEverybody(UdpPeer& tester, UdpPeer& bob,
                                                     UdpPeer& everybody, std::uint16_t port) {
  tester.Nick = "Tester";
  tester.Host = "TESTPC";
  bob.Nick = "Bob";
  bob.Host = "BOBPC";
  if (!tester.Bind(Loopback(2), port)) return ::testing::AssertionFailure() << std::strerror(errno);
  if (!bob.Bind(Loopback(3), port)) return ::testing::AssertionFailure() << std::strerror(errno);
  if (!everybody.Bind(kLoopbackBroadcast, port)) {
    return ::testing::AssertionFailure() << std::strerror(errno);
  }
  return ::testing::AssertionSuccess();
}

std::optional<HeardLine> ParseHeardLine(const PeerPacket& packet) {
  const std::vector<std::uint8_t>& p = packet.Payload;
  if (p.size() < 2 || p.size() < 2u + p[1]) return std::nullopt;
  HeardLine line;
  std::size_t at = 0;
  auto shortString = [&](std::string& out) {
    if (at >= p.size()) return;
    const std::size_t size = std::min<std::size_t>(p[at], p.size() - at - 1);
    out.assign(p.begin() + static_cast<std::ptrdiff_t>(at + 1),
               p.begin() + static_cast<std::ptrdiff_t>(at + 1 + size));
    at += 1 + size;
  };
  line.kind = p[at++];
  shortString(line.channel);
  if (line.kind == kKindPassword) shortString(line.password);
  std::size_t end = at;
  while (end < p.size() && p[end] != 0) ++end;
  line.text.assign(p.begin() + static_cast<std::ptrdiff_t>(std::min(at, p.size())),
                   p.begin() + static_cast<std::ptrdiff_t>(end));
  return line;
}

std::string LineText(const PeerPacket& packet) {
  std::optional<HeardLine> line = ParseHeardLine(packet);
  return line ? line->text : std::string();
}

std::optional<PeerPacket> FromBot(UdpPeer& socket, std::uint8_t type,
                                  std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    std::optional<PeerPacket> packet = socket.ReceivePacketOfType(type, left);
    if (packet && packet->Header.SenderNick == "@Pelmo_bot") return packet;
  }
  return std::nullopt;
}

}  // namespace pelmo
