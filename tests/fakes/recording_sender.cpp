#include "fakes/recording_sender.h"

#include <stdexcept>

namespace pelmo {

int RecordingSender::SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr,
                                  std::uint16_t srcPort, std::uint16_t dstPort,
                                  const std::uint8_t* bytes, std::size_t length) {
  m_sent.push_back({srcAddr, dstAddr, srcPort, dstPort,
                    std::vector<std::uint8_t>(bytes, bytes + length)});
  if (m_mode == Mode::kThrow) throw std::runtime_error("RecordingSender: told to throw");
  return m_mode == Mode::kFail ? -1 : 0;
}

}  // namespace pelmo
