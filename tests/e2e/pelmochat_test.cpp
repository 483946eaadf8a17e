// pelmochat against the real pelmobot and against a bare peer, all on
// loopback in broadcast mode to 127.255.255.255 on a free high port, both
// programs reading the same Net.ini.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

#if defined(PELMOBOT_PATH) && defined(PELMOCHAT_PATH)
constexpr const char* kBot = PELMOBOT_PATH;
constexpr const char* kChat = PELMOCHAT_PATH;
#else
constexpr const char* kBot = nullptr;
constexpr const char* kChat = nullptr;
#endif

#define REQUIRE_PROGRAMS() \
  if (kBot == nullptr) GTEST_SKIP() << "pelmobot or pelmochat was not built"

class PelmochatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port));
    dir.WriteFile("botfile/help.txt", "Help line one\r\nHelp line two\r\n");
  }

  std::unique_ptr<ChildProcess> StartBot() {
    auto bot = std::make_unique<ChildProcess>(kBot, std::vector<std::string>{"--dir", dir.Path()});
    EXPECT_TRUE(bot->WaitForOutPart("] Started.", 5s));
    // The bot's own join, probe and presence reply come back to it; a
    // packet of ours stamped in the same millisecond would pass for a
    // repeat of the last one.
    std::this_thread::sleep_for(300ms);
    return bot;
  }

  std::unique_ptr<ChildProcess> Chat(std::vector<std::string> extra, bool terminal = false) {
    std::vector<std::string> args = {"--dir", dir.Path(), "--nick", "Ivan", "--host", "IVANPC"};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<ChildProcess>(kChat, args, terminal);
  }

  // The next packet of the type from the client (its nick) on socket.
  std::optional<PeerPacket> FromChat(UdpPeer& socket, std::uint8_t type) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
      std::optional<PeerPacket> packet = socket.ReceivePacketOfType(type, 200ms);
      if (packet && packet->Header.SenderNick == "Ivan") return packet;
    }
    return std::nullopt;
  }

  // The topic of a topic packet: the second length-prefixed string.
  static std::string TopicOf(const PeerPacket& packet) {
    const std::vector<std::uint8_t>& p = packet.Payload;
    if (p.size() < 2) return {};
    const std::size_t at = 2u + p[1];
    if (at >= p.size() || at + 1 + p[at] > p.size()) return {};
    return std::string(p.begin() + at + 1, p.begin() + at + 1 + p[at]);
  }

  static std::string TextOf(const PeerPacket& packet) {
    const std::vector<std::uint8_t>& p = packet.Payload;
    if (p.size() < 2 || 2u + p[1] > p.size()) return {};
    std::string text(p.begin() + 2 + p[1], p.end());
    return text.substr(0, text.find('\0'));
  }

  TempDir dir;
  std::uint16_t port = 0;
};

TEST_F(PelmochatTest, SayIsAnsweredByTheBot) {
  REQUIRE_PROGRAMS();
  auto bot = StartBot();
  auto chat = Chat({"--say", "!help", "--wait", "3"});
  std::optional<int> status = chat->Wait(10s);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 0);
  const std::vector<std::string> lines = chat->OutLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].find("] {Main} @Pelmo_bot: Help line one") == 6) << lines[0];
  EXPECT_EQ(lines[1], "Help line two");
  EXPECT_TRUE(bot->WaitForOutPart("] Ivan (IVANPC) команда помощь.", 5s));
  // No join: the bot was not told anybody came.
  EXPECT_FALSE(bot->WaitForOutPart("Ivan (IVANPC) joined us", 100ms));
}

// The anecdote command answers only in the anecdote channel: --channel
// says it there.
TEST_F(PelmochatTest, ChannelOptionReachesTheAnecdoteChannel) {
  REQUIRE_PROGRAMS();
  dir.WriteFile("botfile/anecdot.txt", "A joke\r\n");
  auto bot = StartBot();
  auto main = Chat({"--say", "!w", "--wait", "1"});
  EXPECT_EQ(main->Wait(10s), std::optional<int>(1));
  auto chat = Chat({"--channel", "Anecdot", "--say", "!w", "--wait", "3"});
  EXPECT_EQ(chat->Wait(10s), std::optional<int>(0));
  const std::vector<std::string> lines = chat->OutLines();
  ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].substr(7), " {Anecdot} @Pelmo_bot: ");
  EXPECT_EQ(lines[1], "A joke");
}

TEST_F(PelmochatTest, SayWithoutAnAnswerExitsOne) {
  REQUIRE_PROGRAMS();
  auto chat = Chat({"--say", "!help", "--wait", "0.5"});
  std::optional<int> status = chat->Wait(10s);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 1);
  EXPECT_TRUE(chat->OutLines().empty());
}

// A health check that passed on anybody's talk would pass with the bot
// gone: somebody else chatting all the while is no answer, and neither is
// the bot joining, leaving or setting a topic (a bot restarted meanwhile
// has not heard the line at all).
TEST_F(PelmochatTest, SayExitsOneWhenOnlyOthersTalkOrTheBotJustComesAndGoes) {
  REQUIRE_PROGRAMS();
  UdpPeer other;  // Tester, 127.0.0.2
  ASSERT_TRUE(other.Bind(Loopback(2), port));
  ASSERT_TRUE(other.EnableBroadcast());
  UdpPeer bot;  // the bot's nick from another address: no answer either way
  bot.Nick = "@Pelmo_bot";
  bot.Host = "Pelmo_bot";
  ASSERT_TRUE(bot.Bind(Loopback(3), port));
  ASSERT_TRUE(bot.EnableBroadcast());
  auto chat = Chat({"--say", "!help", "--wait", "1"});
  std::optional<int> status;
  while (!(status = chat->Wait(50ms))) {
    ASSERT_TRUE(bot.SendPacket(kLoopbackBroadcast, port, kPacketJoin, {3, 0}));
    ASSERT_TRUE(bot.SendPacket(kLoopbackBroadcast, port, kPacketTopic,
                               TopicPayload("Main", "Pelmeni")));
    ASSERT_TRUE(bot.SendPacket(kLoopbackBroadcast, port, kPacketLeave, {3, 0}));
    // Two peers' packets stamped in the same millisecond: the client would
    // take the second for a repeat of the first.
    std::this_thread::sleep_for(3ms);
    ASSERT_TRUE(other.SendPacket(kLoopbackBroadcast, port, kPacketChatLine,
                                 ChatLinePayload("Main", "!help")));
  }
  EXPECT_EQ(*status, 1);
  std::string heard;
  for (const std::string& line : chat->OutLines()) heard += line + "\n";
  EXPECT_NE(heard.find("] {Main} Tester: !help"), std::string::npos) << heard;
  EXPECT_NE(heard.find("] {Main} @Pelmo_bot: *** (Pelmo_bot) joined"), std::string::npos)
      << heard;
}

// Lines piped in are said at once; the client stays as --wait says, so
// that the answers are heard before it leaves.
TEST_F(PelmochatTest, PipedLinesAreAnsweredBeforeItLeaves) {
  REQUIRE_PROGRAMS();
  auto bot = StartBot();
  // The line comes a moment after the join, as a script's would: one
  // stamped in the same millisecond as the greeting's last packet that
  // the bot heard would be dropped as a repeat of it. Under a sanitizer the
  // answer takes longer than the client's usual stay.
  const char* scale = std::getenv("PELMO_TEST_TIME_SCALE");
  const int factor = scale != nullptr ? std::max(1, std::atoi(scale)) : 1;
  ChildProcess chat("/bin/sh",
                    {"-c",
                     "(sleep 1; printf '%s\\n' '!help') | \"$0\" --dir \"$1\" --nick Ivan "
                     "--host IVANPC --wait \"$2\"",
                     kChat, dir.Path(), std::to_string(3 * factor)});
  EXPECT_TRUE(chat.WaitForOutPart("] {Main} @Pelmo_bot: Help line one", 10s * factor))
      << ::testing::PrintToString(bot->OutLines());
  EXPECT_EQ(chat.Wait(10s * factor), std::optional<int>(0));
  EXPECT_TRUE(bot->WaitForOutPart("] Ivan (IVANPC) leave us", 5s));
}

TEST_F(PelmochatTest, RefusesAFolderWithoutNetIniAndBadOptions) {
  REQUIRE_PROGRAMS();
  TempDir empty;
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      // A client that cannot even start is no silent bot: 2, not 1.
      {{"--dir", empty.Path(), "--say", "x"}, 2},
      {{"--wait", "soon"}, 2},
      {{"--nick"}, 2},
      {{"--frobnicate"}, 2},
      {{"--version"}, 0},
  };
  for (const Case& c : cases) {
    ChildProcess chat(kChat, c.args);
    std::optional<int> status = chat.Wait(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, c.status) << c.args[0];
  }
  EXPECT_TRUE(empty.List().empty());
}

TEST_F(PelmochatTest, TalksWithAnotherParticipant) {
  REQUIRE_PROGRAMS();
  UdpPeer everybody;
  UdpPeer peer;
  ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
  ASSERT_TRUE(peer.Bind(Loopback(2), port));
  ASSERT_TRUE(peer.EnableBroadcast());
  auto chat = Chat({}, true);

  std::optional<PeerPacket> join = FromChat(everybody, kPacketJoin);
  ASSERT_TRUE(join) << "no join";
  EXPECT_EQ(join->Header.SenderHost, "IVANPC");

  // What others say, their topics, joins and leaves, in UTF-8.
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketChatLine,
                              ChatLinePayload("Main", W("Привет, Иван"))));
  EXPECT_TRUE(chat->WaitForOutPart("] {Main} Tester: Привет, Иван", 5s));
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketTopic,
                              TopicPayload("Main", W("Пельмени"))));
  EXPECT_TRUE(chat->WaitForOutPart("] {Main} Tester: *** topic: Пельмени", 5s));
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketLeave, {3, 0}));
  EXPECT_TRUE(chat->WaitForOutPart("] {Main} Tester: *** (TESTPC) left", 5s));

  // What is typed goes out in Windows-1251; so does a topic.
  ASSERT_TRUE(chat->Type("Как дела?\n"));
  std::optional<PeerPacket> line = FromChat(everybody, kPacketChatLine);
  ASSERT_TRUE(line);
  EXPECT_EQ(TextOf(*line), W("Как дела?"));
  ASSERT_TRUE(chat->Type("/topic Вареники\n"));
  std::optional<PeerPacket> topic = FromChat(everybody, kPacketTopic);
  ASSERT_TRUE(topic);
  EXPECT_EQ(TopicOf(*topic), W("Вареники"));

  // A probe is answered at the asker's address.
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketProbe,
                              {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_TRUE(FromChat(peer, kPacketPresenceReply));

  // Ctrl+D leaves.
  ASSERT_TRUE(chat->Type("\x04"));
  EXPECT_TRUE(FromChat(everybody, kPacketLeave)) << "no leave";
  std::optional<int> status = chat->Wait(5s);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 0);
  // Its own lines are not printed back.
  for (const std::string& out : chat->OutLines()) EXPECT_EQ(out.find("Ivan:"), std::string::npos);
}

TEST_F(PelmochatTest, WhoListsTheBotAndCtrlCLeaves) {
  REQUIRE_PROGRAMS();
  auto bot = StartBot();
  auto chat = Chat({}, true);
  EXPECT_TRUE(bot->WaitForOutPart("] Ivan (IVANPC) joined us", 5s));
  // Every receiver drops a packet stamped like the last one it took, and
  // the bot's greetings stamp ahead of the clock: the probe waits for them.
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(chat->Type("/who\n"));
  std::optional<std::string> who = chat->WaitForOutPart("] present: ", 5s);
  ASSERT_TRUE(who);
  EXPECT_NE(who->find("@Pelmo_bot (Pelmo_bot)"), std::string::npos) << *who;
  ASSERT_TRUE(chat->Type("!help\n"));
  EXPECT_TRUE(chat->WaitForOutPart("] {Main} @Pelmo_bot: Help line one", 5s));

  chat->Signal(SIGINT);
  std::optional<int> status = chat->Wait(5s);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 0);
  EXPECT_TRUE(bot->WaitForOutPart("] Ivan (IVANPC) leave us", 5s));
}

TEST_F(PelmochatTest, FloodGuardSilencesAHostForAWhile) {
  REQUIRE_PROGRAMS();
  dir.WriteFile("others.ini",
                "[FloodGuard]\r\nEnabled=1\r\nCommands=2\r\nSeconds=60\r\nIgnoreSeconds=2\r\n");
  auto bot = StartBot();
  // The guard counts per sending address, whatever the host name says.
  const auto ask = [this](const std::string& host, const std::string& ip) {
    ChildProcess chat(kChat, {"--dir", dir.Path(), "--nick", "Ivan", "--host", host, "--ip", ip,
                              "--say", "!help", "--wait", "0.7"});
    return chat.Wait(10s).value_or(-1);
  };
  EXPECT_EQ(ask("IVANPC", "127.0.5.5"), 0);
  EXPECT_EQ(ask("IVANPC", "127.0.5.5"), 0);
  EXPECT_EQ(ask("IVANPC", "127.0.5.5"), 1);
  EXPECT_TRUE(bot->WaitForOutPart("Защита от флуда: Ivan (IVANPC) с адреса 127.0.5.5", 1s));
  EXPECT_EQ(ask("OTHERPC", "127.0.5.5"), 1);
  EXPECT_EQ(ask("IVANPC", "127.0.5.6"), 0);
  EXPECT_TRUE(bot->WaitForOutPart(
      "Защита от флуда: с адреса 127.0.5.5 (IVANPC) команды снова принимаются без ограничения.", 5s));
  EXPECT_EQ(ask("IVANPC", "127.0.5.5"), 0);
}

}  // namespace
}  // namespace pelmo
