#include "core/replies.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/random.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/bot_view.h"
#include "fakes/fake_clock.h"
#include "fakes/manual_event_loop.h"
#include "fakes/recording_log.h"
#include "fakes/recording_sender.h"
#include "fakes/temp_dir.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kGroup = 0xEA000001;  // 234.0.0.1
constexpr std::uint32_t kUser = 0x7F000005;   // 127.0.0.5

// One packet as the chat's clients read it back.
struct Received {
  std::uint8_t type = 0;
  std::uint32_t dst = 0;
  std::uint32_t color = 0;
  std::size_t datagramSize = 0;
  std::string host, nick;
  std::vector<std::uint8_t> payload;  // with the zero fill of the last block

  std::uint8_t Kind() const { return payload.at(0); }
  std::string Channel() const {
    return std::string(payload.begin() + 2, payload.begin() + 2 + payload.at(1));
  }
  // The chat-line text: from after the channel up to its zero byte.
  std::string LineText() const {
    auto from = payload.begin() + 2 + payload.at(1);
    std::string text;
    for (auto at = from; at != payload.end() && *at != 0; ++at) text += static_cast<char>(*at);
    return text;
  }
};

class LogView : public BotView {
 public:
  void OnLogLine(const std::string&, const std::string& text, std::uint32_t) override {
    lines.push_back(text);
    if (throwOnLine) throw std::runtime_error("view failed");
  }
  std::vector<std::string> lines;
  bool throwOnLine = false;
};

class RepliesTest : public ::testing::Test {
 protected:
  RepliesTest() {
    const ChatKey key = BuiltInChatKey();
    BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
    BlowfishInit(peerCipher, key.key.data(), key.key.size(), key.iv.data());
    net.LocalAddress = 0x7F000001;
    net.SendAddress = kGroup;
    net.BotNick = "@Pelmo_bot";
    net.BotHost = "Pelmo_bot";
    codec.SetSender(&sender);
    dir.WriteFile("botfile/log.txt", "");
    log.AddView(&view);
  }

  // Every datagram sent so far, deciphered by a second participant.
  std::vector<Received> Packets() {
    std::vector<Received> packets;
    for (const SentDatagram& sent : sender.Sent()) {
      std::vector<std::uint8_t> bytes = sent.Bytes;
      TIncomingPacket record;
      EXPECT_EQ(peer.DecodePacket(bytes.data(), static_cast<std::uint16_t>(bytes.size()), record),
                0);
      Received r;
      r.type = record.PacketType;
      r.dst = sent.DstAddr;
      r.color = record.SenderColor;
      r.datagramSize = bytes.size();
      r.host = record.SenderHost;
      r.nick = record.SenderNick;
      r.payload.assign(peer.PacketBody.begin(), peer.PacketBody.begin() + peer.PacketBodyLength);
      packets.push_back(r);
    }
    return packets;
  }

  // The datagram size for a payload of this many bytes from the bot.
  std::size_t SizeFor(std::size_t payloadLength) const {
    return PacketSizeFor(net.BotHost.size(), net.BotNick.size(), payloadLength);
  }

  TempDir dir;
  FakeClock clock;
  ManualEventLoop loop{&clock};
  Random random{1};
  BotSettings settings;
  NetSettings net;
  OutgoingState out;
  LogView view;
  // The codec logs into the bot log, as in the bot.
  BotLog log{clock, settings, dir.FilePath("botfile/log.txt")};
  BlowfishContext cipher{};
  PacketCodec codec{cipher, net, out, log, clock, random};
  RecordingSender sender;
  Replies replies{codec, net, log, loop};

  BlowfishContext peerCipher{};
  NetSettings peerNet;
  OutgoingState peerOut;
  RecordingLog peerLog;
  PacketCodec peer{peerCipher, peerNet, peerOut, peerLog, clock, random};
};

TEST_F(RepliesTest, LongTextIsCutIntoMessageSizedChatLines) {
  net.MaxMessageSize = 7000;
  const std::string text = std::string(7000, 'a') + std::string(7000, 'b') + std::string(1000, 'c');
  replies.SayText(ReplyTarget(kUser, "Chan"), text, kKindListing);

  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 3u);
  const std::size_t lengths[] = {7000, 7000, 1000};
  const char fills[] = {'a', 'b', 'c'};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(packets[i].type, kPacketChatLine);
    EXPECT_EQ(packets[i].dst, kUser);
    EXPECT_EQ(packets[i].nick, "@Pelmo_bot");
    EXPECT_EQ(packets[i].host, "Pelmo_bot");
    EXPECT_EQ(packets[i].Kind(), kKindListing);
    EXPECT_EQ(packets[i].Channel(), "Chan");
    EXPECT_EQ(packets[i].LineText(), std::string(lengths[i], fills[i]));
    // kind + channel length + "Chan" + text + the closing zero byte.
    EXPECT_EQ(packets[i].datagramSize, SizeFor(1 + 1 + 4 + lengths[i] + 1));
  }
  EXPECT_EQ(sender.Sent()[0].SrcAddr, 0x7F000001u);
}

// A text of many chat lines is one answer to the flood guard, not one
// burst: four lines at once, then one each 50 ms, in order; a stop drops
// what still waits.
TEST_F(RepliesTest, ALongTextGoesOutPaced) {
  using namespace std::chrono_literals;
  net.MaxMessageSize = 100;
  std::string text;
  for (char c = 'a'; c < 'a' + 10; ++c) text += std::string(100, c);
  replies.SayText(ReplyTarget(kUser, "Chan"), text, kKindListing);
  EXPECT_EQ(sender.Sent().size(), 4u);
  loop.Advance(49ms);
  EXPECT_EQ(sender.Sent().size(), 4u);
  loop.Advance(1ms);
  EXPECT_EQ(sender.Sent().size(), 5u);
  loop.Advance(250ms);
  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(packets[i].LineText(), std::string(100, static_cast<char>('a' + i))) << i;
    EXPECT_EQ(packets[i].dst, kUser);
  }

  sender.Clear();
  replies.SayText(ReplyTarget(kUser, "Chan"), text, kKindListing);
  replies.DropWaiting();
  loop.Advance(1s);
  EXPECT_EQ(sender.Sent().size(), 4u);
}

TEST_F(RepliesTest, EmptyTextSendsNothingAndShortTextOnePacket) {
  replies.SayToAll("", kKindLine);
  EXPECT_TRUE(sender.Sent().empty());

  net.MaxMessageSize = 5;
  replies.SayToAll(W("Привет"), kKindLine);  // 6 characters: 5 + 1
  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].LineText(), W("Приве"));
  EXPECT_EQ(packets[1].LineText(), W("т"));
  EXPECT_EQ(packets[1].Channel(), "Main");
  EXPECT_EQ(packets[1].dst, kGroup);
  EXPECT_EQ(packets[1].Kind(), kKindLine);
}

TEST_F(RepliesTest, UnclampedSizesNeitherHangNorOverflowThePayload) {
  net.MaxMessageSize = 0;  // saved from the page unclamped
  replies.SayToAll("abc", kKindLine);
  ASSERT_EQ(sender.Sent().size(), 3u);
  EXPECT_EQ(Packets()[2].LineText(), "c");

  sender.Clear();
  net.MaxMessageSize = 65535;
  const std::uint16_t sequence = codec.SequenceCounter;
  replies.SayText(ReplyTarget(kGroup, std::string(255, 'k')), std::string(65535, 'x'), kKindLine);
  EXPECT_TRUE(sender.Sent().empty());
  // Refused by the packet builder, which counts every packet it is given.
  EXPECT_EQ(codec.SequenceCounter, sequence + 1);
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_EQ(view.lines[0], "Error: Too big packet.");
}

TEST_F(RepliesTest, PasswordLineAndTopicLayouts) {
  const ReplyTarget room(kGroup, "Room");
  replies.SendPasswordLine(room, std::string(300, 't'), "pw");
  replies.SendTopic(room, std::string(300, 'q'));
  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 2u);

  std::vector<std::uint8_t> password = {2, 4, 'R', 'o', 'o', 'm', 2, 'p', 'w'};
  password.insert(password.end(), 255, 't');
  password.push_back(0);
  EXPECT_EQ(packets[0].type, kPacketChatLine);
  EXPECT_EQ(std::vector<std::uint8_t>(packets[0].payload.begin(),
                                      packets[0].payload.begin() + password.size()),
            password);
  EXPECT_EQ(packets[0].datagramSize, SizeFor(password.size()));

  std::vector<std::uint8_t> topic = {0, 4, 'R', 'o', 'o', 'm', 255};
  topic.insert(topic.end(), 255, 'q');
  EXPECT_EQ(packets[1].type, kPacketTopic);
  EXPECT_EQ(std::vector<std::uint8_t>(packets[1].payload.begin(),
                                      packets[1].payload.begin() + topic.size()),
            topic);
  EXPECT_EQ(packets[1].datagramSize, SizeFor(topic.size()));
}

// Each send goes where it is told, and tells nothing to the next one.
TEST_F(RepliesTest, EachSendGoesToItsOwnTarget) {
  out.NickColor = 0x00102030;
  replies.SayTo(kUser, "only you", kKindLine);
  replies.SayText(ReplyTarget(kUser, "Vic", 255), "red", kKindLine);
  replies.SayInChannel("Anecdot", "joke", kKindLine);
  replies.SendTopic(replies.ToAll(), "topic");
  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 4u);
  EXPECT_EQ(packets[0].dst, kUser);
  EXPECT_EQ(packets[0].Channel(), "Main");
  EXPECT_EQ(packets[0].color, 0x00102030u);
  EXPECT_EQ(packets[1].dst, kUser);
  EXPECT_EQ(packets[1].Channel(), "Vic");
  EXPECT_EQ(packets[1].color, 255u);
  EXPECT_EQ(packets[2].dst, kGroup);
  EXPECT_EQ(packets[2].Channel(), "Anecdot");
  EXPECT_EQ(packets[2].color, 0x00102030u);
  EXPECT_EQ(packets[3].dst, kGroup);
  EXPECT_EQ(packets[3].Channel(), "Main");
  EXPECT_EQ(out.NickColor, 0x00102030u);
}

TEST_F(RepliesTest, RecentLinesGoToTheAskerAsOneListing) {
  for (int i = 0; i < 1030; ++i) log.LogToFile("l" + std::to_string(i));
  replies.SendRecentLines(kUser, 10);
  replies.SendRecentLines(kUser, 0);
  const std::vector<Received> packets = Packets();
  ASSERT_EQ(packets.size(), 1u);
  std::string expected;
  for (int i = 1020; i < 1030; ++i) expected += "\r\n[18:05]l" + std::to_string(i);
  EXPECT_EQ(packets[0].LineText(), expected);
  EXPECT_EQ(packets[0].Kind(), kKindListing);
  EXPECT_EQ(packets[0].dst, kUser);
}

TEST(PluralWords, Seconds) {
  const std::pair<long long, const char*> table[] = {
      {0, "секунд"},  {1, "секунда"},   {2, "секунды"},  {4, "секунды"},  {5, "секунд"},
      {11, "секунд"}, {14, "секунд"},   {19, "секунд"},  {21, "секунда"}, {22, "секунды"},
      {25, "секунд"}, {101, "секунда"}, {111, "секунд"}, {112, "секунд"}, {1003, "секунды"}};
  for (const auto& [n, word] : table) EXPECT_EQ(SecondsWord(n), W(word)) << n;
}

TEST(PluralWords, People) {
  const std::pair<long long, const char*> table[] = {
      {0, "человек"},    {1, "человек"},    {2, "человека"},  {4, "человека"},
      {5, "человек"},    {11, "человек"},   {12, "человек"},  {14, "человек"},
      {21, "человек"},   {22, "человека"},  {64, "человека"}, {65, "человек"},
      {72, "человека"},  {74, "человека"},  {100, "человек"}, {102, "человека"},
      {112, "человек"},  {113, "человек"},  {1003, "человека"}};
  for (const auto& [n, word] : table) EXPECT_EQ(PeopleWord(n), W(word)) << n;
}

}  // namespace
}  // namespace pelmo
