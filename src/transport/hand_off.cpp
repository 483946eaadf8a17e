#include "transport/hand_off.h"

#include <utility>

namespace pelmo {

HandOff::HandOff(std::size_t maxDatagrams, std::size_t maxBytes)
    : m_maxDatagrams(maxDatagrams), m_maxBytes(maxBytes) {}

bool HandOff::Take(std::size_t payload) {
  // One thread takes, others only give back: what it reads can only have
  // shrunk by the time it adds.
  const std::size_t bytes = payload + kOverheadBytes;
  if (m_datagrams.load() >= m_maxDatagrams || m_bytes.load() + bytes > m_maxBytes) {
    m_dropped.fetch_add(1);
    return false;
  }
  TakeAgain(payload);
  return true;
}

void HandOff::TakeAgain(std::size_t payload) {
  m_datagrams.fetch_add(1);
  m_bytes.fetch_add(payload + kOverheadBytes);
}

void HandOff::Give(std::size_t payload) {
  m_datagrams.fetch_sub(1);
  m_bytes.fetch_sub(payload + kOverheadBytes);
}

bool HandOff::ClaimReport() { return !m_reportClaimed.exchange(true); }

std::uint64_t HandOff::TakeDropped() {
  // Released before the count is taken: a drop after this point either is
  // in the count or finds the claim free and arranges a report of its own.
  m_reportClaimed.store(false);
  return m_dropped.exchange(0);
}

HandOffTicket::HandOffTicket(const HandOffTicket& other)
    : m_handOff(other.m_handOff), m_payload(other.m_payload) {
  if (m_handOff) m_handOff->TakeAgain(m_payload);
}

HandOffTicket::HandOffTicket(HandOffTicket&& other) noexcept
    : m_handOff(std::move(other.m_handOff)), m_payload(other.m_payload) {}

HandOffTicket& HandOffTicket::operator=(HandOffTicket other) noexcept {
  std::swap(m_handOff, other.m_handOff);
  std::swap(m_payload, other.m_payload);
  return *this;
}

HandOffTicket::~HandOffTicket() {
  if (m_handOff) m_handOff->Give(m_payload);
}

}  // namespace pelmo
