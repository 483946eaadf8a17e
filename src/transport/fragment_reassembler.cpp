#include "transport/fragment_reassembler.h"

#include <algorithm>

namespace pelmo {

namespace {

constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kMaxPayload = 65535 - kHeaderSize;
constexpr std::uint16_t kMoreFragments = 0x2000;
constexpr std::uint16_t kOffsetMask = 0x1FFF;

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Get32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(Get16(p)) << 16) | Get16(p + 2);
}

}  // namespace

bool FragmentReassembler::IsFragment(const std::uint8_t* packet, std::size_t length) {
  if (length < kHeaderSize || (packet[0] >> 4) != 4) return false;
  const std::uint16_t flags = Get16(packet + 6);
  return (flags & kMoreFragments) != 0 || (flags & kOffsetMask) != 0;
}

const std::vector<std::uint8_t>* FragmentReassembler::Add(const std::uint8_t* packet,
                                                          std::size_t length, TimePoint now) {
  std::erase_if(m_pending, [&](const Datagram& d) { return now - d.Started >= kTimeout; });

  // Options would move the payload; the receive filter knows 20-byte
  // headers only, and other protocols are of no interest.
  if (length < kHeaderSize || packet[0] != 0x45 || packet[9] != 17) return nullptr;
  const std::size_t totalLength = Get16(packet + 2);
  // Link padding may follow the packet, but its end must have been captured.
  if (totalLength <= kHeaderSize || totalLength > length) return nullptr;
  const std::uint16_t flags = Get16(packet + 6);
  const bool more = (flags & kMoreFragments) != 0;
  const std::size_t offset = static_cast<std::size_t>(flags & kOffsetMask) * 8;
  if (!more && offset == 0) return nullptr;
  const std::size_t pieceLength = totalLength - kHeaderSize;
  const std::size_t end = offset + pieceLength;
  // Every piece but the last carries whole 8-byte units.
  if ((more && pieceLength % 8 != 0) || end > kMaxPayload) return nullptr;

  const std::uint32_t source = Get32(packet + 12);
  const std::uint32_t destination = Get32(packet + 16);
  const std::uint16_t id = Get16(packet + 4);
  Datagram& datagram = Find(source, destination, id, now);
  const auto drop = [&] {
    std::erase_if(m_pending, [&](const Datagram& d) { return &d == &datagram; });
    return nullptr;
  };
  if (!more) {
    // Two different ends, or bytes already held past this end: no sound
    // datagram can be made of these pieces.
    if ((datagram.HaveTotal && datagram.Total != end) || datagram.Data.size() > end) {
      return drop();
    }
    datagram.Total = end;
    datagram.HaveTotal = true;
  } else if (datagram.HaveTotal && end > datagram.Total) {
    return drop();
  }

  if (datagram.Data.size() < end) {
    datagram.Data.resize(end);
    datagram.Units.resize((end + 7) / 8);
  }
  std::copy(packet + kHeaderSize, packet + totalLength,
            datagram.Data.begin() + static_cast<std::ptrdiff_t>(offset));
  std::fill(datagram.Units.begin() + static_cast<std::ptrdiff_t>(offset / 8),
            datagram.Units.begin() + static_cast<std::ptrdiff_t>((end + 7) / 8), true);
  if (offset == 0) {
    std::copy(packet, packet + kHeaderSize, datagram.Header.begin());
    datagram.HaveHeader = true;
  }
  if (!Whole(datagram)) return nullptr;

  m_whole.assign(datagram.Header.begin(), datagram.Header.end());
  const std::size_t wholeLength = kHeaderSize + datagram.Total;
  m_whole[2] = static_cast<std::uint8_t>(wholeLength >> 8);
  m_whole[3] = static_cast<std::uint8_t>(wholeLength);
  m_whole[6] = 0;
  m_whole[7] = 0;
  m_whole.insert(m_whole.end(), datagram.Data.begin(), datagram.Data.end());
  drop();
  return &m_whole;
}

FragmentReassembler::Datagram& FragmentReassembler::Find(std::uint32_t source,
                                                         std::uint32_t destination,
                                                         std::uint16_t id, TimePoint now) {
  for (Datagram& datagram : m_pending) {
    if (datagram.Source == source && datagram.Destination == destination && datagram.Id == id) {
      return datagram;
    }
  }
  if (m_pending.size() >= kMaxPending) {
    m_pending.erase(std::min_element(
        m_pending.begin(), m_pending.end(),
        [](const Datagram& a, const Datagram& b) { return a.Started < b.Started; }));
  }
  Datagram& datagram = m_pending.emplace_back();
  datagram.Source = source;
  datagram.Destination = destination;
  datagram.Id = id;
  datagram.Started = now;
  return datagram;
}

bool FragmentReassembler::Whole(const Datagram& datagram) {
  return datagram.HaveHeader && datagram.HaveTotal && datagram.Data.size() == datagram.Total &&
         std::all_of(datagram.Units.begin(), datagram.Units.end(), [](bool unit) { return unit; });
}

}  // namespace pelmo
