#include "transport/fragment_reassembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "transport/sniffer.h"

namespace pelmo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const FragmentReassembler::TimePoint kStart{};

// One IPv4 fragment from 10.0.0.1 to 10.0.0.2, header written by hand:
// identification id, fragment offset offsetUnits * 8, the more-fragments
// flag, payload bytes.
Bytes Piece(std::uint16_t id, std::uint16_t offsetUnits, bool more, const Bytes& payload,
            std::uint8_t protocol = 17) {
  const std::size_t total = 20 + payload.size();
  const std::uint16_t flags = static_cast<std::uint16_t>((more ? 0x2000 : 0) | offsetUnits);
  const std::uint8_t header[20] = {
      0x45, 0, static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total),
      static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
      static_cast<std::uint8_t>(flags >> 8), static_cast<std::uint8_t>(flags),
      64, protocol, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
  Bytes p(total);
  std::copy(std::begin(header), std::end(header), p.begin());
  std::copy(payload.begin(), payload.end(), p.begin() + 20);
  return p;
}

Bytes Filler(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

const Bytes* Add(FragmentReassembler& r, const Bytes& piece,
                 FragmentReassembler::TimePoint at = kStart) {
  return r.Add(piece.data(), piece.size(), at);
}

TEST(FragmentReassembler, PiecesInAnyOrderGiveTheWholeDatagram) {
  const Bytes data = Filler(3000, 1);
  const Bytes packet = BuildUdpPacket(0x0A000001, 0x0A000002, 50139, 50138, 5, data.data(),
                                      data.size());
  const auto pieces = FragmentPacket(packet, 1500, 0x1234);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_FALSE(FragmentReassembler::IsFragment(packet.data(), packet.size()));
  for (const Bytes& piece : pieces) {
    EXPECT_TRUE(FragmentReassembler::IsFragment(piece.data(), piece.size()));
  }

  // The packet as built, with the fragments' identification.
  Bytes expected = packet;
  expected[4] = 0x12;
  expected[5] = 0x34;

  FragmentReassembler r;
  EXPECT_EQ(Add(r, pieces[2]), nullptr);
  EXPECT_EQ(Add(r, pieces[1]), nullptr);
  EXPECT_EQ(Add(r, pieces[1]), nullptr);  // a repeat does no harm
  const Bytes* whole = Add(r, pieces[0]);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(*whole, expected);
  EXPECT_EQ(r.Pending(), 0u);

  TRecvInfo info;
  ASSERT_TRUE(SnifferAccept(whole->data(), whole->size(), 50138, info));
  EXPECT_EQ(info.Data, data);

  // In order, with link padding behind the last piece.
  Bytes padded = pieces[2];
  padded.resize(padded.size() + 6, 0);
  EXPECT_EQ(Add(r, pieces[0]), nullptr);
  EXPECT_EQ(Add(r, pieces[1]), nullptr);
  whole = Add(r, padded);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(*whole, expected);
}

TEST(FragmentReassembler, DatagramsAreKeptApartByIdentification) {
  const Bytes a = Filler(24, 1);
  const Bytes b = Filler(24, 100);
  FragmentReassembler r;
  EXPECT_EQ(Add(r, Piece(1, 0, true, Bytes(a.begin(), a.begin() + 16))), nullptr);
  EXPECT_EQ(Add(r, Piece(2, 0, true, Bytes(b.begin(), b.begin() + 8))), nullptr);
  EXPECT_EQ(r.Pending(), 2u);
  const Bytes* whole = Add(r, Piece(2, 1, false, Bytes(b.begin() + 8, b.end())));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(Bytes(whole->begin() + 20, whole->end()), b);
  EXPECT_EQ((*whole)[2], 0);
  EXPECT_EQ((*whole)[3], 44);  // 20 + 24
  EXPECT_EQ((*whole)[6], 0);   // no fragment any more
  whole = Add(r, Piece(1, 2, false, Bytes(a.begin() + 16, a.end())));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(Bytes(whole->begin() + 20, whole->end()), a);
}

TEST(FragmentReassembler, IncompleteDatagramsExpireAndAreBounded) {
  FragmentReassembler r;
  EXPECT_EQ(Add(r, Piece(7, 0, true, Filler(8, 0))), nullptr);
  // The last piece, 30 seconds later: the first one has been given up.
  EXPECT_EQ(Add(r, Piece(7, 1, false, Filler(4, 0)), kStart + 30s), nullptr);
  EXPECT_EQ(r.Pending(), 1u);

  FragmentReassembler bounded;
  for (std::uint16_t id = 1; id <= 20; ++id) {
    Add(bounded, Piece(id, 0, true, Filler(8, 0)), kStart + std::chrono::milliseconds(id));
  }
  EXPECT_EQ(bounded.Pending(), 16u);
  // The oldest gave way; the newest completes.
  EXPECT_EQ(Add(bounded, Piece(1, 1, false, Filler(4, 0)), kStart + 1s), nullptr);
  EXPECT_NE(Add(bounded, Piece(20, 1, false, Filler(4, 0)), kStart + 1s), nullptr);
}

TEST(FragmentReassembler, RefusesWhatCannotBeSound) {
  FragmentReassembler r;
  EXPECT_EQ(Add(r, Piece(1, 0, true, Filler(8, 0), 6)), nullptr);  // TCP
  Bytes options = Piece(1, 0, true, Filler(8, 0));
  options[0] = 0x46;
  EXPECT_EQ(Add(r, options), nullptr);
  EXPECT_EQ(Add(r, Piece(1, 0, true, Filler(12, 0))), nullptr);  // not whole units
  EXPECT_EQ(Add(r, Piece(1, 8189, false, Filler(8, 0))), nullptr);  // ends past 65515
  Bytes cut = Piece(1, 0, true, Filler(16, 0));
  cut.resize(cut.size() - 1);  // its end was not captured
  EXPECT_EQ(Add(r, cut), nullptr);
  EXPECT_EQ(Add(r, Piece(1, 0, false, Filler(8, 0))), nullptr);  // no fragment at all
  EXPECT_EQ(r.Pending(), 0u);

  // The largest datagram fits.
  EXPECT_EQ(Add(r, Piece(2, 0, true, Filler(65512, 0))), nullptr);
  const Bytes* whole = Add(r, Piece(2, 8189, false, Filler(3, 0)));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->size(), 65535u);

  // Two last pieces that disagree, or a last piece before bytes already
  // held: the datagram is dropped.
  EXPECT_EQ(Add(r, Piece(3, 1, true, Filler(8, 0))), nullptr);
  EXPECT_EQ(Add(r, Piece(3, 3, false, Filler(8, 0))), nullptr);
  EXPECT_EQ(r.Pending(), 1u);
  EXPECT_EQ(Add(r, Piece(3, 4, false, Filler(8, 0))), nullptr);
  EXPECT_EQ(r.Pending(), 0u);
  EXPECT_EQ(Add(r, Piece(4, 2, true, Filler(8, 0))), nullptr);
  EXPECT_EQ(Add(r, Piece(4, 1, false, Filler(8, 0))), nullptr);
  EXPECT_EQ(r.Pending(), 0u);
}

}  // namespace
}  // namespace pelmo
