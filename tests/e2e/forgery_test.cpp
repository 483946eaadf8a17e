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

// An administrator's nick and host from another address are a stranger's:
// refused the administrator's commands and counted by the flood guard,
// while the administrator at the address it joined from keeps both. The
// bot's own nick from another address is a stranger's too: logged with its
// address, and a locked topic is defended against it. A pinned
// administrator is not moved by a join from elsewhere.
TEST_F(ForgeryEndToEnd, AnAdministratorsOrTheBotsNamesFromAnotherAddressAreAStrangers) {
  dir.WriteFile("botfile/admin.txt", "Tester#TESTPC\r\nBob#BOBPC\r\n");
  dir.WriteFile("botfile/admin_addresses.txt", "; Bob only from his desk\r\n127.0.0.3 Bob#BOBPC\r\n");
  dir.WriteFile("botfile/help.txt", "Help one\r\n");
  dir.WriteFile("others.ini", "[FloodGuard]\r\nCommands=2\r\nSeconds=60\r\n");
  UdpPeer forger;
  forger.Nick = "Tester";
  forger.Host = "TESTPC";
  ASSERT_TRUE(forger.Bind(Loopback(9), port));
  Start();
  Send(tester, kPacketJoin, {3, 0});
  ASSERT_TRUE(bot->WaitForOutPart("Tester (TESTPC) joined us", 3s));
  // The greetings of the join, then nothing more.
  while (FromBot(tester, kPacketChatLine, 300ms)) {
  }

  Say(forger, "!t_fix");
  EXPECT_TRUE(bot->WaitForOutPart(
      "Tester (TESTPC) с адреса 127.0.0.9 — не администратор: администратор с этим ником и "
        "компьютером на адресе 127.0.0.2.",
      3s));
  // "!t_fix" counted as one command, the first "!help" as the second.
  Say(forger, "!help");
  EXPECT_EQ(NextText(forger), "Help one\r\n");
  Say(forger, "!help");
  EXPECT_TRUE(bot->WaitForOutPart("Защита от флуда: Tester (TESTPC) с адреса 127.0.0.9", 3s));
  EXPECT_FALSE(FromBot(forger, kPacketChatLine, 300ms));

  for (int i = 0; i < 3; ++i) {
    Say(tester, "!help");
    EXPECT_EQ(NextText(tester), "Help one\r\n");
  }
  Say(tester, "!t_fix");
  std::optional<PeerPacket> locked = FromBot(everybody, kPacketTopic, 3s);
  ASSERT_TRUE(locked);

  UdpPeer impostor;
  impostor.Nick = "@Pelmo_bot";
  impostor.Host = "Pelmo_bot";
  ASSERT_TRUE(impostor.Bind(Loopback(8), port));
  Send(impostor, kPacketTopic, TopicPayload("Main", W("Бот уходит")));
  EXPECT_EQ(NextText(everybody), W("Нельзя сменить тему!"));
  Say(impostor, W("я и есть бот"));
  EXPECT_TRUE(
      bot->WaitForOutPart("{Main} @Pelmo_bot (Pelmo_bot) [127.0.0.8]: я и есть бот", 3s));

  // Bob is pinned: his name joining from elsewhere moves nothing.
  UdpPeer bobsDouble;
  bobsDouble.Nick = "Bob";
  bobsDouble.Host = "BOBPC";
  ASSERT_TRUE(bobsDouble.Bind(Loopback(7), port));
  Send(bobsDouble, kPacketJoin, {3, 0});
  EXPECT_TRUE(bot->WaitForOutPart(
      "Вход под именем администратора Bob (BOBPC) с адреса 127.0.0.7, не закреплённого за ним",
      3s));
  Say(bobsDouble, "!t_unfix");
  EXPECT_TRUE(bot->WaitForOutPart("Bob (BOBPC) с адреса 127.0.0.7 — не администратор", 3s));
  Say(bob, "!t_unfix");
  EXPECT_TRUE(bot->WaitForOutPart("Bob (BOBPC) команда от администратора: разблокировать тему.", 3s));
}

}  // namespace
}  // namespace pelmo
