#include "transport/packet_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/random.h"
#include "fakes/fake_clock.h"
#include "fakes/recording_log.h"
#include "fakes/recording_sender.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t U16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

void KeyContext(BlowfishContext& ctx, const ChatKey& key) {
  BlowfishInit(ctx, key.key.data(), key.key.size(), key.iv.data());
}

// Enciphers or deciphers the whole blocks from offset 3 with a freshly
// keyed context, one CBC call per block, as another client would.
Bytes Cbc(Bytes packet, bool encipher, const ChatKey& key) {
  BlowfishContext ctx;
  KeyContext(ctx, key);
  const auto step = encipher ? BlowfishEncryptCBC : BlowfishDecryptCBC;
  for (std::size_t at = 3; at + 8 <= packet.size(); at += 8) step(ctx, &packet[at], &packet[at]);
  return packet;
}

Bytes Decipher(Bytes packet, const ChatKey& key = BuiltInChatKey()) {
  return Cbc(std::move(packet), false, key);
}

Bytes Encipher(Bytes packet, const ChatKey& key = BuiltInChatKey()) {
  return Cbc(std::move(packet), true, key);
}

// One participant: a keyed codec that records what it sends, logs and
// dispatches.
struct Peer {
  explicit Peer(const ChatKey& key = BuiltInChatKey()) {
    KeyContext(cipher, key);
    settings.LocalAddress = 0x7F000001;
    settings.SendAddress = 0xEA000001;
    out.NickColor = 0x00FF8040;
    codec.SetSender(&sender);
    codec.SetDispatcher([this](const ReceivedPacket&) {
      ++dispatched;
      if (throwOnDispatch) throw std::runtime_error("service failed");
    });
  }

  // Hands a datagram to HandlePacket as the receive thread would.
  void Receive(const Bytes& datagram) {
    TRecvInfo info;
    info.SrcAddr = 0x7F000005;
    info.DstAddr = 0xEA000001;
    info.SrcPort = 50139;
    info.DstPort = 50138;
    info.DataLength = static_cast<std::uint16_t>(datagram.size());
    info.Data = datagram;
    codec.HandlePacket(info);
  }

  BlowfishContext cipher;
  NetSettings settings;
  OutgoingState out;
  RecordingLog log;
  FakeClock clock;
  Random random{12345};
  RecordingSender sender;
  PacketCodec codec{cipher, settings, out, log, clock, random};
  int dispatched = 0;
  bool throwOnDispatch = false;
};

TEST(PacketCodec, SizeRule) {
  EXPECT_EQ(PacketSizeFor(0, 0, 0), 35u);  // e = 28
  EXPECT_EQ(PacketSizeFor(0, 0, 7), 35u);  // e = 35
  EXPECT_EQ(PacketSizeFor(0, 0, 8), 43u);  // e = 36
  EXPECT_EQ(PacketSizeFor(9, 10, 2), 51u);  // e = 49
  EXPECT_EQ(PacketSizeFor(9, 10, 65484), 65531u);
  EXPECT_EQ(PacketSizeFor(9, 10, 65485), 65539u);
}

TEST(PacketCodec, ChecksumIsPlainSumOfLittleEndianWords) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0xFF, 0xFF, 0x10, 0x00, 0x77};
  // 0x0201 + 0xFFFF + 0x0010 = 0x10210 -> 0x0210; the odd last byte is ignored.
  EXPECT_EQ(PacketChecksum(bytes, sizeof bytes), 0x0210);
  EXPECT_EQ(PacketChecksum(bytes, 0), 0);

  // Ten words from an odd address: (1 + 3 + ... + 19) + 256 * (2 + 4 + ... + 20)
  // = 100 + 28160 = 0x6E64.
  Bytes counting(21);
  for (std::size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(PacketChecksum(counting.data() + 1, 20), 0x6E64);
  // The largest packet: 32765 words of 0xFFFF sum to -32765 = 0x8003 mod 65536.
  const Bytes ones(65531, 0xFF);
  EXPECT_EQ(PacketChecksum(ones.data(), ones.size()), 0x8003);
}

// Host "Pelmo_bot" (9), nick "@Pelmo_bot" (10), payload 2: e = 49, size 51.
TEST(PacketCodec, EncodesTheWireLayout) {
  Peer peer;
  peer.codec.SendAnnouncement(kPacketJoin, 0xEA000001);
  ASSERT_EQ(peer.sender.Sent().size(), 1u);
  const SentDatagram& sent = peer.sender.Last();
  EXPECT_EQ(sent.SrcAddr, 0x7F000001u);
  EXPECT_EQ(sent.DstAddr, 0xEA000001u);
  EXPECT_EQ(sent.SrcPort, 50139);
  EXPECT_EQ(sent.DstPort, 50138);
  ASSERT_EQ(sent.Bytes.size(), 51u);
  EXPECT_EQ(sent.Bytes[0], 2);
  EXPECT_EQ(U16(sent.Bytes, 1), 51);

  const Bytes plain = Decipher(sent.Bytes);
  // Every block from offset 3 to 50 was enciphered.
  for (std::size_t at = 3; at < 51; at += 8) {
    EXPECT_NE(0, std::memcmp(&plain[at], &sent.Bytes[at], 8)) << at;
  }
  EXPECT_EQ(plain[3], 0);  // multicast mode
  EXPECT_EQ(plain[4], peer.codec.EpochByte);
  EXPECT_EQ(U16(plain, 5), 1);  // first packet
  EXPECT_EQ(plain[9], kPacketJoin);
  EXPECT_EQ(U32(plain, 10), 0x00FF8040u);
  EXPECT_EQ(U32(plain, 14), 0u);
  EXPECT_EQ(plain[18], 9);
  EXPECT_EQ(std::string(plain.begin() + 19, plain.begin() + 28), "Pelmo_bot");
  EXPECT_EQ(plain[28], 10);
  EXPECT_EQ(std::string(plain.begin() + 29, plain.begin() + 39), "@Pelmo_bot");
  double stamp;
  std::memcpy(&stamp, &plain[39], 8);
  EXPECT_EQ(stamp, peer.clock.Now());
  EXPECT_EQ(U16(plain, 47), 3);
  EXPECT_EQ(plain[49], 0);
  EXPECT_EQ(plain[50], 0);

  // Checksum: the 25 words at offsets 1, 3 ... 49 with the field zeroed.
  Bytes zeroed = plain;
  zeroed[7] = zeroed[8] = 0;
  std::uint32_t sum = 0;
  for (std::size_t at = 1; at < 51; at += 2) sum += U16(zeroed, at);
  EXPECT_EQ(U16(plain, 7), sum & 0xFFFF);

  // The cipher is back at its initial vector.
  EXPECT_EQ(0, std::memcmp(peer.cipher.CV, peer.cipher.IV, 8));
}

TEST(PacketCodec, BroadcastFlagCutStringsAndBotIdentity) {
  Peer peer;
  peer.settings.MulticastMode = false;
  peer.settings.BotHost = std::string(300, 'h');
  peer.settings.BotNick = std::string(256, 'n');
  peer.settings.Port = 6000;
  ASSERT_EQ(peer.codec.SendFromBot({1, 2, 3}, kPacketChatLine, 0x7F000009), 0);
  const SentDatagram& sent = peer.sender.Last();
  EXPECT_EQ(sent.SrcPort, 6001);
  EXPECT_EQ(sent.DstPort, 6000);
  EXPECT_EQ(sent.DstAddr, 0x7F000009u);
  ASSERT_EQ(sent.Bytes.size(), PacketSizeFor(255, 255, 3));
  const Bytes plain = Decipher(sent.Bytes);
  EXPECT_EQ(plain[3], 1);
  EXPECT_EQ(plain[18], 255);
  EXPECT_EQ(plain[18 + 256], 255);
  EXPECT_EQ(plain[18 + 256 + 256 + 8], 1);  // payload right after the stamp
}

TEST(PacketCodec, SizeLimit) {
  Peer peer;
  const Bytes payload(65485, 0xAB);
  const auto send = [&](std::uint16_t length) {
    return peer.codec.EncodeAndSend(peer.settings.BotHost, peer.settings.BotNick, 1, length,
                                    payload.data(), kPacketChatLine, 2);
  };
  EXPECT_EQ(send(65484), 0);
  ASSERT_EQ(peer.sender.Sent().size(), 1u);
  EXPECT_EQ(peer.sender.Last().Bytes.size(), 65531u);
  EXPECT_TRUE(peer.log.Lines().empty());

  EXPECT_EQ(send(65485), -1);
  EXPECT_EQ(peer.sender.Sent().size(), 1u);
  ASSERT_EQ(peer.log.Lines().size(), 1u);
  EXPECT_EQ(peer.log.Lines()[0].Text, "Error: Too big packet.");
  EXPECT_EQ(peer.log.Lines()[0].Color, 0u);
  EXPECT_EQ(peer.codec.SequenceCounter, 2);  // advanced before the refusal

  // A payload longer than 16 bits through SendFromBot is refused, not cut.
  EXPECT_EQ(peer.codec.SendFromBot(Bytes(70000), kPacketChatLine, 2), -1);
  EXPECT_EQ(peer.sender.Sent().size(), 1u);
}

TEST(PacketCodec, SequenceAndEpoch) {
  Peer peer;
  peer.codec.EpochByte = 254;
  peer.codec.SequenceCounter = 65533;
  for (int i = 0; i < 3; ++i) peer.codec.SendAnnouncement(kPacketJoin, 1);
  const auto header = [&](int i) { return Decipher(peer.sender.Sent()[i].Bytes); };
  EXPECT_EQ(U16(header(0), 5), 65534);
  EXPECT_EQ(header(0)[4], 254);
  EXPECT_EQ(U16(header(1), 5), 0);  // 65535 is skipped
  EXPECT_EQ(header(1)[4], 255);
  EXPECT_EQ(U16(header(2), 5), 1);

  peer.codec.SequenceCounter = 65534;
  peer.codec.SendAnnouncement(kPacketLeave, 1);
  EXPECT_EQ(header(3)[4], 0);  // 255 wraps to 0
  EXPECT_EQ(U16(header(3), 5), 0);

  // A new epoch keeps the sequence running.
  peer.codec.NewEpoch();
  Random expected{12345};
  EXPECT_EQ(peer.codec.EpochByte, expected.Next(256));
  EXPECT_EQ(peer.codec.SequenceCounter, 0);
}

TEST(PacketCodec, ResultOfSenderFailures) {
  Peer peer;
  peer.sender.SetMode(RecordingSender::Mode::kFail);
  EXPECT_EQ(peer.codec.SendFromBot({3, 0}, kPacketJoin, 1), 0);
  peer.sender.SetMode(RecordingSender::Mode::kThrow);
  EXPECT_EQ(peer.codec.SendFromBot({3, 0}, kPacketJoin, 1), -1);
  EXPECT_EQ(peer.sender.Sent().size(), 2u);
  peer.codec.SetSender(nullptr);
  EXPECT_EQ(peer.codec.SendFromBot({3, 0}, kPacketJoin, 1), -1);
}

TEST(PacketCodec, RoundTrip) {
  Peer alice;
  Peer bot;
  alice.settings.BotHost = "ALICE-PC";
  alice.settings.BotNick = "Alice";
  alice.settings.LocalAddress = 0x7F000005;
  const Bytes payload = {0, 4, 'M', 'a', 'i', 'n', 'h', 'i', 0};
  alice.codec.SendFromBot(payload, kPacketChatLine, 0xEA000001);
  bot.Receive(alice.sender.Last().Bytes);

  ASSERT_EQ(bot.dispatched, 1);
  EXPECT_TRUE(bot.log.Lines().empty());
  const TIncomingPacket& p = bot.codec.CurrentPacket;
  EXPECT_EQ(p.Version, 2);
  EXPECT_EQ(p.Size, PacketSizeFor(8, 5, payload.size()));
  EXPECT_EQ(p.BroadcastFlag, 0);
  EXPECT_EQ(p.Sequence, 1);
  EXPECT_EQ(p.PacketType, kPacketChatLine);
  EXPECT_EQ(p.SenderColor, 0x00FF8040u);
  EXPECT_EQ(p.SenderHost, "ALICE-PC");
  EXPECT_EQ(p.SenderNick, "Alice");
  EXPECT_EQ(p.Stamp, alice.clock.Now());
  EXPECT_EQ(bot.codec.LastStamp, alice.clock.Now());
  // The payload runs to the size: e = 50, size 51, so 9 bytes plus 1 of fill.
  ASSERT_EQ(bot.codec.PacketBodyLength, 10);
  EXPECT_EQ(bot.codec.PacketBody[9], 0);
  EXPECT_EQ(0, std::memcmp(bot.codec.PacketBody.data(), payload.data(), payload.size()));
  EXPECT_EQ(bot.codec.CurrentSender.SrcAddr, 0x7F000005u);
  EXPECT_EQ(bot.codec.CurrentSender.SrcPort, 50139);
  EXPECT_EQ(bot.codec.CurrentSender.DataLength, p.Size);
  EXPECT_TRUE(bot.codec.CurrentSender.Data.empty());
  EXPECT_EQ(0, std::memcmp(bot.cipher.CV, bot.cipher.IV, 8));
}

TEST(PacketCodec, ChecksumIsNotVerifiedAndIsZeroedAfterCopy) {
  Peer alice;
  Peer bot;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  Bytes plain = Decipher(alice.sender.Last().Bytes);
  plain[7] ^= 0x55;
  plain[8] ^= 0xAA;
  const std::uint16_t wrong = U16(plain, 7);
  Bytes datagram = Encipher(plain);

  TIncomingPacket record;
  ASSERT_EQ(bot.codec.DecodePacket(datagram.data(), 51, record), 0);
  EXPECT_EQ(record.Checksum, wrong);
  EXPECT_EQ(datagram[7], 0);
  EXPECT_EQ(datagram[8], 0);
}

TEST(PacketCodec, ChecksumDoesNotDependOnTheKey) {
  ChatKey other = BuiltInChatKey();
  other.key[0] ^= 1;
  Peer a;
  Peer b(other);
  a.codec.SendAnnouncement(kPacketJoin, 1);
  b.codec.SendAnnouncement(kPacketJoin, 1);
  EXPECT_NE(a.sender.Last().Bytes, b.sender.Last().Bytes);
  const Bytes plainA = Decipher(a.sender.Last().Bytes);
  const Bytes plainB = Decipher(b.sender.Last().Bytes, other);
  EXPECT_EQ(plainA, plainB);
  EXPECT_EQ(U16(plainA, 7), U16(plainB, 7));
}

// A plain packet of exactly `length` bytes (at least 28): version 2, the
// size field, empty host and nick, stamp 1.5; enciphered by the caller.
Bytes PlainPacket(std::size_t length) {
  Bytes p(length, 0);
  p[0] = 2;
  p[1] = static_cast<std::uint8_t>(length);
  p[2] = static_cast<std::uint8_t>(length >> 8);
  if (length >= 28) {
    const double stamp = 1.5;
    std::memcpy(&p[20], &stamp, 8);
  }
  return p;
}

TEST(PacketCodec, RejectsWithTheLoggedReason) {
  Peer alice;
  Peer bot;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  const Bytes good = alice.sender.Last().Bytes;
  bot.Receive(good);
  ASSERT_EQ(bot.dispatched, 1);
  const TIncomingPacket before = bot.codec.CurrentPacket;
  const double lastStamp = bot.codec.LastStamp;
  alice.clock.AdvanceMs(10);

  Bytes sizeWrong = good;
  sizeWrong[1] = 59;
  Bytes sizeZero = good;
  sizeZero[1] = 0;
  Bytes versionOne = good;
  versionOne[0] = 1;
  TRecvInfo empty;
  bot.codec.HandlePacket(empty);
  bot.Receive(sizeWrong);
  bot.Receive(sizeZero);
  bot.Receive(versionOne);
  // A wrong version is reported even when the size is wrong too.
  versionOne[1] = 59;
  bot.Receive(versionOne);

  EXPECT_EQ(bot.log.Texts(), (std::vector<std::string>{
                                 "Error: Some invalid packet.",
                                 "Error: Incorrect size packet (51<>59)",
                                 "Error: Incorrect size packet (51<>0)",
                                 "Error: Incorrect korvo packet version",
                                 "Error: Incorrect korvo packet version",
                             }));
  for (const auto& line : bot.log.Lines()) EXPECT_EQ(line.Color, 0u);
  EXPECT_EQ(bot.dispatched, 1);
  EXPECT_EQ(bot.codec.LastStamp, lastStamp);
  EXPECT_EQ(bot.codec.CurrentPacket.Sequence, before.Sequence);
  EXPECT_EQ(bot.codec.CurrentPacket.SenderNick, before.SenderNick);
  EXPECT_EQ(bot.codec.CurrentSender.SrcAddr, 0x7F000005u);
  EXPECT_EQ(0, std::memcmp(bot.cipher.CV, bot.cipher.IV, 8));
}

TEST(PacketCodec, MalformedPacketsAreInvalid) {
  Peer bot;
  TIncomingPacket record;
  // Exact-size heap copies, so that a sanitizer sees any read past the end.
  const auto decode = [&](const Bytes& plain, bool encipher = true) {
    Bytes data = encipher ? Encipher(plain) : plain;
    return bot.codec.DecodePacket(data.data(), static_cast<std::uint16_t>(data.size()), record);
  };
  EXPECT_EQ(bot.codec.DecodePacket(nullptr, 0, record), -1);
  EXPECT_EQ(decode({2}, false), -1);
  EXPECT_EQ(decode({2, 2}, false), -1);
  EXPECT_EQ(decode({2, 3, 0}, false), -1);
  EXPECT_EQ(decode(PlainPacket(27)), -1);
  EXPECT_EQ(decode(PlainPacket(28)), 0);  // empty strings, stamp, no payload
  EXPECT_EQ(record.Stamp, 1.5);
  EXPECT_EQ(bot.codec.PacketBodyLength, 0);

  Bytes p = PlainPacket(35);
  p[18] = 200;  // host past the end
  EXPECT_EQ(decode(p), -1);
  p[18] = 16;  // host fits, its nick length byte would be at 35
  EXPECT_EQ(decode(p), -1);
  p[18] = 15;  // nick length byte at 34 is 0, but the stamp would end at 43
  EXPECT_EQ(decode(p), -1);
  p[18] = 0;
  p[19] = 8;  // nick and stamp one byte too long
  EXPECT_EQ(decode(p), -1);
  p[19] = 7;  // exactly fits
  EXPECT_EQ(decode(p), 0);
  EXPECT_EQ(record.SenderNick.size(), 7u);
  EXPECT_EQ(bot.codec.PacketBodyLength, 0);
  EXPECT_EQ(0, std::memcmp(bot.cipher.CV, bot.cipher.IV, 8));

  // The whole datagram is accepted at the largest length.
  EXPECT_EQ(decode(PlainPacket(65535)), 0);
  EXPECT_EQ(bot.codec.PacketBodyLength, 65535 - 28);
}

TEST(PacketCodec, DuplicateStampsAreDropped) {
  Peer alice;
  Peer bot;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  const Bytes first = alice.sender.Last().Bytes;
  bot.Receive(first);
  bot.Receive(first);
  EXPECT_EQ(bot.dispatched, 1);

  // Another packet with the same stamp, whoever sent it.
  Bytes other = Decipher(first);
  other[9] = kPacketLeave;
  bot.Receive(Encipher(other));
  EXPECT_EQ(bot.dispatched, 1);
  EXPECT_EQ(bot.codec.CurrentPacket.PacketType, kPacketJoin);

  alice.clock.AdvanceMs(1);
  alice.codec.SendAnnouncement(kPacketLeave, 1);
  bot.Receive(alice.sender.Last().Bytes);
  EXPECT_EQ(bot.dispatched, 2);
  bot.Receive(first);  // no longer the last stamp
  EXPECT_EQ(bot.dispatched, 3);
  EXPECT_TRUE(bot.log.Lines().empty());
}

// The stamp of a sent packet, read from its plain bytes.
double StampOf(const Bytes& datagram) {
  const Bytes plain = Decipher(datagram);
  const std::size_t h = plain[18];
  const std::size_t n = plain[19 + h];
  double stamp;
  std::memcpy(&stamp, &plain[20 + h + n], 8);
  return stamp;
}

constexpr double kMsInDays = 1.0 / 86400000.0;

TEST(PacketCodec, PacketsOfOneMillisecondGetRisingStampsAndAllArrive) {
  Peer alice;
  Peer bot;
  const double start = alice.clock.Now();
  // Join and probe at network start, in the same millisecond.
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  alice.codec.SendProbe(1);
  // A long reply cut into three pieces, still in that millisecond.
  for (std::uint8_t piece = 1; piece <= 3; ++piece) {
    const Bytes payload = {0, 4, 'M', 'a', 'i', 'n', static_cast<std::uint8_t>('0' + piece), 0};
    alice.codec.EncodeAndSend("ALICE-PC", "Alice", 1, static_cast<std::uint16_t>(payload.size()),
                              payload.data(), kPacketChatLine, 2);
  }
  const auto& sent = alice.sender.Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(StampOf(sent[0].Bytes), start);
  for (std::size_t i = 1; i < sent.size(); ++i) {
    EXPECT_GT(StampOf(sent[i].Bytes), StampOf(sent[i - 1].Bytes)) << i;
    EXPECT_NEAR(StampOf(sent[i].Bytes), start + i * kMsInDays, 1e-11) << i;
  }

  for (const auto& datagram : sent) bot.Receive(datagram.Bytes);
  EXPECT_EQ(bot.dispatched, 5);
  EXPECT_EQ(bot.codec.CurrentPacket.SenderNick, "Alice");
  EXPECT_EQ(bot.codec.PacketBody[6], '3');
  EXPECT_TRUE(bot.log.Lines().empty());

  // The real time catches up: from then on the clock's own value is used.
  alice.clock.AdvanceMs(10);
  alice.codec.SendAnnouncement(kPacketLeave, 1);
  EXPECT_EQ(StampOf(alice.sender.Last().Bytes), alice.clock.Now());
}

TEST(PacketCodec, StampsAfterTheClockIsSetBack) {
  Peer alice;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  const double first = StampOf(alice.sender.Last().Bytes);

  // Half a second back: still rising, a millisecond after the last stamp.
  alice.clock.SetNow(first - 500 * kMsInDays);
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  EXPECT_NEAR(StampOf(alice.sender.Last().Bytes), first + kMsInDays, 1e-11);

  // Two seconds back: the new time at once, not stamps frozen ahead of it.
  alice.clock.SetNow(first - 2000 * kMsInDays);
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  EXPECT_EQ(StampOf(alice.sender.Last().Bytes), alice.clock.Now());
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  EXPECT_NEAR(StampOf(alice.sender.Last().Bytes), alice.clock.Now() + kMsInDays, 1e-11);
}

TEST(PacketCodec, RefusedPacketTakesNoStamp) {
  Peer alice;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  const double first = StampOf(alice.sender.Last().Bytes);
  EXPECT_EQ(alice.codec.SendFromBot(Bytes(65500), kPacketChatLine, 1), -1);
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  EXPECT_NEAR(StampOf(alice.sender.Last().Bytes), first + kMsInDays, 1e-11);
}

TEST(PacketCodec, FailedServiceDropsOnlyItsPacket) {
  Peer alice;
  Peer bot;
  bot.throwOnDispatch = true;
  alice.codec.SendAnnouncement(kPacketJoin, 1);
  bot.Receive(alice.sender.Last().Bytes);
  bot.throwOnDispatch = false;
  alice.clock.AdvanceMs(1);
  alice.codec.SendAnnouncement(kPacketLeave, 1);
  bot.Receive(alice.sender.Last().Bytes);
  EXPECT_EQ(bot.dispatched, 2);
  EXPECT_EQ(bot.codec.CurrentPacket.PacketType, kPacketLeave);
  EXPECT_TRUE(bot.log.Lines().empty());
}

TEST(PacketCodec, ProbeAndReply) {
  Peer alice;
  Peer bot;
  alice.codec.SendProbe(0xEA000001);
  Random expected{12345};
  const Bytes probe = Decipher(alice.sender.Last().Bytes);
  EXPECT_EQ(probe[9], kPacketProbe);
  ASSERT_EQ(probe.size(), PacketSizeFor(9, 10, 12));
  for (int i = 0; i < 12; ++i) EXPECT_EQ(probe[47 + i], expected.Next(256)) << i;

  bot.Receive(alice.sender.Last().Bytes);
  bot.codec.SendProbeReply(0x7F000005);
  const SentDatagram& sent = bot.sender.Last();
  EXPECT_EQ(sent.DstAddr, 0x7F000005u);
  const Bytes reply = Decipher(sent.Bytes);
  EXPECT_EQ(reply[9], kPacketPresenceReply);
  ASSERT_EQ(reply.size(), PacketSizeFor(9, 10, 20));
  EXPECT_EQ(0, std::memcmp(&reply[47], &probe[47], 12));
  EXPECT_EQ(Bytes(reply.begin() + 59, reply.begin() + 67), Bytes(8, 0));
}

TEST(PacketCodec, ProbeReplyEchoesNothingOfAnEarlierPacket) {
  Peer alice;
  Peer bot;
  alice.settings.BotHost = "ALICE-PC";
  alice.settings.BotNick = "Alice";
  alice.codec.SendFromBot(Bytes(40, 0xEE), kPacketChatLine, 1);
  bot.Receive(alice.sender.Last().Bytes);
  alice.clock.AdvanceMs(1);
  alice.codec.SendAnnouncement(kPacketJoin, 1);  // e = 43: a 2-byte body
  bot.Receive(alice.sender.Last().Bytes);
  ASSERT_EQ(bot.codec.PacketBodyLength, 2);

  bot.codec.SendProbeReply(1);
  const Bytes reply = Decipher(bot.sender.Last().Bytes);
  Bytes expected(20, 0);
  expected[0] = 3;
  EXPECT_EQ(Bytes(reply.begin() + 47, reply.begin() + 67), expected);
}

}  // namespace
}  // namespace pelmo
