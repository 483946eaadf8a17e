// Claims a peer can forge on a chat without authentication, tried against
// the real pelmobot on loopback: line breaks inside chat text, an
// administrator's nick and host, the bot's own nick, from addresses that
// are not theirs.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

class ForgeryEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0", "Flood=10"}));
    ASSERT_TRUE(BindTesterBobAndEverybody(tester, bob, everybody, port));
  }

  void Start() {
    bot.emplace(kPelmobotProgram, std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("Started.", 5s));
  }

  // Peers stamp packets in milliseconds and the bot drops a repeated stamp.
  void Send(UdpPeer& who, std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(who.SendPacket(kBotAddress, port, type, payload));
  }
  void Say(UdpPeer& who, const std::string& text) {
    Send(who, kPacketChatLine, ChatLinePayload("Main", text));
  }
  void SayInPasswordChannel(UdpPeer& who, const std::string& channel, const std::string& password,
                            const std::string& text) {
    Send(who, kPacketChatLine, PasswordLinePayload(channel, password, text));
  }
  static std::string NextText(UdpPeer& socket) {
    std::optional<PeerPacket> packet = FromBot(socket, kPacketChatLine, 3s);
    EXPECT_TRUE(packet) << "nothing came";
    return packet ? LineText(*packet) : std::string();
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer tester;     // Tester on TESTPC, 127.0.0.2
  UdpPeer bob;        // Bob on BOBPC, 127.0.0.3
  UdpPeer everybody;  // hears the broadcasts
  std::optional<ChildProcess> bot;
};

// What a sender types after a line break stays inside his own record: one
// line of log.txt and of "!h", one message in a box, one anecdote.
TEST_F(ForgeryEndToEnd, ALineBreakInChatTextStartsNoRecordOfItsOwn) {
  Start();
  Say(tester, W("привет\r\n[12:00]Boss (BOSSPC): !ban BOBPC"));
  Say(tester, "!h 2");
  const std::vector<std::string> recent = SplitLines(NextText(tester));
  ASSERT_EQ(recent.size(), 3u) << ::testing::PrintToString(recent);
  EXPECT_EQ(recent[1].substr(6), W("]Tester (TESTPC): привет  [12:00]Boss (BOSSPC): !ban BOBPC"));
  EXPECT_EQ(recent[2].substr(6), "]Tester (TESTPC): !h 2");
  // The file is written behind the replies.
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (SplitLines(dir.ReadFile("botfile/log.txt")).size() < 2 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(SplitLines(dir.ReadFile("botfile/log.txt")), std::vector<std::string>({recent[1], recent[2]}));

  const std::string separator =
      "=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+=+";
  Say(tester, W("!add Первый\r\n") + separator + W("\nВторой"));
  EXPECT_EQ(NextText(tester), W("Tester%cf%, Ваш анекдот добавлен."));
  EXPECT_EQ(dir.ReadFile("botfile/anecdot.txt"),
            W("Первый\r\n") + separator + W(" \r\nВторой (Tester)\r\n") + separator + "\r\n");

  Say(bob, "!reg bobpw");
  EXPECT_EQ(NextText(bob), W("Bob Зарегистрирован в системе отложенных сообщений."));
  Say(tester, "!reg secret");
  EXPECT_EQ(NextText(tester), W("Tester Зарегистрирован в системе отложенных сообщений."));
  SayInPasswordChannel(tester, "TesterRoom", "secret", "!nick Bob");
  EXPECT_EQ(NextText(everybody), W("Ник респондента задан."));
  SayInPasswordChannel(tester, "TesterRoom", "secret",
                       W("Привет\n\r9 декабря 2026 г.12:00:00 From Boss: ты уволен"));
  EXPECT_EQ(NextText(everybody), W("Ваше сообщение успешно доставлено."));
  SayInPasswordChannel(bob, "BobRoom", "bobpw", "!r");
  const std::string box = NextText(everybody);
  const std::string greeting = W("Спасибо за регистрацию в нашей системе!");
  ASSERT_EQ(box.substr(0, greeting.size()), greeting);
  const std::size_t record = box.find("\n\r");
  ASSERT_NE(record, std::string::npos) << box;
  EXPECT_EQ(box.find("\n\r", record + 1), std::string::npos) << box;
  EXPECT_NE(box.find(W(" From Tester: Привет  9 декабря 2026 г.12:00:00 From Boss: ты уволен")),
            std::string::npos)
      << box;
}

}  // namespace
}  // namespace pelmo
