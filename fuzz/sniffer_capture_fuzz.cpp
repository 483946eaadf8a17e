// libFuzzer target for the sniffer's capture path: captured IPv4 packets
// (fragments or whole) through the reassembler and the receive filter, as
// the receive thread runs them. The input is a run of records: two bytes
// of length (big-endian), one byte of clock step in seconds, then that
// many captured bytes. A reassembled packet must describe itself exactly
// (its total length is its size, no fragment fields), and an accepted
// datagram must lie inside the bytes it came from. A second road splits a
// datagram of fuzzer bytes into fragments, takes them in a fuzzer-chosen
// order and must get the same datagram back. No sockets.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transport/fragment_reassembler.h"
#include "transport/sniffer.h"

namespace {

using namespace pelmo;

void CheckAccepted(const std::uint8_t* packet, std::size_t length) {
  TRecvInfo info;
  if (!SnifferAccept(packet, length, 50138, info)) return;
  if (info.Data.size() != info.DataLength || 28 + info.Data.size() > length ||
      std::memcmp(info.Data.data(), packet + 28, info.Data.size()) != 0) {
    __builtin_trap();
  }
}

void Captures(const std::uint8_t* data, std::size_t size) {
  FragmentReassembler fragments;
  auto now = FragmentReassembler::TimePoint{};
  while (size >= 3) {
    const std::size_t length = std::min<std::size_t>((data[0] << 8) | data[1], size - 3);
    now += std::chrono::seconds(data[2]);
    const std::vector<std::uint8_t> packet(data + 3, data + 3 + length);
    data += 3 + length;
    size -= 3 + length;
    if (!FragmentReassembler::IsFragment(packet.data(), packet.size())) {
      CheckAccepted(packet.data(), packet.size());
      continue;
    }
    const std::vector<std::uint8_t>* whole = fragments.Add(packet.data(), packet.size(), now);
    if (fragments.Pending() > FragmentReassembler::kMaxPending) __builtin_trap();
    if (whole == nullptr) continue;
    if (whole->size() < 20 || whole->size() > 65535 ||
        ((*whole)[2] << 8 | (*whole)[3]) != static_cast<int>(whole->size()) ||
        (*whole)[6] != 0 || (*whole)[7] != 0) {
      __builtin_trap();
    }
    CheckAccepted(whole->data(), whole->size());
  }
}

void SplitAndJoin(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  const std::size_t mtu = 68 + data[0] * 8;
  const std::uint8_t seed = data[1];
  const std::vector<std::uint8_t> packet =
      BuildUdpPacket(0x0A000001, 0x0A000002, 50139, 50138, 3, data + 2, size - 2);
  if (packet.empty()) return;
  std::vector<std::vector<std::uint8_t>> pieces = FragmentPacket(packet, mtu, 0x4242);
  if (pieces.size() < 2) return;
  std::rotate(pieces.begin(), pieces.begin() + seed % pieces.size(), pieces.end());
  if (seed & 1) std::reverse(pieces.begin(), pieces.end());
  FragmentReassembler fragments;
  const std::vector<std::uint8_t>* whole = nullptr;
  for (const auto& piece : pieces) {
    if (whole != nullptr) __builtin_trap();  // whole before the last piece
    whole = fragments.Add(piece.data(), piece.size(), FragmentReassembler::TimePoint{});
  }
  if (whole == nullptr || whole->size() != packet.size() ||
      !std::equal(packet.begin() + 20, packet.end(), whole->begin() + 20)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if ((data[0] & 1) != 0) {
    SplitAndJoin(data + 1, size - 1);
  } else {
    Captures(data + 1, size - 1);
  }
  return 0;
}
