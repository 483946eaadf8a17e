// The bound on what the receive thread has handed to the main thread and
// the main thread has not yet handled. Any computer of the LAN may send as
// fast as its link goes; without a bound a flood of long lines would be
// held in memory until the program is refused any more. Beyond the bound a
// datagram is dropped and counted, and the count is reported now and then
// rather than once a datagram.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pelmo {

class HandOff {
 public:
  // At most maxDatagrams datagrams and maxBytes bytes (each datagram
  // counted as its payload plus kOverheadBytes, which its descriptor and
  // its task cost) wait at any time.
  HandOff(std::size_t maxDatagrams, std::size_t maxBytes);

  // Any thread. Room for one more datagram of payload bytes: true and the
  // room taken, or false and the datagram counted as dropped.
  bool Take(std::size_t payload);
  // Any thread. Gives back what Take took for payload.
  void Give(std::size_t payload);
  // Takes room for payload whatever the bound, for a copy of what is
  // already waiting.
  void TakeAgain(std::size_t payload);

  // Any thread. Datagrams lost before they reached the hand-off (the
  // system's socket buffer was full), counted with the hand-off's own.
  void CountDropped(std::uint64_t dropped) { m_dropped.fetch_add(dropped); }
  // Any thread. Whether the caller is the one to arrange a report of the
  // drops: true once after drops begin, and again only after
  // TakeDropped().
  bool ClaimReport();
  // The number dropped since the last call; the next drop may be claimed
  // for a report again.
  std::uint64_t TakeDropped();
  // After a claimed report could not be arranged: the next drop may claim.
  void ReleaseClaim() { m_reportClaimed.store(false); }

  static constexpr std::size_t kOverheadBytes = 256;

 private:
  const std::size_t m_maxDatagrams;
  const std::size_t m_maxBytes;
  std::atomic<std::size_t> m_datagrams{0};
  std::atomic<std::size_t> m_bytes{0};
  std::atomic<std::uint64_t> m_dropped{0};
  std::atomic<bool> m_reportClaimed{false};
};

// The room one waiting datagram holds, given back when the last holder
// goes: a task that carries it gives it back when it has run or is thrown
// away unrun. Copies hold room of their own, as a copy of the task holds a
// copy of the datagram.
class HandOffTicket {
 public:
  HandOffTicket() = default;
  // Holds room already taken for payload.
  HandOffTicket(std::shared_ptr<HandOff> handOff, std::size_t payload)
      : m_handOff(std::move(handOff)), m_payload(payload) {}
  HandOffTicket(const HandOffTicket& other);
  HandOffTicket(HandOffTicket&& other) noexcept;
  HandOffTicket& operator=(HandOffTicket other) noexcept;
  ~HandOffTicket();

 private:
  std::shared_ptr<HandOff> m_handOff;
  std::size_t m_payload = 0;
};

}  // namespace pelmo
