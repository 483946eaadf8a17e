// The chat packet: layout, encoding, checksum, encipherment, decoding and
// duplicate suppression.
//
// Wire layout (little-endian): version 2 | size u16 | broadcast flag |
// epoch byte | sequence u16 | checksum u16 | type | colour u32 |
// reserved u32 | host (length byte + bytes) | nick (same) | stamp (double,
// days since 30.12.1899) | payload | zero fill. The size is always 3 mod 8
// so that the enciphered region, bytes 3 .. size-1, is whole blocks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace pelmo {

class LineLog;
class Random;
struct BlowfishContext;
struct NetSettings;
struct OutgoingState;

enum PacketType : std::uint8_t {
  kPacketJoin = 0,
  kPacketLeave = 1,
  kPacketProbe = 2,
  kPacketChatLine = 10,
  kPacketColor = 11,
  kPacketTopic = 12,
  kPacketChannelJoin = 13,
  kPacketChannelLeave = 14,
  kPacketPresenceReply = 130,
};

inline constexpr std::size_t kPacketBufferSize = 65536;

// One received datagram as the receive thread hands it over.
struct TRecvInfo {
  std::uint32_t SrcAddr = 0;  // host order
  std::uint32_t DstAddr = 0;
  std::uint16_t SrcPort = 0;
  std::uint16_t DstPort = 0;
  std::uint16_t DataLength = 0;
  std::vector<std::uint8_t> Data;  // DataLength bytes
};

struct TIncomingPacket {
  std::uint8_t Version = 0;
  std::uint16_t Size = 0;
  std::uint8_t BroadcastFlag = 0;
  std::uint8_t EpochByte = 0;
  std::uint16_t Sequence = 0;
  std::uint16_t Checksum = 0;
  std::uint8_t PacketType = 0;
  std::uint32_t SenderColor = 0;
  std::uint32_t Reserved = 0;
  std::string SenderHost;
  std::string SenderNick;
  TDateTime Stamp = 0;
};

// A packet HandlePacket accepted, as it is handed to the dispatcher: the
// header, the datagram it came in and the payload. Valid only during the
// call; a handler that keeps anything copies it.
struct ReceivedPacket {
  const TIncomingPacket& header;
  const TRecvInfo& sender;
  const std::uint8_t* body;
  std::size_t bodyLength;
};

// Sends one finished packet as a UDP datagram (the socket layer).
class DatagramSender {
 public:
  virtual ~DatagramSender() = default;
  // 0 when sent, -1 when not (not started, too long, socket error: the
  // implementation logs its own errors).
  virtual int SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr,
                           std::uint16_t srcPort, std::uint16_t dstPort,
                           const std::uint8_t* bytes, std::size_t length) = 0;
};

// Sum modulo 65536 of the little-endian 16-bit words of bytes[0 .. count)
// (a trailing odd byte is ignored). EncodeAndSend takes it over the
// (size - 1) / 2 words from offset 1 of the plain packet.
std::uint16_t PacketChecksum(const std::uint8_t* bytes, std::size_t count);

// The packet size for e = 28 + host + nick + payload bytes:
// 3 + 8 * ceil((e - 3) / 8).
std::size_t PacketSizeFor(std::size_t hostLength, std::size_t nickLength,
                          std::size_t payloadLength);

// Codec state and operations. One object for the program; main thread only.
class PacketCodec {
 public:
  PacketCodec(BlowfishContext& cipher, const NetSettings& settings,
              OutgoingState& out, LineLog& log, const Clock& clock,
              Random& random);

  // The socket layer; set once before the first send.
  void SetSender(DatagramSender* sender) { m_sender = sender; }
  // Called by HandlePacket for every accepted packet, after CurrentPacket,
  // CurrentSender and PacketBody are set; the packet it is handed is made
  // of them.
  using Dispatch = std::function<void(const ReceivedPacket& packet)>;
  void SetDispatcher(Dispatch dispatch) { m_dispatch = std::move(dispatch); }

  // Builds, checksums, enciphers and sends one packet from srcAddr to
  // dstAddr (ports Port + 1 -> Port). Host and nick are cut to 255 bytes.
  // The sequence counter advances first, in every case. The stamp is the
  // clock's Now(), but always later than the stamp of the packet built
  // before (by 1 ms when Now() is not later), unless the clock went back by
  // more than a second; a refused packet takes no stamp. Returns 0 when
  // handed to the sender (also when the sender reported a socket error),
  // -1 when refused for size ("Error: Too big packet."), when there is no
  // sender or when the sender threw.
  int EncodeAndSend(const std::string& host, const std::string& nick,
                    std::uint32_t srcAddr, std::uint16_t payloadLength,
                    const std::uint8_t* payload, std::uint8_t type,
                    std::uint32_t dstAddr);

  // Decodes data[0 .. length) in place (deciphers, zeroes the checksum
  // bytes). 0 ok (PacketBody filled), -1 no data or malformed (strings,
  // stamp or payload running past the size), -10 wrong version, -11 size
  // field not equal to length or zero.
  int DecodePacket(std::uint8_t* data, std::uint16_t length, TIncomingPacket& record);

  // Checks, deduplicates by stamp and dispatches one received datagram.
  void HandlePacket(TRecvInfo& info);

  // A type-2 packet with 12 random bytes.
  void SendProbe(std::uint32_t address);
  // A type-130 packet echoing the first 12 bytes of PacketBody, then 8 zeros.
  void SendProbeReply(std::uint32_t address);
  // The join (type 0) or leave (type 1) announcement, payload u16 3.
  void SendAnnouncement(std::uint8_t type, std::uint32_t address);
  // Sends with the bot's own host, nick and LocalAddress, in NickColor or
  // in the colour given.
  int SendFromBot(const std::vector<std::uint8_t>& payload, std::uint8_t type,
                  std::uint32_t dstAddr);
  int SendFromBot(const std::vector<std::uint8_t>& payload, std::uint8_t type,
                  std::uint32_t dstAddr, std::uint32_t color);

  // A new epoch byte, drawn at every network start.
  void NewEpoch();

  // Program-wide packet state.
  std::array<std::uint8_t, kPacketBufferSize> PacketBody{};
  std::uint16_t PacketBodyLength = 0;
  TIncomingPacket CurrentPacket;
  TRecvInfo CurrentSender;  // Data left empty
  TDateTime LastStamp = 0;
  std::uint8_t EpochByte = 0;
  std::uint16_t SequenceCounter = 0;

 private:
  // EncodeAndSend with a payload length that may exceed 16 bits (refused).
  int Encode(const std::string& host, const std::string& nick,
             std::uint32_t srcAddr, std::size_t payloadLength,
             const std::uint8_t* payload, std::uint8_t type,
             std::uint32_t dstAddr, std::uint32_t color);

  // The stamp for the packet being built; see EncodeAndSend.
  TDateTime NextStamp();
  // DecodePacket without host and nick: every check, the fixed fields, the
  // stamp and PacketBody. Same results.
  int DecodeFixedFields(std::uint8_t* data, std::uint16_t length, TIncomingPacket& record);
  // Host and nick of a packet that DecodeFixedFields accepted.
  static void CopyStrings(const std::uint8_t* data, TIncomingPacket& record);

  BlowfishContext& m_cipher;
  const NetSettings& m_settings;
  OutgoingState& m_out;
  LineLog& m_log;
  const Clock& m_clock;
  Random& m_random;
  DatagramSender* m_sender = nullptr;
  Dispatch m_dispatch;
  TDateTime m_lastBuiltStamp = 0;
  std::array<std::uint8_t, kPacketBufferSize> m_work{};
  // HandlePacket's fixed fields of a packet not yet accepted (strings empty).
  TIncomingPacket m_decoded;
};

}  // namespace pelmo
