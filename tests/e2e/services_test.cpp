// The services through the real pelmobot on loopback: one command of each,
// typed by a peer on 127.0.0.2, answered on real sockets from real files.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
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

// Sanitizer and emulator runs are slower: PELMO_TEST_TIME_SCALE stretches
// the waits and the pacing of a burst alike.
int TimeScale() {
  const char* scale = std::getenv("PELMO_TEST_TIME_SCALE");
  return scale != nullptr ? std::max(1, std::atoi(scale)) : 1;
}

using namespace std::chrono_literals;

class ServicesEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"AnecInterval=20"}));
    dir.WriteFile("botfile/anecdot.txt", W("Штирлиц шёл по лесу\r\n"));
    dir.WriteFile("botfile/Aforizm.txt", W("Тише едешь - дальше будешь\r\n"));
    dir.WriteFile("botfile/news.txt", W("Пельмени в пятницу (Ann) 4 декабря 2026 г.9:0:0\r\n"));
    dir.WriteFile("botfile/top.txt", "Ann (\xB6" "90\r\nTester (\xB6" "42\r\n");
    dir.WriteFile("botfile/seen.txt", "Ghost\x8F" "10:00/01.12.2020\r\n");
    dir.WriteFile("extcmds.ini", "rules=docs\\rules.txt\r\n");
    dir.WriteFile("docs/rules.txt", W("Не флудить\r\n"));
    ASSERT_TRUE(peer.Bind(kPeerAddress, port));
    ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
    Start();
  }

  void Start() {
    bot = std::make_unique<ChildProcess>(kPelmobotProgram,
                                         std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  }
  void Stop() {
    bot->Signal(SIGTERM);
    EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
  }
  // Every byte of text the bot sends this peer until it has been quiet a
  // while.
  std::string Answer() {
    std::string all;
    while (std::optional<PeerPacket> packet = peer.ReceivePacket(700ms)) {
      if (packet->Header.PacketType != kPacketChatLine) continue;
      if (std::optional<HeardLine> said = ParseHeardLine(*packet)) all += said->text;
    }
    return all;
  }

  void Say(const std::string& text, const std::string& channel = "Main") {
    ASSERT_TRUE(peer.SendPacket(kBotAddress, port, kPacketChatLine, ChatLinePayload(0, channel, text)));
  }

  // The next chat line the bot says on the socket.
  static std::optional<HeardLine> Next(UdpPeer& socket) {
    const auto deadline = std::chrono::steady_clock::now() + 3s * TimeScale();
    while (std::chrono::steady_clock::now() < deadline) {
      std::optional<PeerPacket> packet = socket.ReceivePacket(300ms);
      if (!packet || packet->Header.PacketType != kPacketChatLine ||
          packet->Header.SenderNick != "@Pelmo_bot") {
        continue;
      }
      std::optional<HeardLine> said = ParseHeardLine(*packet);
      if (said) return said;
    }
    return std::nullopt;
  }
  std::string ToMe() {
    std::optional<HeardLine> said = Next(peer);
    EXPECT_TRUE(said) << "no unicast reply";
    return said ? said->text : std::string();
  }
  HeardLine ToAll() {
    std::optional<HeardLine> said = Next(everybody);
    EXPECT_TRUE(said) << "nothing said to everybody";
    return said.value_or(HeardLine{});
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer peer;       // Tester on TESTPC
  UdpPeer everybody;  // hears the broadcasts
  std::unique_ptr<ChildProcess> bot;
};

TEST_F(ServicesEndToEnd, OneCommandOfEachService) {
  Say("!a");
  EXPECT_EQ(ToAll().text, W("Тише едешь - дальше будешь"));

  Say("!w", "Anecdot");
  HeardLine anecdote = ToAll();
  EXPECT_EQ(anecdote.channel, "Anecdot");
  EXPECT_EQ(anecdote.text, W("\r\nШтирлиц шёл по лесу\r\n\r\n"));
  Say(W("!ц"), "Anecdot");
  const std::string wait = W("Подождите ");  // 20 or 19 seconds, as time goes
  EXPECT_EQ(ToMe().substr(0, wait.size()), wait);

  Say("!news");
  EXPECT_EQ(ToMe(), "\r\n\r\n" + std::string(26, ' ') + W("> > > Н О В О С Т И ! ! !< < <\r\n") +
                        "\r\n" + std::string(25, '=') + "\r\n" +
                        W("Пельмени в пятницу (Ann) 4 декабря 2026 г.9:0:0"));

  Say("!mytop");
  EXPECT_EQ(ToMe(), W("Tester: занимает 2  место в топе, при 42 количестве набранных символов."));

  Say("!RULES");
  EXPECT_EQ(ToMe(), W("Дополнительная команда: rules\r\nНе флудить\r\n"));

  Say("!seen ghost");
  HeardLine seen = ToAll();
  const std::string head = W("Пользователь ghost был тут ");
  EXPECT_EQ(seen.text.substr(0, head.size()), head);
  EXPECT_NE(seen.text.find(W("назад (01.12.2020 в 10:00)")), std::string::npos) << seen.text;

  Say(W("!add Без труда не вытащишь"));
  EXPECT_EQ(ToMe(), W("Tester%cf%, Ваш афоризм добавлен."));
  EXPECT_EQ(dir.ReadFile("botfile/Aforizm.txt"),
            W("Тише едешь - дальше будешь\r\nБез труда не вытащишь (Tester)\r\n"));

  // The seen list reaches the disk within about a second of the lines.
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (dir.ReadFile("botfile/seen.txt").find("Tester\x8F") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_NE(dir.ReadFile("botfile/seen.txt").find("Tester\x8F"), std::string::npos);
  EXPECT_EQ(dir.ReadFile("botfile/seen.txt").find("Ghost\x8F" "10:00/01.12.2020\r\n"), 0u);

  bot->Signal(SIGTERM);
  EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
}

// A hostile peer against the shipped bounds: answers of at most 16 KB that
// say more exists, a full anecdote file refused and kept, and stat.ini
// bounded under ever new host names and read again at the next start.
TEST_F(ServicesEndToEnd, WhatAPeerCanGrowOrAskForIsBounded) {
  Stop();
  std::string news;
  for (int i = 1; i <= 300; ++i) news += "item" + std::to_string(i) + std::string(300, 'n') + "\r\n";
  dir.WriteFile("botfile/news.txt", news);
  std::string stat = "[TESTPC]\r\n";
  for (int i = 1; i <= 3000; ++i) {
    stat += "User-" + std::string(40, 'a') + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  }
  dir.WriteFile("botfile/stat.ini", stat);
  std::string separator;
  for (int i = 0; i < 34; ++i) separator += "=+";
  const std::string anecdotes = W("Анекдот оператора\r\n") + separator + "\r\n" +
                                std::string(16 * 1024 * 1024, 'z') + "\r\n" + separator + "\r\n";
  dir.WriteFile("botfile/anecdot.txt", anecdotes);
  Start();

  for (int i = 0; i < 40; ++i) Say(std::string(1000, 'a' + i % 26));
  const std::string more = W("(Показано не всё: остальное не помещается в один ответ.)");
  for (const char* request : {"!news", "!top 1000000", "!h 99"}) {
    Say(request);
    const std::string answer = Answer();
    EXPECT_LE(answer.size(), 16384u) << request;
    EXPECT_GT(answer.size(), 15000u) << request;
    EXPECT_NE(answer.find(more), std::string::npos) << request;
  }

  Say("!add " + std::string(300, 'x'));
  EXPECT_EQ(ToMe(), W("Tester%cf%, Места больше нет, текст не добавлен."));
  EXPECT_EQ(dir.ReadFile("botfile/anecdot.txt"), anecdotes);

  // 10 200 host names, paced so that the socket drops none of note.
  for (int i = 0; i < 10200; ++i) {
    peer.Host = "H" + std::to_string(i);
    Say("!x");
    if (i % 100 == 99) std::this_thread::sleep_for(10ms * TimeScale());
  }
  peer.Host = "H10199";
  Say("!stat");
  EXPECT_NE(ToMe().find(W("Статистика для H10199")), std::string::npos);
  Stop();
  std::size_t sections = 0;
  for (const std::string& line : SplitLines(dir.ReadFile("botfile/stat.ini"))) {
    sections += !line.empty() && line.front() == '[';
  }
  EXPECT_EQ(sections, 10000u);

  Start();
  EXPECT_TRUE(bot->WaitForOutPart("Загружено 3 анекдотов", 5s));
  Say("!stat H10150");
  EXPECT_NE(ToMe().find(W("Статистика для H10150")), std::string::npos);
  Stop();
}

// A nick holding a line end: the news item and the aphorism it posts stay
// one line each, and the listing shows one item more, not two.
TEST_F(ServicesEndToEnd, ANickWithLineEndsForgesNoLine) {
  peer.Nick = W("Evil\r\nФальшивая новость (Admin) 1 января 2027 г.0:0:0");
  Say(W("!add_news Настоящая новость"));
  EXPECT_EQ(ToMe(), peer.Nick + W("%cf%, Ваша новость добавлена."));
  Say(W("!add Короткая шутка"));
  EXPECT_EQ(ToMe(), peer.Nick + W("%cf%, Ваш афоризм добавлен."));

  const std::string asLine = W("Evil  Фальшивая новость (Admin) 1 января 2027 г.0:0:0");
  std::vector<std::string> news = SplitLines(dir.ReadFile("botfile/news.txt"));
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[1].rfind(W("Настоящая новость (") + asLine + ") ", 0), 0u) << news[1];
  EXPECT_EQ(dir.ReadFile("botfile/Aforizm.txt"),
            W("Тише едешь - дальше будешь\r\nКороткая шутка (") + asLine + ")\r\n");

  Say("!news");
  const std::string listing = ToMe();
  const std::string rule = "\r\n" + std::string(25, '=') + "\r\n";
  std::size_t items = 0;
  for (std::size_t at = listing.find(rule); at != std::string::npos; at = listing.find(rule, at + 1)) {
    ++items;
  }
  EXPECT_EQ(items, 2u) << listing;

  bot->Signal(SIGTERM);
  EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
}

}  // namespace
}  // namespace pelmo
