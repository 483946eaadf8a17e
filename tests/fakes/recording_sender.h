// A DatagramSender that keeps every datagram it is handed, with its
// addresses and ports, instead of sending it. It can be told to report a
// socket error (return -1, datagram still recorded) or to throw. Not
// thread-safe.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/packet_codec.h"

namespace pelmo {

struct SentDatagram {
  std::uint32_t SrcAddr = 0;
  std::uint32_t DstAddr = 0;
  std::uint16_t SrcPort = 0;
  std::uint16_t DstPort = 0;
  std::vector<std::uint8_t> Bytes;
};

class RecordingSender final : public DatagramSender {
 public:
  enum class Mode { kSucceed, kFail, kThrow };

  int SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr,
                   std::uint16_t srcPort, std::uint16_t dstPort,
                   const std::uint8_t* bytes, std::size_t length) override;

  void SetMode(Mode mode) { m_mode = mode; }
  // Every datagram handed over so far, oldest first (also the failed ones).
  const std::vector<SentDatagram>& Sent() const { return m_sent; }
  const SentDatagram& Last() const { return m_sent.back(); }
  void Clear() { m_sent.clear(); }

 private:
  Mode m_mode = Mode::kSucceed;
  std::vector<SentDatagram> m_sent;
};

}  // namespace pelmo
