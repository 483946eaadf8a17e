// libFuzzer target for the packet decoder. The first input byte picks the
// road: raw datagrams straight into DecodePacket / HandlePacket (as they
// come off the network), or the rest of the input taken as a plain packet
// and enciphered first, so that the fuzzer reaches the header and string
// parsing behind the cipher. Every accepted packet is re-encoded from its
// decoded fields and decoded again; the fields must survive unchanged.
// No sockets, no files.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/line_log.h"
#include "base/random.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace {

using namespace pelmo;

class NullLog final : public LineLog {
 public:
  void LogLine(const std::string&, std::uint32_t) override {}
};

class FixedClock final : public Clock {
 public:
  TDateTime Now() const override { return 46362.75; }
  std::uint64_t TickMs() const override { return 0; }
};

// Keeps the last datagram so that it can be fed back to the decoder.
class KeepingSender final : public DatagramSender {
 public:
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t* bytes, std::size_t length) override {
    last.assign(bytes, bytes + length);
    return 0;
  }
  std::vector<std::uint8_t> last;
};

struct Harness {
  Harness() {
    const ChatKey key = BuiltInChatKey();
    BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
    codec.SetSender(&sender);
    codec.SetDispatcher([this](const ReceivedPacket& packet) { Dispatch(packet); });
  }

  // Reads what handlers read: strings, body, a chat line's channel.
  void Dispatch(const ReceivedPacket& packet) {
    const TIncomingPacket& p = packet.header;
    std::uint32_t sum = 0;
    for (unsigned char c : p.SenderHost) sum += c;
    for (unsigned char c : p.SenderNick) sum += c;
    const std::size_t bodyLength = packet.bodyLength;
    for (std::size_t i = 0; i < bodyLength; ++i) sum += packet.body[i];
    if (p.PacketType == kPacketChatLine && bodyLength >= 2) {
      const std::size_t channelLength = packet.body[1];
      if (2 + channelLength <= bodyLength) sum += packet.body[1 + channelLength];
    }
    if (p.PacketType == kPacketProbe) codec.SendProbeReply(p.SenderColor);
    checksum += sum;
  }

  void CheckRoundTrip() {
    const TIncomingPacket decoded = codec.CurrentPacket;
    const std::vector<std::uint8_t> body(codec.PacketBody.begin(),
                                         codec.PacketBody.begin() + codec.PacketBodyLength);
    if (codec.EncodeAndSend(decoded.SenderHost, decoded.SenderNick, 1,
                            static_cast<std::uint16_t>(body.size()), body.data(),
                            decoded.PacketType, 2) != 0) {
      return;  // too big with the fill: refused, which is fine
    }
    std::vector<std::uint8_t> again = sender.last;
    TIncomingPacket record;
    const int result = codec.DecodePacket(again.data(),
                                          static_cast<std::uint16_t>(again.size()), record);
    if (result != 0 || record.SenderHost != decoded.SenderHost ||
        record.SenderNick != decoded.SenderNick || record.PacketType != decoded.PacketType ||
        codec.PacketBodyLength < body.size() ||
        std::memcmp(codec.PacketBody.data(), body.data(), body.size()) != 0) {
      __builtin_trap();
    }
  }

  BlowfishContext cipher{};
  NetSettings settings;
  OutgoingState out;
  NullLog log;
  FixedClock clock;
  Random random{7};
  KeepingSender sender;
  PacketCodec codec{cipher, settings, out, log, clock, random};
  std::uint32_t checksum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness* harness = new Harness;
  if (size == 0) return 0;
  const bool encipher = (data[0] & 1) != 0;
  ++data;
  --size;
  if (size > 65535) return 0;

  TRecvInfo info;
  info.Data.assign(data, data + size);
  info.DataLength = static_cast<std::uint16_t>(size);
  if (encipher && size >= 3) {
    // Give the fuzzer's plain packet the right size field, then encipher.
    info.Data[1] = static_cast<std::uint8_t>(size);
    info.Data[2] = static_cast<std::uint8_t>(size >> 8);
    for (std::size_t at = 3; at + 8 <= size; at += 8) {
      BlowfishEncryptCBC(harness->cipher, &info.Data[at], &info.Data[at]);
    }
    BlowfishReset(harness->cipher);
  }

  // The decoder alone, on an exact-size copy.
  std::vector<std::uint8_t> copy = info.Data;
  TIncomingPacket record;
  const int result = harness->codec.DecodePacket(
      copy.data(), static_cast<std::uint16_t>(copy.size()), record);

  // The whole handler; a new stamp each time so that nothing is dropped.
  harness->codec.LastStamp = -1e300;
  const double before = harness->codec.LastStamp;
  harness->codec.HandlePacket(info);
  const bool accepted = harness->codec.LastStamp != before;
  if ((result == 0) != accepted && record.Stamp != before) __builtin_trap();
  if (accepted) harness->CheckRoundTrip();
  return 0;
}
