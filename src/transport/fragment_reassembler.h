// Puts captured IPv4 fragments of UDP datagrams back together. A socket
// gets whole datagrams because the kernel reassembles them, but the
// sniffer's capture sees the link's packets: a peer's chat packet longer
// than the MTU (a long line, a listing) arrives in pieces and would be lost.
//
// Only UDP fragments with a plain 20-byte header are kept (the receive
// filter takes every IPv4 header to be 20 bytes). At most kMaxPending
// datagrams are held at once, the oldest giving way to a new one, and a
// datagram that is not whole within kTimeout is dropped, so a flood of
// stray fragments costs a bounded amount of memory. Overlapping pieces
// overwrite each other (the later one wins). Receive thread only.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmo {

class FragmentReassembler {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  static constexpr std::size_t kMaxPending = 16;
  static constexpr std::chrono::seconds kTimeout{30};

  // True when the captured packet is an IPv4 fragment: its more-fragments
  // flag is set or its fragment offset is not zero.
  static bool IsFragment(const std::uint8_t* packet, std::size_t length);

  // Takes one captured fragment (length: the bytes captured). When it
  // completes its datagram, returns the whole IPv4 packet: the first
  // fragment's 20-byte header with the total length set and the fragment
  // fields cleared, then the reassembled payload. The pointer stays valid
  // until the next call. Otherwise (datagram not yet whole, not a UDP
  // fragment, malformed) returns nullptr.
  const std::vector<std::uint8_t>* Add(const std::uint8_t* packet, std::size_t length,
                                       TimePoint now);

  // Datagrams waiting for more pieces.
  std::size_t Pending() const { return m_pending.size(); }

 private:
  struct Datagram {
    std::uint32_t Source = 0;
    std::uint32_t Destination = 0;
    std::uint16_t Id = 0;
    TimePoint Started;
    std::array<std::uint8_t, 20> Header{};
    bool HaveHeader = false;         // the piece at offset 0 came
    std::size_t Total = 0;           // payload length, known from the last piece
    bool HaveTotal = false;
    std::vector<std::uint8_t> Data;  // payload bytes so far
    std::vector<bool> Units;         // which 8-byte units of Data came
  };

  Datagram& Find(std::uint32_t source, std::uint32_t destination, std::uint16_t id,
                 TimePoint now);
  static bool Whole(const Datagram& datagram);

  std::vector<Datagram> m_pending;
  std::vector<std::uint8_t> m_whole;
};

}  // namespace pelmo
