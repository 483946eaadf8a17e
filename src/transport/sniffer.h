// The sniffer mode's packet work, free of sockets: picking the chat's UDP
// datagrams out of captured IPv4 packets, and building the IPv4 and UDP
// headers of the packets the raw socket sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "transport/packet_codec.h"

namespace pelmo {

inline constexpr std::size_t kIpHeaderSize = 20;
inline constexpr std::size_t kUdpHeaderSize = 8;
inline constexpr std::size_t kMaxIpPacketSize = 65535;

// Accepts one captured IPv4 packet when it is UDP (version 4, protocol 17),
// its total length is above 28, its source or destination port is port and
// its UDP length is above 8; the IP header is taken as 20 bytes. Fills info
// (addresses and ports in host order, the payload from offset 28). Also
// refuses a packet whose UDP length reaches past the captured bytes, so
// that nothing is read outside them.
bool SnifferAccept(const std::uint8_t* packet, std::size_t length, std::uint16_t port,
                   TRecvInfo& info);

// One IPv4 packet: header 0x45, TOS 0, total length, identification 0,
// no fragment, ttl, protocol 17, checksum 0, source, destination; the UDP
// header with checksum 0 (none); then the bytes. Empty when length + 28
// exceeds 65535.
std::vector<std::uint8_t> BuildUdpPacket(std::uint32_t srcAddr, std::uint32_t dstAddr,
                                         std::uint16_t srcPort, std::uint16_t dstPort,
                                         std::uint8_t ttl, const std::uint8_t* bytes,
                                         std::size_t length);

// Splits a packet from BuildUdpPacket into IPv4 fragments of at most mtu
// bytes each (mtu at least 68), all carrying identification id; a packet
// that fits is returned alone and unchanged. The raw socket sends nothing
// longer than the interface's MTU, so longer chat packets leave in pieces.
std::vector<std::vector<std::uint8_t>> FragmentPacket(const std::vector<std::uint8_t>& packet,
                                                      std::size_t mtu, std::uint16_t id);

}  // namespace pelmo
