#include "services/news.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

std::string Numbered(int from, int to, const char* end = "\r\n") {
  std::string text;
  for (int i = from; i <= to; ++i) text += "item" + std::to_string(i) + end;
  return text;
}

TEST(ReadLastLines, TailOfShortAndLongFilesWithEitherLineEnd) {
  TempDir dir;
  const struct {
    std::string text;
    std::size_t count;
    std::vector<std::string> lines;
  } cases[] = {
      {"", 3, {}},
      {"a\r\nb\r\nc\r\n", 2, {"b", "c"}},
      {"a\nb\nc", 5, {"a", "b", "c"}},
      {"a\r\n\r\nc\r\n", 2, {"", "c"}},
      {"a\rb\r", 1, {"b"}},
      // Far beyond one read from the end.
      {Numbered(1, 30000), 3, {"item29998", "item29999", "item30000"}},
      {std::string(200000, 'x') + "\r\nlast\r\n", 2, {std::string(200000, 'x'), "last"}},
  };
  for (const auto& c : cases) {
    dir.WriteFile("f.txt", c.text);
    EXPECT_EQ(ReadLastLines(dir.FilePath("f.txt"), c.count), c.lines) << c.text.substr(0, 40);
  }
  EXPECT_TRUE(ReadLastLines(dir.FilePath("missing.txt"), 3).empty());
}

class NewsTest : public ::testing::Test {
 protected:
  void SetUp() override { f.PrepareOffline(); }

  BotFixture f;
  News news{f.dir.FilePath("botfile/news.txt"), f.dir.FilePath("botfile/seennews.txt"),
            f.clock, f.parts().replies};
  const std::uint32_t kUser = Loopback(2);
  const std::string kHeading =
      "\r\n\r\n" + std::string(26, ' ') + W("> > > Н О В О С Т И ! ! !< < <\r\n");
  const std::string kRule = "\r\n" + std::string(25, '=') + "\r\n";
};

TEST_F(NewsTest, PostReadAndNotify) {
  news.NotifyUnreadNews("Petya", kUser);  // no news at all: nothing to tell
  EXPECT_TRUE(f.Sent().empty());

  f.clock.SetNow(DateTimeParts{2026, 12, 6, 8, 5, 7, 0});
  news.AddNews("Vasya", W("Завтра субботник"), kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/news.txt"),
            W("Завтра субботник (Vasya) 6 декабря 2026 г.8:5:7\r\n"));
  EXPECT_EQ(f.dir.ReadFile("botfile/seennews.txt"), "Vasya\r\n");
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{W("Vasya%cf%, Ваша новость добавлена.")});

  news.NotifyUnreadNews("Vasya", kUser);
  news.NotifyUnreadNews("vasya", kUser);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{W(
                         "vasya%cf%, Есть непрочитанные новости для Вас. Для просмотра наберите !news")});

  news.ShowNews("Petya", kUser);
  news.ShowNews("Petya", kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, kHeading + kRule + W("Завтра субботник (Vasya) 6 декабря 2026 г.8:5:7"));
  EXPECT_EQ(sent[0].kind, 3);
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/seennews.txt"), "Vasya\r\nPetya\r\n");
  f.ClearSent();
  news.NotifyUnreadNews("Petya", kUser);
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(NewsTest, LongFilesShowTheNewestAndLoseNothing) {
  const std::string items = Numbered(1, 1200, "\n");
  const std::string readers = Numbered(1, 1500);
  f.dir.WriteFile("botfile/news.txt", items);
  f.dir.WriteFile("botfile/seennews.txt", readers);
  news.ShowNews("Petya", kUser);
  std::string expected = kHeading;
  for (int i = 1200; i > 1000; --i) expected += kRule + "item" + std::to_string(i);
  std::string shown;  // cut into packets by the message size
  for (const std::string& text : f.TakeSentTexts()) shown += text;
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(f.dir.ReadFile("botfile/news.txt"), items);
  EXPECT_EQ(f.dir.ReadFile("botfile/seennews.txt"), readers + "Petya\r\n");
  news.AddNews("Vasya", "fresh", kUser);
  EXPECT_EQ(ReadLines(f.dir.FilePath("botfile/news.txt")).size(), 1201u);
}

// One "!news" sends at most 16 KB and says that more exists; an item too
// long or a full file is refused and the file kept as it is.
TEST_F(NewsTest, AnswersAndAdditionsAreBounded) {
  std::string items;
  for (int i = 1; i <= 200; ++i) items += std::to_string(1000 + i) + std::string(296, 'n') + "\r\n";
  f.dir.WriteFile("botfile/news.txt", items);
  news.ShowNews("Petya", kUser);
  std::string shown;
  for (const std::string& text : f.TakeSentTexts()) shown += text;
  const std::string note =
      "\r\n" + W("(Показано не всё: остальное не помещается в один ответ.)");
  EXPECT_LE(shown.size(), 16384u);
  EXPECT_GT(shown.size(), 16000u);
  EXPECT_EQ(shown.rfind(kHeading + kRule + "1200nnn", 0), 0u);
  EXPECT_EQ(shown.substr(shown.size() - note.size()), note);

  news.AddNews("Vasya", std::string(1025, 'x'), kUser);
  news.AddNews("Vasya", std::string(1024, 'y'), kUser);
  EXPECT_EQ(f.TakeSentTexts(),
            (std::vector<std::string>{W("Vasya%cf%, Новость длиннее 1024 знаков не добавлена."),
                                      W("Vasya%cf%, Ваша новость добавлена.")}));
  f.dir.WriteFile("botfile/news.txt", std::string(1048576, 'z'));
  news.AddNews("Vasya", "more", kUser);
  EXPECT_EQ(f.TakeSentTexts(),
            std::vector<std::string>{
                W("Vasya%cf%, Места для новостей больше нет, новость не добавлена.")});
  EXPECT_EQ(f.dir.ReadFile("botfile/news.txt"), std::string(1048576, 'z'));
}

// The add row refuses any line break and keeps the bot's own colour.
TEST(NewsInstalled, MultiLineRefusalRestoresTheColour) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  f.parts().out.NickColor = 0x00FF8000;
  const ChatPeer vasya{"Vasya", "PC1"};
  for (const std::string& text : {std::string("!add_news a\rb"), W("!доб_нов a\nb")}) {
    f.ClearSent();
    f.ReceiveLine(vasya, text);
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << text;
    EXPECT_EQ(sent[0].text, W("Vasya%cf%, Нельзя добавлять многострочные новости. "
                              "Удовлетворитесь 1 строкой."));
    EXPECT_EQ(sent[0].color, 255u);
    EXPECT_EQ(f.parts().out.NickColor, 0x00FF8000u);
  }
  EXPECT_EQ(f.dir.ReadFile("botfile/news.txt"), "");
  EXPECT_FALSE(f.view.Contains(W("Vasya (PC1) команда добавить новости.")));

  f.ReceiveLine(vasya, W("!фвв_туцы one line"));
  EXPECT_TRUE(f.view.Contains(W("Vasya (PC1) команда добавить новости.")));
  EXPECT_EQ(ReadLines(f.dir.FilePath("botfile/news.txt")).size(), 1u);
}

}  // namespace
}  // namespace pelmo
