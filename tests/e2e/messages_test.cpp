// The message services through the real pelmobot on loopback, between two
// chat participants: Tester on 127.0.0.2 (host TESTPC) and Bob on
// 127.0.0.3 (host BOBPC); a third socket on 127.255.255.255 hears what the
// bot says to everybody, password-channel lines included.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

class MessagesEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0", "Flood=10"}));
    ASSERT_TRUE(BindTesterBobAndEverybody(tester, bob, everybody, port));
    bot.emplace(kPelmobotProgram, std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("Started.", 5s));
  }

  // Each peer stamps its packets with the real time in milliseconds, and
  // the bot drops a packet stamped as the last one it took: two speakers
  // within one millisecond would lose a line.
  static void NewStamp() { std::this_thread::sleep_for(2ms); }
  void Say(UdpPeer& who, const std::string& text) {
    NewStamp();
    ASSERT_TRUE(who.SendPacket(kBotAddress, port, kPacketChatLine, ChatLinePayload("Main", text)));
  }
  void SayInPasswordChannel(UdpPeer& who, const std::string& channel, const std::string& password,
                            const std::string& text) {
    NewStamp();
    ASSERT_TRUE(who.SendPacket(kBotAddress, port, kPacketChatLine,
                               PasswordLinePayload(channel, password, text)));
  }

  // The next chat line on the socket; other packets are passed over.
  static std::optional<HeardLine> Next(UdpPeer& socket) {
    std::optional<PeerPacket> packet = socket.ReceivePacketOfType(kPacketChatLine, 3s);
    if (!packet) return std::nullopt;
    return ParseHeardLine(*packet);
  }
  std::string NextText(UdpPeer& socket) {
    std::optional<HeardLine> line = Next(socket);
    EXPECT_TRUE(line) << "nothing came";
    return line ? line->text : std::string();
  }
  // Pieces of one long reply, joined, up to the end mark.
  std::string Collect(UdpPeer& socket, const std::string& end) {
    std::string text;
    while (text.size() < end.size() || text.compare(text.size() - end.size(), end.size(), end)) {
      std::optional<HeardLine> line = Next(socket);
      if (!line) break;
      EXPECT_EQ(line->kind, kKindListing);
      text += line->text;
    }
    return text;
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer tester;
  UdpPeer bob;
  UdpPeer everybody;
  std::optional<ChildProcess> bot;
};

TEST_F(MessagesEndToEnd, RegisterChooseARespondentDeliverAndRead) {
  Say(tester, W("!рег secret"));
  EXPECT_EQ(NextText(tester), W("Tester Зарегистрирован в системе отложенных сообщений."));
  Say(bob, "!reg bobpw");
  EXPECT_EQ(NextText(bob), W("Bob Зарегистрирован в системе отложенных сообщений."));
  Say(bob, "!reg stolen");  // a taken nick stays its owner's
  EXPECT_EQ(NextText(bob), W("Bob уже зарегистрирован в системе отложенных сообщений."));
  EXPECT_TRUE(dir.Exists("user/426F62"));

  SayInPasswordChannel(tester, "TesterRoom", "secret", "!nick Bob");
  std::optional<HeardLine> line = Next(everybody);
  ASSERT_TRUE(line) << ::testing::PrintToString(bot->OutLines());
  EXPECT_EQ(line->kind, kKindPassword);
  EXPECT_EQ(line->channel, "TesterRoom");
  EXPECT_EQ(line->password, "secret");
  EXPECT_EQ(line->text, W("Ник респондента задан."));
  SayInPasswordChannel(tester, "TesterRoom", "secret", W("Привет, Боб"));
  EXPECT_EQ(NextText(everybody), W("Ваше сообщение успешно доставлено."));

  SayInPasswordChannel(bob, "BobRoom", "bobpw", "!r");
  line = Next(everybody);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->channel, "BobRoom");
  EXPECT_EQ(line->password, "bobpw");
  const std::string greeting = W("Спасибо за регистрацию в нашей системе!") + "\n\r";
  EXPECT_EQ(line->text.substr(0, greeting.size()), greeting);
  EXPECT_NE(line->text.find(W(" From Tester: Привет, Боб")), std::string::npos);

  SayInPasswordChannel(bob, "BobRoom", "wrong", "!r");
  EXPECT_EQ(NextText(everybody), W("Неверный пароль или имя пользователя."));
  // Marked as read by the good read only (handled before this reply).
  EXPECT_EQ(dir.ReadFile("user/seen.txt"), "Bob\r\n");
  EXPECT_TRUE(bot->WaitForOutPart("Bob (BOBPC) команда прочесть личные сообщения", 3s));
}

TEST_F(MessagesEndToEnd, APrivateNoteLeftAndListedAndStatistics) {
  Say(tester, "!help");  // counted: TESTPC now has a section
  Say(bob, "!mess testpc hi there");
  EXPECT_EQ(NextText(bob), W("Сообщение добавлено"));

  Say(tester, "!mess");
  const std::string listing = Collect(tester, "\r\n");
  const std::string head =
      W("\r\n---------------------\r\nУ Вас 1 сообщение! Новых: 1\r\n* Сообщение от Bob (BOBPC). Дата: ");
  EXPECT_EQ(listing.substr(0, head.size()), head) << listing;
  EXPECT_NE(listing.find("\r\n\thi there\r\n"), std::string::npos) << listing;

  Say(tester, "!stat");
  const std::string frame = "\r\n-----------------------------------------\r\n";
  const std::string report = Collect(tester, frame);
  EXPECT_EQ(report.substr(0, frame.size() + 2), frame + "\r\n");
  EXPECT_NE(report.find(W("\t\tСтатистика для TESTPC\r\n")), std::string::npos) << report;
  // "help" and "mess" before this line; the line itself is counted after.
  EXPECT_NE(report.find(W("  - для Tester\t\t\t\t8\r\n")), std::string::npos) << report;
  EXPECT_NE(report.find(W("  - и всего: \t\t\t\t8\r\n")), std::string::npos) << report;

  // The counts reach the file within about a second, the rest at the stop.
  std::this_thread::sleep_for(1500ms);
  const std::string onDisk = dir.ReadFile("botfile/stat.ini");
  EXPECT_NE(onDisk.find("[TESTPC]\r\n"), std::string::npos) << onDisk;
  Say(tester, "!x");
  ASSERT_TRUE(bot->WaitForOutPart("Tester (TESTPC): !x", 3s));
  bot->Signal(SIGTERM);
  ASSERT_TRUE(bot->Wait(5s));
  EXPECT_NE(dir.ReadFile("botfile/stat.ini").find("Total=13\r\n"), std::string::npos)
      << dir.ReadFile("botfile/stat.ini");
}

}  // namespace
}  // namespace pelmo
