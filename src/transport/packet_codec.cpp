#include "transport/packet_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>

#include "base/line_log.h"
#include "base/random.h"
#include "transport/blowfish.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {

namespace {

constexpr std::uint8_t kVersion = 2;
constexpr std::size_t kHeaderSize = 28;  // fixed fields, two empty strings, stamp
constexpr std::size_t kHostOffset = 18;
constexpr std::size_t kMaxString = 255;

inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t Get64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

}  // namespace

std::uint16_t PacketChecksum(const std::uint8_t* bytes, std::size_t count) {
  // A 32-bit sum wraps at a multiple of 65536, so it needs no care for
  // overflow. On a little-endian host the words are read whole, which lets
  // the compiler add several at a time.
  std::uint32_t sum = 0;
  if constexpr (std::endian::native == std::endian::little) {
    const std::size_t words = count / 2;
    for (std::size_t k = 0; k < words; ++k) {
      std::uint16_t word;
      std::memcpy(&word, bytes + 2 * k, 2);
      sum += word;
    }
  } else {
    for (std::size_t i = 0; i + 1 < count; i += 2) sum += Get16(bytes + i);
  }
  return static_cast<std::uint16_t>(sum);
}

std::size_t PacketSizeFor(std::size_t hostLength, std::size_t nickLength,
                          std::size_t payloadLength) {
  const std::size_t e = kHeaderSize + hostLength + nickLength + payloadLength;
  return 3 + 8 * ((e - 3 + 7) / 8);
}

PacketCodec::PacketCodec(BlowfishContext& cipher, const NetSettings& settings,
                         OutgoingState& out, LineLog& log, const Clock& clock,
                         Random& random)
    : m_cipher(cipher),
      m_settings(settings),
      m_out(out),
      m_log(log),
      m_clock(clock),
      m_random(random) {}

int PacketCodec::EncodeAndSend(const std::string& host, const std::string& nick,
                               std::uint32_t srcAddr, std::uint16_t payloadLength,
                               const std::uint8_t* payload, std::uint8_t type,
                               std::uint32_t dstAddr) {
  return Encode(host, nick, srcAddr, payloadLength, payload, type, dstAddr, m_out.NickColor);
}

int PacketCodec::Encode(const std::string& host, const std::string& nick,
                        std::uint32_t srcAddr, std::size_t payloadLength,
                        const std::uint8_t* payload, std::uint8_t type,
                        std::uint32_t dstAddr, std::uint32_t color) {
  // 65535 is never sent: peers treat it as "no packet yet".
  if (++SequenceCounter == 65535) {
    ++EpochByte;
    SequenceCounter = 0;
  }

  const std::size_t h = std::min(host.size(), kMaxString);
  const std::size_t n = std::min(nick.size(), kMaxString);
  const std::size_t size = PacketSizeFor(h, n, payloadLength);
  if (size >= kPacketBufferSize) {
    m_log.LogLine("Error: Too big packet.", 0);
    return -1;
  }

  std::uint8_t* w = m_work.data();
  w[0] = kVersion;
  Put16(w + 1, static_cast<std::uint16_t>(size));
  w[3] = m_settings.MulticastMode ? 0 : 1;
  w[4] = EpochByte;
  Put16(w + 5, SequenceCounter);
  Put16(w + 7, 0);
  w[9] = type;
  Put32(w + 10, color);
  Put32(w + 14, 0);
  std::size_t pos = kHostOffset;
  w[pos++] = static_cast<std::uint8_t>(h);
  if (h != 0) std::memcpy(w + pos, host.data(), h);
  pos += h;
  w[pos++] = static_cast<std::uint8_t>(n);
  if (n != 0) std::memcpy(w + pos, nick.data(), n);
  pos += n;
  Put64(w + pos, std::bit_cast<std::uint64_t>(static_cast<double>(NextStamp())));
  pos += 8;
  if (payloadLength != 0) std::memcpy(w + pos, payload, payloadLength);
  pos += payloadLength;
  // Only the fill is cleared: the rest of the work buffer is never sent.
  std::memset(w + pos, 0, size - pos);

  Put16(w + 7, PacketChecksum(w + 1, size - 1));

  BlowfishEncryptCBCBlocks(m_cipher, w + 3, size / 8);
  BlowfishReset(m_cipher);

  if (m_sender == nullptr) return -1;
  try {
    // A socket error (-1) is logged by the sender; the packet counts as sent.
    m_sender->SendDatagram(srcAddr, dstAddr,
                           static_cast<std::uint16_t>(m_settings.Port + 1),
                           m_settings.Port, w, size);
  } catch (const std::exception&) {
    return -1;
  }
  return 0;
}

TDateTime PacketCodec::NextStamp() {
  constexpr TDateTime kMillisecond = 1.0 / 86400000.0;
  constexpr TDateTime kStepBack = 1.0 / 86400.0;  // one second
  TDateTime stamp = m_clock.Now();
  // Every receiver drops a packet whose stamp equals the last one it
  // accepted, and the clock only moves in whole milliseconds: packets built
  // within one millisecond (join and probe, the pieces of a long reply)
  // would all but the first be lost. So stamps strictly increase, a
  // millisecond apart at least. A clock set back by more than a second is
  // followed at once rather than stamping ahead of it for that long.
  if (stamp <= m_lastBuiltStamp && m_lastBuiltStamp - stamp <= kStepBack) {
    stamp = m_lastBuiltStamp + kMillisecond;
  }
  m_lastBuiltStamp = stamp;
  return stamp;
}

int PacketCodec::DecodePacket(std::uint8_t* data, std::uint16_t length,
                              TIncomingPacket& record) {
  const int result = DecodeFixedFields(data, length, record);
  if (result == 0) CopyStrings(data, record);
  return result;
}

int PacketCodec::DecodeFixedFields(std::uint8_t* data, std::uint16_t length,
                                   TIncomingPacket& record) {
  if (data == nullptr || length == 0) return -1;
  record.Version = data[0];
  if (record.Version != kVersion) return -10;
  if (length < 3) return -1;
  record.Size = Get16(data + 1);
  if (record.Size != length || record.Size == 0) return -11;

  BlowfishDecryptCBCBlocks(m_cipher, data + 3, (length - 3u) / 8);
  BlowfishReset(m_cipher);

  if (length < kHeaderSize) return -1;
  record.BroadcastFlag = data[3];
  record.EpochByte = data[4];
  record.Sequence = Get16(data + 5);
  record.Checksum = Get16(data + 7);
  data[7] = 0;
  data[8] = 0;
  record.PacketType = data[9];
  record.SenderColor = Get32(data + 10);
  record.Reserved = Get32(data + 14);

  // Every length byte is checked against the received length before use:
  // a hostile datagram must not make us read past it.
  const std::size_t h = data[kHostOffset];
  if (kHostOffset + 2 + h > length) return -1;  // host bytes and nick length
  const std::size_t n = data[kHostOffset + 1 + h];
  const std::size_t payloadOffset = kHeaderSize + h + n;
  if (payloadOffset > length) return -1;  // nick bytes and stamp
  const std::size_t payloadLength = length - payloadOffset;
  if (payloadLength > PacketBody.size()) return -1;

  record.Stamp = std::bit_cast<double>(Get64(data + payloadOffset - 8));
  if (payloadLength != 0) std::memcpy(PacketBody.data(), data + payloadOffset, payloadLength);
  PacketBodyLength = static_cast<std::uint16_t>(payloadLength);
  return 0;
}

void PacketCodec::CopyStrings(const std::uint8_t* data, TIncomingPacket& record) {
  const std::size_t h = data[kHostOffset];
  const std::size_t n = data[kHostOffset + 1 + h];
  // assign() keeps the strings' storage from packet to packet.
  record.SenderHost.assign(reinterpret_cast<const char*>(data + kHostOffset + 1), h);
  record.SenderNick.assign(reinterpret_cast<const char*>(data + kHostOffset + 2 + h), n);
}

void PacketCodec::HandlePacket(TRecvInfo& info) {
  // Never trust DataLength beyond the bytes actually held.
  const auto length = static_cast<std::uint16_t>(
      std::min<std::size_t>(info.DataLength, info.Data.size()));
  // Host and nick are copied once, for an accepted packet only, straight
  // into CurrentPacket rather than into a scratch record that is swapped in.
  const int result = DecodeFixedFields(info.Data.data(), length, m_decoded);
  if (result == -11) {
    m_log.LogLine("Error: Incorrect size packet (" + std::to_string(length) + "<>" +
                      std::to_string(m_decoded.Size) + ")",
                  0);
    return;
  }
  if (result == -10) {
    m_log.LogLine("Error: Incorrect korvo packet version", 0);
    return;
  }
  if (result != 0) {
    m_log.LogLine("Error: Some invalid packet.", 0);
    return;
  }

  if (m_decoded.Stamp == LastStamp) return;  // the same packet seen again
  LastStamp = m_decoded.Stamp;
  // Every field of TIncomingPacket.
  CurrentPacket.Version = m_decoded.Version;
  CurrentPacket.Size = m_decoded.Size;
  CurrentPacket.BroadcastFlag = m_decoded.BroadcastFlag;
  CurrentPacket.EpochByte = m_decoded.EpochByte;
  CurrentPacket.Sequence = m_decoded.Sequence;
  CurrentPacket.Checksum = m_decoded.Checksum;
  CurrentPacket.PacketType = m_decoded.PacketType;
  CurrentPacket.SenderColor = m_decoded.SenderColor;
  CurrentPacket.Reserved = m_decoded.Reserved;
  CurrentPacket.Stamp = m_decoded.Stamp;
  CopyStrings(info.Data.data(), CurrentPacket);
  CurrentSender.SrcAddr = info.SrcAddr;
  CurrentSender.DstAddr = info.DstAddr;
  CurrentSender.SrcPort = info.SrcPort;
  CurrentSender.DstPort = info.DstPort;
  CurrentSender.DataLength = length;
  CurrentSender.Data.clear();

  if (!m_dispatch) return;
  try {
    m_dispatch(ReceivedPacket{CurrentPacket, CurrentSender, PacketBody.data(), PacketBodyLength});
  } catch (const std::exception&) {
    // A failed service ends the handling of this packet only; the bot core
    // reports the failure itself.
  }
}

void PacketCodec::SendProbe(std::uint32_t address) {
  std::vector<std::uint8_t> payload(12);
  for (auto& byte : payload) byte = static_cast<std::uint8_t>(m_random.Next(256));
  SendFromBot(payload, kPacketProbe, address);
}

void PacketCodec::SendProbeReply(std::uint32_t address) {
  // Bytes past the probe's own payload stay zero: the buffer may still hold
  // an earlier packet, which must not be echoed to somebody else.
  std::vector<std::uint8_t> payload(20, 0);
  const std::size_t echoed = std::min<std::size_t>(12, PacketBodyLength);
  std::copy_n(PacketBody.begin(), echoed, payload.begin());
  SendFromBot(payload, kPacketPresenceReply, address);
}

void PacketCodec::SendAnnouncement(std::uint8_t type, std::uint32_t address) {
  const std::vector<std::uint8_t> payload = {3, 0};
  SendFromBot(payload, type, address);
}

int PacketCodec::SendFromBot(const std::vector<std::uint8_t>& payload,
                             std::uint8_t type, std::uint32_t dstAddr) {
  return SendFromBot(payload, type, dstAddr, m_out.NickColor);
}

int PacketCodec::SendFromBot(const std::vector<std::uint8_t>& payload, std::uint8_t type,
                             std::uint32_t dstAddr, std::uint32_t color) {
  return Encode(m_settings.BotHost, m_settings.BotNick, m_settings.LocalAddress,
                payload.size(), payload.data(), type, dstAddr, color);
}

void PacketCodec::NewEpoch() { EpochByte = static_cast<std::uint8_t>(m_random.Next(256)); }

}  // namespace pelmo
