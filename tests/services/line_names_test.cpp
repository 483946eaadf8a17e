// Nicks and hosts with line ends, through the whole bot: whatever file a
// name goes into, it stays on its own line (its control characters become
// blanks), and the service finds it there again. One test per family of
// files: the collections (news, anecdotes, aphorisms), the name lists
// (seen.txt, seennews.txt, user/seen.txt), the logs (seen_log.log,
// log.txt) and the INI files (stat.ini, topvictor.txt).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "services/stat_store.h"

namespace pelmo {
namespace {

class LineNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services = InstallServices(f.services());
    games = InstallGames(f.services());
    f.PrepareOffline();
    for (const auto& started : f.parts().on.life.started) started();
    f.ClearSent();
  }

  std::vector<std::string> FileLines(const std::string& name) {
    return SplitLines(f.dir.ReadFile(name));
  }
  // The texts the bot said to the evil peer alone.
  std::vector<std::string> ToEvil() {
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      if (packet.dstAddr == evil.address) texts.push_back(packet.text);
    }
    f.ClearSent();
    return texts;
  }

  BotFixture f;
  std::unique_ptr<InstalledServices> services;
  std::unique_ptr<Games> games;
  // The nick forges a news item's tail and a line of its own.
  const ChatPeer evil{W("Evil\r\nФальшивая новость (Admin) 1 января 2027 г.0:0:0"),
                      "EVIL\nPC", Loopback(7)};
  const std::string kAsLine = W("Evil  Фальшивая новость (Admin) 1 января 2027 г.0:0:0");
};

TEST_F(LineNamesTest, CollectionsGetOneEntryWithTheNickOnItsLine) {
  f.ReceiveLine(evil, W("!add_news Настоящая новость"));
  f.ReceiveLine(evil, W("!add Короткая шутка"));
  f.ReceiveLine(evil, "!add first\r\nsecond");

  const std::vector<std::string> news = FileLines("botfile/news.txt");
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].rfind(W("Настоящая новость (") + kAsLine + ") ", 0), 0u) << news[0];
  EXPECT_EQ(FileLines("botfile/Aforizm.txt"),
            std::vector<std::string>{W("Короткая шутка (") + kAsLine + ")"});
  std::string separator;
  for (int i = 0; i < 34; ++i) separator += "=+";
  EXPECT_EQ(FileLines("botfile/anecdot.txt"),
            (std::vector<std::string>{"first", "second (" + kAsLine + ")", separator}));

  // The listing shows one item.
  f.ClearSent();
  f.ReceiveLine(evil, "!news");
  const std::vector<std::string> said = ToEvil();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].find(std::string(25, '=')), said[0].rfind(std::string(25, '=')));
}

TEST_F(LineNamesTest, NameListsHoldTheNickOnceAndFindItAgain) {
  f.parts().settings.EnableBotCB = true;
  services->offlineMessages.WriteBox(evil.nick, "pw", W("Спасибо за регистрацию в нашей системе!"));
  f.ReceiveLine(evil, W("!add_news Новость"));
  f.ReceiveLine(evil, "!news");
  f.ReceiveLine(evil, "!news");
  f.ReceivePasswordLine(evil, "!r", "Secret", "pw");
  f.ReceivePasswordLine(evil, "!r", "Secret", "pw");
  for (const auto& stopped : f.parts().on.life.stopped) stopped();

  const std::vector<std::string> seen = FileLines("botfile/seen.txt");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].rfind(kAsLine + "\x8F", 0), 0u) << seen[0];
  EXPECT_EQ(FileLines("botfile/seennews.txt"), std::vector<std::string>{kAsLine});
  EXPECT_EQ(FileLines("user/seen.txt"), std::vector<std::string>{kAsLine});

  // He has read his box and the news: his next join tells him of neither.
  f.ClearSent();
  f.ReceiveJoin(evil);
  for (const std::string& text : ToEvil()) {
    EXPECT_EQ(text.find(W("Есть непрочитанные")), std::string::npos) << text;
  }
}

TEST_F(LineNamesTest, LogsGetOneLinePerEntry) {
  f.ReceiveJoin(evil);
  f.ReceiveLine(evil, "!seen Ghost\r\n[12:06:2026.18:05:07] Admin");
  f.ReceiveLeave(evil);

  const std::vector<std::string> queries = FileLines("botfile/seen_log.log");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0], W("[12:06:2026.18:05:07] ") + kAsLine +
                            W(" искал(а) пользователя Ghost  [12:06:2026.18:05:07] Admin"));
  // The log file names him on the lines of his join and leave (the text
  // of his chat line is his own business).
  ASSERT_TRUE(f.parts().log.FlushFile());
  const std::vector<std::string> log = FileLines("botfile/log.txt");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "[18:05]" + kAsLine + W(" (EVIL PC): присоединился к нам."));
  EXPECT_EQ(log.back(), "[18:05]" + kAsLine + W(" (EVIL PC): покинул нас."));
  for (const std::string& line : log) {
    EXPECT_NE(line.rfind(W("Фальшивая"), 0), 0u) << line;
    EXPECT_NE(line.rfind("PC", 0), 0u) << line;
  }
}

TEST_F(LineNamesTest, IniFilesKeepTheNickInOneKeyOrValue) {
  f.dir.WriteFile("botfile/stat.ini", "[PC2]\r\nTotal=1\r\n");
  f.dir.WriteFile("botfile/questions.txt", "q|a\r\n");
  for (const auto& started : f.parts().on.life.started) started();
  const ChatPeer evilOnPc3{evil.nick, "PC3", Loopback(7)};
  f.ReceiveLine(evilOnPc3, W("!mess PC2 привет"));
  f.ReceiveLine(evilOnPc3, W("!старт"), "Victorina");
  f.loop.Advance(std::chrono::seconds(8));
  f.ReceiveLine(evilOnPc3, "a", "Victorina");
  for (const auto& stopped : f.parts().on.life.stopped) stopped();

  StatStore stats(f.dir.FilePath("botfile/stat.ini"), f.loop);
  EXPECT_EQ(stats.ReadString("PC2", "Message-1", "").rfind(
                W("* Сообщение от ") + kAsLine + W(" (PC3). Дата: "), 0),
            0u);
  EXPECT_GT(stats.ReadInteger("PC3", "User-" + kAsLine, 0), 0);
  EXPECT_EQ(IniFile(f.dir.FilePath("botfile/topvictor.txt")).ReadInteger("users", kAsLine, 0), 1);
  // Nothing but headers and keys: no line was forged.
  for (const char* file : {"botfile/stat.ini", "botfile/topvictor.txt"}) {
    for (const std::string& line : FileLines(file)) {
      EXPECT_TRUE(line.front() == '[' || line.find('=') != std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace pelmo
