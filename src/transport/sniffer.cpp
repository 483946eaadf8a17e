#include "transport/sniffer.h"

#include <algorithm>

namespace pelmo {

namespace {

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Get32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

void Put16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 8);
  p[1] = static_cast<std::uint8_t>(value);
}

void Put32(std::uint8_t* p, std::uint32_t value) {
  Put16(p, static_cast<std::uint16_t>(value >> 16));
  Put16(p + 2, static_cast<std::uint16_t>(value));
}

}  // namespace

bool SnifferAccept(const std::uint8_t* packet, std::size_t length, std::uint16_t port,
                   TRecvInfo& info) {
  constexpr std::size_t kHeaders = kIpHeaderSize + kUdpHeaderSize;
  if (length < kHeaders) return false;
  if ((packet[0] >> 4) != 4 || packet[9] != 17) return false;
  if (Get16(packet + 2) <= kHeaders) return false;
  const std::uint16_t srcPort = Get16(packet + 20);
  const std::uint16_t dstPort = Get16(packet + 22);
  if (srcPort != port && dstPort != port) return false;
  const std::uint16_t udpLength = Get16(packet + 24);
  if (udpLength <= kUdpHeaderSize) return false;
  const std::size_t dataLength = udpLength - kUdpHeaderSize;
  if (kHeaders + dataLength > length) return false;
  info.SrcAddr = Get32(packet + 12);
  info.DstAddr = Get32(packet + 16);
  info.SrcPort = srcPort;
  info.DstPort = dstPort;
  info.DataLength = static_cast<std::uint16_t>(dataLength);
  info.Data.assign(packet + kHeaders, packet + kHeaders + dataLength);
  return true;
}

std::vector<std::uint8_t> BuildUdpPacket(std::uint32_t srcAddr, std::uint32_t dstAddr,
                                         std::uint16_t srcPort, std::uint16_t dstPort,
                                         std::uint8_t ttl, const std::uint8_t* bytes,
                                         std::size_t length) {
  constexpr std::size_t kHeaders = kIpHeaderSize + kUdpHeaderSize;
  if (length > kMaxIpPacketSize - kHeaders) return {};
  std::vector<std::uint8_t> packet(kHeaders + length, 0);
  std::uint8_t* ip = packet.data();
  ip[0] = 0x45;
  Put16(ip + 2, static_cast<std::uint16_t>(packet.size()));
  ip[8] = ttl;
  ip[9] = 17;
  Put32(ip + 12, srcAddr);
  Put32(ip + 16, dstAddr);
  std::uint8_t* udp = ip + kIpHeaderSize;
  Put16(udp, srcPort);
  Put16(udp + 2, dstPort);
  Put16(udp + 4, static_cast<std::uint16_t>(length + kUdpHeaderSize));
  if (length > 0) std::copy(bytes, bytes + length, udp + kUdpHeaderSize);
  return packet;
}

std::vector<std::vector<std::uint8_t>> FragmentPacket(const std::vector<std::uint8_t>& packet,
                                                      std::size_t mtu, std::uint16_t id) {
  if (packet.size() <= mtu || packet.size() < kIpHeaderSize) return {packet};
  // Every fragment but the last carries a multiple of 8 bytes.
  const std::size_t step = (std::max<std::size_t>(mtu, 68) - kIpHeaderSize) & ~std::size_t{7};
  const std::size_t payloadSize = packet.size() - kIpHeaderSize;
  std::vector<std::vector<std::uint8_t>> fragments;
  for (std::size_t offset = 0; offset < payloadSize; offset += step) {
    const std::size_t size = std::min(step, payloadSize - offset);
    const bool more = offset + size < payloadSize;
    std::vector<std::uint8_t> fragment(kIpHeaderSize + size);
    std::copy(packet.begin(), packet.begin() + kIpHeaderSize, fragment.begin());
    Put16(fragment.data() + 2, static_cast<std::uint16_t>(fragment.size()));
    Put16(fragment.data() + 4, id);
    Put16(fragment.data() + 6, static_cast<std::uint16_t>((more ? 0x2000 : 0) | (offset / 8)));
    const auto from = packet.begin() + static_cast<std::ptrdiff_t>(kIpHeaderSize + offset);
    std::copy(from, from + static_cast<std::ptrdiff_t>(size), fragment.begin() + kIpHeaderSize);
    fragments.push_back(std::move(fragment));
  }
  return fragments;
}

}  // namespace pelmo
