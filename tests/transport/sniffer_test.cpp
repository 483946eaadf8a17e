#include "transport/sniffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelmo {
namespace {

constexpr std::uint16_t kPort = 50138;  // 0xC3DA

// An IPv4 packet as a capture delivers it, header fields given by hand.
std::vector<std::uint8_t> Captured(std::uint8_t protocol, std::uint16_t srcPort,
                                   std::uint16_t dstPort, std::size_t payload,
                                   std::uint8_t version = 4) {
  std::vector<std::uint8_t> p(28 + payload, 0xAB);
  const std::size_t total = p.size();
  const std::size_t udp = payload + 8;
  const std::uint8_t header[28] = {static_cast<std::uint8_t>(version << 4 | 5),
                                   0,
                                   static_cast<std::uint8_t>(total >> 8),
                                   static_cast<std::uint8_t>(total),
                                   0,
                                   0,
                                   0,
                                   0,
                                   64,
                                   protocol,
                                   0,
                                   0,
                                   10,
                                   1,
                                   2,
                                   3,  // source 10.1.2.3
                                   10,
                                   1,
                                   2,
                                   255,  // destination 10.1.2.255
                                   static_cast<std::uint8_t>(srcPort >> 8),
                                   static_cast<std::uint8_t>(srcPort),
                                   static_cast<std::uint8_t>(dstPort >> 8),
                                   static_cast<std::uint8_t>(dstPort),
                                   static_cast<std::uint8_t>(udp >> 8),
                                   static_cast<std::uint8_t>(udp),
                                   0,
                                   0};
  std::copy(header, header + 28, p.begin());
  return p;
}

TEST(SnifferAccept, TakesUdpToOrFromThePort) {
  TRecvInfo info;
  std::vector<std::uint8_t> p = Captured(17, 40001, kPort, 5);
  ASSERT_TRUE(SnifferAccept(p.data(), p.size(), kPort, info));
  EXPECT_EQ(info.SrcAddr, 0x0A010203u);
  EXPECT_EQ(info.DstAddr, 0x0A0102FFu);
  EXPECT_EQ(info.SrcPort, 40001);
  EXPECT_EQ(info.DstPort, kPort);
  EXPECT_EQ(info.DataLength, 5);
  EXPECT_EQ(info.Data, std::vector<std::uint8_t>(5, 0xAB));

  // The source port alone matching is enough.
  p = Captured(17, kPort, 40001, 1);
  EXPECT_TRUE(SnifferAccept(p.data(), p.size(), kPort, info));
  EXPECT_EQ(info.SrcPort, kPort);
  EXPECT_EQ(info.DataLength, 1);
}

TEST(SnifferAccept, DropsOtherTraffic) {
  TRecvInfo info;
  const std::vector<std::vector<std::uint8_t>> dropped = {
      Captured(6, 40001, kPort, 20),       // TCP
      Captured(17, 40001, kPort + 1, 20),  // UDP to another port
      Captured(17, 40001, kPort, 0),       // empty UDP payload
      Captured(17, 40001, kPort, 20, 6),   // not version 4
      std::vector<std::uint8_t>(27, 0),    // shorter than the headers
  };
  for (const auto& p : dropped) {
    EXPECT_FALSE(SnifferAccept(p.data(), p.size(), kPort, info));
  }
}

TEST(SnifferAccept, RefusesUdpLengthBeyondTheCapturedBytes) {
  TRecvInfo info;
  std::vector<std::uint8_t> p = Captured(17, 40001, kPort, 10);
  p[24] = 0x01;  // UDP length 0x0112: 274 bytes, 18 captured
  EXPECT_FALSE(SnifferAccept(p.data(), p.size(), kPort, info));
  p[24] = 0;
  p[25] = 18;  // right for 10 payload bytes, but the last one was not captured
  p.resize(37);
  EXPECT_FALSE(SnifferAccept(p.data(), p.size(), kPort, info));
}

TEST(BuildUdpPacket, WritesTheHeadersInNetworkOrder) {
  const std::uint8_t data[3] = {'a', 'b', 'c'};
  const std::vector<std::uint8_t> p =
      BuildUdpPacket(0xC0000201, 0xC0000202, kPort + 1, kPort, 3, data, sizeof data);
  const std::vector<std::uint8_t> expected = {0x45, 0,    0, 31, 0, 0,   0,   0,   3,  17,   0,
                                              0,    192,  0, 2,  1, 192, 0,   2,   2,  0xC3, 0xDB,
                                              0xC3, 0xDA, 0, 11, 0, 0,   'a', 'b', 'c'};
  EXPECT_EQ(p, expected);

  TRecvInfo info;
  ASSERT_TRUE(SnifferAccept(p.data(), p.size(), kPort, info));
  EXPECT_EQ(info.Data, std::vector<std::uint8_t>(data, data + 3));
}

TEST(BuildUdpPacket, LimitIsTheLargestIpPacket) {
  const std::vector<std::uint8_t> data(65508, 1);
  EXPECT_TRUE(BuildUdpPacket(1, 2, 3, 4, 5, data.data(), 65508).empty());
  const std::vector<std::uint8_t> p = BuildUdpPacket(1, 2, 3, 4, 5, data.data(), 65507);
  ASSERT_EQ(p.size(), 65535u);
  EXPECT_EQ(p[2], 0xFF);
  EXPECT_EQ(p[3], 0xFF);
  EXPECT_EQ(p[24], 0xFF);  // UDP length 65515
  EXPECT_EQ(p[25], 0xEB);
}

TEST(FragmentPacket, SplitsOnEightByteBoundaries) {
  std::vector<std::uint8_t> data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<std::uint8_t> p = BuildUdpPacket(1, 2, 3, 4, 5, data.data(), data.size());

  EXPECT_EQ(FragmentPacket(p, 3028, 9), std::vector<std::vector<std::uint8_t>>{p});

  const auto pieces = FragmentPacket(p, 1500, 0x1234);
  ASSERT_EQ(pieces.size(), 3u);  // 3008 bytes after the IP header: 1480 + 1480 + 48
  const std::size_t sizes[3] = {1500, 1500, 68};
  const std::uint16_t flagsAndOffsets[3] = {0x2000 | 0, 0x2000 | 185, 370};
  std::vector<std::uint8_t> joined;
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& f = pieces[i];
    ASSERT_EQ(f.size(), sizes[i]);
    EXPECT_EQ((f[2] << 8) | f[3], static_cast<int>(sizes[i]));
    EXPECT_EQ(f[4], 0x12);
    EXPECT_EQ(f[5], 0x34);
    EXPECT_EQ((f[6] << 8) | f[7], flagsAndOffsets[i]);
    EXPECT_TRUE(std::equal(f.begin() + 8, f.begin() + 20, p.begin() + 8));  // ttl .. addresses
    joined.insert(joined.end(), f.begin() + 20, f.end());
  }
  EXPECT_TRUE(std::equal(joined.begin(), joined.end(), p.begin() + 20, p.end()));
}

}  // namespace
}  // namespace pelmo
